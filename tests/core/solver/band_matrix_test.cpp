// The banded Cholesky solver against dense arithmetic on the same matrices.
#include "solver/band_matrix.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace kova {
namespace {

using Dense = std::vector<std::vector<Real>>;

// A symmetric, diagonally dominant (so positive definite) matrix with couplings only
// within the band, filled from a fixed seed.
Dense RandomBandedSpd(int n, int b, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    Dense a(static_cast<std::size_t>(n + 1), std::vector<Real>(static_cast<std::size_t>(n + 1)));
    for (int i = 1; i <= n; ++i) {
        for (int j = i + 1; j <= n && j - i < b; ++j) {
            a[i][j] = a[j][i] = dist(gen);
        }
    }
    for (int i = 1; i <= n; ++i) {
        Real sum = 0;
        for (int j = 1; j <= n; ++j)
            if (j != i) sum += std::fabs(a[i][j]);
        a[i][i] = sum + 0.5L + std::fabs(dist(gen));
    }
    return a;
}

BandMatrix ToBand(const Dense& a, int b) {
    const int n = static_cast<int>(a.size()) - 1;
    BandMatrix m;
    EXPECT_TRUE(m.Allocate(n, b));
    for (int i = 1; i <= n; ++i)
        for (int j = i; j <= n && j - i < b; ++j) m(i, j) = a[i][j];
    return m;
}

BandVector Multiply(const Dense& a, const BandVector& x) {
    const int n = static_cast<int>(a.size()) - 1;
    BandVector r(static_cast<std::size_t>(n + 1), 0.0L);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) r[i] += a[i][j] * x[j];
    return r;
}

BandVector RandomVector(int n, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-10.0, 10.0);
    BandVector v(static_cast<std::size_t>(n + 1), 0.0L);
    for (int i = 1; i <= n; ++i) v[i] = dist(gen);
    return v;
}

TEST(BandedCholesky, SolvesBandedSystemsOfManyShapesToExtendedPrecision) {
    // Every bandwidth from 1 to 11 passes the four-column blocks and each of their tails.
    for (int n : {1, 2, 3, 5, 8, 17, 40}) {
        for (int b = 1; b <= std::min(n, 11); ++b) {
            const Dense a = RandomBandedSpd(n, b, static_cast<unsigned>(97 * n + b));
            const BandVector xTrue = RandomVector(n, static_cast<unsigned>(n + 7 * b));
            const BandVector rhs = Multiply(a, xTrue);
            BandMatrix m = ToBand(a, b);
            SolverError err = SolverError::Ok;
            FactorBanded(m, err);
            ASSERT_EQ(err, SolverError::Ok) << "n=" << n << " b=" << b;
            BandVector x;
            SolveBanded(m, rhs, x, err);
            ASSERT_EQ(err, SolverError::Ok);
            for (int i = 1; i <= n; ++i)
                EXPECT_NEAR(static_cast<double>(x[i]), static_cast<double>(xTrue[i]), 1e-14)
                    << "n=" << n << " b=" << b << " i=" << i;
        }
    }
}

TEST(BandedCholesky, FactorReproducesTheMatrix) {
    const int n = 23, b = 7;
    const Dense a = RandomBandedSpd(n, b, 5);
    BandMatrix m = ToBand(a, b);
    SolverError err = SolverError::Ok;
    FactorBanded(m, err);
    ASSERT_EQ(err, SolverError::Ok);
    // (U^T U)(i, j) = sum_k U(k, i) U(k, j); U(k, j) = 0 outside the band.
    auto u = [&](int k, int j) -> Real { return j >= k && j - k < b ? m.Entry(k, j - k + 1) : 0; };
    for (int i = 1; i <= n; ++i) {
        for (int j = i; j <= n; ++j) {
            Real s = 0;
            for (int k = 1; k <= i; ++k) s += u(k, i) * u(k, j);
            EXPECT_NEAR(static_cast<double>(s), static_cast<double>(a[i][j]), 1e-15);
        }
    }
}

// A diagonally dominant band built directly in band storage, for sizes whose dense
// form would not fit.
BandMatrix LargeBandedSpd(int n, int b, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    BandMatrix m;
    EXPECT_TRUE(m.Allocate(n, b));
    std::vector<Real> offSum(static_cast<std::size_t>(n + 1), 0.0L);
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n && j - i < b; ++j) {
            m(i, j) = dist(gen);
            offSum[i] += std::fabs(m(i, j));
            offSum[j] += std::fabs(m(i, j));
        }
    for (int i = 1; i <= n; ++i) m(i, i) = offSum[i] + 0.5L + std::fabs(dist(gen));
    return m;
}

TEST(BandedCholesky, LargeBandsSolveToExtendedPrecision) {
    // Thousands of rows with a bandwidth that is not a multiple of four: the rounding of
    // the extended arithmetic stays far below double precision.
    const int n = 2999, b = 47;
    const BandMatrix a = LargeBandedSpd(n, b, 17);
    const BandVector xTrue = RandomVector(n, 3);
    BandVector rhs(static_cast<std::size_t>(n + 1), 0.0L);
    MultiplyBanded(a, rhs, xTrue, rhs);
    BandMatrix m = a;
    SolverError err = SolverError::Ok;
    FactorBanded(m, err);
    ASSERT_EQ(err, SolverError::Ok);
    BandVector x;
    SolveBanded(m, rhs, x, err);
    ASSERT_EQ(err, SolverError::Ok);
    double worst = 0;
    for (int i = 1; i <= n; ++i)
        worst = std::max(worst, std::fabs(static_cast<double>(x[i] - xTrue[i])));
    EXPECT_LT(worst, 1e-15);
}

TEST(BandedCholesky, SingleEquationAndDiagonalSystems) {
    BandMatrix one;
    ASSERT_TRUE(one.Allocate(1, 1));
    one(1, 1) = 16;
    SolverError err = SolverError::Ok;
    FactorBanded(one, err);
    EXPECT_EQ(err, SolverError::Ok);
    EXPECT_EQ(one(1, 1), 4.0L);
    BandVector x;
    SolveBanded(one, {0, 8}, x, err);
    EXPECT_EQ(x[1], 0.5L);

    // B = 1: square roots of the diagonal and divisions.
    BandMatrix diag;
    ASSERT_TRUE(diag.Allocate(3, 1));
    diag(1, 1) = 4;
    diag(2, 2) = 9;
    diag(3, 3) = 0.25L;
    FactorBanded(diag, err);
    ASSERT_EQ(err, SolverError::Ok);
    EXPECT_EQ(diag(2, 2), 3.0L);
    SolveBanded(diag, {0, 2, 3, 1}, x, err);
    EXPECT_EQ(x[1], 0.5L);
    EXPECT_NEAR(static_cast<double>(x[2]), 1.0 / 3.0, 1e-18);
    EXPECT_EQ(x[3], 4.0L);
}

TEST(BandedCholesky, NonPositiveOrNanPivotFailsWithCode2AndKeepsEarlierRows) {
    for (Real bad : {0.0L, -1.0L, std::numeric_limits<Real>::quiet_NaN()}) {
        BandMatrix m;
        ASSERT_TRUE(m.Allocate(3, 2));
        m(1, 1) = 4;
        m(1, 2) = 2;
        m(2, 2) = 1 + bad;  // pivot of row 2 is 1 + bad - 1 = bad
        m(2, 3) = 1;
        m(3, 3) = 5;
        SolverError err = SolverError::Ok;
        FactorBanded(m, err);
        EXPECT_EQ(err, SolverError::Singular);
        EXPECT_EQ(m(1, 1), 2.0L);  // row 1 was factorised
        EXPECT_EQ(m(1, 2), 1.0L);
        EXPECT_EQ(m(3, 3), 5.0L);  // row 3 untouched
    }
    // A singular matrix (the Laplacian of a free chain) fails on its last pivot.
    BandMatrix chain;
    ASSERT_TRUE(chain.Allocate(4, 2));
    for (int i = 1; i <= 4; ++i) chain(i, i) = (i == 1 || i == 4) ? 1 : 2;
    for (int i = 1; i < 4; ++i) chain(i, i + 1) = -1;
    SolverError err = SolverError::Ok;
    FactorBanded(chain, err);
    EXPECT_EQ(err, SolverError::Singular);
}

TEST(BandedCholesky, MultiplyMatchesDenseProductAndAddsP) {
    for (int b : {1, 2, 5}) {
        const int n = 12;
        const Dense a = RandomBandedSpd(n, b, static_cast<unsigned>(b));
        const BandMatrix m = ToBand(a, b);
        const BandVector q = RandomVector(n, 11);
        const BandVector p = RandomVector(n, 12);
        BandVector r;
        MultiplyBanded(m, p, q, r);
        const BandVector aq = Multiply(a, q);
        for (int i = 1; i <= n; ++i)
            EXPECT_NEAR(static_cast<double>(r[i]), static_cast<double>(p[i] + aq[i]), 1e-15);
        // r may be p itself.
        BandVector inPlace = p;
        MultiplyBanded(m, inPlace, q, inPlace);
        for (int i = 1; i <= n; ++i) EXPECT_EQ(inPlace[i], r[i]);
    }
}

TEST(BandedCholesky, FullWidthBandEqualsDenseSolution) {
    // A matrix whose couplings lie within B solves the same whether stored with B or N.
    const int n = 9, b = 3;
    const Dense a = RandomBandedSpd(n, b, 99);
    const BandVector rhs = RandomVector(n, 3);
    BandMatrix narrow = ToBand(a, b);
    BandMatrix wide = ToBand(a, n);
    SolverError err = SolverError::Ok;
    FactorBanded(narrow, err);
    FactorBanded(wide, err);
    ASSERT_EQ(err, SolverError::Ok);
    BandVector x1, x2;
    SolveBanded(narrow, rhs, x1, err);
    SolveBanded(wide, rhs, x2, err);
    for (int i = 1; i <= n; ++i)
        EXPECT_NEAR(static_cast<double>(x1[i]), static_cast<double>(x2[i]), 1e-16);
}

}  // namespace
}  // namespace kova

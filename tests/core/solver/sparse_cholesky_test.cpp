// The sparse supernodal Cholesky against the band Cholesky on the same matrices: small
// hand cases, mesh-like plates, random couplings, lumps tied to many unknowns, singular
// and disconnected systems, and storage that cannot be had.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>

#include "solver/band_matrix.hpp"
#include "solver/solver_run.hpp"
#include "solver/sparse_cholesky.hpp"
#include "solver/sparse_ordering.hpp"
#include "solver/sparse_pattern.hpp"
#include "solver/sparse_symbolic.hpp"

namespace kova {
namespace {

using Entry = std::tuple<int, int, Real>;  // (i, j, value), either order; added up

SparseMatrix MakeMatrix(int n, const std::vector<Entry>& entries) {
    SparsePatternBuilder builder(n);
    for (const auto& [i, j, v] : entries) builder.AddCoupling(i, j);
    SparsePattern pattern;
    EXPECT_TRUE(builder.Finish(pattern));
    SparseMatrix a;
    EXPECT_TRUE(a.Reset(std::move(pattern)));
    for (const auto& [i, j, v] : entries) EXPECT_TRUE(a.Add(i, j, v));
    return a;
}

// A symmetric, diagonally dominant matrix on the couplings: each coupling -w with w in
// [0.5, 2), each diagonal the sum of its row's |w| plus `shift[i]` (zero shifts leave
// the row sums 0, as in a field problem without a prescribed value).
SparseMatrix FieldMatrix(int n, const std::vector<std::pair<int, int>>& couplings,
                         const std::vector<Real>& shift, std::mt19937& rng) {
    std::uniform_real_distribution<double> weight(0.5, 2.0);
    std::vector<Entry> entries;
    std::vector<Real> diagonal(static_cast<std::size_t>(n), 0.0L);
    for (const auto& [i, j] : couplings) {
        const Real w = weight(rng);
        entries.emplace_back(i, j, -w);
        diagonal[static_cast<std::size_t>(i)] += w;
        diagonal[static_cast<std::size_t>(j)] += w;
    }
    for (int i = 0; i < n; ++i)
        entries.emplace_back(
            i, i, diagonal[static_cast<std::size_t>(i)] + shift[static_cast<std::size_t>(i)]);
    return MakeMatrix(n, entries);
}

// The couplings of an nx x ny plate of triangles (nodes by rows, cells split from lower
// left to upper right), starting at node `offset`.
std::vector<std::pair<int, int>> PlateCouplings(int nx, int ny, int offset = 0) {
    std::vector<std::pair<int, int>> c;
    auto id = [&](int i, int j) { return offset + j * nx + i; };
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            if (i + 1 < nx) c.emplace_back(id(i, j), id(i + 1, j));
            if (j + 1 < ny) c.emplace_back(id(i, j), id(i, j + 1));
            if (i + 1 < nx && j + 1 < ny) c.emplace_back(id(i, j), id(i + 1, j + 1));
        }
    return c;
}

// The same matrix in band storage (1-based), wide enough for every coupling.
BandMatrix ToBand(const SparseMatrix& a) {
    const SparsePattern& p = a.Pattern();
    int width = 1;
    for (int j = 0; j < p.n; ++j)
        for (auto q = p.columnStart[static_cast<std::size_t>(j)];
             q < p.columnStart[static_cast<std::size_t>(j) + 1]; ++q)
            width = std::max(width, p.rowIndex[static_cast<std::size_t>(q)] - j + 1);
    BandMatrix band;
    EXPECT_TRUE(band.Allocate(p.n, width));
    for (int j = 0; j < p.n; ++j)
        for (auto q = p.columnStart[static_cast<std::size_t>(j)];
             q < p.columnStart[static_cast<std::size_t>(j) + 1]; ++q)
            band(j + 1, p.rowIndex[static_cast<std::size_t>(q)] + 1) =
                a.Values()[static_cast<std::size_t>(q)];
    return band;
}

struct Solution {
    SolverError code = SolverError::Ok;
    std::vector<Real> x;  // 0-based
};

Solution SolveWithBand(const SparseMatrix& a, const std::vector<Real>& b) {
    BandMatrix band = ToBand(a);
    Solution s;
    FactorBanded(band, s.code);
    if (s.code != SolverError::Ok) return s;
    BandVector rhs(b.size() + 1, 0.0L), x;
    std::copy(b.begin(), b.end(), rhs.begin() + 1);
    SolveBanded(band, rhs, x, s.code);
    s.x.assign(x.begin() + 1, x.end());
    return s;
}

Solution SolveWithSparse(const SparseMatrix& a, const std::vector<Real>& b) {
    SparseSymbolic symbolic;
    EXPECT_TRUE(AnalyseSparse(a.Pattern(), symbolic));
    SparseFactor factor;
    Solution s;
    factor.Factor(a, symbolic, s.code);
    if (s.code != SolverError::Ok) return s;
    EXPECT_TRUE(factor.Ready());
    s.x.resize(b.size());
    factor.Solve(b.data(), s.x.data());
    return s;
}

Real RelativeDifference(const std::vector<Real>& x, const std::vector<Real>& y) {
    Real diff = 0, size = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        diff = std::max(diff, std::fabs(x[i] - y[i]));
        size = std::max(size, std::fabs(y[i]));
    }
    return diff / size;
}

// The backward error of x: |b - A x| against |A| |x| + |b|, row by row (the sparse
// product gives the residual).
Real RelativeResidual(const SparseMatrix& a, const std::vector<Real>& x,
                      const std::vector<Real>& b) {
    const std::size_t n = b.size();
    std::vector<Real> r(n), minusB(n), scale(n);
    for (std::size_t i = 0; i < n; ++i) {
        minusB[i] = -b[i];
        scale[i] = std::fabs(b[i]);
    }
    a.Multiply(minusB.data(), x.data(), r.data());
    const SparsePattern& p = a.Pattern();
    for (std::size_t j = 0; j < n; ++j)
        for (auto q = p.columnStart[j]; q < p.columnStart[j + 1]; ++q) {
            const auto i = static_cast<std::size_t>(p.rowIndex[static_cast<std::size_t>(q)]);
            const Real v = std::fabs(a.Values()[static_cast<std::size_t>(q)]);
            scale[i] += v * std::fabs(x[j]);
            if (i != j) scale[j] += v * std::fabs(x[i]);
        }
    Real worst = 0;
    for (std::size_t i = 0; i < n; ++i) worst = std::max(worst, std::fabs(r[i]) / scale[i]);
    return worst;
}

std::vector<Real> RandomVector(int n, std::mt19937& rng) {
    std::uniform_real_distribution<double> value(-100, 100);
    std::vector<Real> b(static_cast<std::size_t>(n));
    for (Real& v : b) v = value(rng);
    return b;
}

// Both solvers on A x = b for a random b: same result code and, when they solve, the
// same solution within 1e-14 and a backward error at the level of extended rounding.
void ExpectSameAsBand(const SparseMatrix& a, std::mt19937& rng) {
    const std::vector<Real> b = RandomVector(a.Size(), rng);
    const Solution band = SolveWithBand(a, b);
    const Solution sparse = SolveWithSparse(a, b);
    ASSERT_EQ(band.code, SolverError::Ok);
    ASSERT_EQ(sparse.code, SolverError::Ok);
    EXPECT_LT(RelativeDifference(sparse.x, band.x), 1e-14L);
    EXPECT_LT(RelativeResidual(a, sparse.x, b), 1e-17L);
}

TEST(SparseCholesky, SmallHandCasesSolveLikeTheBand) {
    std::mt19937 rng(1);
    // One equation: x = b / a.
    {
        const SparseMatrix a = MakeMatrix(1, {{0, 0, 4}});
        const Solution s = SolveWithSparse(a, {10});
        ASSERT_EQ(s.code, SolverError::Ok);
        EXPECT_EQ(s.x[0], 2.5L);
    }
    // No couplings: divisions by the diagonal.
    ExpectSameAsBand(MakeMatrix(3, {{0, 0, 2}, {1, 1, 3}, {2, 2, 7}}), rng);
    // A chain, an arrow (one unknown coupled with all) and a full 4 x 4.
    ExpectSameAsBand(
        MakeMatrix(
            4, {{0, 0, 2}, {1, 1, 2}, {2, 2, 2}, {3, 3, 2}, {0, 1, -1}, {1, 2, -1}, {2, 3, -1}}),
        rng);
    ExpectSameAsBand(MakeMatrix(5, {{0, 0, 10},
                                    {1, 1, 3},
                                    {2, 2, 3},
                                    {3, 3, 3},
                                    {4, 4, 3},
                                    {0, 1, 1},
                                    {0, 2, -1},
                                    {0, 3, 2},
                                    {0, 4, -2}}),
                     rng);
    std::vector<Entry> full;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j <= i; ++j) full.emplace_back(i, j, i == j ? 5.0L : 1.0L / (1 + i + j));
    ExpectSameAsBand(MakeMatrix(4, full), rng);
}

TEST(SparseCholesky, PlatesAndRandomCouplingsSolveLikeTheBand) {
    std::mt19937 rng(7);
    for (const auto& [nx, ny] : {std::pair{40, 30}, std::pair{7, 90}, std::pair{60, 2}}) {
        const int n = nx * ny;
        std::vector<Real> shift(static_cast<std::size_t>(n), 0.0L);
        for (int j = 0; j < ny; ++j) shift[static_cast<std::size_t>(j * nx)] = 1;  // a fixed edge
        SCOPED_TRACE(nx);
        ExpectSameAsBand(FieldMatrix(n, PlateCouplings(nx, ny), shift, rng), rng);
    }
    // Random couplings with a few heavily coupled unknowns, at several sizes.
    for (int trial = 0; trial < 12; ++trial) {
        std::uniform_int_distribution<int> size(2, 300);
        const int n = size(rng);
        std::uniform_int_distribution<int> pick(0, n - 1);
        std::vector<std::pair<int, int>> couplings;
        for (int e = 0; e < 3 * n; ++e) couplings.emplace_back(pick(rng), pick(rng));
        for (int hub = 0; hub < 3; ++hub) {
            const int h = pick(rng);
            for (int e = 0; e < n / 2; ++e) couplings.emplace_back(h, pick(rng));
        }
        couplings.erase(std::remove_if(couplings.begin(), couplings.end(),
                                       [](const auto& c) { return c.first == c.second; }),
                        couplings.end());
        std::vector<Real> shift(static_cast<std::size_t>(n), 0.01L);
        SCOPED_TRACE(trial);
        ExpectSameAsBand(FieldMatrix(n, couplings, shift, rng), rng);
    }
}

TEST(SparseCholesky, ValuesBeyondTheDoublesRangeSolveLikeTheBand) {
    // The factor is held as double + float where each value splits exactly; a factor or a
    // right-hand side too small or too large for that must still solve in full extended
    // precision. The plate is small enough for merged supernodes with padding.
    std::mt19937 rng(17);
    const auto couplings = PlateCouplings(30, 20);
    std::vector<Real> shift(600, 0.0L);
    shift[0] = 1;
    const SparseMatrix plain = FieldMatrix(600, couplings, shift, rng);
    for (const Real scale : {1.0L, 1e-60L, 1e400L}) {
        for (const Real size : {1.0L, 1e330L, 1e-330L}) {
            SparseMatrix a = plain;
            for (Real& v : a.Values()) v *= scale;
            std::vector<Real> b = RandomVector(600, rng);
            for (Real& v : b) v *= size;
            const Solution band = SolveWithBand(a, b);
            const Solution sparse = SolveWithSparse(a, b);
            SCOPED_TRACE(static_cast<double>(std::log10(scale)));
            SCOPED_TRACE(static_cast<double>(std::log10(size)));
            ASSERT_EQ(sparse.code, SolverError::Ok);
            EXPECT_LT(RelativeDifference(sparse.x, band.x), 1e-14L);
            EXPECT_LT(RelativeResidual(a, sparse.x, b), 1e-17L);
        }
    }
}

TEST(SparseCholesky, OneAnalysisServesEveryFactorisationOnThePattern) {
    // Factorisations with new values on the same analysis (as in a property iteration),
    // and an analysis with the natural order instead of the fill-reducing one.
    std::mt19937 rng(3);
    const auto couplings = PlateCouplings(25, 25);
    std::vector<Real> shift(625, 0.0L);
    shift[0] = 1;
    const SparseMatrix first = FieldMatrix(625, couplings, shift, rng);
    SparseSymbolic symbolic;
    ASSERT_TRUE(AnalyseSparse(first.Pattern(), symbolic));
    SparseFactor factor;
    for (int round = 0; round < 3; ++round) {
        shift[static_cast<std::size_t>(round * 100)] = 0.5L + round;
        const SparseMatrix a = FieldMatrix(625, couplings, shift, rng);
        SolverError code = SolverError::Ok;
        factor.Factor(a, symbolic, code);
        ASSERT_EQ(code, SolverError::Ok);
        const std::vector<Real> b = RandomVector(625, rng);
        std::vector<Real> x(625);
        factor.Solve(b.data(), x.data());
        EXPECT_LT(RelativeDifference(x, SolveWithBand(a, b).x), 1e-14L);
    }
    std::vector<std::int32_t> natural(625);
    for (int i = 0; i < 625; ++i) natural[static_cast<std::size_t>(i)] = i;
    SparseSymbolic plain;
    ASSERT_TRUE(AnalyseSparse(first.Pattern(), natural, plain));
    SolverError code = SolverError::Ok;
    factor.Factor(first, plain, code);
    ASSERT_EQ(code, SolverError::Ok);
    const std::vector<Real> b = RandomVector(625, rng);
    std::vector<Real> x(625);
    factor.Solve(b.data(), x.data());
    EXPECT_LT(RelativeDifference(x, SolveWithBand(first, b).x), 1e-14L);
    // The fill-reducing order fills far less than the natural one (band-like) does.
    EXPECT_LT(symbolic.factorNonZeros * 5, plain.factorNonZeros * 3);
}

TEST(SparseCholesky, ALumpTiedToManyUnknownsGoesLastWithoutFillingTheFactor) {
    std::mt19937 rng(11);
    const int plate = 60 * 60;
    auto couplings = PlateCouplings(60, 60);
    const SparseMatrix alone = FieldMatrix(plate, couplings, std::vector<Real>(plate, 0.001L), rng);
    // One more unknown coupled with 1000 of the plate's unknowns.
    const int lump = plate;
    std::vector<int> nodes(plate);
    for (int i = 0; i < plate; ++i) nodes[static_cast<std::size_t>(i)] = i;
    std::shuffle(nodes.begin(), nodes.end(), rng);
    for (int c = 0; c < 1000; ++c) couplings.emplace_back(nodes[static_cast<std::size_t>(c)], lump);
    std::vector<Real> shift(plate + 1, 0.0L);
    shift[0] = 1;
    const SparseMatrix withLump = FieldMatrix(plate + 1, couplings, shift, rng);
    ASSERT_GT(1000, DenseRowThreshold(plate + 1));

    SparseSymbolic a, b;
    ASSERT_TRUE(AnalyseSparse(alone.Pattern(), a));
    ASSERT_TRUE(AnalyseSparse(withLump.Pattern(), b));
    EXPECT_EQ(b.order.back(), lump);
    // The lump adds at most one row to the factor (and its own column).
    EXPECT_LE(b.factorNonZeros, a.factorNonZeros + plate + 1);
    const std::vector<Real> rhs = RandomVector(plate + 1, rng);
    const Solution s = SolveWithSparse(withLump, rhs);
    ASSERT_EQ(s.code, SolverError::Ok);
    EXPECT_LT(RelativeResidual(withLump, s.x, rhs), 1e-17L);

    // A lump tied to the 240 nodes of three edges: far fewer couplings than 10 sqrt(N),
    // yet still placed last rather than eliminated among the plate's nodes.
    auto edges = PlateCouplings(80, 80);
    for (int i = 0; i < 80; ++i) {
        edges.emplace_back(i, 6400);
        edges.emplace_back(i * 80, 6400);
        edges.emplace_back(i * 80 + 79, 6400);
    }
    SparsePatternBuilder edgeBuilder(6401);
    for (const auto& [i, j] : edges) edgeBuilder.AddCoupling(i, j);
    SparsePattern edgePattern;
    ASSERT_TRUE(edgeBuilder.Finish(edgePattern));
    std::vector<std::int32_t> order;
    ASSERT_TRUE(FillReducingOrder(edgePattern, order));
    EXPECT_EQ(order.back(), 6400);

    // Against the band on a plate small enough for the band a lump makes so wide.
    auto small = PlateCouplings(20, 20);
    for (int i = 0; i < 400; i += 3) small.emplace_back(i, 400);
    ExpectSameAsBand(FieldMatrix(401, small, std::vector<Real>(401, 0.01L), rng), rng);
}

TEST(SparseCholesky, SingularSystemsGiveTheBandsResultCode) {
    std::mt19937 rng(5);
    // Nothing prescribed: every row sums to zero and the last pivot is rounding noise.
    for (const auto& [nx, ny] : {std::pair{30, 20}, std::pair{3, 3}, std::pair{100, 1}}) {
        const int n = nx * ny;
        const SparseMatrix a = FieldMatrix(n, PlateCouplings(nx, ny), std::vector<Real>(n, 0), rng);
        const std::vector<Real> b = RandomVector(n, rng);
        SCOPED_TRACE(nx);
        EXPECT_EQ(SolveWithBand(a, b).code, SolverError::Singular);
        EXPECT_EQ(SolveWithSparse(a, b).code, SolverError::Singular);
    }
    // A zero and a negative diagonal, and a matrix that is not positive definite.
    const std::vector<Real> b{1, 2, 3};
    for (const SparseMatrix& a :
         {MakeMatrix(3, {{0, 0, 2}, {1, 1, 0}, {2, 2, 2}}),
          MakeMatrix(3, {{0, 0, 2}, {1, 1, -1}, {2, 2, 2}}),
          MakeMatrix(3, {{0, 0, 1}, {1, 1, 1}, {2, 2, 1}, {0, 1, 2}, {1, 2, 0.5L}})}) {
        EXPECT_EQ(SolveWithBand(a, b).code, SolverError::Singular);
        EXPECT_EQ(SolveWithSparse(a, b).code, SolverError::Singular);
    }
}

TEST(SparseCholesky, ConnectednessOfTheCouplingGraph) {
    SparsePatternBuilder one(400);
    for (const auto& [i, j] : PlateCouplings(20, 20)) one.AddCoupling(i, j);
    SparsePattern connected;
    ASSERT_TRUE(one.Finish(connected));
    EXPECT_TRUE(PatternConnected(connected));
    // Two plates side by side, and the same joined by one coupling.
    SparsePatternBuilder two(800), joined(800);
    for (auto* builder : {&two, &joined}) {
        for (const auto& [i, j] : PlateCouplings(20, 20)) builder->AddCoupling(i, j);
        for (const auto& [i, j] : PlateCouplings(20, 20, 400)) builder->AddCoupling(i, j);
    }
    joined.AddCoupling(399, 400);
    SparsePattern apart, bridged;
    ASSERT_TRUE(two.Finish(apart));
    ASSERT_TRUE(joined.Finish(bridged));
    EXPECT_FALSE(PatternConnected(apart));
    EXPECT_TRUE(PatternConnected(bridged));
    // An unknown with no coupling at all splits the graph too.
    SparsePatternBuilder lonely(3);
    lonely.AddCoupling(0, 1);
    SparsePattern stray;
    ASSERT_TRUE(lonely.Finish(stray));
    EXPECT_FALSE(PatternConnected(stray));
}

TEST(SparseCholesky, StorageThatCannotBeHadIsTheMemoryCode) {
    std::mt19937 rng(9);
    std::vector<Real> shift(900, 0.0L);
    shift[0] = 1;
    const SparseMatrix a = FieldMatrix(900, PlateCouplings(30, 30), shift, rng);
    SparseSymbolic symbolic;
    ASSERT_TRUE(AnalyseSparse(a.Pattern(), symbolic));
    SparseFactor factor;
    factor.SetMemoryLimit(symbolic.FactorValues() * sizeof(Real));  // the factor, no work areas
    SolverError code = SolverError::Ok;
    factor.Factor(a, symbolic, code);
    EXPECT_EQ(code, SolverError::NoMemory);
    EXPECT_FALSE(factor.Ready());
    // With room the same factor succeeds afterwards.
    factor.SetMemoryLimit(std::numeric_limits<std::size_t>::max());
    code = SolverError::Ok;
    factor.Factor(a, symbolic, code);
    ASSERT_EQ(code, SolverError::Ok);
    const std::vector<Real> b = RandomVector(900, rng);
    std::vector<Real> x(900);
    factor.Solve(b.data(), x.data());
    EXPECT_LT(RelativeResidual(a, x, b), 1e-17L);
}

TEST(SparseCholesky, ProductMatchesTheBandProduct) {
    std::mt19937 rng(13);
    const SparseMatrix a = FieldMatrix(200, PlateCouplings(20, 10), std::vector<Real>(200, 1), rng);
    const BandMatrix band = ToBand(a);
    const std::vector<Real> p = RandomVector(200, rng), q = RandomVector(200, rng);
    std::vector<Real> r(200);
    a.Multiply(p.data(), q.data(), r.data());
    BandVector bp(201, 0.0L), bq(201, 0.0L), br;
    std::copy(p.begin(), p.end(), bp.begin() + 1);
    std::copy(q.begin(), q.end(), bq.begin() + 1);
    MultiplyBanded(band, bp, bq, br);
    for (int i = 0; i < 200; ++i)
        EXPECT_NEAR(static_cast<double>(r[static_cast<std::size_t>(i)]),
                    static_cast<double>(br[static_cast<std::size_t>(i) + 1]), 1e-12);
}

}  // namespace
}  // namespace kova

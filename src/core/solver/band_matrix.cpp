#include "solver/band_matrix.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>

namespace kova {
namespace {

// A pivot that has lost all but this fraction of its row's diagonal counts as zero: the
// exact pivot of a singular system (a field with nothing prescribed, say) is 0, but
// rounding leaves a small number of either sign, about the unit roundoff times the
// band's accumulated magnitude. Regular pivots of field problems stay many orders above.
constexpr Real kSingularPivotRatio = 1e-15L;

}  // namespace

bool BandMatrix::Allocate(int n, int bandwidth) {
    Release();
    if (n < 0 || bandwidth < 1) return false;
    const std::size_t count = static_cast<std::size_t>(n) * static_cast<std::size_t>(bandwidth);
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(Real) / 2) return false;
    try {
        m_data.assign(count, 0.0L);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    m_n = n;
    m_b = bandwidth;
    return true;
}

void BandMatrix::Release() {
    m_data.clear();
    m_data.shrink_to_fit();
    m_n = 0;
    m_b = 0;
}

void BandMatrix::Zero() {
    std::fill(m_data.begin(), m_data.end(), 0.0L);
}

void BandMatrix::Swap(BandMatrix& other) noexcept {
    std::swap(m_n, other.m_n);
    std::swap(m_b, other.m_b);
    m_data.swap(other.m_data);
}

// Row by row: row i of the factor is row i of A minus the contributions of the rows
// above that reach column i, divided by the new diagonal. The coupling of column i with
// the rows above (U(i - k, i), a diagonal walk through the band) is gathered once per row
// into a contiguous array; four columns are then accumulated together, so that each
// value of that array is loaded once for four products. Extended values are expensive to
// load, and this cuts the loads per product from two to one and a quarter.
void FactorBanded(BandMatrix& matrix, int& solverError) {
    const int n = matrix.Size();
    const int b = matrix.Bandwidth();
    if (n == 0) return;
    const std::ptrdiff_t stride = b - 1;  // from U(i - k, j) to U(i - k - 1, j)
    std::vector<Real> column(static_cast<std::size_t>(b), 0.0L);
    Real* const col = column.data();
    for (int i = 1; i <= n; ++i) {
        Real* const row = matrix.Row(i);
        const int kMax = std::min(b - 1, i - 1);
        // col[k] = U(i - k, i), entry k + 1 of row i - k.
        {
            const Real* p = kMax > 0 ? matrix.Row(i - 1) + 1 : nullptr;
            for (int k = 1; k <= kMax; ++k, p -= stride) col[k] = *p;
        }
        const Real diagonal = row[0];
        Real s = diagonal;
        for (int k = 1; k <= kMax; ++k) s -= col[k] * col[k];
        if (!(s > 0) || s <= kSingularPivotRatio * diagonal) {
            solverError = kSolverSingular;
            return;
        }
        const Real d = std::sqrt(s);
        row[0] = d;

        const int mEnd = std::min(n - i + 1, b);
        int m = 2;
        for (; m + 3 <= mEnd; m += 4) {
            Real s0 = row[m - 1], s1 = row[m], s2 = row[m + 1], s3 = row[m + 2];
            // All four columns have k up to b - m - 3; the later ones stop earlier.
            const int kAll = std::min(b - m - 3, kMax);
            const Real* p = kMax > 0 ? matrix.Row(i - 1) + m : nullptr;  // U(i - 1, j)
            int k = 1;
            for (; k <= kAll; ++k, p -= stride) {
                const Real u = col[k];
                s0 -= u * p[0];
                s1 -= u * p[1];
                s2 -= u * p[2];
                s3 -= u * p[3];
            }
            for (; k <= kMax && k <= b - m - 2; ++k, p -= stride) {
                const Real u = col[k];
                s0 -= u * p[0];
                s1 -= u * p[1];
                s2 -= u * p[2];
            }
            for (; k <= kMax && k <= b - m - 1; ++k, p -= stride) {
                const Real u = col[k];
                s0 -= u * p[0];
                s1 -= u * p[1];
            }
            for (; k <= kMax && k <= b - m; ++k, p -= stride) s0 -= col[k] * p[0];
            row[m - 1] = s0 / d;
            row[m] = s1 / d;
            row[m + 1] = s2 / d;
            row[m + 2] = s3 / d;
        }
        for (; m <= mEnd; ++m) {
            Real s0 = row[m - 1];
            const int kLast = std::min(b - m, kMax);
            const Real* p = kMax > 0 ? matrix.Row(i - 1) + m : nullptr;
            for (int k = 1; k <= kLast; ++k, p -= stride) s0 -= col[k] * p[0];
            row[m - 1] = s0 / d;
        }
    }
}

// Forward substitution by columns of U (each row of the factor is read contiguously),
// back substitution by rows. The intermediate y is kept in x.
void SolveBanded(const BandMatrix& factor, const BandVector& b, BandVector& x, int& solverError) {
    const int n = factor.Size();
    const int bw = factor.Bandwidth();
    if (static_cast<int>(b.size()) < n + 1) {
        solverError = kSolverSingular;
        return;
    }
    x.assign(b.begin(), b.begin() + n + 1);
    for (int i = 1; i <= n; ++i) {
        const Real* row = factor.Row(i);
        if (!(row[0] > 0)) {
            solverError = kSolverSingular;
            return;
        }
        const Real y = x[static_cast<std::size_t>(i)] / row[0];
        x[static_cast<std::size_t>(i)] = y;
        const int mEnd = std::min(n - i + 1, bw);
        Real* xi = x.data() + i - 1;
        for (int m = 2; m <= mEnd; ++m) xi[m] -= row[m - 1] * y;
    }
    for (int i = n; i >= 1; --i) {
        const Real* row = factor.Row(i);
        const int mEnd = std::min(n - i + 1, bw);
        const Real* xi = x.data() + i - 1;
        Real s = x[static_cast<std::size_t>(i)];
        for (int m = 2; m <= mEnd; ++m) s -= row[m - 1] * xi[m];
        x[static_cast<std::size_t>(i)] = s / row[0];
    }
}

void MultiplyBanded(const BandMatrix& matrix, const BandVector& p, const BandVector& q,
                    BandVector& r) {
    const int n = matrix.Size();
    const int b = matrix.Bandwidth();
    if (&r != &p) r.assign(p.begin(), p.begin() + n + 1);
    for (int i = 1; i <= n; ++i) {
        const Real* row = matrix.Row(i);
        const Real qi = q[static_cast<std::size_t>(i)];
        const int mEnd = std::min(n - i + 1, b);
        const Real* qrow = q.data() + i - 1;
        Real* rrow = r.data() + i - 1;
        Real own = row[0] * qi;
        for (int m = 2; m <= mEnd; ++m) {
            own += row[m - 1] * qrow[m];  // the upper band of row i
            rrow[m] += row[m - 1] * qi;   // the same entries, read as the rows below
        }
        r[static_cast<std::size_t>(i)] += own;
    }
}

}  // namespace kova

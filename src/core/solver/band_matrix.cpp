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

// The pivot d = sqrt(s) of a row whose diagonal was `diagonal`; false when s is not a
// usable pivot.
bool FinishPivot(Real s, Real diagonal, Real& d) {
    if (!(s > 0) || s <= kSingularPivotRatio * diagonal) return false;
    d = std::sqrt(s);
    return true;
}

}  // namespace

bool BandMatrix::Allocate(int n, int bandwidth) {
    Release();
    if (n < 0 || bandwidth < 1) return false;
    const std::size_t count = static_cast<std::size_t>(n) * static_cast<std::size_t>(bandwidth);
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(Real) / 2) return false;
    if (!m_data.Allocate(count * sizeof(Real))) return false;
    m_n = n;
    m_b = bandwidth;
    return true;
}

void BandMatrix::Release() {
    m_data.Release();
    m_n = 0;
    m_b = 0;
}

void BandMatrix::Zero() {
    m_data.Zero();
}

void BandMatrix::Swap(BandMatrix& other) noexcept {
    std::swap(m_n, other.m_n);
    std::swap(m_b, other.m_b);
    m_data.Swap(other.m_data);
}

// Row i of the factor is row i of A minus the contributions of the rows above that reach
// column i, divided by the new diagonal. Extended values are expensive to load, so rows
// are taken in pairs: the couplings of columns i and i + 1 with the rows above (a
// diagonal walk through the band) are gathered once into contiguous arrays, and every
// value U(r, j) of an earlier row is loaded once for the four products it takes part in
// for two columns of the pair's two rows. Only then is row i finished and its own
// contribution to row i + 1 taken off. That is one load per product instead of two.
void FactorBanded(BandMatrix& matrix, SolverError& solverError) {
    const int n = matrix.Size();
    const int b = matrix.Bandwidth();
    if (n == 0) return;
    const std::ptrdiff_t stride = b - 1;  // from U(r, j) to U(r - 1, j)
    std::vector<Real> gather0(static_cast<std::size_t>(b) + 1, 0.0L);
    std::vector<Real> gather1(static_cast<std::size_t>(b) + 1, 0.0L);
    Real* const g0 = gather0.data();
    Real* const g1 = gather1.data();
    int i = 1;
    for (; i < n; i += 2) {
        Real* const r0 = matrix.Row(i);           // r0[t] = U(i, i + t)
        Real* const r1 = matrix.Row(i + 1);       // r1[t] = U(i + 1, i + 1 + t)
        const int kMax = std::min(b - 1, i - 1);  // earlier rows i - k reaching column i
        // g0[k] = U(i - k, i), g1[k] = U(i - k, i + 1) (zero beyond the band).
        {
            const Real* p = kMax > 0 ? matrix.Row(i - 1) + 1 : nullptr;  // U(i - k, i)
            for (int k = 1; k <= kMax; ++k, p -= stride) {
                g0[k] = p[0];
                g1[k] = k + 1 <= b - 1 ? p[1] : 0.0L;
            }
        }
        const Real diagonal0 = r0[0];
        const Real diagonal1 = r1[0];
        Real s = diagonal0;
        for (int k = 1; k <= kMax; ++k) s -= g0[k] * g0[k];
        Real d0 = 0;
        if (!FinishPivot(s, diagonal0, d0)) {
            solverError = SolverError::Singular;
            return;
        }
        r0[0] = d0;

        // Columns i + t, t = 1..tEnd, shared by both rows: row i's entry t and row i + 1's
        // entry t - 1 collect the products with the earlier rows i - k, k <= b - 1 - t.
        const int tEnd = std::min(b - 1, n - i);
        int t = 1;
        for (; t + 1 <= tEnd; t += 2) {
            Real a0 = r0[t], a1 = r0[t + 1], c0 = r1[t - 1], c1 = r1[t];
            const int kBoth = std::min(kMax, b - 2 - t);
            const Real* p = kMax > 0 ? matrix.Row(i - 1) + t + 1 : nullptr;  // U(i - 1, i + t)
            int k = 1;
            for (; k <= kBoth; ++k, p -= stride) {
                const Real u = g0[k];
                const Real v = g1[k];
                const Real p0 = p[0];
                const Real p1 = p[1];
                a0 -= u * p0;
                c0 -= v * p0;
                a1 -= u * p1;
                c1 -= v * p1;
            }
            if (k <= kMax && k <= b - 1 - t) {
                a0 -= g0[k] * p[0];
                c0 -= g1[k] * p[0];
            }
            r0[t] = a0;
            r0[t + 1] = a1;
            r1[t - 1] = c0;
            r1[t] = c1;
        }
        if (t <= tEnd) {
            Real a0 = r0[t], c0 = r1[t - 1];
            const int kLast = std::min(kMax, b - 1 - t);
            const Real* p = kMax > 0 ? matrix.Row(i - 1) + t + 1 : nullptr;
            for (int k = 1; k <= kLast; ++k, p -= stride) {
                a0 -= g0[k] * p[0];
                c0 -= g1[k] * p[0];
            }
            r0[t] = a0;
            r1[t - 1] = c0;
        }
        for (t = 1; t <= tEnd; ++t) r0[t] /= d0;

        // Row i + 1: take off row i's own contribution, then divide.
        const Real u01 = tEnd >= 1 ? r0[1] : 0.0L;  // U(i, i + 1)
        Real d1 = 0;
        if (!FinishPivot(r1[0] - u01 * u01, diagonal1, d1)) {
            solverError = SolverError::Singular;
            return;
        }
        r1[0] = d1;
        const int t1End = std::min(b - 1, n - i - 1);
        const int t1Shared = std::min(t1End, b - 2);
        for (t = 1; t <= t1Shared; ++t) r1[t] = (r1[t] - u01 * r0[t + 1]) / d1;
        for (; t <= t1End; ++t) r1[t] /= d1;
    }
    if (i == n) {
        // The last row on its own.
        Real* const row = matrix.Row(i);
        const int kMax = std::min(b - 1, i - 1);
        const Real* p = kMax > 0 ? matrix.Row(i - 1) + 1 : nullptr;
        Real s = row[0];
        for (int k = 1; k <= kMax; ++k, p -= stride) s -= p[0] * p[0];
        Real d = 0;
        if (!FinishPivot(s, row[0], d)) {
            solverError = SolverError::Singular;
            return;
        }
        row[0] = d;
    }
}

// Forward substitution by columns of U (each row of the factor is read contiguously),
// back substitution by rows. The intermediate y is kept in x.
void SolveBanded(const BandMatrix& factor, const BandVector& b, BandVector& x,
                 SolverError& solverError) {
    const int n = factor.Size();
    const int bw = factor.Bandwidth();
    if (static_cast<int>(b.size()) < n + 1) {
        solverError = SolverError::Singular;
        return;
    }
    x.assign(b.begin(), b.begin() + n + 1);
    for (int i = 1; i <= n; ++i) {
        const Real* row = factor.Row(i);
        if (!(row[0] > 0)) {
            solverError = SolverError::Singular;
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

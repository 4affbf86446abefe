#include "solver/sparse_cholesky.hpp"

#include <algorithm>
#include <cmath>
#include <new>

#include "solver/band_matrix.hpp"
#include "solver/solver_run.hpp"

namespace kova {
namespace {

using Index = std::int32_t;

// A pivot that has lost all but this fraction of its row's diagonal counts as zero, as
// in the band factorisation: the exact pivot of a singular system is 0, and rounding
// leaves a small number of either sign.
constexpr Real kSingularPivotRatio = 1e-15L;

std::size_t At(std::int64_t i) {
    return static_cast<std::size_t>(i);
}

// Fronts are packed lower triangles by rows: row t holds columns 0..t from here on.
std::size_t RowOffset(std::size_t t) {
    return t * (t + 1) / 2;
}

// The front's pivot columns 0..k-1: the pivot block's Cholesky factor by rows, then the
// rows below divided through, two rows by two columns at a time, so that each value
// loaded serves two products. False when a pivot is not usable.
bool FactorPivotColumns(Real* front, int m, int k, const Real* diagonal) {
    for (int i = 0; i < k; ++i) {
        Real* ri = front + RowOffset(At(i));
        for (int j = 0; j < i; ++j) {
            const Real* rj = front + RowOffset(At(j));
            Real s = ri[j];
            for (int p = 0; p < j; ++p) s -= ri[p] * rj[p];
            ri[j] = s / rj[j];
        }
        Real s = ri[i];
        for (int p = 0; p < i; ++p) s -= ri[p] * ri[p];
        if (!(s > 0) || s <= kSingularPivotRatio * diagonal[i]) return false;
        ri[i] = std::sqrt(s);
    }
    int t = k;
    for (; t + 1 < m; t += 2) {
        Real* a0 = front + RowOffset(At(t));
        Real* a1 = front + RowOffset(At(t) + 1);
        int j = 0;
        for (; j + 1 < k; j += 2) {
            // Columns j and j + 1 of both rows share the loads of the earlier columns;
            // column j + 1 then takes column j's new value.
            const Real* r0 = front + RowOffset(At(j));
            const Real* r1 = front + RowOffset(At(j) + 1);
            Real s00 = a0[j], s01 = a0[j + 1], s10 = a1[j], s11 = a1[j + 1];
            for (int p = 0; p < j; ++p) {
                const Real x0 = a0[p];
                const Real x1 = a1[p];
                const Real y0 = r0[p];
                const Real y1 = r1[p];
                s00 -= x0 * y0;
                s01 -= x0 * y1;
                s10 -= x1 * y0;
                s11 -= x1 * y1;
            }
            const Real l0 = s00 / r0[j];
            const Real l1 = s10 / r0[j];
            a0[j] = l0;
            a1[j] = l1;
            a0[j + 1] = (s01 - l0 * r1[j]) / r1[j + 1];
            a1[j + 1] = (s11 - l1 * r1[j]) / r1[j + 1];
        }
        if (j < k) {
            const Real* rj = front + RowOffset(At(j));
            Real s0 = a0[j];
            Real s1 = a1[j];
            for (int p = 0; p < j; ++p) {
                const Real b = rj[p];
                s0 -= a0[p] * b;
                s1 -= a1[p] * b;
            }
            a0[j] = s0 / rj[j];
            a1[j] = s1 / rj[j];
        }
    }
    if (t < m) {
        Real* a0 = front + RowOffset(At(t));
        for (int j = 0; j < k; ++j) {
            const Real* rj = front + RowOffset(At(j));
            Real s0 = a0[j];
            for (int p = 0; p < j; ++p) s0 -= a0[p] * rj[p];
            a0[j] = s0 / rj[j];
        }
    }
    return true;
}

// The Schur complement: every entry (t, u), k <= u <= t, of the front loses the product
// of rows t and u over the pivot columns. Blocks of two rows by two columns: four
// products for every four values loaded.
void SchurComplement(Real* front, int m, int k) {
    for (int t = k; t < m; t += 2) {
        const bool pair = t + 1 < m;
        Real* a0 = front + RowOffset(At(t));
        Real* a1 = pair ? front + RowOffset(At(t) + 1) : a0;
        int u = k;
        for (; u + 1 < t; u += 2) {
            const Real* b0 = front + RowOffset(At(u));
            const Real* b1 = front + RowOffset(At(u) + 1);
            Real s00 = 0, s01 = 0, s10 = 0, s11 = 0;
            for (int p = 0; p < k; ++p) {
                const Real x0 = a0[p];
                const Real x1 = a1[p];
                const Real y0 = b0[p];
                const Real y1 = b1[p];
                s00 += x0 * y0;
                s01 += x0 * y1;
                s10 += x1 * y0;
                s11 += x1 * y1;
            }
            a0[u] -= s00;
            a0[u + 1] -= s01;
            if (pair) {
                a1[u] -= s10;
                a1[u + 1] -= s11;
            }
        }
        // u == t: the diagonal of row t, and for row t + 1 columns t and t + 1.
        Real stt = 0, s1t = 0, s11 = 0;
        for (int p = 0; p < k; ++p) {
            const Real x0 = a0[p];
            const Real x1 = a1[p];
            stt += x0 * x0;
            s1t += x1 * x0;
            s11 += x1 * x1;
        }
        a0[t] -= stt;
        if (pair) {
            a1[t] -= s1t;
            a1[t + 1] -= s11;
        }
    }
}

}  // namespace

void SparseFactor::Release() {
    m_ready = false;
    m_values = std::vector<Real>{};
    m_front = std::vector<Real>{};
    m_stack = std::vector<Real>{};
    m_local = std::vector<std::int32_t>{};
}

std::size_t SparseFactor::Bytes() const {
    return (m_values.capacity() + m_front.capacity() + m_stack.capacity()) * sizeof(Real) +
           m_local.capacity() * sizeof(std::int32_t);
}

void SparseFactor::Factor(const SparseMatrix& matrix, const SparseSymbolic& symbolic,
                          SolverError& solverError) {
    m_ready = false;
    m_symbolic = &symbolic;
    const int n = symbolic.n;
    const int sn = symbolic.supernodeCount;
    if (matrix.Size() != n || (n > 0 && matrix.Values().size() != At(symbolic.entryStart.back()))) {
        solverError = SolverError::Singular;
        return;
    }
    // The whole storage up front, so that running out of memory is found before any
    // work and never half-way.
    const std::size_t limit = std::numeric_limits<std::size_t>::max() / 4 / sizeof(Real);
    const std::size_t values = symbolic.FactorValues();
    if (values > limit || symbolic.frontValues > limit || symbolic.stackValues > limit ||
        (values + symbolic.frontValues + symbolic.stackValues) * sizeof(Real) +
                static_cast<std::size_t>(n) * sizeof(std::int32_t) >
            m_memoryLimit) {
        Release();
        solverError = SolverError::NoMemory;
        return;
    }
    std::vector<Index> childHead, childNext;
    std::vector<Real> diagonal;
    std::vector<Index> relative;
    try {
        m_values.resize(values);
        m_front.resize(symbolic.frontValues);
        m_stack.resize(symbolic.stackValues);
        m_local.resize(static_cast<std::size_t>(n));
        childHead.assign(At(sn), -1);
        childNext.assign(At(sn), -1);
    } catch (const std::bad_alloc&) {
        Release();
        solverError = SolverError::NoMemory;
        return;
    }
    for (Index s = sn - 1; s >= 0; --s) {
        const Index p = symbolic.parent[At(s)];
        if (p == -1) continue;
        childNext[At(s)] = childHead[At(p)];
        childHead[At(p)] = s;
    }
    const std::vector<Real>& a = matrix.Values();
    Real* const front = m_front.data();
    std::size_t top = 0;  // values on the update stack
    for (Index s = 0; s < sn; ++s) {
        const int m = symbolic.Rows(s);
        const int k = symbolic.Columns(s);
        const Index first = symbolic.firstColumn[At(s)];
        const Index* rows = symbolic.rows.data() + symbolic.rowStart[At(s)];
        for (int t = 0; t < m; ++t) m_local[At(rows[t])] = t;
        std::fill(front, front + RowOffset(At(m)), 0.0L);

        // The matrix's own entries of the supernode's columns.
        if (diagonal.size() < At(k)) diagonal.resize(At(k));
        for (int c = 0; c < k; ++c) {
            const Index j = first + c;
            const std::int64_t begin = symbolic.entryStart[At(j)];
            diagonal[At(c)] = a[At(symbolic.entrySource[At(begin)])];
            for (std::int64_t p = begin; p < symbolic.entryStart[At(j) + 1]; ++p) {
                const auto t = At(m_local[At(symbolic.entryRow[At(p)])]);
                front[RowOffset(t) + At(c)] += a[At(symbolic.entrySource[At(p)])];
            }
        }

        // The children's updates, which lie on top of the stack in child order.
        std::size_t childValues = 0;
        for (Index c = childHead[At(s)]; c != -1; c = childNext[At(c)]) {
            const auto r = At(symbolic.Rows(c) - symbolic.Columns(c));
            childValues += r * (r + 1) / 2;
        }
        std::size_t base = top - childValues;
        for (Index c = childHead[At(s)]; c != -1; c = childNext[At(c)]) {
            const int r = symbolic.Rows(c) - symbolic.Columns(c);
            const Index* below =
                symbolic.rows.data() + symbolic.rowStart[At(c)] + symbolic.Columns(c);
            if (relative.size() < At(r)) relative.resize(At(r));
            for (int i = 0; i < r; ++i) relative[At(i)] = m_local[At(below[i])];
            const Real* update = m_stack.data() + base;
            for (int i = 0; i < r; ++i) {
                Real* target = front + RowOffset(At(relative[At(i)]));
                const Real* source = update + RowOffset(At(i));
                for (int j = 0; j <= i; ++j) target[relative[At(j)]] += source[j];
            }
            base += RowOffset(At(r));
        }
        top -= childValues;

        if (!FactorPivotColumns(front, m, k, diagonal.data())) {
            solverError = SolverError::Singular;
            return;
        }
        SchurComplement(front, m, k);

        // The supernode's block of L by rows (zeros above the pivot block's diagonal),
        // and its update for the parent.
        Real* block = m_values.data() + symbolic.factorOffset[At(s)];
        for (int t = 0; t < m; ++t) {
            const Real* row = front + RowOffset(At(t));
            const int used = std::min(t + 1, k);
            std::copy(row, row + used, block + At(t) * At(k));
            std::fill(block + At(t) * At(k) + At(used), block + At(t + 1) * At(k), 0.0L);
        }
        const int r = m - k;
        Real* update = m_stack.data() + top;
        for (int i = 0; i < r; ++i) {
            const Real* row = front + RowOffset(At(k + i)) + k;
            std::copy(row, row + i + 1, update + RowOffset(At(i)));
        }
        top += RowOffset(At(r));
    }
    m_ready = true;
}

void SparseFactor::Solve(const Real* b, Real* x) const {
    const SparseSymbolic& sym = *m_symbolic;
    const auto n = static_cast<std::size_t>(sym.n);
    std::vector<Real> y(n);
    for (std::size_t i = 0; i < n; ++i) y[At(sym.position[i])] = b[i];
    // The values of a supernode's rows below its columns, gathered for the back
    // substitution (an extended value is slow to store, so each column's sum is
    // accumulated in registers and stored once).
    std::vector<Real> below;
    const int sn = sym.supernodeCount;
    // Forward: L y = b, supernode by supernode.
    for (Index s = 0; s < sn; ++s) {
        const int m = sym.Rows(s);
        const int k = sym.Columns(s);
        Real* ys = y.data() + sym.firstColumn[At(s)];
        const Index* rows = sym.rows.data() + sym.rowStart[At(s)];
        const Real* block = m_values.data() + sym.factorOffset[At(s)];
        for (int c = 0; c < k; ++c) {
            const Real* row = block + At(c) * At(k);
            Real v = ys[c];
            for (int p = 0; p < c; ++p) v -= row[p] * ys[p];
            ys[c] = v / row[c];
        }
        for (int t = k; t < m; ++t) {
            const Real* row = block + At(t) * At(k);
            Real v = 0;
            for (int p = 0; p < k; ++p) v += row[p] * ys[p];
            y[At(rows[t])] -= v;
        }
    }
    // Back: L^T x = y, in reverse.
    for (Index s = sn - 1; s >= 0; --s) {
        const int m = sym.Rows(s);
        const int k = sym.Columns(s);
        Real* ys = y.data() + sym.firstColumn[At(s)];
        const Index* rows = sym.rows.data() + sym.rowStart[At(s)];
        const Real* block = m_values.data() + sym.factorOffset[At(s)];
        below.resize(static_cast<std::size_t>(m - k));
        for (int t = k; t < m; ++t) below[At(t - k)] = y[At(rows[t])];
        for (int p = 0; p < k; ++p) {
            // Two sums side by side halve the chain of dependent additions.
            Real even = 0, odd = 0;
            const Real* entry = block + At(k) * At(k) + At(p);
            int t = 0;
            for (; t + 1 < m - k; t += 2, entry += 2 * At(k)) {
                even += entry[0] * below[At(t)];
                odd += entry[At(k)] * below[At(t) + 1];
            }
            if (t < m - k) even += entry[0] * below[At(t)];
            ys[p] -= even + odd;
        }
        for (int c = k - 1; c >= 0; --c) {
            Real v = ys[c];
            for (int p = c + 1; p < k; ++p) v -= block[At(p) * At(k) + At(c)] * ys[p];
            ys[c] = v / block[At(c) * At(k) + At(c)];
        }
    }
    for (std::size_t i = 0; i < n; ++i) x[i] = y[At(sym.position[i])];
}

}  // namespace kova

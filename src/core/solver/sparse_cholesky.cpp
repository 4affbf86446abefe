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

// A factor value split into a double and the float of its remainder, exactly; false
// when v has no such split (a magnitude beyond about 1e-20 .. 1e300).
bool SplitExactly(Real v, double& hi, float& lo) {
    hi = static_cast<double>(v);
    lo = static_cast<float>(v - static_cast<Real>(hi));
    return std::isfinite(hi) && static_cast<Real>(hi) + static_cast<Real>(lo) == v;
}

// The ways the solve reads the factor and the vector values that serve many products.
// Split: the factor as double + float, the vector as double + double. A product
// (Lh + Ll)(zh + zl) is Lh zh, formed and summed in extended precision, plus the cross
// terms Lh zl + Ll zh, which are 2^-53 of it and summed in double (their rounding is
// 2^-106 of the product); Ll zl is below every rounding. Two extended loads per product
// instead of four, and no extended load of 16 bytes.
struct SplitFactor {
    const double* hi;
    const float* lo;
    double* zh;
    double* zl;
    Real operator[](std::size_t i) const {
        return static_cast<Real>(hi[i]) + static_cast<Real>(lo[i]);
    }
    Real Z(std::size_t i) const { return static_cast<Real>(zh[i]) + static_cast<Real>(zl[i]); }
    // False when v may have no exact double + double split: the remainder is exact
    // whenever the high part is a normal double well above the remainder's underflow.
    bool SetZ(std::size_t i, Real v) const {
        const double h = static_cast<double>(v);
        zh[i] = h;
        zl[i] = static_cast<double>(v - static_cast<Real>(h));
        const double size = std::fabs(h);
        return (size >= 0x1p-960 && size <= std::numeric_limits<double>::max()) || v == 0;
    }
    struct Sum {
        Real main = 0;
        double cross = 0;
        Real Total() const { return main + static_cast<Real>(cross); }
    };
    void Add(Sum& sum, std::size_t i, std::size_t zi) const {
        const double h = hi[i];
        sum.main += static_cast<Real>(h) * zh[zi];
        sum.cross += h * zl[zi] + static_cast<double>(lo[i]) * zh[zi];
    }
};

// Vector values held in extended precision, for the two factor forms below.
struct ExtendedVector {
    Real* z;
    Real Z(std::size_t i) const { return z[i]; }
    bool SetZ(std::size_t i, Real v) const {
        z[i] = v;
        return true;
    }
    struct Sum {
        Real main = 0;
        Real Total() const { return main; }
    };
};

// The split factor with extended vector values, for a vector beyond the doubles' range.
struct SplitFactorExtendedVector : ExtendedVector {
    const double* hi;
    const float* lo;
    Real operator[](std::size_t i) const {
        return static_cast<Real>(hi[i]) + static_cast<Real>(lo[i]);
    }
    void Add(Sum& sum, std::size_t i, std::size_t zi) const { sum.main += (*this)[i] * z[zi]; }
};

// A factor with a value that has no split, held in extended values.
struct ExtendedFactor : ExtendedVector {
    const Real* values;
    Real operator[](std::size_t i) const { return values[i]; }
    void Add(Sum& sum, std::size_t i, std::size_t zi) const { sum.main += values[i] * z[zi]; }
};

// Forward and back substitution on the factor's column layout (see SparseSymbolic),
// supernode by supernode. `y` holds the right-hand side in elimination order and
// receives the solution; lead and base are work areas. The vector values of the
// supernode at hand, which serve many products, are kept in the form `L` reads fastest
// (its z). False when one of them could not be kept so.
template <typename Factor>
bool Substitute(const SparseSymbolic& sym, const Factor& L, Real* y, std::int32_t* lead,
                std::int64_t* base) {
    using Sum = typename Factor::Sum;
    bool kept = true;
    const int sn = sym.supernodeCount;
    // Forward: L y = b.
    for (Index s = 0; s < sn; ++s) {
        const Index f = sym.firstColumn[At(s)];
        const int k = sym.Columns(s);
        const int r = sym.Rows(s) - k;
        Real* ys = y + f;
        const std::int64_t* cs = sym.columnStart.data() + f;
        const std::int32_t* count = sym.belowCount.data() + f;
        const std::int32_t* below = sym.belowRows.data() + sym.BelowStart(s);
        // The pivot block by rows: L(c, p) is value c - p of column p.
        for (int c = 0; c < k; ++c) {
            Sum even, odd;
            int p = 0;
            for (; p + 1 < c; p += 2) {
                L.Add(even, At(cs[p] + c - p), At(p));
                L.Add(odd, At(cs[p + 1] + c - p - 1), At(p) + 1);
            }
            if (p < c) L.Add(even, At(cs[p] + c - p), At(p));
            const Real v = (ys[c] - (even.Total() + odd.Total())) * L[At(cs[c])];
            ys[c] = v;
            kept &= L.SetZ(At(c), v);
        }
        // The rows below, two at a time: row t is held from its lead column on, at
        // base[p] + t in column p.
        int t = 0;
        for (int p = 0; p < k; ++p) {
            for (; t < count[p]; ++t) lead[t] = p;
            base[p] = cs[p] + (k - p);
        }
        for (t = 0; t + 1 < r; t += 2) {
            Sum s0, s1;
            int p = lead[t];
            for (; p < lead[t + 1]; ++p) L.Add(s0, At(base[p] + t), At(p));
            for (; p < k; ++p) {
                L.Add(s0, At(base[p] + t), At(p));
                L.Add(s1, At(base[p] + t + 1), At(p));
            }
            y[below[t]] -= s0.Total();
            y[below[t + 1]] -= s1.Total();
        }
        if (t < r) {
            Sum s0;
            for (int p = lead[t]; p < k; ++p) L.Add(s0, At(base[p] + t), At(p));
            y[below[t]] -= s0.Total();
        }
    }
    // Back: L^T x = y, in reverse. Column c's values after its diagonal meet, in order,
    // the supernode's later pivots and its rows below: z holds both, one after the other,
    // so that each column is a single contiguous product.
    for (Index s = sn - 1; s >= 0; --s) {
        const Index f = sym.firstColumn[At(s)];
        const int k = sym.Columns(s);
        const int r = sym.Rows(s) - k;
        Real* ys = y + f;
        const std::int64_t* cs = sym.columnStart.data() + f;
        const std::int32_t* count = sym.belowCount.data() + f;
        const std::int32_t* below = sym.belowRows.data() + sym.BelowStart(s);
        for (int t = 0; t < r; ++t) kept &= L.SetZ(At(k + t), y[below[t]]);
        for (int c = k - 1; c >= 0; --c) {
            const auto col = At(cs[c]);
            const int length = (k - c) + count[c];
            // Four sums side by side shorten the chains of dependent additions.
            Sum s0, s1, s2, s3;
            int q = 1;
            for (; q + 3 < length; q += 4) {
                L.Add(s0, col + At(q), At(c + q));
                L.Add(s1, col + At(q) + 1, At(c + q) + 1);
                L.Add(s2, col + At(q) + 2, At(c + q) + 2);
                L.Add(s3, col + At(q) + 3, At(c + q) + 3);
            }
            for (; q < length; ++q) L.Add(s0, col + At(q), At(c + q));
            const Real v =
                (ys[c] - ((s0.Total() + s1.Total()) + (s2.Total() + s3.Total()))) * L[col];
            ys[c] = v;
            kept &= L.SetZ(At(c), v);
        }
    }
    return kept;
}

}  // namespace

void SparseFactor::Release() {
    m_ready = false;
    m_high = std::vector<double>{};
    m_low = std::vector<float>{};
    m_reals = std::vector<Real>{};
    m_front = std::vector<Real>{};
    m_stack = std::vector<Real>{};
    m_local = std::vector<std::int32_t>{};
    m_y = std::vector<Real>{};
    m_zHigh = std::vector<double>{};
    m_zLow = std::vector<double>{};
    m_zExtended = std::vector<Real>{};
    m_lead = std::vector<std::int32_t>{};
    m_base = std::vector<std::int64_t>{};
}

std::size_t SparseFactor::Bytes() const {
    return (m_high.capacity() + m_zHigh.capacity() + m_zLow.capacity()) * sizeof(double) +
           m_low.capacity() * sizeof(float) +
           (m_reals.capacity() + m_front.capacity() + m_stack.capacity() + m_y.capacity() +
            m_zExtended.capacity()) *
               sizeof(Real) +
           (m_local.capacity() + m_lead.capacity()) * sizeof(std::int32_t) +
           m_base.capacity() * sizeof(std::int64_t);
}

bool SparseFactor::SwitchToReals() {
    try {
        m_reals.resize(m_high.size());
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (std::size_t i = 0; i < m_reals.size(); ++i)
        m_reals[i] = static_cast<Real>(m_high[i]) + static_cast<Real>(m_low[i]);
    m_high = std::vector<double>{};
    m_low = std::vector<float>{};
    m_split = false;
    return true;
}

void SparseFactor::Store(std::size_t at, Real v) {
    if (m_split) {
        if (SplitExactly(v, m_high[at], m_low[at])) return;
        if (!SwitchToReals()) throw std::bad_alloc();
    }
    m_reals[at] = v;
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
    // The split factor takes 12 bytes a value; its extended fallback 16.
    const std::size_t solveWork =
        static_cast<std::size_t>(n) * sizeof(Real) +
        static_cast<std::size_t>(symbolic.longestBelow) * 4 +
        static_cast<std::size_t>(symbolic.widestSupernode) * 8 +
        static_cast<std::size_t>(symbolic.widestSupernode + symbolic.longestBelow) *
            (2 * sizeof(double) + sizeof(Real));
    if (values > limit || symbolic.frontValues > limit || symbolic.stackValues > limit ||
        (values + symbolic.frontValues + symbolic.stackValues) * sizeof(Real) +
                static_cast<std::size_t>(n) * sizeof(std::int32_t) + solveWork >
            m_memoryLimit) {
        Release();
        solverError = SolverError::NoMemory;
        return;
    }
    std::vector<Index> childHead, childNext;
    std::vector<Real> diagonal;
    std::vector<Index> relative;
    std::vector<std::size_t> frontRow;  // where each row below starts in the front
    try {
        m_reals = std::vector<Real>{};
        m_split = true;
        m_high.resize(values);
        m_low.resize(values);
        m_front.resize(symbolic.frontValues);
        m_stack.resize(symbolic.stackValues);
        m_local.resize(static_cast<std::size_t>(n));
        const auto widest = static_cast<std::size_t>(symbolic.widestSupernode);
        const auto longest = static_cast<std::size_t>(symbolic.longestBelow);
        m_y.resize(static_cast<std::size_t>(n));
        m_zHigh.resize(widest + longest);
        m_zLow.resize(widest + longest);
        m_zExtended.resize(widest + longest);
        m_lead.resize(longest);
        m_base.resize(widest);
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

        // The supernode's columns of L in the factor's layout: the pivot block's lower
        // triangle by columns, then the rows below in order of lead.
        const std::int32_t* below = symbolic.belowRows.data() + symbolic.BelowStart(s);
        const int belowCount = m - k;
        if (frontRow.size() < At(belowCount)) frontRow.resize(At(belowCount));
        for (int t = 0; t < belowCount; ++t) frontRow[At(t)] = RowOffset(At(m_local[At(below[t])]));
        try {
            for (int c = 0; c < k; ++c) {
                std::size_t at = At(symbolic.columnStart[At(first + c)]);
                // The pivot's reciprocal: the solves multiply rather than divide.
                Store(at++, 1 / front[RowOffset(At(c)) + At(c)]);
                for (int t = c + 1; t < k; ++t) Store(at++, front[RowOffset(At(t)) + At(c)]);
                const int count = symbolic.belowCount[At(first + c)];
                for (int t = 0; t < count; ++t) Store(at++, front[frontRow[At(t)] + At(c)]);
            }
        } catch (const std::bad_alloc&) {
            Release();
            solverError = SolverError::NoMemory;
            return;
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
    Real* y = m_y.data();
    for (std::size_t i = 0; i < n; ++i) y[At(sym.position[i])] = b[i];
    if (!m_split) {
        Substitute(sym, ExtendedFactor{{m_zExtended.data()}, m_reals.data()}, y, m_lead.data(),
                   m_base.data());
    } else if (!Substitute(sym,
                           SplitFactor{m_high.data(), m_low.data(), m_zHigh.data(), m_zLow.data()},
                           y, m_lead.data(), m_base.data())) {
        // A vector value beyond the doubles' range: again with extended vector values.
        for (std::size_t i = 0; i < n; ++i) y[At(sym.position[i])] = b[i];
        Substitute(sym,
                   SplitFactorExtendedVector{{m_zExtended.data()}, m_high.data(), m_low.data()}, y,
                   m_lead.data(), m_base.data());
    }
    for (std::size_t i = 0; i < n; ++i) x[i] = y[At(sym.position[i])];
}

}  // namespace kova

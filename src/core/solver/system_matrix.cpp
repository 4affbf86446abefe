#include "solver/system_matrix.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kova {

bool SystemMatrix::AllocateBand(int n, int bandwidth) {
    Release();
    return m_band.Allocate(n, bandwidth);
}

bool SystemMatrix::AllocateSparse(const SparsePattern& pattern) {
    Release();
    try {
        if (!m_sparse.Reset(pattern)) return false;
    } catch (const std::bad_alloc&) {
        m_sparse.Reset(SparsePattern{});
        return false;
    }
    m_sparseStorage = true;
    return true;
}

void SystemMatrix::Release() {
    m_band.Release();
    m_sparse.Reset(SparsePattern{});
    m_sparseStorage = false;
}

void SystemMatrix::TriangleSlots(const int (&eq)[3], Real* (&slots)[6]) {
    const SparsePattern& pattern = m_sparse.Pattern();
    if (!m_sparseStorage || eq[0] < 1 || eq[0] >= eq[1] || eq[1] >= eq[2] || eq[2] > pattern.n) {
        int k = 0;
        for (int i = 0; i < 3; ++i)
            for (int j = i; j < 3; ++j) slots[k++] = &(*this)(eq[i], eq[j]);
        return;
    }
    Real* values = m_sparse.Values().data();
    const std::int32_t* rows = pattern.rowIndex.data();
    // Column c's entries below the diagonal are ascending rows: each row sought is found
    // at or after the previous one.
    const auto below = [&](std::int64_t from, std::int64_t end, int row) -> Real* {
        const std::int32_t* at = std::lower_bound(rows + from, rows + end, row);
        if (at == rows + end || *at != row) {
            m_outside = 0;
            return &m_outside;
        }
        return values + (at - rows);
    };
    const auto* start = pattern.columnStart.data();
    const int c0 = eq[0] - 1, c1 = eq[1] - 1, c2 = eq[2] - 1;
    const std::int64_t end0 = start[c0 + 1];
    slots[0] = values + start[c0];  // the diagonal is each column's first entry
    slots[1] = below(start[c0] + 1, end0, c1);
    slots[2] = below(slots[1] == &m_outside ? start[c0] + 1 : slots[1] - values + 1, end0, c2);
    slots[3] = values + start[c1];
    slots[4] = below(start[c1] + 1, start[c1 + 1], c2);
    slots[5] = values + start[c2];
}

Real* SystemMatrix::Values() {
    return m_sparseStorage ? m_sparse.Values().data() : (m_band.Empty() ? nullptr : m_band.Row(1));
}

const Real* SystemMatrix::Values() const {
    return m_sparseStorage ? m_sparse.Values().data() : (m_band.Empty() ? nullptr : m_band.Row(1));
}

std::size_t SystemMatrix::ValueCount() const {
    if (m_sparseStorage) return m_sparse.Values().size();
    return static_cast<std::size_t>(m_band.Size()) * static_cast<std::size_t>(m_band.Bandwidth());
}

void SystemMatrix::Zero() {
    if (m_sparseStorage)
        m_sparse.Zero();
    else
        m_band.Zero();
}

void SystemMatrix::Swap(SystemMatrix& other) noexcept {
    std::swap(m_sparseStorage, other.m_sparseStorage);
    m_band.Swap(other.m_band);
    std::swap(m_sparse, other.m_sparse);
}

void SystemMatrix::Multiply(const BandVector& p, const BandVector& q, BandVector& r) const {
    if (!m_sparseStorage) {
        MultiplyBanded(m_band, p, q, r);
        return;
    }
    const auto n = static_cast<std::size_t>(m_sparse.Size());
    if (&r != &p) r.assign(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(n) + 1);
    m_sparse.Multiply(r.data() + 1, q.data() + 1, r.data() + 1);
}

std::vector<Real> SystemMatrix::OffDiagonalSums() const {
    const int n = Size();
    std::vector<Real> sums(static_cast<std::size_t>(n) + 1, 0.0L);
    if (!m_sparseStorage) {
        const int b = m_band.Bandwidth();
        for (int i = 1; i <= n; ++i) {
            const Real* row = m_band.Row(i);
            const int mEnd = std::min(b, n - i + 1);
            for (int m = 2; m <= mEnd; ++m) {
                const Real v = std::fabs(row[m - 1]);
                sums[static_cast<std::size_t>(i)] += v;
                sums[static_cast<std::size_t>(i + m - 1)] += v;
            }
        }
        return sums;
    }
    const SparsePattern& p = m_sparse.Pattern();
    const std::vector<Real>& values = m_sparse.Values();
    for (std::size_t j = 0; j < static_cast<std::size_t>(n); ++j) {
        for (std::int64_t k = p.columnStart[j] + 1; k < p.columnStart[j + 1]; ++k) {
            const Real v = std::fabs(values[static_cast<std::size_t>(k)]);
            sums[j + 1] += v;
            sums[static_cast<std::size_t>(p.rowIndex[static_cast<std::size_t>(k)]) + 1] += v;
        }
    }
    return sums;
}

}  // namespace kova

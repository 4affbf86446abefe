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

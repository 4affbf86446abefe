#include "solver/sparse_pattern.hpp"

#include <algorithm>
#include <new>

namespace kova {

std::int64_t SparsePattern::Find(int i, int j) const {
    if (i < j) std::swap(i, j);
    if (j < 0 || i >= n) return -1;
    const auto first = rowIndex.begin() + columnStart[static_cast<std::size_t>(j)];
    const auto last = rowIndex.begin() + columnStart[static_cast<std::size_t>(j) + 1];
    const auto at = std::lower_bound(first, last, i);
    if (at == last || *at != i) return -1;
    return at - rowIndex.begin();
}

void SparsePatternBuilder::AddClique(const std::int32_t* unknowns, int count) {
    for (int a = 0; a < count; ++a)
        for (int b = a + 1; b < count; ++b) AddCoupling(unknowns[a], unknowns[b]);
}

void SparsePatternBuilder::AddCoupling(int i, int j) {
    if (i == j || i < 0 || j < 0 || i >= m_n || j >= m_n) return;
    if (i < j) std::swap(i, j);
    m_pairs.emplace_back(i, j);
}

bool SparsePatternBuilder::Finish(SparsePattern& pattern) {
    try {
        const auto n = static_cast<std::size_t>(m_n);
        // Counting sort of the pairs by column, then each column sorted and made unique.
        std::vector<std::int64_t> start(n + 1, 0);
        for (const auto& [i, j] : m_pairs) ++start[static_cast<std::size_t>(j) + 1];
        for (std::size_t j = 0; j < n; ++j) start[j + 1] += start[j] + 1;  // + the diagonal
        std::vector<std::int32_t> rows(static_cast<std::size_t>(start[n]));
        std::vector<std::int64_t> fill(start.begin(), start.end() - 1);
        for (std::size_t j = 0; j < n; ++j)
            rows[static_cast<std::size_t>(fill[j]++)] = static_cast<std::int32_t>(j);
        for (const auto& [i, j] : m_pairs)
            rows[static_cast<std::size_t>(fill[static_cast<std::size_t>(j)]++)] = i;
        m_pairs.clear();
        m_pairs.shrink_to_fit();
        std::int64_t out = 0;
        for (std::size_t j = 0; j < n; ++j) {
            const auto first = rows.begin() + start[j];
            const auto last = rows.begin() + start[j + 1];
            std::sort(first + 1, last);  // the diagonal stays first: every other row is larger
            const auto end = std::unique(first, last);
            start[j] = out;
            for (auto it = first; it != end; ++it) rows[static_cast<std::size_t>(out++)] = *it;
        }
        start[n] = out;
        rows.resize(static_cast<std::size_t>(out));
        rows.shrink_to_fit();
        pattern.n = m_n;
        pattern.columnStart = std::move(start);
        pattern.rowIndex = std::move(rows);
        return true;
    } catch (const std::bad_alloc&) {
        m_pairs.clear();
        return false;
    }
}

bool PatternConnected(const SparsePattern& pattern) {
    const int n = pattern.n;
    if (n <= 1) return true;
    const auto un = static_cast<std::size_t>(n);
    // The lower triangle lists each coupling once; the search needs both directions.
    std::vector<std::int64_t> start(un + 1, 0);
    for (std::size_t j = 0; j < un; ++j) {
        for (std::int64_t p = pattern.columnStart[j] + 1; p < pattern.columnStart[j + 1]; ++p) {
            ++start[j + 1];
            ++start[static_cast<std::size_t>(pattern.rowIndex[static_cast<std::size_t>(p)]) + 1];
        }
    }
    for (std::size_t j = 0; j < un; ++j) start[j + 1] += start[j];
    std::vector<std::int32_t> adjacent(static_cast<std::size_t>(start[un]));
    std::vector<std::int64_t> fill(start.begin(), start.end() - 1);
    for (std::size_t j = 0; j < un; ++j) {
        for (std::int64_t p = pattern.columnStart[j] + 1; p < pattern.columnStart[j + 1]; ++p) {
            const auto i = static_cast<std::size_t>(pattern.rowIndex[static_cast<std::size_t>(p)]);
            adjacent[static_cast<std::size_t>(fill[j]++)] = static_cast<std::int32_t>(i);
            adjacent[static_cast<std::size_t>(fill[i]++)] = static_cast<std::int32_t>(j);
        }
    }
    std::vector<std::uint8_t> seen(un, 0);
    std::vector<std::int32_t> queue;
    queue.reserve(un);
    queue.push_back(0);
    seen[0] = 1;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const auto u = static_cast<std::size_t>(queue[head]);
        for (std::int64_t p = start[u]; p < start[u + 1]; ++p) {
            const std::int32_t v = adjacent[static_cast<std::size_t>(p)];
            if (seen[static_cast<std::size_t>(v)] == 0) {
                seen[static_cast<std::size_t>(v)] = 1;
                queue.push_back(v);
            }
        }
    }
    return queue.size() == un;
}

bool SparseMatrix::Reset(SparsePattern pattern) {
    try {
        m_values.assign(pattern.EntryCount(), 0.0L);
    } catch (const std::bad_alloc&) {
        m_pattern = SparsePattern{};
        m_values.clear();
        return false;
    }
    m_pattern = std::move(pattern);
    m_rowIndexBuilt = false;
    m_rowStart = std::vector<std::int64_t>{};
    m_rowEntry = std::vector<std::int64_t>{};
    m_rowColumn = std::vector<std::int32_t>{};
    return true;
}

void SparseMatrix::Zero() {
    std::fill(m_values.begin(), m_values.end(), 0.0L);
}

bool SparseMatrix::Add(int i, int j, Real v) {
    const std::int64_t at = m_pattern.Find(i, j);
    if (at < 0) return false;
    m_values[static_cast<std::size_t>(at)] += v;
    return true;
}

Real SparseMatrix::At(int i, int j) const {
    const std::int64_t at = m_pattern.Find(i, j);
    return at < 0 ? 0.0L : m_values[static_cast<std::size_t>(at)];
}

bool SparseMatrix::BuildRowIndex() const {
    if (m_rowIndexBuilt) return true;
    const auto n = static_cast<std::size_t>(m_pattern.n);
    try {
        m_rowStart.assign(n + 1, 0);
        for (std::size_t j = 0; j < n; ++j)
            for (std::int64_t k = m_pattern.columnStart[j] + 1; k < m_pattern.columnStart[j + 1];
                 ++k)
                ++m_rowStart[static_cast<std::size_t>(
                                 m_pattern.rowIndex[static_cast<std::size_t>(k)]) +
                             1];
        for (std::size_t i = 0; i < n; ++i) m_rowStart[i + 1] += m_rowStart[i];
        m_rowEntry.resize(static_cast<std::size_t>(m_rowStart[n]));
        m_rowColumn.resize(static_cast<std::size_t>(m_rowStart[n]));
        std::vector<std::int64_t> fill(m_rowStart.begin(), m_rowStart.end() - 1);
        for (std::size_t j = 0; j < n; ++j)
            for (std::int64_t k = m_pattern.columnStart[j] + 1; k < m_pattern.columnStart[j + 1];
                 ++k) {
                const auto i =
                    static_cast<std::size_t>(m_pattern.rowIndex[static_cast<std::size_t>(k)]);
                const auto at = static_cast<std::size_t>(fill[i]++);
                m_rowEntry[at] = k;
                m_rowColumn[at] = static_cast<std::int32_t>(j);
            }
    } catch (const std::bad_alloc&) {
        m_rowStart = std::vector<std::int64_t>{};
        m_rowEntry = std::vector<std::int64_t>{};
        m_rowColumn = std::vector<std::int32_t>{};
        return false;
    }
    m_rowIndexBuilt = true;
    return true;
}

void SparseMatrix::Multiply(const Real* p, const Real* q, Real* r) const {
    const auto n = static_cast<std::size_t>(m_pattern.n);
    if (BuildRowIndex()) {
        // Row by row: each result is summed in registers and stored once (an extended
        // store is slow), from the row's own column below the diagonal and, through the
        // row index, its entries in the earlier columns.
        for (std::size_t i = 0; i < n; ++i) {
            const std::int64_t first = m_pattern.columnStart[i];
            const std::int64_t last = m_pattern.columnStart[i + 1];
            Real below = 0, before = 0;
            for (std::int64_t k = first + 1; k < last; ++k)
                below +=
                    m_values[static_cast<std::size_t>(k)] *
                    q[static_cast<std::size_t>(m_pattern.rowIndex[static_cast<std::size_t>(k)])];
            for (std::int64_t k = m_rowStart[i]; k < m_rowStart[i + 1]; ++k)
                before +=
                    m_values[static_cast<std::size_t>(m_rowEntry[static_cast<std::size_t>(k)])] *
                    q[static_cast<std::size_t>(m_rowColumn[static_cast<std::size_t>(k)])];
            r[i] = p[i] + (m_values[static_cast<std::size_t>(first)] * q[i] + (below + before));
        }
        return;
    }
    // Without room for the row index: column by column, scattering into r.
    if (r != p) std::copy(p, p + n, r);
    for (std::size_t j = 0; j < n; ++j) {
        const std::int64_t first = m_pattern.columnStart[j];
        const std::int64_t last = m_pattern.columnStart[j + 1];
        const Real qj = q[j];
        Real own = m_values[static_cast<std::size_t>(first)] * qj;  // the diagonal
        for (std::int64_t k = first + 1; k < last; ++k) {
            const auto i =
                static_cast<std::size_t>(m_pattern.rowIndex[static_cast<std::size_t>(k)]);
            const Real a = m_values[static_cast<std::size_t>(k)];
            own += a * q[i];
            r[i] += a * qj;
        }
        r[j] += own;
    }
}

}  // namespace kova

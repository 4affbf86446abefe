// The pattern and values of a sparse symmetric matrix: the lower triangle, diagonal
// included, stored by columns. Indices are 0-based here; the band world's 1-based
// vectors meet these at the adapter (system_factor).
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "model/types.hpp"

namespace kova {

// Which entries of a symmetric N x N matrix can be non-zero: per column j the rows
// i >= j, ascending, the diagonal first. Every diagonal is present.
struct SparsePattern {
    int n = 0;
    std::vector<std::int64_t> columnStart;  // N + 1 offsets into rowIndex
    std::vector<std::int32_t> rowIndex;

    std::size_t EntryCount() const { return rowIndex.size(); }
    // The position of entry (i, j) (either order) in rowIndex, or -1 when it is not held.
    std::int64_t Find(int i, int j) const;
};

// Collects couplings (element cliques, lump rows, single pairs) and turns them into a
// pattern. Duplicates are allowed and merged.
class SparsePatternBuilder {
public:
    explicit SparsePatternBuilder(int n) : m_n(n) {}
    // Couples every two of the `count` unknowns (0-based, any order); out-of-range
    // indices are ignored.
    void AddClique(const std::int32_t* unknowns, int count);
    void AddCoupling(int i, int j);
    // Builds the pattern; false when the memory cannot be had.
    bool Finish(SparsePattern& pattern);

private:
    int m_n;
    std::vector<std::pair<std::int32_t, std::int32_t>> m_pairs;  // (row > column)
};

// True when the coupling graph of the pattern is connected (a breadth-first search,
// linear in the number of entries). An empty pattern counts as connected.
bool PatternConnected(const SparsePattern& pattern);

// A symmetric matrix on a pattern: one value per pattern entry.
class SparseMatrix {
public:
    // Takes the pattern over and zeroes the values; false when the memory cannot be had.
    bool Reset(SparsePattern pattern);
    const SparsePattern& Pattern() const { return m_pattern; }
    int Size() const { return m_pattern.n; }

    std::vector<Real>& Values() { return m_values; }
    const std::vector<Real>& Values() const { return m_values; }
    void Zero();
    // Adds v to entry (i, j) (either order); false when the pattern does not hold it.
    bool Add(int i, int j, Real v);
    // The value of entry (i, j); 0 when the pattern does not hold it.
    Real At(int i, int j) const;

    // r := p + A q (arrays of N values). r may be p; neither may be q. Not for use from
    // two threads at once (the first product builds an index).
    void Multiply(const Real* p, const Real* q, Real* r) const;

private:
    bool BuildRowIndex() const;

    SparsePattern m_pattern;
    std::vector<Real> m_values;
    // For the product: per row, its entries in earlier columns (their positions among the
    // values and their columns). Made at the first product, since only the stepping's
    // matrices are multiplied; without room for it the product scatters by columns.
    mutable bool m_rowIndexBuilt = false;
    mutable std::vector<std::int64_t> m_rowStart;
    mutable std::vector<std::int64_t> m_rowEntry;
    mutable std::vector<std::int32_t> m_rowColumn;
};

}  // namespace kova

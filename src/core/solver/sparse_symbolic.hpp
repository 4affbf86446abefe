// The symbolic analysis of a sparse Cholesky factorisation, done once per pattern and
// re-used by every numeric factorisation on it: the elimination order (fill-reducing,
// then the elimination tree's postorder), the column counts, and the supernodes (runs of
// columns with the same structure below them, merged further where that adds few zeros)
// with their row structures and the sizes the numeric factorisation needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "solver/sparse_pattern.hpp"

namespace kova {

struct SparseSymbolic {
    int n = 0;
    // order[k]: the unknown eliminated k-th; position is its inverse. Columns and rows
    // below are in elimination order.
    std::vector<std::int32_t> order;
    std::vector<std::int32_t> position;

    // Supernode s owns the columns firstColumn[s] .. firstColumn[s + 1] - 1; its rows
    // (rows[rowStart[s] ..]) are those columns, then the rows below them, ascending.
    int supernodeCount = 0;
    std::vector<std::int32_t> firstColumn;
    std::vector<std::int64_t> rowStart;
    std::vector<std::int32_t> rows;
    std::vector<std::int32_t> parent;  // the supernode its update goes to, -1 for a root

    // The factor's storage, by columns without the supernodes' padding. Each row below a
    // supernode's columns is non-zero from its lead column to the supernode's last column
    // (its lead is the first column that the row enters through a matrix entry or a
    // child's update); in belowRows the rows of supernode s, from
    // belowRows[rowStart[s] - firstColumn[s]] on, are sorted by lead, so that column j holds
    // the first belowCount[j] of them. Column j's values, from columnStart[j] on: the
    // diagonal (the factor holds its reciprocal), the supernode's later columns' rows,
    // then those below rows.
    std::vector<std::int64_t> columnStart;
    std::vector<std::int32_t> belowCount;
    std::vector<std::int32_t> belowRows;
    int widestSupernode = 0;  // most columns of a supernode
    int longestBelow = 0;     // most rows below a supernode's columns

    // The matrix entries of column j (elimination order) on or below the diagonal: their
    // rows and their positions among the pattern's entries. The diagonal comes first.
    std::vector<std::int64_t> entryStart;
    std::vector<std::int32_t> entryRow;
    std::vector<std::int64_t> entrySource;

    std::size_t frontValues = 0;      // largest front (packed lower triangle)
    std::size_t stackValues = 0;      // most update values held at once
    std::int64_t factorNonZeros = 0;  // structural entries of L
    double flops = 0;                 // multiplications and additions of a factorisation

    int Columns(int s) const {
        return firstColumn[static_cast<std::size_t>(s) + 1] -
               firstColumn[static_cast<std::size_t>(s)];
    }
    int Rows(int s) const {
        return static_cast<int>(rowStart[static_cast<std::size_t>(s) + 1] -
                                rowStart[static_cast<std::size_t>(s)]);
    }
    std::size_t FactorValues() const { return static_cast<std::size_t>(columnStart.back()); }
    // Offset of supernode s's rows below its columns in belowRows.
    std::int64_t BelowStart(int s) const {
        return rowStart[static_cast<std::size_t>(s)] - firstColumn[static_cast<std::size_t>(s)];
    }
};

// Analyses the pattern with the fill-reducing order. False when the memory cannot be had.
bool AnalyseSparse(const SparsePattern& pattern, SparseSymbolic& symbolic);
// The same with a given elimination order (a permutation of 0..N-1).
bool AnalyseSparse(const SparsePattern& pattern, const std::vector<std::int32_t>& order,
                   SparseSymbolic& symbolic);

}  // namespace kova

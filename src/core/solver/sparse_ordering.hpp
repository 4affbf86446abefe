// A fill-reducing elimination order for a sparse symmetric matrix: approximate minimum
// degree on the coupling graph, with dense rows (a lump tied to many nodes) kept out of
// the graph and placed last.
#pragma once

#include <cstdint>
#include <vector>

#include "solver/sparse_pattern.hpp"

namespace kova {

// Rows with more couplings than this (10 sqrt(N), at least 16, at most 200) are dense:
// they are ordered last, in index order.
int DenseRowThreshold(int n);

// order[k] is the unknown eliminated k-th. False when the memory cannot be had.
bool FillReducingOrder(const SparsePattern& pattern, std::vector<std::int32_t>& order);

}  // namespace kova

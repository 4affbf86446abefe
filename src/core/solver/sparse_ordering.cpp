#include "solver/sparse_ordering.hpp"

#include <algorithm>
#include <cmath>
#include <new>

// Only the MPL-2 licensed parts of the library may be used.
#define EIGEN_MPL2_ONLY
#include <Eigen/OrderingMethods>
#include <Eigen/SparseCore>

namespace kova {

// Mesh nodes have a few dozen couplings at most; a lump has one per node of its outline.
// Left in the graph, a lump tied to 1000 nodes of a 160k plate (below 10 sqrt(N)) costs
// about 10% more entries in L and 20-40% more operations; placed last it costs one row.
constexpr int kDenseRowCap = 200;

int DenseRowThreshold(int n) {
    const int scaled = static_cast<int>(10 * std::sqrt(static_cast<double>(n)));
    return std::min(kDenseRowCap, std::max(16, scaled));
}

bool FillReducingOrder(const SparsePattern& pattern, std::vector<std::int32_t>& order) {
    const int n = pattern.n;
    try {
        order.clear();
        order.reserve(static_cast<std::size_t>(n));
        const auto un = static_cast<std::size_t>(n);
        // Couplings per unknown (both triangles).
        std::vector<std::int32_t> degree(un, 0);
        for (std::size_t j = 0; j < un; ++j) {
            for (std::int64_t p = pattern.columnStart[j] + 1; p < pattern.columnStart[j + 1]; ++p) {
                ++degree[j];
                ++degree[static_cast<std::size_t>(pattern.rowIndex[static_cast<std::size_t>(p)])];
            }
        }
        // A dense row would make every elimination step near it update a long list, and
        // eliminating it early would fill a dense block; it goes last, outside the graph.
        const int threshold = DenseRowThreshold(n);
        std::vector<std::int32_t> local(un, -1);  // index in the reduced graph, -1 dense
        std::vector<std::int32_t> kept;
        kept.reserve(un);
        for (std::size_t j = 0; j < un; ++j) {
            if (degree[j] <= threshold || n <= 2) {
                local[j] = static_cast<std::int32_t>(kept.size());
                kept.push_back(static_cast<std::int32_t>(j));
            }
        }
        const auto m = static_cast<std::int32_t>(kept.size());
        if (m > 0) {
            // The reduced graph with both triangles and the diagonal, as the ordering
            // routine expects; the values are never read.
            std::vector<std::int32_t> count(static_cast<std::size_t>(m) + 1, 0);
            for (std::int32_t a = 0; a < m; ++a) count[static_cast<std::size_t>(a) + 1] = 1;
            auto forEachKeptPair = [&](auto&& visit) {
                for (std::size_t j = 0; j < un; ++j) {
                    const std::int32_t lj = local[j];
                    if (lj < 0) continue;
                    for (std::int64_t p = pattern.columnStart[j] + 1;
                         p < pattern.columnStart[j + 1]; ++p) {
                        const std::int32_t li = local[static_cast<std::size_t>(
                            pattern.rowIndex[static_cast<std::size_t>(p)])];
                        if (li >= 0) visit(li, lj);
                    }
                }
            };
            forEachKeptPair([&](std::int32_t li, std::int32_t lj) {
                ++count[static_cast<std::size_t>(li) + 1];
                ++count[static_cast<std::size_t>(lj) + 1];
            });
            for (std::int32_t a = 0; a < m; ++a)
                count[static_cast<std::size_t>(a) + 1] += count[static_cast<std::size_t>(a)];
            Eigen::SparseMatrix<float, Eigen::ColMajor, std::int32_t> graph(m, m);
            graph.resizeNonZeros(count[static_cast<std::size_t>(m)]);
            std::int32_t* outer = graph.outerIndexPtr();
            std::int32_t* inner = graph.innerIndexPtr();
            std::copy(count.begin(), count.end(), outer);
            std::vector<std::int32_t> fill(count.begin(), count.end() - 1);
            for (std::int32_t a = 0; a < m; ++a) inner[fill[static_cast<std::size_t>(a)]++] = a;
            forEachKeptPair([&](std::int32_t li, std::int32_t lj) {
                inner[fill[static_cast<std::size_t>(li)]++] = lj;
                inner[fill[static_cast<std::size_t>(lj)]++] = li;
            });
            std::fill(graph.valuePtr(), graph.valuePtr() + graph.nonZeros(), 1.0f);
            Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, std::int32_t> permutation;
            Eigen::internal::minimum_degree_ordering(graph, permutation);
            if (permutation.size() != m) return false;
            for (std::int32_t k = 0; k < m; ++k)
                order.push_back(kept[static_cast<std::size_t>(permutation.indices()[k])]);
        }
        for (std::size_t j = 0; j < un; ++j)
            if (local[j] < 0) order.push_back(static_cast<std::int32_t>(j));
        return static_cast<int>(order.size()) == n;
    } catch (const std::bad_alloc&) {
        order.clear();
        return false;
    }
}

}  // namespace kova

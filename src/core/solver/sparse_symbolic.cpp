#include "solver/sparse_symbolic.hpp"

#include <algorithm>
#include <new>

#include "solver/sparse_ordering.hpp"

namespace kova {
namespace {

using Index = std::int32_t;
using Offsets = std::vector<std::int64_t>;

std::size_t At(std::int64_t i) {
    return static_cast<std::size_t>(i);
}

// The pattern's off-diagonal entries in elimination order, as the upper triangle by
// columns: column k lists the rows i < k coupled with k (that is, row k of L's pattern
// in the matrix).
void UpperByColumns(const SparsePattern& pattern, const std::vector<Index>& position,
                    Offsets& start, std::vector<Index>& rows) {
    const auto n = static_cast<std::size_t>(pattern.n);
    start.assign(n + 1, 0);
    for (std::size_t j = 0; j < n; ++j) {
        for (std::int64_t p = pattern.columnStart[j] + 1; p < pattern.columnStart[j + 1]; ++p) {
            const Index a = position[j];
            const Index b = position[At(pattern.rowIndex[At(p)])];
            ++start[At(std::max(a, b)) + 1];
        }
    }
    for (std::size_t k = 0; k < n; ++k) start[k + 1] += start[k];
    rows.resize(At(start[n]));
    Offsets fill(start.begin(), start.end() - 1);
    for (std::size_t j = 0; j < n; ++j) {
        for (std::int64_t p = pattern.columnStart[j] + 1; p < pattern.columnStart[j + 1]; ++p) {
            const Index a = position[j];
            const Index b = position[At(pattern.rowIndex[At(p)])];
            rows[At(fill[At(std::max(a, b))]++)] = std::min(a, b);
        }
    }
}

// The elimination tree: parent[j] is the first row below j in column j of L, -1 for a
// root. Ancestors are compressed on the way up.
void EliminationTree(int n, const Offsets& start, const std::vector<Index>& rows,
                     std::vector<Index>& parent) {
    parent.assign(static_cast<std::size_t>(n), -1);
    std::vector<Index> ancestor(static_cast<std::size_t>(n), -1);
    for (Index k = 0; k < n; ++k) {
        for (std::int64_t p = start[At(k)]; p < start[At(k) + 1]; ++p) {
            Index i = rows[At(p)];
            while (i != -1 && i < k) {
                const Index next = ancestor[At(i)];
                ancestor[At(i)] = k;
                if (next == -1) parent[At(i)] = k;
                i = next;
            }
        }
    }
}

// The tree's postorder: post[k] is the node visited k-th, children before parents and
// each subtree contiguous. Children are visited in ascending order.
std::vector<Index> Postorder(const std::vector<Index>& parent) {
    const auto n = parent.size();
    std::vector<Index> head(n, -1), next(n, -1), post, stack;
    post.reserve(n);
    for (std::size_t j = n; j-- > 0;) {
        const Index p = parent[j];
        if (p == -1) continue;
        next[j] = head[At(p)];
        head[At(p)] = static_cast<Index>(j);
    }
    for (std::size_t root = 0; root < n; ++root) {
        if (parent[root] != -1) continue;
        stack.push_back(static_cast<Index>(root));
        while (!stack.empty()) {
            const Index p = stack.back();
            const Index child = head[At(p)];
            if (child == -1) {
                stack.pop_back();
                post.push_back(p);
            } else {
                head[At(p)] = next[At(child)];
                stack.push_back(child);
            }
        }
    }
    return post;
}

// Column counts of L (diagonal included) from the row subtrees: row k of L has an entry
// in every column on the tree paths from its matrix entries up to k.
std::vector<Index> ColumnCounts(int n, const Offsets& start, const std::vector<Index>& rows,
                                const std::vector<Index>& parent) {
    std::vector<Index> count(static_cast<std::size_t>(n), 1);
    std::vector<Index> mark(static_cast<std::size_t>(n), -1);
    for (Index k = 0; k < n; ++k) {
        mark[At(k)] = k;
        for (std::int64_t p = start[At(k)]; p < start[At(k) + 1]; ++p) {
            for (Index j = rows[At(p)]; j != -1 && mark[At(j)] != k; j = parent[At(j)]) {
                mark[At(j)] = k;
                ++count[At(j)];
            }
        }
    }
    return count;
}

struct Candidate {
    Index first = 0;
    Index columns = 0;
    Index rows = 0;  // rows of its first column, the diagonal included
    double zeros = 0;
    Index parent = -1;
};

// Whether merging a child supernode into its parent is worth the padding it adds: small
// supernodes make the numeric factorisation run on tiny blocks.
bool WorthMerging(Index columns, Index rows, double zeros) {
    if (columns <= 4) return true;
    const double total = static_cast<double>(columns) * (columns + 1) / 2 +
                         static_cast<double>(columns) * (rows - columns);
    const double share = zeros / total;
    return (columns <= 16 && share < 0.8) || (columns <= 48 && share < 0.1) || share < 0.05;
}

}  // namespace

bool AnalyseSparse(const SparsePattern& pattern, SparseSymbolic& symbolic) {
    std::vector<Index> order;
    if (!FillReducingOrder(pattern, order)) return false;
    return AnalyseSparse(pattern, order, symbolic);
}

bool AnalyseSparse(const SparsePattern& pattern, const std::vector<Index>& givenOrder,
                   SparseSymbolic& symbolic) {
    symbolic = SparseSymbolic{};
    const int n = pattern.n;
    const auto un = static_cast<std::size_t>(n);
    if (givenOrder.size() != un) return false;
    try {
        // 1. The elimination tree of the given order and its postorder, which keeps the
        // fill and makes every subtree a contiguous run of columns.
        std::vector<Index> position(un, -1);
        for (std::size_t k = 0; k < un; ++k) {
            const Index u = givenOrder[k];
            if (u < 0 || u >= n || position[At(u)] != -1) return false;
            position[At(u)] = static_cast<Index>(k);
        }
        Offsets upStart;
        std::vector<Index> upRows, parent;
        UpperByColumns(pattern, position, upStart, upRows);
        EliminationTree(n, upStart, upRows, parent);
        const std::vector<Index> post = Postorder(parent);
        std::vector<Index> order(un);
        for (std::size_t k = 0; k < un; ++k) order[k] = givenOrder[At(post[k])];
        for (std::size_t k = 0; k < un; ++k) position[At(order[k])] = static_cast<Index>(k);
        UpperByColumns(pattern, position, upStart, upRows);
        EliminationTree(n, upStart, upRows, parent);
        const std::vector<Index> count = ColumnCounts(n, upStart, upRows, parent);
        for (const Index c : count) {
            const double below = c - 1;
            symbolic.factorNonZeros += c;
            symbolic.flops += 1 + below + below * (below + 1);
        }
        upStart = Offsets{};
        upRows = std::vector<Index>{};

        // 2. Fundamental supernodes: a column joins the one before it when it is that
        // column's only child's parent with one entry fewer.
        std::vector<Index> children(un, 0);
        for (std::size_t j = 0; j < un; ++j)
            if (parent[j] != -1) ++children[At(parent[j])];
        std::vector<Candidate> candidate;
        std::vector<Index> supernodeOf(un, 0);
        for (Index j = 0; j < n; ++j) {
            const bool joins = j > 0 && parent[At(j - 1)] == j &&
                               count[At(j - 1)] == count[At(j)] + 1 && children[At(j)] == 1;
            if (!joins) candidate.push_back({j, 0, count[At(j)], 0, -1});
            ++candidate.back().columns;
            supernodeOf[At(j)] = static_cast<Index>(candidate.size() - 1);
        }
        const auto fundamental = static_cast<Index>(candidate.size());
        for (Index s = 0; s < fundamental; ++s) {
            const Index last = candidate[At(s)].first + candidate[At(s)].columns - 1;
            const Index p = parent[At(last)];
            candidate[At(s)].parent = p == -1 ? -1 : supernodeOf[At(p)];
        }

        // 3. Relaxed merging, from the top of the tree down: a child whose columns end
        // just before its parent's (merged) columns begin joins it when the zeros it adds
        // are few. merged[s] is the supernode s now belongs to.
        std::vector<Index> merged(At(fundamental));
        for (Index s = 0; s < fundamental; ++s) merged[At(s)] = s;
        auto root = [&](Index s) {
            while (merged[At(s)] != s) s = merged[At(s)];
            return s;
        };
        for (Index s = fundamental - 2; s >= 0; --s) {
            Candidate& c = candidate[At(s)];
            if (c.parent == -1) continue;
            const Index r = root(c.parent);
            Candidate& p = candidate[At(r)];
            if (p.first != c.first + c.columns) continue;
            const double zeros =
                c.zeros + p.zeros + static_cast<double>(c.columns) * (p.rows + c.columns - c.rows);
            const Index columns = c.columns + p.columns;
            const Index rows = p.rows + c.columns;
            if (!WorthMerging(columns, rows, zeros)) continue;
            p.first = c.first;
            p.columns = columns;
            p.rows = rows;
            p.zeros = zeros;
            merged[At(s)] = r;
        }
        for (Index j = 0; j < n; ++j) supernodeOf[At(j)] = root(supernodeOf[At(j)]);

        // The final supernodes in column order.
        std::vector<Index> number(At(fundamental), -1);
        std::vector<Index>& first = symbolic.firstColumn;
        for (Index j = 0; j < n; ++j) {
            const Index s = supernodeOf[At(j)];
            if (number[At(s)] == -1) {
                number[At(s)] = static_cast<Index>(first.size());
                first.push_back(j);
            }
            supernodeOf[At(j)] = number[At(s)];
        }
        const auto sn = static_cast<Index>(first.size());
        first.push_back(n);
        symbolic.supernodeCount = sn;
        symbolic.parent.assign(At(sn), -1);
        for (Index s = 0; s < sn; ++s) {
            const Index p = parent[At(first[At(s) + 1] - 1)];
            symbolic.parent[At(s)] = p == -1 ? -1 : supernodeOf[At(p)];
        }

        // 4. The matrix entries per column in elimination order (lower triangle).
        Offsets& eStart = symbolic.entryStart;
        eStart.assign(un + 1, 0);
        for (std::size_t j = 0; j < un; ++j) {
            for (std::int64_t p = pattern.columnStart[j]; p < pattern.columnStart[j + 1]; ++p) {
                const Index a = position[j];
                const Index b = position[At(pattern.rowIndex[At(p)])];
                ++eStart[At(std::min(a, b)) + 1];
            }
        }
        for (std::size_t k = 0; k < un; ++k) eStart[k + 1] += eStart[k];
        symbolic.entryRow.resize(At(eStart[un]));
        symbolic.entrySource.resize(At(eStart[un]));
        {
            Offsets fill(eStart.begin(), eStart.end() - 1);
            // The diagonals first, so that each column starts with its own.
            for (std::size_t j = 0; j < un; ++j) {
                const std::size_t k = At(position[j]);
                symbolic.entryRow[At(fill[k])] = static_cast<Index>(k);
                symbolic.entrySource[At(fill[k]++)] = pattern.columnStart[j];
            }
            for (std::size_t j = 0; j < un; ++j) {
                for (std::int64_t p = pattern.columnStart[j] + 1; p < pattern.columnStart[j + 1];
                     ++p) {
                    const Index a = position[j];
                    const Index b = position[At(pattern.rowIndex[At(p)])];
                    const std::size_t column = At(std::min(a, b));
                    symbolic.entryRow[At(fill[column])] = std::max(a, b);
                    symbolic.entrySource[At(fill[column]++)] = p;
                }
            }
        }

        // 5. Row structures: a supernode's own columns, its matrix entries below them and
        // the rows its children pass up. A row's lead is the first of the supernode's
        // columns it enters: through a matrix entry of that column, or through the update
        // of a child whose last column's parent that column is. Every later column of the
        // supernode is the lead column's ancestor or holds the row only as a zero.
        std::vector<Index> childHead(At(sn), -1), childNext(At(sn), -1);
        for (Index s = sn - 1; s >= 0; --s) {
            const Index p = symbolic.parent[At(s)];
            if (p == -1) continue;
            childNext[At(s)] = childHead[At(p)];
            childHead[At(p)] = s;
        }
        std::vector<Index> mark(un, -1), lead(un, 0);
        Offsets& rStart = symbolic.rowStart;
        std::vector<Index>& rows = symbolic.rows;
        std::vector<Index>& belowRows = symbolic.belowRows;
        symbolic.belowCount.assign(un, 0);
        rStart.assign(At(sn) + 1, 0);
        for (Index s = 0; s < sn; ++s) {
            const Index f = first[At(s)];
            const Index end = first[At(s) + 1];
            const Index k = end - f;
            const auto begin = rows.size();
            for (Index j = f; j < end; ++j) {
                rows.push_back(j);
                mark[At(j)] = s;
            }
            auto take = [&](Index i, Index column) {
                if (mark[At(i)] != s) {
                    mark[At(i)] = s;
                    lead[At(i)] = column;
                    rows.push_back(i);
                } else {
                    lead[At(i)] = std::min(lead[At(i)], column);
                }
            };
            for (Index j = f; j < end; ++j)
                for (std::int64_t p = eStart[At(j)] + 1; p < eStart[At(j) + 1]; ++p)
                    take(symbolic.entryRow[At(p)], j - f);
            for (Index c = childHead[At(s)]; c != -1; c = childNext[At(c)]) {
                const Index entered = parent[At(first[At(c) + 1] - 1)] - f;
                const std::int64_t below = rStart[At(c)] + symbolic.Columns(c);
                for (std::int64_t p = below; p < rStart[At(c) + 1]; ++p) take(rows[At(p)], entered);
            }
            const auto ownEnd = rows.begin() + static_cast<std::ptrdiff_t>(begin) + k;
            std::sort(ownEnd, rows.end());
            rStart[At(s) + 1] = static_cast<std::int64_t>(rows.size());
            // The rows below in order of lead, and how many each column holds.
            const auto belowBegin = belowRows.size();
            belowRows.insert(belowRows.end(), ownEnd, rows.end());
            std::stable_sort(belowRows.begin() + static_cast<std::ptrdiff_t>(belowBegin),
                             belowRows.end(),
                             [&](Index a, Index b) { return lead[At(a)] < lead[At(b)]; });
            for (auto q = belowBegin; q < belowRows.size(); ++q)
                ++symbolic.belowCount[At(f + lead[At(belowRows[q])])];
            for (Index j = f + 1; j < end; ++j)
                symbolic.belowCount[At(j)] += symbolic.belowCount[At(j - 1)];
            symbolic.widestSupernode = std::max(symbolic.widestSupernode, k);
            symbolic.longestBelow =
                std::max(symbolic.longestBelow, static_cast<int>(belowRows.size() - belowBegin));
        }
        rows.shrink_to_fit();
        belowRows.shrink_to_fit();
        mark = std::vector<Index>{};
        lead = std::vector<Index>{};

        // 6. Sizes: the factor's columns, the largest front, the update stack's peak (the
        // children's updates lie on top of the stack when their parent is assembled).
        Offsets& cStart = symbolic.columnStart;
        cStart.assign(un + 1, 0);
        std::vector<std::size_t> update(At(sn), 0);
        std::size_t stack = 0;
        for (Index s = 0; s < sn; ++s) {
            const auto m = static_cast<std::size_t>(symbolic.Rows(s));
            const auto k = static_cast<std::size_t>(symbolic.Columns(s));
            for (Index j = first[At(s)]; j < first[At(s) + 1]; ++j)
                cStart[At(j) + 1] =
                    cStart[At(j)] + (first[At(s) + 1] - j) + symbolic.belowCount[At(j)];
            symbolic.frontValues = std::max(symbolic.frontValues, m * (m + 1) / 2);
            for (Index c = childHead[At(s)]; c != -1; c = childNext[At(c)]) stack -= update[At(c)];
            update[At(s)] = (m - k) * (m - k + 1) / 2;
            stack += update[At(s)];
            symbolic.stackValues = std::max(symbolic.stackValues, stack);
        }
        symbolic.n = n;
        symbolic.order = std::move(order);
        symbolic.position = std::move(position);
        return true;
    } catch (const std::bad_alloc&) {
        symbolic = SparseSymbolic{};
        return false;
    }
}

}  // namespace kova

#include "solver/equation_numbering.hpp"

#include <algorithm>
#include <cstdlib>

namespace kova {
namespace {

// The coupling graph in compact form, entries beyond n left out (they are never
// numbered), in stored order.
struct Graph {
    int n = 0;
    std::vector<std::int32_t> start;  // unknown u's neighbours: [start[u], start[u + 1])
    std::vector<std::int32_t> adjacency;
    const std::int32_t* Begin(int u) const {
        return adjacency.data() + start[static_cast<std::size_t>(u)];
    }
    const std::int32_t* End(int u) const {
        return adjacency.data() + start[static_cast<std::size_t>(u) + 1];
    }
};

enum class StartOutcome { Abandoned, Accepted, RanOut };

// The breadth-first numbering from s, abandoned once a number q given while unknown p
// is scanned reaches q - p >= best. Within one scan the last number given is the
// largest, so testing after each scan decides exactly as testing every number would,
// and the widest step is the largest q - p after a scan. `mark` holds, per unknown, the
// last start that numbered it, so nothing is cleared between starts; `order` lists the
// unknowns by number (it has room for one entry beyond n, written speculatively).
StartOutcome TryStart(const Graph& g, int s, int best, std::vector<std::int32_t>& mark,
                      std::vector<std::int32_t>& order, int& widest) {
    std::int32_t* const m = mark.data();
    std::int32_t* const o = order.data();
    m[s] = s;
    o[1] = s;
    int q = 1;
    widest = 0;
    for (int p = 1; p <= q && q < g.n; ++p) {
        const int u = o[p];
        for (const std::int32_t* v = g.Begin(u); v != g.End(u); ++v) {
            const std::int32_t w = *v;
            o[q + 1] = w;
            q += m[w] != s ? 1 : 0;
            m[w] = s;
        }
        if (q - p >= best) return StartOutcome::Abandoned;
        widest = std::max(widest, q - p);
    }
    return q < g.n ? StartOutcome::RanOut : StartOutcome::Accepted;
}

}  // namespace

// Every start is tried in order with the rule's acceptance test. A start costs only the
// part of the graph it numbers before it is abandoned (for most starts a small ball
// around them), not N: nothing is cleared between starts and a numbering is copied out
// only when accepted. The result is the rule's numbering exactly.
Numbering NumberEquations(const ConnectionLists& connections, int n) {
    Numbering result;
    const std::size_t size = static_cast<std::size_t>(n) + 1;
    result.equationOfUnknown.resize(size);
    result.unknownOfEquation.resize(size);
    for (int u = 0; u <= n; ++u) result.equationOfUnknown[static_cast<std::size_t>(u)] = u;
    result.bandwidth = n;
    if (n <= 3) {
        result.unknownOfEquation = result.equationOfUnknown;
        return result;
    }

    Graph g;
    g.n = n;
    g.start.assign(size + 1, 0);
    int best = 0;
    for (int u = 1; u <= n; ++u) {
        for (const std::int32_t* v = connections.Begin(u); v != connections.End(u); ++v) {
            if (*v < 1 || *v > n) continue;
            g.adjacency.push_back(*v);
            best = std::max(best, std::abs(*v - u));
        }
        g.start[static_cast<std::size_t>(u) + 1] = static_cast<std::int32_t>(g.adjacency.size());
    }

    std::vector<std::int32_t> mark(size, 0);
    std::vector<std::int32_t> order(size + 1, 0);
    for (int s = 1; s <= n; ++s) {
        int widest = 0;
        const StartOutcome outcome = TryStart(g, s, best, mark, order, widest);
        if (outcome == StartOutcome::Abandoned) continue;
        if (outcome == StartOutcome::RanOut) {
            result.solverError = kSolverNumbering;
            break;
        }
        best = widest;
        for (int q = 1; q <= n; ++q)
            result.equationOfUnknown[static_cast<std::size_t>(order[static_cast<std::size_t>(q)])] =
                q;
    }
    result.bandwidth = best + 1;
    for (int u = 1; u <= n; ++u)
        result.unknownOfEquation[static_cast<std::size_t>(
            result.equationOfUnknown[static_cast<std::size_t>(u)])] = u;
    return result;
}

}  // namespace kova

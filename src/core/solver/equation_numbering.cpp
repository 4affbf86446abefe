#include "solver/equation_numbering.hpp"

#include <algorithm>
#include <cstdlib>

namespace kova {

// Each start's breadth-first numbering is abandoned as soon as a number q given while
// unknown p is scanned reaches q - p >= best, so a start costs only the part of the
// graph it numbers before that; the per-start "already numbered" marks are the start's
// own number (no clearing between starts), and a full numbering is copied out only when
// it is accepted. Starts thus cost what their own search costs rather than N each, and
// the result is the same as numbering every start to the end.
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

    // Compact adjacency in stored order, entries beyond n left out (they are never
    // numbered).
    std::vector<std::int32_t> start(size + 1, 0);
    std::vector<std::int32_t> adjacency;
    int best = 0;
    for (int u = 1; u <= n; ++u) {
        for (const std::int32_t* v = connections.Begin(u); v != connections.End(u); ++v) {
            if (*v < 1 || *v > n) continue;
            adjacency.push_back(*v);
            best = std::max(best, std::abs(*v - u));
        }
        start[static_cast<std::size_t>(u) + 1] = static_cast<std::int32_t>(adjacency.size());
    }

    std::vector<std::int32_t> mark(size, 0);    // the start that numbered the unknown
    std::vector<std::int32_t> number(size, 0);  // its number in that start
    std::vector<std::int32_t> order(size, 0);   // unknowns by number
    for (int s = 1; s <= n; ++s) {
        mark[static_cast<std::size_t>(s)] = s;
        number[static_cast<std::size_t>(s)] = 1;
        order[1] = s;
        int q = 1;
        int widest = 0;
        bool abandoned = false;
        for (int p = 1; p <= q && q < n; ++p) {
            const int u = order[static_cast<std::size_t>(p)];
            const std::int32_t* v = adjacency.data() + start[static_cast<std::size_t>(u)];
            const std::int32_t* vEnd = adjacency.data() + start[static_cast<std::size_t>(u) + 1];
            for (; v != vEnd; ++v) {
                std::int32_t& m = mark[static_cast<std::size_t>(*v)];
                if (m == s) continue;
                m = s;
                ++q;
                number[static_cast<std::size_t>(*v)] = q;
                order[static_cast<std::size_t>(q)] = *v;
                if (q - p >= best) {
                    abandoned = true;
                    break;
                }
                widest = std::max(widest, q - p);
            }
            if (abandoned) break;
        }
        if (abandoned) continue;
        if (q < n) {  // the unknowns reachable from s ran out
            result.solverError = kSolverNumbering;
            break;
        }
        best = widest;
        for (int u = 1; u <= n; ++u)
            result.equationOfUnknown[static_cast<std::size_t>(u)] =
                number[static_cast<std::size_t>(u)];
    }
    result.bandwidth = best + 1;
    for (int u = 1; u <= n; ++u)
        result.unknownOfEquation[static_cast<std::size_t>(
            result.equationOfUnknown[static_cast<std::size_t>(u)])] = u;
    return result;
}

}  // namespace kova

#include "mesh/reposition.hpp"

#include <cmath>
#include <vector>

#include "geometry/frame_rebuild.hpp"
#include "geometry/primitives.hpp"
#include "model/messages.hpp"

namespace kova {
namespace {

// Closer than this (pixels) to another node, a node is refused.
constexpr Real kNodeClearance = 4.0L;

int OtherEnd(const LineSegment& s, int k) {
    return s.node1 == k ? s.node2 : s.node1;
}

// Sign of the turn a -> b -> (x, y).
int Turn(const Node& a, const Node& b, Real x, Real y) {
    const Real cross = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    return cross > 0 ? 1 : (cross < 0 ? -1 : 0);
}

}  // namespace

bool NodePositionValid(Problem& problem, int k) {
    if (!problem.nodes.Valid(k)) return false;
    const Node& node = problem.nodes[k];
    if (problem.settings.cylindrical && node.x < AxisX(problem)) return false;
    for (const LineSegment& s : problem.lines) {
        if (!s.EndsAt(k)) continue;
        const int other = OtherEnd(s, k);
        if (!problem.nodes.Valid(other)) continue;
        const Node& o = problem.nodes[other];
        // The edge ends at the node: its end is not snapped onto a segment near it,
        // which would be one of the node's own and move the end off the node.
        if (!CrossingCheck(problem, &s, o.x, o.y, node.x, node.y, false).pass) return false;
    }
    for (const LineSegment& s : problem.lines)
        if (!s.EndsAt(k) && PointNearSegment(problem, s, node.x, node.y).near) return false;
    for (int n = 1; n <= problem.nodes.Count(); ++n) {
        if (n == k) continue;
        const Node& other = problem.nodes[n];
        if (std::hypot(other.x - node.x, other.y - node.y) < kNodeClearance) return false;
    }
    return true;
}

bool KeepsTrianglesUpright(const Problem& problem, int k, Real oldX, Real oldY) {
    if (!problem.nodes.Valid(k)) return false;
    std::vector<int> neighbours;
    for (const LineSegment& s : problem.lines)
        if (s.EndsAt(k) && problem.nodes.Valid(OtherEnd(s, k)))
            neighbours.push_back(OtherEnd(s, k));
    const Node& node = problem.nodes[k];
    for (std::size_t i = 0; i < neighbours.size(); ++i)
        for (std::size_t j = i + 1; j < neighbours.size(); ++j) {
            const int a = neighbours[i], b = neighbours[j];
            if (FindSegment(problem, a, b) == nullptr) continue;
            const Node& na = problem.nodes[a];
            const Node& nb = problem.nodes[b];
            const int before = Turn(na, nb, oldX, oldY);
            if (before != 0 && Turn(na, nb, node.x, node.y) != before) return false;
        }
    return true;
}

}  // namespace kova

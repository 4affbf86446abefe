#include "geometry/crossing_guard.hpp"

#include <algorithm>

#include "geometry/exact_predicates.hpp"

namespace kova {
namespace {

ExactPoint At(const Problem& problem, int n) {
    return {problem.nodes[n].x, problem.nodes[n].y};
}

bool Shares(int a, int b, const LineSegment& s) {
    return s.node1 == a || s.node1 == b || s.node2 == a || s.node2 == b;
}

}  // namespace

bool EdgeClashes(const Problem& problem, int a, int b) {
    if (!problem.nodes.Valid(a) || !problem.nodes.Valid(b) || a == b) return false;
    const ExactPoint pa = At(problem, a), pb = At(problem, b);
    const Real minX = std::min(pa.x, pb.x), maxX = std::max(pa.x, pb.x);
    const Real minY = std::min(pa.y, pb.y), maxY = std::max(pa.y, pb.y);
    const int lo = std::min(a, b), hi = std::max(a, b);
    for (const LineSegment& s : problem.lines) {
        if (s.node1 == lo && s.node2 == hi) continue;
        if (!problem.nodes.Valid(s.node1) || !problem.nodes.Valid(s.node2)) continue;
        const ExactPoint q1 = At(problem, s.node1), q2 = At(problem, s.node2);
        if (std::max(q1.x, q2.x) < minX || std::min(q1.x, q2.x) > maxX ||
            std::max(q1.y, q2.y) < minY || std::min(q1.y, q2.y) > maxY)
            continue;
        if (Shares(a, b, s)) {
            // Sharing a node, the two meet only there unless one runs along the other.
            const ExactPoint mine = s.node1 == a || s.node2 == a ? pb : pa;
            const ExactPoint theirs = s.node1 == a || s.node1 == b ? q2 : q1;
            if (ExactOnSegment(mine, q1, q2) || ExactOnSegment(theirs, pa, pb)) return true;
            continue;
        }
        if (ClassifyExact(pa, pb, q1, q2) != SegmentContact::None) return true;
    }
    return false;
}

bool ClashAtNodes(const Problem& problem, const std::vector<int>& nodes) {
    for (const LineSegment& s : problem.lines) {
        const bool mine = std::find(nodes.begin(), nodes.end(), s.node1) != nodes.end() ||
                          std::find(nodes.begin(), nodes.end(), s.node2) != nodes.end();
        if (mine && EdgeClashes(problem, s.node1, s.node2)) return true;
    }
    return false;
}

GeometryCheckpoint::GeometryCheckpoint(const Problem& problem)
    : m_nodeCount(problem.nodes.Count()),
      m_lines(problem.lines.SaveState()),
      m_specs(problem.specs) {
    m_nodes.reserve(static_cast<std::size_t>(m_nodeCount));
    for (int i = 1; i <= m_nodeCount; ++i) m_nodes.push_back(problem.nodes[i]);
}

void GeometryCheckpoint::Restore(Problem& problem) const {
    problem.nodes.SetCount(m_nodeCount);
    for (int i = 1; i <= m_nodeCount; ++i)
        problem.nodes[i] = m_nodes[static_cast<std::size_t>(i - 1)];
    problem.lines.RestoreState(m_lines);
    problem.specs = m_specs;
}

}  // namespace kova

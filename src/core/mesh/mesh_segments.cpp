#include "mesh/mesh_segments.hpp"

#include <algorithm>
#include <utility>

namespace kova {
namespace {

bool IsSegmentGroup(SelectType kind) {
    return kind == SelectType::Lines || kind == SelectType::Bounds || kind == SelectType::Flow;
}

bool Touches(const SelectRec& item, int node) {
    return item.segment != nullptr && (item.segment->node1 == node || item.segment->node2 == node);
}

int Orientation(const Node& p, const Node& q, const Node& r) {
    const Real cross = (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
    return cross > 0 ? 1 : (cross < 0 ? -1 : 0);
}

// Whether r, collinear with p and q, lies strictly between them.
bool StrictlyBetween(const Node& p, const Node& q, const Node& r) {
    const Real dot = (r.x - p.x) * (q.x - p.x) + (r.y - p.y) * (q.y - p.y);
    const Real length2 = (q.x - p.x) * (q.x - p.x) + (q.y - p.y) * (q.y - p.y);
    return dot > 0 && dot < length2;
}

}  // namespace

bool CrossesAnySegment(const Problem& problem, int a, int b) {
    if (!problem.nodes.Valid(a) || !problem.nodes.Valid(b)) return true;
    const Node& na = problem.nodes[a];
    const Node& nb = problem.nodes[b];
    for (int n = 1; n <= problem.nodes.Count(); ++n) {
        if (n == a || n == b) continue;
        const Node& p = problem.nodes[n];
        if (Orientation(na, nb, p) == 0 && StrictlyBetween(na, nb, p)) return true;
    }
    for (const LineSegment& s : problem.lines) {
        if (s.node1 == a || s.node1 == b || s.node2 == a || s.node2 == b) continue;
        if (!problem.nodes.Valid(s.node1) || !problem.nodes.Valid(s.node2)) continue;
        const Node& c = problem.nodes[s.node1];
        const Node& d = problem.nodes[s.node2];
        const int o1 = Orientation(na, nb, c), o2 = Orientation(na, nb, d);
        const int o3 = Orientation(c, d, na), o4 = Orientation(c, d, nb);
        if (o1 * o2 < 0 && o3 * o4 < 0) return true;
        // A line of the mesh through an end of a or b lying on the segment.
        if ((o3 == 0 && StrictlyBetween(c, d, na)) || (o4 == 0 && StrictlyBetween(c, d, nb)))
            return true;
    }
    return false;
}

void KeepGroupsWhole(Problem& problem, const LineSegment* kept, LineSegment* added, int oldA,
                     int oldB, int m) {
    const LineSegment* old = kept;
    for (SelectionGroup& group : problem.groups) {
        auto& items = group.items;
        if (IsSegmentGroup(group.kind)) {
            auto it = std::find_if(items.begin(), items.end(),
                                   [old](const SelectRec& r) { return r.segment == old; });
            if (it == items.end()) continue;
            // The new piece ends at the old second node: it goes next to the neighbour in
            // the group that continues the chain from that node.
            const bool before = it != items.begin() && Touches(*std::prev(it), oldB);
            items.insert(before ? it : std::next(it), SegmentItem(added));
        } else if (HoldsNodes(group.kind)) {
            auto first = std::find_if(items.begin(), items.end(), [&](const SelectRec& r) {
                return r.segment == nullptr && (r.selectNo == oldA || r.selectNo == oldB);
            });
            if (first == items.end()) continue;
            const int other = first->selectNo == oldA ? oldB : oldA;
            const bool holdsOther = std::any_of(
                items.begin(), items.end(),
                [&](const SelectRec& r) { return r.segment == nullptr && r.selectNo == other; });
            if (holdsOther) items.insert(std::next(first), NumberItem(m));
        }
    }
}

LineSegment* CreateInteriorSegment(Problem& problem, int a, int b, int f) {
    return problem.AddLineSegment(a, b, f, f);
}

int AddMeshNode(Problem& problem, Real x, Real y, Real initialValue) {
    const int n = problem.AddNode(x, y);
    if (n == 0) return 0;
    Node& node = problem.nodes[n];
    node.currentValue = kNewNodeValue;
    node.active = 1;
    node.valueSpec = 0;
    node.initialValue = initialValue;
    return n;
}

LineSegment* SplitSegment(Problem& problem, LineSegment& segment, int m) {
    LineSegment* added = problem.NewLineSegment(problem.lines.Count() + 1);
    if (added == nullptr) return nullptr;
    const int number = added->number;
    const int oldA = segment.node1;
    const int oldB = segment.node2;
    *added = segment;
    added->number = number;
    added->node1 = std::min(oldB, m);
    added->node2 = std::max(oldB, m);
    added->areaFactor = problem.AreaFactor(*added);

    segment.node2 = m;
    if (segment.node1 > segment.node2) std::swap(segment.node1, segment.node2);
    segment.areaFactor = problem.AreaFactor(segment);

    KeepGroupsWhole(problem, &segment, added, oldA, oldB, m);
    return added;
}

}  // namespace kova

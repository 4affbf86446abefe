#include "geometry/mesh_removal.hpp"

#include <algorithm>
#include <exception>
#include <string>

#include "geometry/deletion.hpp"
#include "geometry/frame_rebuild.hpp"
#include "geometry/primitives.hpp"

namespace kova {
namespace {

// NodeMark of a node that some frame's vertex list holds.
constexpr std::int16_t kOutlineVertex = 9;
// NodeMark of an outline vertex that lies exactly on the straight line between its
// neighbours.
constexpr std::int16_t kRedundantVertex = 1;

bool EndsAt(const LineSegment& s, int n) {
    return s.node1 == n || s.node2 == n;
}

int OtherEnd(const LineSegment& s, int n) {
    return s.node1 == n ? s.node2 : s.node1;
}

bool SameSidesAndSpecs(const LineSegment& a, const LineSegment& b) {
    const bool sameSides = (a.frameA == b.frameA && a.frameB == b.frameB) ||
                           (a.frameA == b.frameB && a.frameB == b.frameA);
    return sameSides && a.valueSpec == b.valueSpec && a.fluxSpec == b.fluxSpec &&
           a.transferSpec == b.transferSpec && a.ambientSpec == b.ambientSpec;
}

void ClearNodeMarks(Problem& problem) {
    for (int i = 1; i <= problem.nodes.Count(); ++i) problem.nodes[i].nodeMark = 0;
}

// Removes every node that no vertex list holds and no segment uses; returns how many.
int RemoveInteriorNodes(Problem& problem) {
    ClearNodeMarks(problem);
    for (int k = 1; k <= problem.frameCount; ++k)
        for (const std::int32_t v : problem.frames[k].vertices)
            if (problem.nodes.Valid(v)) problem.nodes[v].nodeMark = kOutlineVertex;
    // Uses per node; a removed node's place takes the last node's count with its record.
    std::vector<int> uses(static_cast<std::size_t>(problem.nodes.Count()) + 1, 0);
    for (const LineSegment& s : problem.lines)
        for (const int n : {s.node1, s.node2})
            if (problem.nodes.Valid(n)) ++uses[static_cast<std::size_t>(n)];
    int removed = 0;
    int i = 1;
    while (i <= problem.nodes.Count()) {
        const auto slot = static_cast<std::size_t>(i);
        if (problem.nodes[i].nodeMark != 0 || uses[slot] != 0) {
            ++i;
            continue;
        }
        uses[slot] = uses[static_cast<std::size_t>(problem.nodes.Count())];
        RemoveNode(problem, i);
        ++removed;
    }
    return removed;
}

// Marks the outline vertices that lie exactly on the straight line between their two
// neighbours.
void MarkRedundantVertices(Problem& problem) {
    ClearNodeMarks(problem);
    for (int k = 1; k <= problem.frameCount; ++k) {
        const auto& p = problem.frames[k].vertices;
        for (std::size_t j = 1; j + 1 < p.size(); ++j) {
            if (!problem.nodes.Valid(p[j - 1]) || !problem.nodes.Valid(p[j]) ||
                !problem.nodes.Valid(p[j + 1]))
                continue;
            LineSegment chord;
            chord.node1 = p[j - 1];
            chord.node2 = p[j + 1];
            const Node& node = problem.nodes[p[j]];
            const NearSegmentResult near = PointNearSegment(problem, chord, node.x, node.y);
            if (near.near && near.px == node.x && near.py == node.y)
                problem.nodes[p[j]].nodeMark = kRedundantVertex;
        }
    }
}

// Joins the two segments at a marked vertex into one and removes the vertex, when
// nothing is lost by it: both halves have the same sides and specifications, the node
// has no value of its own and no singular point, and the far ends are not joined yet.
bool JoinAt(Problem& problem, int i) {
    LineSegment* first = nullptr;
    LineSegment* second = nullptr;
    int count = 0;
    for (LineSegment& s : problem.lines) {
        if (!EndsAt(s, i)) continue;
        ++count;
        if (first == nullptr) {
            first = &s;
        } else if (second == nullptr) {
            second = &s;
        }
    }
    if (count != 2) return false;
    const int e1 = OtherEnd(*first, i), e2 = OtherEnd(*second, i);
    const Node& node = problem.nodes[i];
    const bool ownValue = node.valueSpec != 0 && node.valueSpec != first->valueSpec;
    const bool singular = std::any_of(problem.singularPoints.begin(), problem.singularPoints.end(),
                                      [i](const SingularPoint& p) { return p.node == i; });
    if (e1 == e2 || ownValue || singular || !SameSidesAndSpecs(*first, *second) ||
        FindSegment(problem, e1, e2) != nullptr)
        return false;
    first->node1 = std::min(e1, e2);
    first->node2 = std::max(e1, e2);
    first->areaFactor = problem.AreaFactor(*first);
    problem.RemoveLineSegment(second);
    RemoveNode(problem, i);  // its vertex-list entries become -i until the next walk
    return true;
}

}  // namespace

EditResult RunRemoveMesh(Problem& problem) {
    EditResult result;
    const int nodesBefore = problem.nodes.Count();
    problem.MarkProblemChanged();
    problem.groups.clear();

    std::vector<LineSegment*> meshLines;
    for (LineSegment& s : problem.lines)
        if (s.frameA == s.frameB && s.frameA != 0) meshLines.push_back(&s);
    for (LineSegment* s : meshLines) problem.RemoveLineSegment(s);

    RemoveInteriorNodes(problem);
    MarkRedundantVertices(problem);
    for (;;) {
        int marked = 0;
        for (int i = 1; i <= problem.nodes.Count() && marked == 0; ++i)
            if (problem.nodes[i].nodeMark >= kRedundantVertex) marked = i;
        if (marked == 0) break;
        problem.nodes[marked].nodeMark = 0;
        JoinAt(problem, marked);
    }
    ClearNodeMarks(problem);

    RelinkLineList(problem);
    SettleFrames(problem);
    problem.ClassifyNodes();
    ClearSelection(problem);
    result.ok = true;
    result.count = nodesBefore - problem.nodes.Count();
    return result;
}

EditResult RunSubtract(Problem& problem, int k) {
    EditResult result;
    const IslandResult island = FrameIsland(problem, k);
    if (island.island) {
        std::vector<LineSegment*> meshLines;
        for (LineSegment& s : problem.lines)
            if (s.frameA == k && s.frameB == k) meshLines.push_back(&s);
        for (LineSegment* s : meshLines) RemoveSegment(problem, s);
        RelinkLineList(problem);
        // The frame around the hole loses the hole's area from its region.
        SettleFrames(problem);
        Frame& frame = problem.frames[k];
        frame.subtracted = 1;
        frame.type = FrameType::Lumped;
        frame.lumpInitialValue = kUnspecified;
        problem.ClassifyNodes();
        result.frame = k;
    } else {
        problem.selection.items.assign(1, SelectRec{k, nullptr});
        problem.selection.state = SelectType::Frames;
        DeleteSelectedItems(problem);
    }
    ClearSelection(problem);
    result.ok = true;
    return result;
}

}  // namespace kova

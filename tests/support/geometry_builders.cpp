#include "support/geometry_builders.hpp"

#include <stdexcept>

#include "geometry/frame_rebuild.hpp"
#include "geometry/primitives.hpp"

namespace kova::testing {

int NodeAt(Problem& problem, Real x, Real y) {
    Real px = x, py = y;
    if (const int found = FindNodeNear(problem, px, py, 0)) return found;
    return problem.AddNode(x, y);
}

int AddFrame(Problem& problem, const std::vector<Corner>& corners, int enclosing) {
    if (!CheckFrameLimit(problem)) return 0;
    const int c = problem.frameCount + 1;
    std::vector<std::int32_t> list;
    for (const Corner& corner : corners) list.push_back(NodeAt(problem, corner.x, corner.y));
    list.push_back(list.front());
    for (std::size_t j = 1; j < list.size(); ++j) {
        LineSegment* s = FindOrCreateSegment(problem, list[j - 1], list[j], false);
        if (s == nullptr) throw std::logic_error("AddFrame: an edge could not be made");
        if (s->frameA < 0 && s->frameB < 0) {
            s->frameA = c;
            s->frameB = enclosing;
        } else if (s->frameA == enclosing) {
            s->frameA = c;
        } else if (s->frameB == enclosing) {
            s->frameB = c;
        }
    }
    Frame& frame = problem.frames[c];
    frame.outlineStart = list.front();
    frame.vertices = list;
    problem.frameCount = c;
    RebuildFrameGeometry(problem, c, true);
    return c;
}

int AddRectangleFrame(Problem& problem, Real left, Real top, Real right, Real bottom,
                      int enclosing) {
    return AddFrame(problem, {{left, top}, {right, top}, {right, bottom}, {left, bottom}},
                    enclosing);
}

LineSegment& AddSegment(Problem& problem, int a, int b, int frameA, int frameB) {
    LineSegment* s = problem.NewLineSegment(problem.lines.Count() + 1);
    if (s == nullptr) throw std::logic_error("AddSegment: no memory");
    s->node1 = std::min(a, b);
    s->node2 = std::max(a, b);
    s->frameA = frameA;
    s->frameB = frameB;
    return *s;
}

int SegmentsAtNode(const Problem& problem, int n) {
    int count = 0;
    for (const LineSegment& s : problem.lines) count += (s.node1 == n || s.node2 == n) ? 1 : 0;
    return count;
}

}  // namespace kova::testing

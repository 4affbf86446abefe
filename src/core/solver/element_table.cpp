#include "solver/element_table.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <optional>
#include <unordered_set>
#include <utility>

#include "model/messages.hpp"
#include "model/problem.hpp"

namespace kova {

bool ElementTable::Reset(int capacity) {
    m_elements.clear();
    try {
        m_elements.reserve(static_cast<std::size_t>(std::max(capacity, 0)));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

void CheckMarks::MarkSegment(Problem& problem, LineSegment& segment) {
    errorFound = true;
    problem.selection.state = SelectType::LineErrors;
    problem.selection.items.push_back(SegmentItem(&segment));
}

void CheckMarks::MarkFrame(Problem& problem, int frame) {
    errorFound = true;
    problem.selection.state = SelectType::Frames;
    problem.selection.items.push_back(NumberItem(frame));
}

void CheckMarks::MarkNode(Problem& problem, int number) {
    errorFound = true;
    problem.selection.state = SelectType::NodeErrors;
    problem.selection.items.push_back(NumberItem(number));
}

namespace {

// The outline's corners (ax, ay) of a closed walk: whether it winds around (x, y).
// `corner(j)` gives corner j of `count`.
template <class CornerAt>
bool WindsAround(std::size_t count, const CornerAt& corner, Real x, Real y) {
    int winding = 0;
    for (std::size_t j = 0; j + 1 < count; ++j) {
        const auto [ax, ay] = corner(j);
        const auto [bx, by] = corner(j + 1);
        const Real cross = (bx - ax) * (y - ay) - (x - ax) * (by - ay);
        if (ay <= y) {
            if (by > y && cross > 0) ++winding;
        } else if (by <= y && cross < 0) {
            --winding;
        }
    }
    return winding != 0;
}

}  // namespace

bool PointInFrameOutline(const Problem& problem, int k, Real x, Real y) {
    const Frame* f = problem.FrameAt(k);
    if (f == nullptr || k == 0 || f->vertices.size() < 4) return false;
    for (const int v : f->vertices)
        if (!problem.nodes.Valid(v)) return false;
    return WindsAround(
        f->vertices.size(),
        [&](std::size_t j) {
            const Node& n = problem.nodes[f->vertices[j]];
            return std::pair<Real, Real>(n.x, n.y);
        },
        x, y);
}

int FrameContainingPoint(const Problem& problem, Real x, Real y) {
    for (int k = problem.frameCount; k >= 1; --k)
        if (PointInFrameOutline(problem, k, x, y)) return k;
    return 0;
}

namespace {

bool IsComplete(const LineSegment& s) {
    return s.elementCount >= 2 || (s.elementCount == 1 && (s.frameA == 0 || s.frameB == 0));
}

int OtherEnd(const LineSegment& s, int node) {
    return s.node1 == node ? s.node2 : s.node1;
}

// The active segments ending at each node, in list order (each segment at both ends).
struct NodeSegments {
    std::vector<std::int32_t> start;  // node n's segments are at [start[n], start[n + 1])
    std::vector<LineSegment*> segments;
    std::vector<std::int32_t> positions;  // each one's position in the segment list

    bool Build(Problem& problem) {
        const int n = problem.nodes.Count();
        try {
            start.assign(static_cast<std::size_t>(n) + 2, 0);
            for (LineSegment& s : problem.lines) {
                if (s.active == 0 || !problem.nodes.Valid(s.node1) || !problem.nodes.Valid(s.node2))
                    continue;
                ++start[static_cast<std::size_t>(s.node1) + 1];
                if (s.node2 != s.node1) ++start[static_cast<std::size_t>(s.node2) + 1];
            }
            for (int i = 1; i <= n + 1; ++i)
                start[static_cast<std::size_t>(i)] += start[static_cast<std::size_t>(i) - 1];
            segments.assign(static_cast<std::size_t>(start[static_cast<std::size_t>(n) + 1]),
                            nullptr);
            positions.assign(segments.size(), 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        std::vector<std::int32_t> fill(start.begin(), start.end() - 1);
        std::int32_t position = -1;
        for (LineSegment& s : problem.lines) {
            ++position;
            if (s.active == 0 || !problem.nodes.Valid(s.node1) || !problem.nodes.Valid(s.node2))
                continue;
            const auto put = [&](int end) {
                const auto at = static_cast<std::size_t>(fill[static_cast<std::size_t>(end)]++);
                segments[at] = &s;
                positions[at] = position;
            };
            put(s.node1);
            if (s.node2 != s.node1) put(s.node2);
        }
        return true;
    }
    std::int32_t PositionAt(LineSegment* const* p) const {
        return positions[static_cast<std::size_t>(p - segments.data())];
    }
    LineSegment* const* Begin(int node) const {
        return segments.data() + start[static_cast<std::size_t>(node)];
    }
    LineSegment* const* End(int node) const {
        return segments.data() + start[static_cast<std::size_t>(node) + 1];
    }
};

constexpr Real kFarthestCandidate = 32767;

// A segment and its position in the segment list.
struct Side {
    LineSegment* segment = nullptr;
    std::int32_t position = 0;
};

struct Candidate {
    int node = 0;
    Side sideAC;
    Side sideCB;
};

// The side of segment s (from its first node to its second) on which node c lies: 0
// where the cross product is positive, 1 where it is zero or negative.
int SideOf(const Problem& problem, const LineSegment& s, int c) {
    const Node& na = problem.nodes[s.node1];
    const Node& nb = problem.nodes[s.node2];
    const Node& nc = problem.nodes[c];
    const Real cross = (nc.y - na.y) * (nb.x - na.x) - (nb.y - na.y) * (nc.x - na.x);
    return cross > 0 ? 0 : 1;
}

// The frames' outlines as corner coordinates, gathered once for the many centroids an
// element table tests: the same walk as PointInFrameOutline, without looking up the
// outline's nodes again for every point.
class FrameOutlines {
public:
    explicit FrameOutlines(const Problem& problem)
        : m_problem(problem), m_corners(static_cast<std::size_t>(problem.frameCount) + 1) {}

    // FrameContainingPoint.
    int Containing(Real x, Real y) {
        for (int k = m_problem.frameCount; k >= 1; --k)
            if (Inside(CornersOf(k), x, y)) return k;
        return 0;
    }

private:
    using Corners = std::vector<std::pair<Real, Real>>;

    // Empty when the outline never holds a point (no frame, fewer than four vertices or
    // a vertex that is not a node).
    const Corners& CornersOf(int k) {
        std::optional<Corners>& corners = m_corners[static_cast<std::size_t>(k)];
        if (corners) return *corners;
        corners.emplace();
        const Frame* f = m_problem.FrameAt(k);
        if (f == nullptr || f->vertices.size() < 4) return *corners;
        for (const int v : f->vertices) {
            if (!m_problem.nodes.Valid(v)) {
                corners->clear();
                break;
            }
            corners->emplace_back(m_problem.nodes[v].x, m_problem.nodes[v].y);
        }
        return *corners;
    }

    static bool Inside(const Corners& corners, Real x, Real y) {
        return WindsAround(
            corners.size(), [&](std::size_t j) { return corners[j]; }, x, y);
    }

    const Problem& m_problem;
    std::vector<std::optional<Corners>> m_corners;  // by frame, once asked for
};

class ElementBuilder {
public:
    ElementBuilder(Problem& problem, ElementTable& elements)
        : m_problem(problem),
          m_elements(elements),
          m_sidesTaken(static_cast<std::size_t>(problem.lines.Count()), 0) {
        m_known.reserve(static_cast<std::size_t>(problem.nodes.Count()) * 2 + 16);
    }

    // Whether segment s has an element on the side of it where node c lies. A segment
    // borders one element on each side, so a candidate there is that element again or
    // three segments around other nodes (around a node whose three triangles a
    // reduction quartered, for one).
    bool SideTaken(const Side& s, int c) const {
        const std::uint8_t taken = m_sidesTaken[static_cast<std::size_t>(s.position)];
        return taken != 0 && (taken & (1u << SideOf(m_problem, *s.segment, c))) != 0;
    }

    // Adds triangle (a, b, c) unless it exists or lies in a lump.
    void Add(int a, int b, const Candidate& c, const Side& sideAB) {
        Element e;
        e.nodes = {a, b, c.node};
        std::sort(e.nodes.begin(), e.nodes.end());
        const std::uint64_t key = (static_cast<std::uint64_t>(e.nodes[0]) << 42) |
                                  (static_cast<std::uint64_t>(e.nodes[1]) << 21) |
                                  static_cast<std::uint64_t>(e.nodes[2]);
        if (m_known.count(key) != 0) return;
        e.sides = {sideAB.segment, c.sideAC.segment, c.sideCB.segment};
        e.frame = DecideFrame(e);
        if (!m_problem.FrameIsDistributed(e.frame)) return;  // a lump, a hole or outside
        m_known.insert(key);
        for (const Side& side : {sideAB, c.sideAC, c.sideCB}) {
            LineSegment* s = side.segment;
            ++s->elementCount;
            const int third = e.nodes[0] + e.nodes[1] + e.nodes[2] - s->node1 - s->node2;
            m_sidesTaken[static_cast<std::size_t>(side.position)] |=
                static_cast<std::uint8_t>(1u << SideOf(m_problem, *s, third));
        }
        m_elements.Add(e);
    }

private:
    // The frame fixed by the first side with one frame on both sides, provided every later
    // side agrees; otherwise the frame containing the centroid.
    int DecideFrame(const Element& e) const {
        int fixed = -1;
        bool undecided = false;
        for (const LineSegment* s : e.sides) {
            if (fixed < 0) {
                if (s->frameA == s->frameB) fixed = s->frameA;
            } else if (s->frameA != fixed || s->frameB != fixed) {
                undecided = true;
            }
        }
        if (fixed >= 0 && !undecided) return fixed;
        Real cx = 0, cy = 0;
        for (int n : e.nodes) {
            cx += m_problem.nodes[n].x;
            cy += m_problem.nodes[n].y;
        }
        return m_outlines.Containing(cx / 3, cy / 3);
    }

    Problem& m_problem;
    ElementTable& m_elements;
    mutable FrameOutlines m_outlines{m_problem};
    std::unordered_set<std::uint64_t> m_known;
    std::vector<std::uint8_t> m_sidesTaken;  // by list position, a bit per side
};

}  // namespace

bool BuildElements(Problem& problem, ElementTable& elements, CheckMarks& marks) {
    // 1. A fresh table with room for twice as many elements as nodes.
    const int nodeCount = problem.nodes.Count();
    if (!elements.Reset(2 * nodeCount)) {
        problem.reporter().ShowError(GetMessage(MessageId::InsufficientMemory));
        return false;
    }
    // 2. The segments at every node.
    NodeSegments at;
    if (!at.Build(problem)) {
        problem.reporter().ShowError(GetMessage(MessageId::InsufficientMemory));
        return false;
    }
    ElementBuilder builder(problem, elements);

    // 3. Each incomplete segment looks for the third nodes of its elements.
    std::vector<Candidate> candidates;
    std::int32_t position = -1;
    for (LineSegment& ab : problem.lines) {
        ++position;
        const Side sideAB{&ab, position};
        if (ab.active == 0 || IsComplete(ab)) continue;
        const int a = ab.node1;
        const int b = ab.node2;
        if (!problem.nodes.Valid(a) || !problem.nodes.Valid(b) || a == b) continue;
        candidates.clear();
        bool onTakenSide = false;  // candidates left out: a side that has its element
        for (LineSegment* const* p = at.Begin(a); p != at.End(a); ++p) {
            LineSegment* ac = *p;
            if (ac == &ab || IsComplete(*ac)) continue;
            const int c = OtherEnd(*ac, a);
            if (c == a || c == b) continue;
            for (LineSegment* const* q = at.Begin(c); q != at.End(c); ++q) {
                LineSegment* cb = *q;
                if (cb->elementCount >= 2 || OtherEnd(*cb, c) != b) continue;
                if (problem.nodes[c].active == 0) continue;
                if (builder.SideTaken(sideAB, c)) {
                    onTakenSide = true;
                    continue;
                }
                candidates.push_back({c, {ac, at.PositionAt(p)}, {cb, at.PositionAt(q)}});
            }
        }
        if (candidates.empty()) {
            // Only candidates beside an element the segment has: its other element may
            // still come from another segment (step 5 marks it when none does).
            if (onTakenSide) continue;
            if (problem.FrameIsDistributed(ab.frameA) && problem.FrameIsDistributed(ab.frameB))
                marks.MarkSegment(problem, ab);
            continue;
        }
        if (candidates.size() == 1) {
            builder.Add(a, b, candidates[0], sideAB);
            continue;
        }
        // Several: the nearest candidate (by |ac| + |bc|) on each side of the line a-b.
        const Node& na = problem.nodes[a];
        const Node& nb = problem.nodes[b];
        const Candidate* best[2] = {nullptr, nullptr};
        // A candidate farther than 32767 drawing units in all never closes a triangle.
        Real bestSum[2] = {kFarthestCandidate, kFarthestCandidate};
        for (const Candidate& c : candidates) {
            const Node& nc = problem.nodes[c.node];
            const Real cross = (nc.y - na.y) * (nb.x - na.x) - (nb.y - na.y) * (nc.x - na.x);
            const int side = cross > 0 ? 0 : 1;
            const Real sum =
                std::hypot(nc.x - na.x, nc.y - na.y) + std::hypot(nc.x - nb.x, nc.y - nb.y);
            if (sum < bestSum[side]) {
                bestSum[side] = sum;
                best[side] = &c;
            }
        }
        for (const Candidate* c : best)
            if (c != nullptr) builder.Add(a, b, *c, sideAB);
    }

    // 5. Segments that still lack their elements.
    for (LineSegment& s : problem.lines) {
        if (s.active == 0 || s.node1 == s.node2) continue;
        if (!problem.ValidFrame(s.frameA)) s.frameA = 0;
        if (!problem.ValidFrame(s.frameB)) s.frameB = 0;
        const bool distA = problem.FrameIsDistributed(s.frameA);
        const bool distB = problem.FrameIsDistributed(s.frameB);
        if (distA && distB && s.elementCount != 2) {
            marks.MarkSegment(problem, s);
        } else if (((distA && s.frameB == 0) || (distB && s.frameA == 0)) && s.elementCount == 0) {
            marks.MarkSegment(problem, s);
        }
    }
    return true;
}

}  // namespace kova

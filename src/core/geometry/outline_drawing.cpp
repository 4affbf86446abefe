#include "geometry/outline_drawing.hpp"

#include <algorithm>
#include <cmath>
#include <exception>
#include <numbers>
#include <optional>
#include <string>
#include <utility>

#include "geometry/crossing_guard.hpp"
#include "geometry/deletion.hpp"
#include "geometry/frame_rebuild.hpp"
#include "geometry/primitives.hpp"
#include "model/messages.hpp"

namespace kova {
namespace {

constexpr const char* kCrossingOutlines = "Execution of this command results in crossing outlines.";

// A click within this many pixels (|dx| + |dy|, rounded) of the previous corner draws
// no edge worth testing for crossings.
constexpr long long kTinyEdge = 6;

Frame& FrameRef(Problem& problem, int k) {
    return problem.frames[k];
}

bool Contains(const std::vector<int>& list, int n) {
    return std::find(list.begin(), list.end(), n) != list.end();
}

void ClearSpecs(LineSegment& s) {
    s.valueSpec = s.fluxSpec = s.transferSpec = s.ambientSpec = 0;
}

// Gives the new frame c the side of a segment of its outline that faced the enclosing
// frame f; a segment made just now (sides unassigned) gets c and f.
void AssignSides(LineSegment& s, int c, int f) {
    if (s.frameA < 0 && s.frameB < 0) {
        s.frameA = c;
        s.frameB = f;
    } else if (s.frameA == f) {
        s.frameA = c;
    } else if (s.frameB == f) {
        s.frameB = c;
    }
}

// Whether segment s is an edge of the outline c being drawn through `vertices`: it has
// c on a side, or it joins two consecutive vertices (an existing segment the outline
// followed before its enclosing frame was known keeps its old sides until then).
bool OwnEdge(const LineSegment* s, int c, const std::vector<int>& vertices) {
    if (s == nullptr) return false;
    if (s->frameA == c || s->frameB == c) return true;
    for (std::size_t j = 1; j < vertices.size(); ++j)
        if (std::min(vertices[j - 1], vertices[j]) == s->node1 &&
            std::max(vertices[j - 1], vertices[j]) == s->node2)
            return true;
    return false;
}

// Inserts node k into the segment it lies on, unless that segment is an edge of the
// outline c being drawn: a corner of the outline never splits the outline itself (a
// clicked node may lie within the split distance of one of the outline's own edges).
void SplitAtCorner(Problem& problem, int k, int c, const std::vector<int>& vertices) {
    if (!problem.nodes.Valid(k)) return;
    const LineSegment* under =
        FindSegmentThrough(problem, problem.nodes[k].x, problem.nodes[k].y, k).segment;
    if (under == nullptr || OwnEdge(under, c, vertices)) return;
    SplitSegmentAtNode(problem, k, c);
}

// Whether a new node at (x, y) would lie on an element line that is not split there
// (element lines are split only while they are shown): an outline corner there would
// leave the line running through the new frame.
bool OnHiddenElementLine(Problem& problem, Real x, Real y) {
    if (problem.settings.displayElementLines) return false;
    for (const LineSegment& s : problem.lines)
        if (s.frameA == s.frameB && PointNearSegment(problem, s, x, y).near) return true;
    return false;
}

// The edges of a vertex list as ordered node pairs.
std::vector<std::pair<int, int>> EdgesOf(const std::vector<int>& vertices) {
    std::vector<std::pair<int, int>> edges;
    for (std::size_t j = 1; j < vertices.size(); ++j)
        edges.emplace_back(std::min(vertices[j - 1], vertices[j]),
                           std::max(vertices[j - 1], vertices[j]));
    return edges;
}

bool IsEdge(const std::vector<std::pair<int, int>>& edges, const LineSegment& s) {
    return std::find(edges.begin(), edges.end(), std::pair<int, int>{s.node1, s.node2}) !=
           edges.end();
}

// Frames that the new frame c encloses still name the frame outside c on their outer
// segments; they border c now. Segments on c's own outline stay as they are: their
// outer side lies outside c.
void AdoptEnclosedFrames(Problem& problem, int c, const std::vector<int>& vertices) {
    std::vector<bool> inside(static_cast<std::size_t>(problem.frameCount) + 1, false);
    for (int i = 1; i <= problem.frameCount; ++i) {
        if (i == c) continue;
        const std::vector<int> holders = FramesHolding(problem, i);
        inside[static_cast<std::size_t>(i)] = Contains(holders, c);
    }
    const auto edges = EdgesOf(vertices);
    for (LineSegment& s : problem.lines) {
        if (IsEdge(edges, s)) continue;
        for (auto [mine, other] : {std::pair{&s.frameA, &s.frameB}, {&s.frameB, &s.frameA}}) {
            const int i = *mine, o = *other;
            if (i < 1 || i > problem.frameCount || !inside[static_cast<std::size_t>(i)]) continue;
            if (o == c || o == i) continue;
            if (o >= 1 && o <= problem.frameCount && inside[static_cast<std::size_t>(o)]) continue;
            *other = c;
        }
    }
}

// An edge of the outline shared with a frame that the new frame c encloses (drawn
// round that frame along one of its edges): c lies on that frame's side, so it does
// not border the edge, which keeps that frame and gets the frame outside c on its other
// side. c's outline is walked again afterwards, round the enclosed frame.
void ReturnEnclosedEdges(Problem& problem, int c, const std::vector<int>& vertices) {
    const int outside = EnclosingFrame(problem, c);
    for (const auto& [a, b] : EdgesOf(vertices)) {
        LineSegment* s = FindSegment(problem, a, b);
        if (s == nullptr || (s->frameA == c) == (s->frameB == c)) continue;
        std::int32_t& mine = s->frameA == c ? s->frameA : s->frameB;
        const int other = s->frameA == c ? s->frameB : s->frameA;
        if (other < 1 || !Contains(FramesHolding(problem, other), c)) continue;
        mine = outside;
    }
}

void PlaceLabel(Problem& problem, int c) {
    Frame& frame = FrameRef(problem, c);
    const auto& v = frame.vertices;
    if (v.size() < 2) return;
    Real sx = 0, sy = 0;
    for (std::size_t j = 1; j < v.size(); ++j) {
        sx += problem.nodes[v[j]].x;
        sy += problem.nodes[v[j]].y;
    }
    const Real n = static_cast<Real>(v.size() - 1);
    const Real mx = static_cast<Real>(RoundHalfEven(sx / n));
    const Real my = static_cast<Real>(RoundHalfEven(sy / n));
    if (PointInFrame(problem, c, mx, my)) {
        frame.labelX = static_cast<std::int32_t>(mx);
        frame.labelY = static_cast<std::int32_t>(my);
        return;
    }
    // A concave outline whose corners average outside it: a point just inside one of
    // its edges, so that the label never names another frame's area.
    for (std::size_t j = 0; j + 1 < v.size(); ++j) {
        const LineSegment* s = FindSegment(problem, v[j], v[j + 1]);
        if (s == nullptr) continue;
        const TestPointPair t = TestPoints(problem, *s, kProbeDistance);
        for (const auto& [x, y] : {std::pair{t.x1, t.y1}, {t.x2, t.y2}}) {
            if (FrameAtPoint(problem, x, y) == c) {
                frame.labelX = static_cast<std::int32_t>(RoundHalfEven(x));
                frame.labelY = static_cast<std::int32_t>(RoundHalfEven(y));
                return;
            }
        }
    }
}

}  // namespace

// The free-form outline in progress.
class FreeFormOutline {
public:
    FreeFormOutline(Problem& problem, int c) : m_problem(problem), m_c(c) {}

    enum class Step { Placed, Refused, Closed, Cancelled };

    // Places the first corner: Placed, Refused (a new node whose split would make the
    // halves cross another segment; nothing is kept and the next click is the first
    // corner), or Cancelled when no node could be had.
    Step Start(ClickPoint click) {
        Real x = click.x, y = click.y;
        int k = FindNodeNear(m_problem, x, y, kFirstCornerSnap);
        if (k == 0) {
            if (OnHiddenElementLine(m_problem, x, y)) return Step::Cancelled;
            const GeometryCheckpoint before(m_problem);
            k = m_problem.AddNode(x, y);
            if (k == 0) return Step::Cancelled;
            if (SplitSegmentAtNode(m_problem, k) && ClashAtNodes(m_problem, {k})) {
                before.Restore(m_problem);
                return Refuse();
            }
        }
        m_list.push_back(k);
        return Step::Placed;
    }

    Step Corner(ClickPoint click);

    const std::vector<int>& Vertices() const { return m_list; }
    const std::string& Message() const { return m_message; }

private:
    Step Refuse() {
        ShowRuleHint(m_problem.reporter(), MessageId::InvalidNodePosition);
        m_message = GetMessage(MessageId::InvalidNodePosition);
        return Step::Refused;
    }

    Problem& m_problem;
    int m_c;
    std::optional<int> m_f;  // the enclosing frame, once settled
    bool m_pairKnown = false;
    int m_pairA = 0, m_pairB = 0;
    std::vector<int> m_list;
    std::string m_message;
};

FreeFormOutline::Step FreeFormOutline::Corner(ClickPoint click) {
    Problem& p = m_problem;
    Real x = click.x, y = click.y;
    const int prev = m_list.back();
    const Real px = p.nodes[prev].x, py = p.nodes[prev].y;

    int k = FindNodeNear(p, x, y, kCornerSnap);
    LineSegment* along = k > 0 && k != prev ? FindSegment(p, prev, k) : nullptr;
    std::optional<int> f = m_f;
    bool pairKnown = m_pairKnown;
    int pairA = m_pairA, pairB = m_pairB;

    if (along != nullptr) {
        // The new edge follows an existing segment; its sides settle the enclosing frame.
        const int a = along->frameA, b = along->frameB;
        if (!f) {
            if (a == b) {
                f = a;
            } else if (!pairKnown) {
                pairKnown = true;
                pairA = a;
                pairB = b;
            } else if (a != pairA && a != pairB) {
                f = b;
            } else if (b != pairA && b != pairB) {
                f = a;
            }
        }
        if (f && a != *f && b != *f && *f != 0 && a != 0 && b != 0) return Refuse();
    } else {
        const long long manhattan =
            std::llabs(RoundHalfEven(x - px)) + std::llabs(RoundHalfEven(y - py));
        if (manhattan > kTinyEdge) {
            // An edge to a clicked node ends at that node: moving its end onto a segment
            // the node lies close to would test another edge than the one made.
            const CrossingResult crossing = CrossingCheck(p, nullptr, px, py, x, y, k == 0);
            if (!crossing.pass) return Refuse();
            x = crossing.xe;
            y = crossing.ye;
            // Moved onto a segment, the corner may now lie at one of its nodes.
            if (k == 0 && crossing.endSegment != nullptr) {
                k = FindNodeNear(p, x, y, kCornerSnap);
                if (k == prev) return Refuse();
                if (k != 0 && FindSegment(p, prev, k) != nullptr) return Refuse();
            }
            const LineSegment* end = crossing.endSegment;
            if (k == 0 && OwnEdge(end, m_c, m_list)) return Refuse();
        }
        // A new corner on an edge of this outline would split that edge and fold the
        // outline onto itself; this also holds for a corner too close to the previous
        // one for the crossing test, and for one the end snap just missed.
        if (k == 0) {
            const LineSegment* under = FindSegmentThrough(p, x, y, 0).segment;
            if (OwnEdge(under, m_c, m_list)) return Refuse();
            if (OnHiddenElementLine(p, x, y)) return Refuse();
        }
    }
    if (k > 0 && k != m_list.front() && Contains(m_list, k)) return Refuse();
    if (along == nullptr) {
        const int u = FramesAtPoint(p, (px + x) / 2, (py + y) / 2).first;
        if (!f) {
            f = u;
        } else if (u != *f) {
            // The edge's midpoint lies in another frame (or outside the enclosing one):
            // the edge passes through a vertex on that frame's edge into it.
            return Refuse();
        }
    }
    // The working list holds at most as many vertices as there may be nodes; only the
    // closing corner fits in its last place.
    const bool closing = k != 0 && k == m_list.front();
    if (!closing && m_list.size() + 1 >= static_cast<std::size_t>(kNodeLimit)) {
        m_message = GetMessage(MessageId::NodeLimit);
        p.reporter().ShowError(m_message);
        return Step::Refused;
    }

    // A valid corner, as far as the rounded tests tell.
    if (m_list.size() == 2 && k == m_list.front()) return Step::Cancelled;
    const GeometryCheckpoint before(p);
    if (k == 0) {
        k = p.AddNode(x, y);
        if (k == 0) return Step::Cancelled;
    }
    LineSegment* s = FindOrCreateSegment(p, prev, k, false);
    if (s == nullptr) return Step::Cancelled;
    const bool made = s->frameA < 0 && s->frameB < 0;
    // A followed segment gets the new frame on one side once the enclosing frame is
    // known; until then it keeps its sides and the closing outline probes them.
    if (made || f) AssignSides(*s, m_c, f.value_or(0));
    ClearSpecs(*s);
    if (p.settings.cylindrical && NodeOnAxis(p, prev) && NodeOnAxis(p, k))
        s->fluxSpec = FindOrAddSpecValue(p, kSpecFlux, 0);
    SplitAtCorner(p, k, m_c, m_list);
    // The rounded tests let an edge meet a segment within a few pixels of its ends,
    // and a split moves the corner onto the rounded projection: on the stored
    // positions the new edge, or the halves of a split segment, may cross another
    // segment by less than a pixel. Such a corner is refused with nothing kept.
    if (ClashAtNodes(p, {k})) {
        before.Restore(p);
        return Refuse();
    }
    m_f = f;
    m_pairKnown = pairKnown;
    m_pairA = pairA;
    m_pairB = pairB;
    m_list.push_back(k);
    if (k == m_list.front() && m_list.size() > 2) return Step::Closed;
    return Step::Placed;
}

namespace {

// The start node of a closed free-form outline: the first vertex that starts no other
// frame's outline, else the last vertex.
int FreeStartNode(const Problem& problem, const std::vector<int>& list) {
    for (const int v : list) {
        bool starts = false;
        for (int k = 1; k <= problem.frameCount && !starts; ++k)
            starts = problem.frames[k].outlineStart == v;
        if (!starts) return v;
    }
    return list.back();
}

}  // namespace

FreeFormOutlineDrawing::FreeFormOutlineDrawing(Problem& problem)
    : m_problem(problem),
      m_c(problem.frameCount + 1),
      m_outline(std::make_unique<FreeFormOutline>(problem, m_c)) {}

FreeFormOutlineDrawing::~FreeFormOutlineDrawing() = default;

const std::vector<int>& FreeFormOutlineDrawing::Vertices() const {
    return m_outline->Vertices();
}

const std::string& FreeFormOutlineDrawing::Message() const {
    return m_outline->Message();
}

ClickStep FreeFormOutlineDrawing::Click(ClickPoint click) {
    if (m_over) return ClickStep::Ended;
    Problem& p = m_problem;
    KeepRightOfAxis(p, click.x);
    if (!m_started) {
        // A click above the drawing cancels while the first corner is awaited.
        if (click.y < 0) {
            m_result = EditResult{};
            m_over = true;
            return ClickStep::Ended;
        }
        if (!m_marked) p.MarkProblemChanged();
        m_marked = true;
        const auto step = m_outline->Start(click);
        if (step == FreeFormOutline::Step::Cancelled) {
            m_result = EditResult{};
            m_over = true;
            return ClickStep::Ended;
        }
        if (step == FreeFormOutline::Step::Refused) return ClickStep::Refused;
        m_started = true;
        p.reporter().ShowStatusText(GetMessage(MessageId::ClickOnCorner), StatusPanel::Info);
        return ClickStep::Placed;
    }
    click.y = std::max<Real>(click.y, 0);
    const auto step = m_outline->Corner(click);
    if (step == FreeFormOutline::Step::Cancelled) {
        Cancel();
        return ClickStep::Ended;
    }
    if (step == FreeFormOutline::Step::Refused) return ClickStep::Refused;
    if (step == FreeFormOutline::Step::Placed) return ClickStep::Placed;
    m_over = true;
    const std::vector<int>& list = m_outline->Vertices();
    m_result = EditResult{};
    m_result.frame = CloseOutline(p, list, FreeStartNode(p, list), m_c);
    if (m_result.frame == kOutlineCutsFrameApart) {
        m_result.frame = 0;
        ClearSelection(p);
        m_result.putBack = true;
        ShowRuleHint(p.reporter(), MessageId::InvalidNodePosition);
        m_result.message = GetMessage(MessageId::InvalidNodePosition);
        return ClickStep::Closed;
    }
    m_result.ok = m_result.frame != 0;
    return ClickStep::Closed;
}

const EditResult& FreeFormOutlineDrawing::Cancel() {
    if (m_over) return m_result;
    m_over = true;
    m_result = EditResult{};
    m_result.message = Message();
    // Nothing of a cancelled outline stays: besides its own edges, its corners may have
    // split segments of other outlines, and those splits would be left behind.
    m_result.putBack = m_started;
    return m_result;
}

EditResult RunFreeFormOutline(Problem& problem, const std::vector<ClickPoint>& corners) {
    FreeFormOutlineDrawing drawing(problem);
    for (const ClickPoint& click : corners) {
        drawing.Click(click);
        if (drawing.Over()) return drawing.Result();
    }
    return drawing.Cancel();
}

namespace {

ClickPoint ArcPoint(Real cx, Real cy, Real r, Real angle) {
    return {cx + r * std::cos(angle), cy + r * std::sin(angle)};
}

// The circular outline; returns the message of a failure that undoes the command, or
// nothing after success.
class CircularOutline {
public:
    CircularOutline(Problem& problem, int c) : m_problem(problem), m_c(c) {}

    // A node at the point: the nearest node within 12 pixels, else a new one (-1 when
    // it would lie on a hidden element line, which it could not split). In a
    // cylindrical problem a point left of the axis is moved onto it, as a click is, so
    // that no node gets a negative radius.
    int Place(ClickPoint point, bool split) {
        Real x = point.x, y = point.y;
        KeepRightOfAxis(m_problem, x);
        int k = FindNodeNear(m_problem, x, y, kFirstCornerSnap);
        if (k == 0) {
            if (OnHiddenElementLine(m_problem, x, y)) return -1;
            k = m_problem.AddNode(x, y);
            if (k != 0 && split) SplitSegmentAtNode(m_problem, k);
        }
        return k;
    }

    // The edge from `from` to `to`, with its crossing test and sides; false when it
    // crosses another segment (`crossing`) or cannot be made.
    bool Edge(int from, int to, bool& crossing) {
        Problem& p = m_problem;
        crossing = false;
        if (from == 0 || to == 0 || from == to) return false;
        // A new edge lies in the enclosing frame, which its midpoint tells; probing its
        // sides at 3 pixels would find a frame whose corner it merely passes close to.
        // An existing edge keeps the sides it has.
        const bool existed = FindSegment(p, from, to) != nullptr;
        LineSegment* s = FindOrCreateSegment(p, from, to, false);
        if (s == nullptr) return false;
        const CrossingResult check = CrossingCheck(p, s, p.nodes[from].x, p.nodes[from].y,
                                                   p.nodes[to].x, p.nodes[to].y, false);
        if (m_f < 0) {
            m_f = existed ? (s->frameA > 0 ? s->frameA : s->frameB)
                          : FramesAtPoint(p, (p.nodes[from].x + p.nodes[to].x) / 2,
                                          (p.nodes[from].y + p.nodes[to].y) / 2)
                                .first;
        }
        if (!check.pass || (!existed && LeavesEnclosingFrame(from, to))) {
            crossing = true;
            return false;
        }
        AssignSides(*s, m_c, m_f);
        ClearSpecs(*s);
        return true;
    }

    // The closing edge that CloseOutline makes: tested for crossings here, unless it is
    // an existing segment the outline shares.
    bool ClosingEdgeCrosses(int from, int to) {
        Problem& p = m_problem;
        if (FindSegment(p, from, to) != nullptr) return false;
        return !CrossingCheck(p, nullptr, p.nodes[from].x, p.nodes[from].y, p.nodes[to].x,
                              p.nodes[to].y, false)
                    .pass ||
               LeavesEnclosingFrame(from, to);
    }

private:
    // A new edge through a vertex that lies on another frame's edge crosses no segment,
    // but its midpoint then lies in another frame than the enclosing one.
    bool LeavesEnclosingFrame(int from, int to) {
        Problem& p = m_problem;
        const Real mx = (p.nodes[from].x + p.nodes[to].x) / 2;
        const Real my = (p.nodes[from].y + p.nodes[to].y) / 2;
        return m_f >= 0 && FramesAtPoint(p, mx, my).first != m_f;
    }

    Problem& m_problem;
    int m_c;
    int m_f = -1;  // the enclosing frame; -1 until the first edge settles it
};

// Refuses a circular outline, says why, and leaves the problem for the caller to put back.
EditResult RefuseCircular(Problem& problem, const std::string& message) {
    EditResult result;
    result.message = message;
    problem.reporter().ShowError(message);
    ClearSelection(problem);
    result.putBack = true;
    return result;
}

}  // namespace

EditResult RunCircularOutline(Problem& problem, int cType, int n, Real diameter, Real cx, Real cy) {
    constexpr Real kPi = std::numbers::pi_v<Real>;
    problem.MarkProblemChanged();
    const int c = problem.frameCount + 1;
    const Real r = diameter / 2;
    const bool quarter = cType >= kFirstQuarterCircle;
    const int orientation = cType == kCircle ? 0 : (cType - 1) % 4;
    const Real start = orientation * kPi / 2;
    const Real share = cType == kCircle ? 1.0L : quarter ? 0.25L : 0.5L;

    CircularOutline outline(problem, c);
    std::vector<int> list;
    bool crossing = false;
    const std::string tooSmall = GetMessage(MessageId::InvalidNodePosition);
    if (quarter) list.push_back(outline.Place({cx, cy}, true));
    list.push_back(outline.Place(ArcPoint(cx, cy, r, start), true));
    if (Contains(list, -1)) return RefuseCircular(problem, kCrossingOutlines);
    if (Contains(list, 0))
        return RefuseCircular(problem, GetMessage(MessageId::InsufficientMemory));
    if (quarter && !outline.Edge(list[0], list[1], crossing))
        return RefuseCircular(problem, crossing ? kCrossingOutlines : tooSmall);
    for (int j = 1; j <= n; ++j) {
        int k;
        if (cType == kCircle && j == n) {
            k = list.front();  // the last point of a circle is its first
        } else {
            k = outline.Place(ArcPoint(cx, cy, r, start + j * (2 * kPi / n) * share), false);
            // Points so close that they share a node cannot make an outline.
            if (k < 0) return RefuseCircular(problem, kCrossingOutlines);
            if (k == 0 || Contains(list, k)) return RefuseCircular(problem, tooSmall);
        }
        const int prev = list.back();
        list.push_back(k);
        if (!outline.Edge(prev, k, crossing))
            return RefuseCircular(problem, crossing ? kCrossingOutlines : tooSmall);
        SplitAtCorner(problem, k, c, list);
    }
    if (cType != kCircle) {
        if (outline.ClosingEdgeCrosses(list.back(), list.front()))
            return RefuseCircular(problem, kCrossingOutlines);
        list.push_back(list.front());
    }
    // The rounded crossing test lets an edge meet a segment near its ends, and splits
    // move points onto rounded projections: on the stored positions an edge or a split
    // segment's halves may still cross another segment.
    if (ClashAtNodes(problem, list) ||
        (FindSegment(problem, list[list.size() - 2], list.back()) == nullptr &&
         EdgeClashes(problem, list[list.size() - 2], list.back())))
        return RefuseCircular(problem, kCrossingOutlines);
    EditResult result;
    result.frame = CloseOutline(problem, list, list.front(), c);
    if (result.frame == kOutlineCutsFrameApart) return RefuseCircular(problem, tooSmall);
    result.ok = result.frame != 0;
    return result;
}

ClickPoint LockedEndPoint(Real x0, Real y0, Real x, Real y) {
    const Real dx = x - x0, dy = y - y0;
    if (2 * std::fabs(dy) < std::fabs(dx)) return {x, y0};
    if (2 * std::fabs(dx) < std::fabs(dy)) return {x0, y};
    const Real sign = dx * dy < 0 ? -1.0L : 1.0L;
    return {x, y0 + sign * (x - x0)};
}

// Closes the outline as frame c: its number, 0 when nothing was made, or
// kOutlineCutsFrameApart (the model then needs restoring).
int CloseOutline(Problem& problem, const std::vector<int>& vertices, int startNode, int c) {
    // Corners placed on the edges of other frames split them; those frames' vertex
    // lists take the new nodes before the geometry is rebuilt.
    RefreshSplitOutlines(problem);
    Frame& frame = FrameRef(problem, c);
    frame = Frame{};
    frame.outlineStart = startNode;
    frame.vertices.assign(vertices.begin(), vertices.end());
    problem.frameCount = c;
    RebuildFrameGeometry(problem, c, true);

    if (frame.area == 0 || frame.region.Empty()) {
        problem.selection.items.assign(1, SelectRec{c, nullptr});
        problem.selection.state = SelectType::Frames;
        DeleteSelectedItems(problem);
        return 0;
    }
    // Missing edges (a circular outline's closing diameter or radius) lie between the
    // new frame and the frame around it; probing their sides 3 pixels away could find
    // a frame whose corner merely lies close by. Existing edges that do not name the
    // new frame yet are probed.
    const int outside = EnclosingFrame(problem, c);
    for (std::size_t j = 1; j < vertices.size(); ++j) {
        const bool existed = FindSegment(problem, vertices[j - 1], vertices[j]) != nullptr;
        LineSegment* s = FindOrCreateSegment(problem, vertices[j - 1], vertices[j], false);
        if (s == nullptr) continue;
        if (!existed) {
            s->frameA = c;
            s->frameB = outside;
        } else if (s->frameA != c && s->frameB != c) {
            FindOrCreateSegment(problem, vertices[j - 1], vertices[j], true);
        }
    }
    ReturnEnclosedEdges(problem, c, vertices);
    AdoptEnclosedFrames(problem, c, vertices);
    frame.material = 0;
    frame.type = FrameType::Distributed;
    problem.selection.items.assign(1, SelectRec{c, nullptr});
    problem.selection.state = SelectType::Frames;

    // The enclosing frame's edges that the new outline took over (sides probed just
    // now) leave it with another outline: walk it again. A frame left with no outline
    // of its own (the new one retraced it) is deleted; the new frame's number follows
    // in the selection.
    RefreshSplitOutlines(problem);
    // An outline that cuts a frame into parts with no common node leaves that frame
    // with two loops that one vertex list cannot describe: one part would be on no
    // outline. Such an outline is refused; the caller puts the model back.
    const std::vector<bool> stray = FramesWithStrayBoundary(problem);
    if (std::find(stray.begin(), stray.end(), true) != stray.end()) return kOutlineCutsFrameApart;
    bool broken = false;
    for (int k = 1; k <= problem.frameCount && !broken; ++k)
        broken = !OutlineClosedBySegments(problem, k);
    if (broken) SettleFrames(problem);
    const Selection& sel = problem.selection;
    const int made = sel.state == SelectType::Frames && sel.items.size() == 1 &&
                             problem.ValidFrame(sel.items.front().selectNo)
                         ? sel.items.front().selectNo
                         : 0;
    if (made == 0) ClearSelection(problem);
    if (made != 0) PlaceLabel(problem, made);
    problem.ClassifyNodes();
    return made;
}

}  // namespace kova

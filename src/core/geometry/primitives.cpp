#include "geometry/primitives.hpp"

#include <algorithm>
#include <cmath>

#include "geometry/region.hpp"
#include "model/messages.hpp"

namespace kova {
namespace {

bool EndsValid(const Problem& problem, const LineSegment& s) {
    return problem.nodes.Valid(s.node1) && problem.nodes.Valid(s.node2);
}

// The bounding box of two pixel points, widened by `margin` on every side.
IntRect BoxOf(PixelPoint a, PixelPoint b, std::int32_t margin) {
    return {std::min(a.x, b.x) - margin, std::min(a.y, b.y) - margin, std::max(a.x, b.x) + margin,
            std::max(a.y, b.y) + margin};
}

bool BoxesMeet(const IntRect& a, const IntRect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

Real Squared(Real v) {
    return v * v;
}

// Where the lines through s-e and a-b meet; the caller knows they are not parallel.
void Intersection(PixelPoint s, PixelPoint e, PixelPoint a, PixelPoint b, Real& x, Real& y) {
    const Real dx1 = e.x - s.x, dy1 = e.y - s.y;
    const Real dx2 = b.x - a.x, dy2 = b.y - a.y;
    const Real denom = dx1 * dy2 - dy1 * dx2;
    const Real t = ((a.x - s.x) * dy2 - (a.y - s.y) * dx2) / denom;
    x = s.x + t * dx1;
    y = s.y + t * dy1;
}

// The common point of two segments that touch: an end of one lying on the other.
PixelPoint TouchPoint(PixelPoint s, PixelPoint e, PixelPoint a, PixelPoint b) {
    if (OnSegment(a, s, e)) return a;
    if (OnSegment(b, s, e)) return b;
    if (OnSegment(s, a, b)) return s;
    return e;
}

// Whether segment a-b runs within one pixel of the edge s-e over more than one pixel of
// the edge's length.
bool RunsAlong(PixelPoint s, PixelPoint e, PixelPoint a, PixelPoint b) {
    const Real ex = e.x - s.x, ey = e.y - s.y;
    const Real length = std::sqrt(ex * ex + ey * ey);
    if (!(length > 0)) return false;
    const Real ux = ex / length, uy = ey / length;
    const Real ta = (a.x - s.x) * ux + (a.y - s.y) * uy;
    const Real tb = (b.x - s.x) * ux + (b.y - s.y) * uy;
    if (ta == tb) return false;
    const Real da = ux * (a.y - s.y) - uy * (a.x - s.x);
    const Real db = ux * (b.y - s.y) - uy * (b.x - s.x);
    const Real lo = std::max<Real>(0, std::min(ta, tb));
    const Real hi = std::min(length, std::max(ta, tb));
    if (hi - lo <= 1) return false;
    auto lateral = [&](Real t) { return da + (db - da) * (t - ta) / (tb - ta); };
    return std::fabs(lateral(lo)) <= 1 && std::fabs(lateral(hi)) <= 1;
}

}  // namespace

bool Between(Real v, Real a, Real b, Real tolerance) {
    return std::fabs(v - a) + std::fabs(v - b) - std::fabs(a - b) < tolerance;
}

int FindNodeNear(const Problem& problem, Real& x, Real& y, Real radius) {
    const int n = problem.nodes.Count();
    int found = 0;
    if (radius <= 0) {
        for (int i = n; i >= 1; --i) {
            const Node& node = problem.nodes[i];
            if (std::fabs(node.x - x) < 1e-4L && std::fabs(node.y - y) < 1e-4L) {
                found = i;
                break;
            }
        }
    } else {
        Real best = 0;
        for (int i = n; i >= 1; --i) {
            const Node& node = problem.nodes[i];
            const Real d2 = Squared(node.x - x) + Squared(node.y - y);
            if (found == 0 || d2 <= best) {  // a later (lower) node wins a tie
                best = d2;
                found = i;
            }
            if (d2 < 1) break;
        }
        if (found != 0 && !(best < radius * radius)) found = 0;
    }
    if (found != 0) {
        x = problem.nodes[found].x;
        y = problem.nodes[found].y;
    }
    return found;
}

const LineSegment* FindSegment(const Problem& problem, int a, int b) {
    if (a == b) return nullptr;
    const int lo = std::min(a, b), hi = std::max(a, b);
    for (const LineSegment& s : problem.lines)
        if (s.node1 == lo && s.node2 == hi) return &s;
    return nullptr;
}

LineSegment* FindSegment(Problem& problem, int a, int b) {
    return const_cast<LineSegment*>(FindSegment(static_cast<const Problem&>(problem), a, b));
}

NearSegmentResult PointNearSegment(const Problem& problem, const LineSegment& segment, Real x,
                                   Real y) {
    NearSegmentResult r{false, x, y};
    if (!EndsValid(problem, segment)) return r;
    const Node& n1 = problem.nodes[segment.node1];
    const Node& n2 = problem.nodes[segment.node2];
    const Real x1 = RoundPixel(n1.x), y1 = RoundPixel(n1.y);
    const Real x2 = RoundPixel(n2.x), y2 = RoundPixel(n2.y);
    if (!Between(x, x1, x2) || !Between(y, y1, y2)) return r;
    if (std::fabs(x2 - x1) < 5) {
        r.px = (n1.x + n2.x) / 2;
        r.py = y;
    } else if (std::fabs(y2 - y1) < 5) {
        r.px = x;
        r.py = (n1.y + n2.y) / 2;
    } else {
        // The foot of the perpendicular, rounded. Its y comes from the unrounded x:
        // from the rounded x, a shallow slope would magnify the rounding by 1/m and
        // throw the projection of a point lying on the segment pixels away from it.
        const Real m = (n2.y - n1.y) / (n2.x - n1.x);
        const Real footX = (y - y1 + x / m + m * x1) / (m + 1 / m);
        r.px = RoundPixel(footX);
        r.py = RoundPixel(y - (footX - x) / m);
    }
    r.near = Squared(r.px - x) + Squared(r.py - y) < 25 && Between(r.px, x1, x2);
    return r;
}

SegmentThroughResult FindSegmentThrough(Problem& problem, Real x, Real y, int k) {
    SegmentThroughResult best;
    long long bestDistance = 0;
    const bool elementLinesShown = problem.settings.displayElementLines;
    for (LineSegment& s : problem.lines) {
        if (s.active != 1 || s.node1 == k || s.node2 == k) continue;
        if (s.frameA == s.frameB && !elementLinesShown) continue;
        const NearSegmentResult near = PointNearSegment(problem, s, x, y);
        if (!near.near) continue;
        const long long dx = RoundPixel(near.px - x);
        const long long dy = RoundPixel(near.py - y);
        const long long d2 = dx * dx + dy * dy;
        if (best.segment == nullptr || d2 < bestDistance) {
            best = {&s, near.px, near.py};
            bestDistance = d2;
        }
    }
    return best;
}

TestPointPair TestPoints(const Problem& problem, const LineSegment& segment, Real d, Real scale) {
    TestPointPair p;
    if (!EndsValid(problem, segment)) return p;
    const Node& n1 = problem.nodes[segment.node1];
    const Node& n2 = problem.nodes[segment.node2];
    d *= scale;
    const Real mx = (n1.x + n2.x) / 2, my = (n1.y + n2.y) / 2;
    if (n1.y == n2.y) {  // also a segment whose ends coincide
        p = {mx, n1.y - (d + 1), mx, n1.y + (d + 1)};
    } else if (n1.x == n2.x) {
        p = {n1.x - (d + 1), my, n1.x + (d + 1), my};
    } else {
        const Real m = (n2.y - n1.y) / (n2.x - n1.x);
        const Real e = d * std::sqrt(1 / (1 / (m * m) + 1));
        p = {mx - e, my + e / m, mx + e, my - e / m};
    }
    return p;
}

void ProbeSides(Problem& problem, LineSegment& segment) {
    if (!EndsValid(problem, segment)) return;
    const TestPointPair p = TestPoints(problem, segment, kProbeDistance);
    segment.frameA = FrameAtPoint(problem, p.x1, p.y1);
    segment.frameB = FrameAtPoint(problem, p.x2, p.y2);
}

LineSegment* FindOrCreateSegment(Problem& problem, int a, int b, bool probe) {
    if (LineSegment* existing = FindSegment(problem, a, b)) {
        if (probe) ProbeSides(problem, *existing);
        return existing;
    }
    // A segment needs two different nodes that exist; only a lack of memory is reported.
    if (a == b || !problem.nodes.Valid(a) || !problem.nodes.Valid(b)) return nullptr;
    LineSegment* s = problem.AddLineSegment(a, b, kUnassignedFrame, kUnassignedFrame);
    if (s == nullptr) {
        problem.errorCode = MessageNumber(MessageId::InsufficientMemory);
        problem.reporter().ShowError(GetMessage(MessageId::InsufficientMemory));
        return nullptr;
    }
    if (probe) ProbeSides(problem, *s);
    return s;
}

bool SplitSegmentAtNode(Problem& problem, int k, int drawnFrame) {
    if (!problem.nodes.Valid(k)) return false;
    const SegmentThroughResult through =
        FindSegmentThrough(problem, problem.nodes[k].x, problem.nodes[k].y, k);
    if (through.segment == nullptr) return false;
    // A node already joined to an end of the segment (a sliver beside it) is left alone:
    // a half would be that existing segment, and the drawing would lose an edge.
    if (FindSegment(problem, k, through.segment->node1) != nullptr ||
        FindSegment(problem, k, through.segment->node2) != nullptr)
        return false;
    // Nor is a node on the outline of a frame beside the segment: the frame's outline
    // would pass through the node twice and fall apart into two loops.
    const bool boundary = through.segment->frameA != through.segment->frameB;
    for (const LineSegment& s : problem.lines) {
        if (!boundary) break;  // an element line is split at any node
        if ((s.node1 != k && s.node2 != k) || s.frameA == s.frameB) continue;
        if (drawnFrame != 0 && (s.frameA == drawnFrame || s.frameB == drawnFrame)) continue;
        for (const int side : {s.frameA, s.frameB})
            if (side != 0 && (side == through.segment->frameA || side == through.segment->frameB))
                return false;
    }
    // Nor is a node whose projection falls within a pixel of an end, or beyond it (the
    // nearness test has a tolerance at the ends): a half that short would put two nodes
    // on one pixel, and one beyond the end would lie on the other half.
    {
        const Node& a = problem.nodes[through.segment->node1];
        const Node& b = problem.nodes[through.segment->node2];
        const Real length = std::sqrt(Squared(b.x - a.x) + Squared(b.y - a.y));
        const Real along =
            length > 0
                ? ((through.px - a.x) * (b.x - a.x) + (through.py - a.y) * (b.y - a.y)) / length
                : 0;
        if (along < 1 || along > length - 1) return false;
    }
    const LineSegment old = *through.segment;
    problem.RemoveLineSegment(through.segment);

    // The node moves onto the old segment first, so that the halves' area factors
    // follow its final position. Both halves and the node keep the segment's
    // specified value, so splitting never drops a boundary condition.
    Node& node = problem.nodes[k];
    node.x = through.px;
    node.y = through.py;
    node.valueSpec = static_cast<std::int16_t>(old.valueSpec);
    for (const int end : {old.node1, old.node2}) {
        LineSegment* half = FindOrCreateSegment(problem, k, end, false);
        if (half == nullptr) continue;
        half->areaFactor = problem.AreaFactor(*half);
        half->valueSpec = old.valueSpec;
        half->fluxSpec = old.fluxSpec;
        half->transferSpec = old.transferSpec;
        half->ambientSpec = old.ambientSpec;
        half->frameA = old.frameA;
        half->frameB = old.frameB;
    }
    return true;
}

namespace {

// The pixel test above rounds every end; two edges that run a pixel or two apart at a
// shallow angle can then seem to meet near an end of the new edge while they cross
// well inside it. On the exact positions: whether the new edge crosses a segment (each
// passing strictly between the other's ends) more than 4 pixels from both of its ends.
bool CrossesUnrounded(const Problem& problem, const LineSegment* ignored, Real xs, Real ys, Real xe,
                      Real ye) {
    // Points within rounding noise of a line count as on it: segments along one
    // straight line are the pixel test's to judge (they overlap or they do not).
    auto turn = [](Real ax, Real ay, Real bx, Real by, Real cx, Real cy) {
        const Real c = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
        const Real scale =
            (std::fabs(bx - ax) + std::fabs(by - ay)) * (std::fabs(cx - ax) + std::fabs(cy - ay));
        if (std::fabs(c) <= 1e-9L * scale) return 0;
        return c > 0 ? 1 : -1;
    };
    const Real left = std::min(xs, xe) - 1, right = std::max(xs, xe) + 1;
    const Real top = std::min(ys, ye) - 1, bottom = std::max(ys, ye) + 1;
    for (const LineSegment& s : problem.lines) {
        if (&s == ignored || !EndsValid(problem, s)) continue;
        const Node& a = problem.nodes[s.node1];
        const Node& b = problem.nodes[s.node2];
        // Lines that cross share a point, so their boxes meet.
        if (std::max(a.x, b.x) < left || std::min(a.x, b.x) > right || std::max(a.y, b.y) < top ||
            std::min(a.y, b.y) > bottom)
            continue;
        if (turn(xs, ys, xe, ye, a.x, a.y) * turn(xs, ys, xe, ye, b.x, b.y) >= 0) continue;
        if (turn(a.x, a.y, b.x, b.y, xs, ys) * turn(a.x, a.y, b.x, b.y, xe, ye) >= 0) continue;
        const Real den = (xe - xs) * (b.y - a.y) - (ye - ys) * (b.x - a.x);
        if (den == 0) continue;
        const Real u = ((a.x - xs) * (b.y - a.y) - (a.y - ys) * (b.x - a.x)) / den;
        const Real x = xs + u * (xe - xs), y = ys + u * (ye - ys);
        if (Squared(x - xs) + Squared(y - ys) > 16 && Squared(x - xe) + Squared(y - ye) > 16)
            return true;
    }
    return false;
}

}  // namespace

CrossingResult CrossingCheck(Problem& problem, const LineSegment* ignored, Real xs, Real ys,
                             Real xe, Real ye, bool snapEnd) {
    CrossingResult result{true, xe, ye, nullptr};
    const PixelPoint start = RoundPoint(xs, ys);
    PixelPoint end = RoundPoint(xe, ye);

    // The end point snaps onto the first segment it lies near.
    for (LineSegment& s : problem.lines) {
        if (!snapEnd) break;
        const NearSegmentResult near = PointNearSegment(problem, s, end.x, end.y);
        if (!near.near) continue;
        result.xe = near.px;
        result.ye = near.py;
        result.endSegment = &s;
        end = RoundPoint(near.px, near.py);
        break;
    }

    const IntRect edgeBox = BoxOf(start, end, 2);
    for (const LineSegment& s : problem.lines) {
        if (&s == ignored || !EndsValid(problem, s)) continue;
        // Rounding moves an end by half a pixel at most: a segment whose box is clear of
        // the edge's by more than that and the margins is skipped without rounding.
        {
            const Node& na = problem.nodes[s.node1];
            const Node& nb = problem.nodes[s.node2];
            if (std::min(na.x, nb.x) - 3 > edgeBox.right ||
                std::max(na.x, nb.x) + 3 < edgeBox.left ||
                std::min(na.y, nb.y) - 3 > edgeBox.bottom || std::max(na.y, nb.y) + 3 < edgeBox.top)
                continue;
        }
        const PixelPoint a = RoundPoint(problem.nodes[s.node1].x, problem.nodes[s.node1].y);
        const PixelPoint b = RoundPoint(problem.nodes[s.node2].x, problem.nodes[s.node2].y);
        if (!BoxesMeet(edgeBox, BoxOf(a, b, 2))) continue;
        bool fails = false;
        switch (ClassifySegments(start, end, a, b)) {
            case SegmentContact::Overlap:
                fails = true;
                break;
            case SegmentContact::Cross:
            case SegmentContact::Touch: {
                // A meeting point near either end of the new edge is where it starts
                // or ends on an existing line, which the commands handle by snapping
                // and splitting; anywhere else the edge crosses the line.
                Real x = 0, y = 0;
                if (Orientation(start, end, a) == 0 && Orientation(start, end, b) == 0) {
                    const PixelPoint t = TouchPoint(start, end, a, b);
                    x = t.x;
                    y = t.y;
                } else {
                    Intersection(start, end, a, b, x, y);
                }
                fails = Squared(x - start.x) + Squared(y - start.y) > 16 &&
                        Squared(x - end.x) + Squared(y - end.y) > 16;
                break;
            }
            case SegmentContact::None:
                break;
        }
        if (!fails) fails = RunsAlong(start, end, a, b);
        if (fails) {
            result.pass = false;
            break;
        }
    }
    if (result.pass)
        result.pass = !CrossesUnrounded(problem, ignored, xs, ys, result.xe, result.ye);
    return result;
}

bool PointInFrame(Problem& problem, int k, Real x, Real y) {
    if (!problem.ValidFrame(k)) return false;
    const Frame& f = problem.frames[k];
    const PixelPoint p = RoundPoint(x, y);
    // The region answers alone: it may have been offset (scrolling) apart from the
    // bounding rectangle.
    if (!f.region.Empty()) return PointInRegion(f.region, p);
    const IntRect& r = f.bounds;
    const bool inBounds = p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
    // An outline without area (all its corners on one line) holds no point.
    if (!inBounds || f.pixelPolygon.empty() || SignedDoubleArea(f.pixelPolygon) == 0) return false;
    return LocatePoint(f.pixelPolygon, p) != PointLocation::Outside;
}

int FrameAtPoint(Problem& problem, Real x, Real y) {
    for (int k = problem.frameCount; k >= 1; --k)
        if (PointInFrame(problem, k, x, y)) return k;
    return 0;
}

FramePair FramesAtPoint(Problem& problem, Real x, Real y) {
    FramePair pair;
    for (int k = problem.frameCount; k >= 1; --k) {
        if (!PointInFrame(problem, k, x, y)) continue;
        if (pair.first == 0) {
            pair.first = k;
        } else {
            pair.second = k;
        }
    }
    return pair;
}

IslandResult FrameIsland(const Problem& problem, int k) {
    IslandResult r;
    bool any = false;
    for (const LineSegment& s : problem.lines) {
        if ((s.frameA == k) == (s.frameB == k)) continue;
        const int other = s.frameA == k ? s.frameB : s.frameA;
        if (other == 0) return {};
        if (any && other != r.enclosing) return {};
        r.enclosing = other;
        any = true;
    }
    r.island = any;
    if (!any) r.enclosing = 0;
    return r;
}

Real AxisX(const Problem& problem) {
    return problem.settings.originX * problem.view.zoom - problem.view.scrollX;
}

bool KeepRightOfAxis(const Problem& problem, Real& x) {
    if (!problem.settings.cylindrical) return false;
    if (x + problem.view.scrollX < problem.settings.originX * problem.view.zoom) {
        x = AxisX(problem);
        return true;
    }
    return false;
}

bool NodeOnAxis(const Problem& problem, int node) {
    if (!problem.nodes.Valid(node)) return false;
    return RoundPixel(problem.nodes[node].x) == RoundPixel(AxisX(problem));
}

bool CheckFrameLimit(Problem& problem) {
    if (problem.frameCount < kMaxFrames) return true;
    problem.reporter().ShowError(GetMessage(MessageId::FrameLimit));
    return false;
}

}  // namespace kova

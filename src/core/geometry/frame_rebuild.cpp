#include "geometry/frame_rebuild.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <unordered_map>

#include "geometry/primitives.hpp"
#include "geometry/region.hpp"
#include "model/messages.hpp"

namespace kova {
namespace {

Frame& FrameRef(Problem& problem, int k) {
    return problem.frames[k];
}
const Frame& FrameRef(const Problem& problem, int k) {
    return problem.frames[k];
}

// A pixel polygon that can hold or be held by another: closed, with three distinct
// points and an area.
bool UsableOutline(const PixelPolygon& p) {
    if (p.size() < 4 || !(p.front() == p.back())) return false;
    return SignedDoubleArea(p) != 0;
}

bool Inside(const IntRect& inner, const IntRect& outer) {
    return outer.left <= inner.left && inner.right <= outer.right && outer.top <= inner.top &&
           inner.bottom <= outer.bottom;
}

// Whether the outline `inner` lies within `outer`. Outlines of frames never cross, so
// inner lies within outer when none of its corners and edge midpoints is outside and
// one of them is strictly inside; an outline that only runs along outer's boundary
// (the same outline) is not held.
bool HoldsOutline(const PixelPolygon& outer, const IntRect& outerBox, const PixelPolygon& inner,
                  const IntRect& innerBox) {
    if (!Inside(innerBox, outerBox)) return false;
    // The corners first; the edge midpoints only decide when every corner lies on
    // outer's boundary.
    bool strictlyInside = false;
    for (const PixelPoint& corner : inner) {
        const PointLocation where = LocatePoint(outer, corner);
        if (where == PointLocation::Outside) return false;
        if (where == PointLocation::Inside) strictlyInside = true;
    }
    if (strictlyInside) return true;
    for (std::size_t j = 0; j + 1 < inner.size(); ++j) {
        const PixelPoint a = inner[j];
        const PixelPoint b = inner[j + 1];
        const PointLocation middle =
            LocateScaledPoint(outer, std::int64_t{a.x} + b.x, std::int64_t{a.y} + b.y, 2);
        if (middle == PointLocation::Outside) return false;
        if (middle == PointLocation::Inside) strictlyInside = true;
    }
    return strictlyInside;
}

// holds[i][k]: frame i holds frame k. Frames with the same outline hold neither.
std::vector<std::vector<bool>> NestingOf(const Problem& problem) {
    const int f = problem.frameCount;
    std::vector<std::vector<bool>> holds(static_cast<std::size_t>(f) + 1,
                                         std::vector<bool>(static_cast<std::size_t>(f) + 1));
    std::vector<bool> usable(static_cast<std::size_t>(f) + 1, false);
    for (int k = 1; k <= f; ++k)
        usable[static_cast<std::size_t>(k)] = UsableOutline(FrameRef(problem, k).pixelPolygon);
    for (int i = 1; i <= f; ++i) {
        const Frame& outer = FrameRef(problem, i);
        if (!usable[static_cast<std::size_t>(i)]) continue;
        for (int k = 1; k <= f; ++k) {
            const Frame& inner = FrameRef(problem, k);
            if (k == i || !usable[static_cast<std::size_t>(k)]) continue;
            holds[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)] =
                HoldsOutline(outer.pixelPolygon, outer.bounds, inner.pixelPolygon, inner.bounds);
        }
    }
    for (std::size_t i = 1; i < holds.size(); ++i)
        for (std::size_t k = i + 1; k < holds.size(); ++k)
            if (holds[i][k] && holds[k][i]) holds[i][k] = holds[k][i] = false;
    return holds;
}

// Regions, net areas and volumes of every frame from their gross measures (just
// computed) and the nesting; returns the nesting.
std::vector<std::vector<bool>> SettleRegions(Problem& problem) {
    const int f = problem.frameCount;
    const auto holds = NestingOf(problem);
    std::vector<int> parent(static_cast<std::size_t>(f) + 1, 0);
    for (int k = 1; k <= f; ++k) {
        long double smallest = 0;
        for (int i = 1; i <= f; ++i) {
            if (!holds[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)]) continue;
            const long double a = std::fabs(SignedDoubleArea(FrameRef(problem, i).pixelPolygon));
            if (parent[static_cast<std::size_t>(k)] == 0 || a < smallest) {
                parent[static_cast<std::size_t>(k)] = i;
                smallest = a;
            }
        }
    }
    std::vector<Real> grossArea(static_cast<std::size_t>(f) + 1);
    std::vector<Real> grossVolume(static_cast<std::size_t>(f) + 1);
    for (int k = 1; k <= f; ++k) {
        grossArea[static_cast<std::size_t>(k)] = FrameRef(problem, k).area;
        grossVolume[static_cast<std::size_t>(k)] = FrameRef(problem, k).volume;
        Frame& frame = FrameRef(problem, k);
        frame.region =
            UsableOutline(frame.pixelPolygon) ? PolygonRegion(frame.pixelPolygon) : Region{};
    }
    for (int k = 1; k <= f; ++k) {
        const int d = parent[static_cast<std::size_t>(k)];
        if (d == 0) continue;
        Frame& outer = FrameRef(problem, d);
        outer.region = RegionDifference(outer.region, FrameRef(problem, k).region);
        outer.area -= grossArea[static_cast<std::size_t>(k)];
        outer.volume -= grossVolume[static_cast<std::size_t>(k)];
    }
    for (int k = 1; k <= f; ++k) {
        Frame& frame = FrameRef(problem, k);
        frame.area = std::max<Real>(frame.area, 0);
        frame.volume = std::max<Real>(frame.volume, 0);
    }
    return holds;
}

// Whether segment s joins two consecutive vertices of frame k's outline.
bool IsOutlineEdge(const Problem& problem, const LineSegment& s, int k) {
    const std::vector<std::int32_t>& v = FrameRef(problem, k).vertices;
    for (std::size_t j = 0; j + 1 < v.size(); ++j)
        if (std::min(v[j], v[j + 1]) == s.node1 && std::max(v[j], v[j + 1]) == s.node2) return true;
    return false;
}

// Whether the midpoint of segment s lies inside frame k's outline, tested on the exact
// node positions (even-odd rule; outlines do not cross themselves).
bool MidpointWithinOutline(const Problem& problem, const LineSegment& s, int k) {
    if (!problem.nodes.Valid(s.node1) || !problem.nodes.Valid(s.node2)) return false;
    const Real mx = (problem.nodes[s.node1].x + problem.nodes[s.node2].x) / 2;
    const Real my = (problem.nodes[s.node1].y + problem.nodes[s.node2].y) / 2;
    const std::vector<std::int32_t>& v = FrameRef(problem, k).vertices;
    bool inside = false;
    for (std::size_t j = 0; j + 1 < v.size(); ++j) {
        if (!problem.nodes.Valid(v[j]) || !problem.nodes.Valid(v[j + 1])) return false;
        const Node& a = problem.nodes[v[j]];
        const Node& b = problem.nodes[v[j + 1]];
        if ((a.y > my) == (b.y > my)) continue;
        const Real x = a.x + (my - a.y) * (b.x - a.x) / (b.y - a.y);
        if (x > mx) inside = !inside;
    }
    return inside;
}

// After frame k was drawn inside other frames: the segments of the innermost frame i
// around k that k's outline runs along without naming k yet get k on one side (probed,
// keeping their old sides when the probe loses i or makes a boundary an element line),
// and element lines of i inside k become k's. Only the innermost frame can border k,
// and only along k's outline: other segments keep their sides, since a probe 3 pixels
// beside one that runs close to k (a thin frame beside a corner of k, an edge of k at
// a sharp angle) would find k where k does not border it.
void BorderNewFrame(Problem& problem, int k, const std::vector<std::vector<bool>>& holds) {
    int i = 0;
    long double smallest = 0;
    for (int j = 1; j <= problem.frameCount; ++j) {
        if (!holds[static_cast<std::size_t>(j)][static_cast<std::size_t>(k)]) continue;
        const long double a = std::fabs(SignedDoubleArea(FrameRef(problem, j).pixelPolygon));
        if (i == 0 || a < smallest) {
            i = j;
            smallest = a;
        }
    }
    if (i == 0) return;
    for (LineSegment& s : problem.lines) {
        if (s.frameA != i && s.frameB != i) continue;
        const std::int32_t oldA = s.frameA, oldB = s.frameB;
        if (!IsOutlineEdge(problem, s, k)) {
            if (oldA == oldB && MidpointWithinOutline(problem, s, k)) s.frameA = s.frameB = k;
            continue;
        }
        if ((oldA == k) != (oldB == k)) continue;  // given its sides as k was drawn
        ProbeSides(problem, s);
        const bool lostFrame = s.frameA != i && s.frameB != i;
        const bool becameInterior = oldA != oldB && s.frameA == s.frameB;
        if (lostFrame || becameInterior) {
            s.frameA = oldA;
            s.frameB = oldB;
        }
    }
}

void RebuildAllGeometry(Problem& problem, int k, bool propagate) {
    for (int i = 1; i <= problem.frameCount; ++i) problem.UpdateFrameMeasures(i);
    const auto holds = SettleRegions(problem);
    if (propagate && problem.ValidFrame(k)) BorderNewFrame(problem, k, holds);
    problem.UpdateFrameDrawOrder();
}

// The frame on the other side of a segment that has frame k on one side.
int OtherSide(const LineSegment* s, int k) {
    return s->frameA == k ? s->frameB : s->frameA;
}

void MarkDegenerate(Problem& problem, int k) {
    Frame& frame = FrameRef(problem, k);
    frame.vertices.clear();
    frame.region = Region{};
    problem.UpdateFrameMeasures(k);
}

// Whether (x, y) lies inside the closed vertex list, on the exact node positions
// (even-odd rule).
bool InsideLoop(const Problem& problem, const std::vector<std::int32_t>& v, Real x, Real y) {
    bool inside = false;
    for (std::size_t j = 0; j + 1 < v.size(); ++j) {
        if (!problem.nodes.Valid(v[j]) || !problem.nodes.Valid(v[j + 1])) return false;
        const Node& a = problem.nodes[v[j]];
        const Node& b = problem.nodes[v[j + 1]];
        if ((a.y > y) == (b.y > y)) continue;
        if (a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y) > x) inside = !inside;
    }
    return inside;
}

// A frame pinched at a node (two parts meeting there, as after an outline that touched
// it at two nodes) has boundary segments in two loops through that node. The walk
// follows one; a loop left over that meets the outline at a node and lies outside it
// is another part of the frame and is spliced in there. A loop inside it is an island
// (a nested frame touching the outline), which stays out.
template <typename WalkFrom>
void SpliceLobes(const Problem& problem, const std::vector<LineSegment*>& collected,
                 std::vector<std::int32_t>& list, std::vector<std::size_t>& used,
                 WalkFrom& walkFrom) {
    std::vector<bool> taken(collected.size(), false);
    for (const std::size_t j : used) taken[j] = true;
    for (bool spliced = true; spliced && list.size() < static_cast<std::size_t>(kNodeLimit);) {
        spliced = false;
        for (std::size_t i = 0; i + 1 < list.size() && !spliced; ++i) {
            const int v = list[i];
            for (std::size_t j = 0; j < collected.size() && !spliced; ++j) {
                const LineSegment* s = collected[j];
                if (taken[j] || (s->node1 != v && s->node2 != v)) continue;
                auto lobe = walkFrom(j, &taken);
                const auto at = std::find(lobe.list.begin(), lobe.list.end(), v);
                // A loop closed by its segments (not at an open end, not at the limit).
                const bool closed = !lobe.overLimit && lobe.used.size() + 1 == lobe.list.size();
                if (!closed || lobe.list.size() < 4 || at == lobe.list.end() ||
                    !problem.nodes.Valid(s->node1) || !problem.nodes.Valid(s->node2))
                    continue;
                const Real mx = (problem.nodes[s->node1].x + problem.nodes[s->node2].x) / 2;
                const Real my = (problem.nodes[s->node1].y + problem.nodes[s->node2].y) / 2;
                if (InsideLoop(problem, list, mx, my)) continue;
                // The loop from v round to v, spliced in after the outline's v.
                std::vector<std::int32_t> loop(at, lobe.list.end() - 1);
                loop.insert(loop.end(), lobe.list.begin(), at);
                loop.push_back(v);
                list.insert(list.begin() + static_cast<std::ptrdiff_t>(i) + 1, loop.begin() + 1,
                            loop.end());
                for (const std::size_t u : lobe.used) {
                    taken[u] = true;
                    used.push_back(u);
                }
                spliced = true;
            }
        }
    }
}

OutlineResult WalkOutline(Problem& problem, int k) {
    if (!problem.ValidFrame(k) && k > problem.nodes.Count()) k -= problem.nodes.Count();
    if (!problem.ValidFrame(k)) return OutlineResult::Unchanged;
    Frame& frame = FrameRef(problem, k);

    std::vector<LineSegment*> collected;
    std::vector<std::int32_t> list;
    for (LineSegment& s : problem.lines) {
        s.elementCount = 0;
        if ((s.frameA == k) != (s.frameB == k)) collected.push_back(&s);
    }

    auto degenerate = [&]() {
        MarkDegenerate(problem, k);
        problem.selection.items.assign(1, SelectRec{k, nullptr});
        problem.selection.state = SelectType::Frames;
        return OutlineResult::Degenerate;
    };
    if (collected.size() < 3) return degenerate();

    auto endsAt = [](const LineSegment* s, int node) {
        return s->node1 == node || s->node2 == node;
    };
    // The walk starts at the frame's start node; without it, at the leftmost (then
    // topmost) node of the collected segments, which always lies on the outer loop
    // when the frame surrounds islands.
    auto first = std::find_if(collected.begin(), collected.end(),
                              [&](const LineSegment* s) { return endsAt(s, frame.outlineStart); });
    if (first == collected.end()) {
        int leftmost = 0;
        for (const LineSegment* s : collected) {
            for (const int n : {s->node1, s->node2}) {
                if (!problem.nodes.Valid(n)) continue;
                const Node& c = problem.nodes[n];
                if (leftmost == 0 || c.x < problem.nodes[leftmost].x ||
                    (c.x == problem.nodes[leftmost].x && c.y < problem.nodes[leftmost].y))
                    leftmost = n;
            }
        }
        first = std::find_if(collected.begin(), collected.end(),
                             [&](const LineSegment* s) { return endsAt(s, leftmost); });
        if (first == collected.end()) first = collected.begin();
    }

    // The collected segments at each node, in list order.
    std::unordered_map<int, std::vector<std::size_t>> byNode;
    for (std::size_t j = 0; j < collected.size(); ++j) {
        byNode[collected[j]->node1].push_back(j);
        if (collected[j]->node2 != collected[j]->node1) byNode[collected[j]->node2].push_back(j);
    }
    // One walk from a first segment: the vertex list, the segments taken, and whether
    // the node limit closed it.
    struct Walk {
        std::vector<std::int32_t> list;
        std::vector<std::size_t> used;
        bool overLimit = false;
    };
    auto walkFrom = [&](std::size_t start, const std::vector<bool>* takenBefore = nullptr) {
        Walk w;
        std::vector<bool> taken =
            takenBefore != nullptr ? *takenBefore : std::vector<bool>(collected.size(), false);
        taken[start] = true;
        w.used.push_back(start);
        w.list.push_back(collected[start]->node1);
        w.list.push_back(collected[start]->node2);
        int neighbour = OtherSide(collected[start], k);
        // Every round takes one collected segment, so the walk ends after at most as
        // many rounds as there are collected segments.
        while (w.list.back() != w.list.front()) {
            if (static_cast<int>(w.list.size()) >= kNodeLimit) {
                w.list.back() = w.list.front();
                w.overLimit = true;
                break;
            }
            const int last = w.list.back();
            std::size_t next = collected.size();
            // Where several segments go on, the walk stays with the neighbour it is
            // following, so that an island touching the outline at a node is not walked
            // into; otherwise the first in list order is taken.
            const auto at = byNode.find(last);
            if (at != byNode.end()) {
                for (const std::size_t j : at->second) {
                    if (taken[j]) continue;
                    if (next == collected.size()) next = j;
                    if (OtherSide(collected[j], k) == neighbour) {
                        next = j;
                        break;
                    }
                }
            }
            if (next == collected.size()) {  // an open end: the outline is closed here
                w.list.push_back(w.list.front());
                break;
            }
            taken[next] = true;
            w.used.push_back(next);
            neighbour = OtherSide(collected[next], k);
            w.list.push_back(collected[next]->node1 == last ? collected[next]->node2
                                                            : collected[next]->node1);
        }
        return w;
    };
    auto loopArea = [&](const std::vector<std::int32_t>& v) {
        Real twice = 0;
        for (std::size_t j = 0; j + 1 < v.size(); ++j) {
            if (!problem.nodes.Valid(v[j]) || !problem.nodes.Valid(v[j + 1])) return Real{0};
            const Node& a = problem.nodes[v[j]];
            const Node& b = problem.nodes[v[j + 1]];
            twice += a.x * b.y - b.x * a.y;
        }
        return std::fabs(twice);
    };

    // When an island touches the outline at the start node, the walk could go round
    // the island instead: of the walks from every segment at the start node, the one
    // enclosing the largest area is the outer loop.
    const std::size_t firstIndex = static_cast<std::size_t>(first - collected.begin());
    const int startNode = endsAt(*first, frame.outlineStart) ? frame.outlineStart
                          : endsAt(*first, (*first)->node1)  ? (*first)->node1
                                                             : (*first)->node2;
    Walk best = walkFrom(firstIndex);
    Real bestArea = loopArea(best.list);
    const auto atStart = byNode.find(startNode);
    if (atStart != byNode.end() && atStart->second.size() > 2) {
        for (const std::size_t j : atStart->second) {
            if (j == firstIndex) continue;
            Walk other = walkFrom(j);
            const Real area = loopArea(other.list);
            if (area > bestArea) {
                best = std::move(other);
                bestArea = area;
            }
        }
    }
    SpliceLobes(problem, collected, best.list, best.used, walkFrom);
    if (best.overLimit) problem.reporter().ShowError(GetMessage(MessageId::NodeLimit));
    for (const std::size_t j : best.used) collected[j]->elementCount = k;
    list = std::move(best.list);

    std::vector<std::int32_t> distinct(list.begin(), list.end());
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    const bool allExist = std::all_of(distinct.begin(), distinct.end(),
                                      [&](std::int32_t n) { return problem.nodes.Valid(n); });
    if (distinct.size() < 3 || !allExist) return degenerate();

    frame.vertices = std::move(list);
    if (frame.outlineStart != -999 && std::find(frame.vertices.begin(), frame.vertices.end(),
                                                frame.outlineStart) == frame.vertices.end()) {
        frame.outlineStart = frame.vertices.front();
    }
    return OutlineResult::Rebuilt;
}

}  // namespace

OutlineResult RebuildOutline(Problem& problem, int k) {
    // The walk changes the frame only at its end, so a failure to get memory for its
    // working lists leaves the frame as it was.
    try {
        return WalkOutline(problem, k);
    } catch (const std::bad_alloc&) {
        problem.reporter().ShowError(GetMessage(MessageId::InsufficientMemory));
        return OutlineResult::Unchanged;
    }
}

void RebuildFrameGeometry(Problem& problem, int k, bool propagate) {
    if (!problem.ValidFrame(k)) return;
    RebuildAllGeometry(problem, k, propagate);
}

std::vector<int> RebuildAllFrames(Problem& problem) {
    std::vector<int> degenerate;
    for (int k = 1; k <= problem.frameCount; ++k)
        if (RebuildOutline(problem, k) == OutlineResult::Degenerate) degenerate.push_back(k);
    RebuildAllGeometry(problem, 0, false);
    if (!degenerate.empty()) {
        problem.selection.items.clear();
        for (const int k : degenerate) problem.selection.items.push_back(SelectRec{k, nullptr});
        problem.selection.state = SelectType::Frames;
    }
    return degenerate;
}

void RebuildLoadedGeometry(Problem& problem) {
    // Rebuilding any one frame settles the polygons, regions, nesting and net measures of
    // all of them, and the drawing order.
    if (problem.frameCount >= 1) {
        RebuildFrameGeometry(problem, 1, false);
    } else {
        problem.UpdateFrameDrawOrder();
    }
    if (problem.settings.cylindrical) problem.UpdateAreaFactors();
}

std::vector<int> FramesHolding(const Problem& problem, int k) {
    std::vector<int> out;
    if (!problem.ValidFrame(k)) return out;
    const auto holds = NestingOf(problem);
    for (int i = 1; i <= problem.frameCount; ++i)
        if (holds[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)]) out.push_back(i);
    return out;
}

int EnclosingFrame(const Problem& problem, int k) {
    int best = 0;
    long double bestArea = 0;
    for (const int i : FramesHolding(problem, k)) {
        const long double a = std::fabs(SignedDoubleArea(FrameRef(problem, i).pixelPolygon));
        if (best == 0 || a < bestArea) {
            best = i;
            bestArea = a;
        }
    }
    return best;
}

}  // namespace kova

#include "geometry/deletion.hpp"

#include <algorithm>
#include <cmath>
#include <exception>
#include <set>
#include <utility>
#include <vector>

#include "geometry/frame_rebuild.hpp"
#include "geometry/primitives.hpp"
#include "geometry/region.hpp"
#include "model/messages.hpp"

namespace kova {
namespace {

// Node numbers a multi-step removal must find again after other nodes were removed:
// each entry follows its node when the last node moves into a freed place, and becomes
// 0 when its node is removed.
using TrackedNodes = std::vector<int>;

Frame& FrameRef(Problem& problem, int k) {
    return problem.frames[k];
}

bool EndsAt(const LineSegment& s, int n) {
    return s.node1 == n || s.node2 == n;
}

int OtherEnd(const LineSegment& s, int n) {
    return s.node1 == n ? s.node2 : s.node1;
}

bool HoldsFrames(SelectType kind) {
    return kind == SelectType::Frames;
}

bool HoldsLumps(SelectType kind) {
    return kind == SelectType::Lumps || HoldsNodes(kind);
}

// Applies `change` to the items of the selection and of every group; an item for which
// it returns false is dropped.
template <typename Change>
void ChangeItems(Problem& problem, Change change) {
    auto apply = [&](SelectType kind, std::vector<SelectRec>& items) {
        std::erase_if(items, [&](SelectRec& r) {
            if (r.segment != nullptr) return false;
            return !change(kind, r.selectNo);
        });
    };
    apply(problem.selection.state, problem.selection.items);
    for (SelectionGroup& g : problem.groups) apply(g.kind, g.items);
}

// The geometry module selects a frame it finds degenerate; callers here decide
// themselves what to delete, so the selection is put back after a rebuild.
class SelectionKeeper {
public:
    explicit SelectionKeeper(Problem& problem) : m_problem(problem), m_saved(problem.selection) {}
    ~SelectionKeeper() { m_problem.selection = m_saved; }
    SelectionKeeper(const SelectionKeeper&) = delete;
    SelectionKeeper& operator=(const SelectionKeeper&) = delete;

private:
    Problem& m_problem;
    Selection m_saved;
};

void RebuildOutlinesAndGeometry(Problem& problem) {
    SelectionKeeper keep(problem);
    for (int k = 1; k <= problem.frameCount; ++k) RebuildOutline(problem, k);
    if (problem.frameCount >= 1) RebuildFrameGeometry(problem, 1, false);
    problem.UpdateFrameDrawOrder();
}

void RemoveNodeTracked(Problem& problem, int a, TrackedNodes& tracked) {
    if (!problem.nodes.Valid(a)) return;
    const int last = problem.nodes.Count();

    // Outline start nodes on a move to a neighbour on the frame's outline.
    for (int k = 1; k <= problem.frameCount; ++k) {
        Frame& f = FrameRef(problem, k);
        if (f.outlineStart != a) continue;
        int next = 0;
        for (const LineSegment& s : problem.lines) {
            if (EndsAt(s, a) && (s.frameA == k || s.frameB == k)) {
                next = OtherEnd(s, a);
                break;
            }
        }
        if (next == 0) {
            for (std::size_t j = 0; j + 1 < f.vertices.size(); ++j)
                if (f.vertices[j] == a && f.vertices[j + 1] != a) next = f.vertices[j + 1];
        }
        f.outlineStart = next;  // 0: the next outline walk picks a start node itself
    }

    // References held outside the geometry.
    std::erase_if(problem.singularPoints, [a](const SingularPoint& p) { return p.node == a; });
    for (SingularPoint& p : problem.singularPoints)
        if (p.node == last) p.node = a;
    ChangeItems(problem, [&](SelectType kind, std::int32_t& item) {
        if (HoldsLumps(kind) && item > last) {  // N + frame: N drops by one
            --item;
            return true;
        }
        if (!HoldsNodes(kind)) return true;
        if (item == a) return false;
        if (item == last) item = a;
        return true;
    });
    PlotSettings& plot = problem.settings.plot;
    const int plotted = std::clamp(plot.nodeCount, 0, static_cast<int>(plot.nodes.size()));
    int kept = 0;
    for (int j = 0; j < plotted; ++j) {
        std::int32_t n = plot.nodes[static_cast<std::size_t>(j)];
        if (n == a) continue;
        if (n == last) n = a;
        plot.nodes[static_cast<std::size_t>(kept++)] = n;
    }
    for (int j = kept; j < plotted; ++j) plot.nodes[static_cast<std::size_t>(j)] = 0;
    if (plot.nodeCount > 0) plot.nodeCount = kept;
    for (int& n : tracked) {
        if (n == a) {
            n = 0;
        } else if (n == last) {
            n = a;
        }
    }

    // The last node's record moves into the freed place.
    if (a != last) problem.nodes[a] = problem.nodes[last];
    for (LineSegment& s : problem.lines) {
        if (s.node1 == last) s.node1 = a;
        if (s.node2 == last) s.node2 = a;
        if (s.node1 > s.node2) std::swap(s.node1, s.node2);
    }
    for (int k = 1; k <= problem.frameCount; ++k) {
        Frame& f = FrameRef(problem, k);
        for (std::int32_t& v : f.vertices) {
            if (v == a) {
                v = -a;
            } else if (v == last) {
                v = a;
            }
        }
        if (f.outlineStart == last) f.outlineStart = a;
    }
    problem.nodes.PopLast();
    problem.settings.activeNodeCount =
        std::min(problem.settings.activeNodeCount, problem.nodes.Count());
}

bool NodeUsed(const Problem& problem, int n) {
    return std::any_of(problem.lines.begin(), problem.lines.end(),
                       [n](const LineSegment& s) { return EndsAt(s, n); });
}

void RemoveSegmentTracked(Problem& problem, LineSegment* segment, TrackedNodes& tracked) {
    if (segment == nullptr || !problem.lines.Contains(segment)) return;
    const int a = segment->node1;
    int b = segment->node2;
    problem.RemoveLineSegment(segment);
    problem.lines.Renumber();
    const int last = problem.nodes.Count();
    if (problem.nodes.Valid(a) && !NodeUsed(problem, a)) {
        RemoveNodeTracked(problem, a, tracked);
        if (b == last) b = a;
    }
    if (problem.nodes.Valid(b) && !NodeUsed(problem, b)) RemoveNodeTracked(problem, b, tracked);
}

// Whether the closed polygon `outer` holds `inner`: no corner or edge midpoint of inner
// lies outside outer, and one lies strictly inside.
bool PolygonHolds(const PixelPolygon& outer, const PixelPolygon& inner) {
    if (outer.size() < 4 || inner.size() < 2 || SignedDoubleArea(outer) == 0) return false;
    bool strictly = false;
    for (std::size_t j = 0; j + 1 < inner.size(); ++j) {
        const PixelPoint p = inner[j], q = inner[j + 1];
        const PointLocation corner = LocatePoint(outer, p);
        const PointLocation middle =
            LocateScaledPoint(outer, std::int64_t{p.x} + q.x, std::int64_t{p.y} + q.y, 2);
        if (corner == PointLocation::Outside || middle == PointLocation::Outside) return false;
        strictly = strictly || corner == PointLocation::Inside || middle == PointLocation::Inside;
    }
    return strictly;
}

// The frame that takes over the place of frame d (just beyond the table): the exterior
// when d borders it; the one frame d borders when it borders only one; otherwise the
// smallest frame d borders whose outline holds d's; the exterior when none does.
int SuccessorOf(Problem& problem, int d) {
    std::vector<int> neighbours;
    for (const LineSegment& s : problem.lines) {
        if ((s.frameA == d) == (s.frameB == d)) continue;
        const int other = s.frameA == d ? s.frameB : s.frameA;
        if (other == 0) return 0;
        if (problem.ValidFrame(other) &&
            std::find(neighbours.begin(), neighbours.end(), other) == neighbours.end())
            neighbours.push_back(other);
    }
    if (neighbours.size() == 1) return neighbours.front();
    const PixelPolygon& inner = FrameRef(problem, d).pixelPolygon;
    int best = 0;
    long double bestArea = 0;
    for (const int c : neighbours) {
        const PixelPolygon& outer = FrameRef(problem, c).pixelPolygon;
        if (!PolygonHolds(outer, inner)) continue;
        const long double area = std::fabs(SignedDoubleArea(outer));
        if (best == 0 || area < bestArea) {
            best = c;
            bestArea = area;
        }
    }
    return best;
}

// Renumbers frame references of the selection and groups after frame k was deleted and
// frame `last` took its number.
void RenumberFrameItems(Problem& problem, int k, int last) {
    const int n = problem.nodes.Count();
    ChangeItems(problem, [&](SelectType kind, std::int32_t& item) {
        int frame = 0;
        int offset = 0;
        if (HoldsFrames(kind)) {
            frame = item;
        } else if (HoldsLumps(kind) && item > n) {
            frame = item - n;
            offset = n;
        } else {
            return true;
        }
        if (frame == k) return false;
        if (frame == last) item = k + offset;
        return true;
    });
}

void DeleteFrameTracked(Problem& problem, int k, TrackedNodes& tracked) {
    if (!problem.ValidFrame(k)) return;
    {
        // The frame's own outline, current, for finding the frame around it.
        SelectionKeeper keep(problem);
        RebuildOutline(problem, k);
        problem.UpdateFrameMeasures(k);
    }

    // 1. The last frame takes the number k; the deleted one lies just beyond the table.
    const int last = problem.frameCount;
    if (k != last) std::swap(FrameRef(problem, k), FrameRef(problem, last));
    for (LineSegment& s : problem.lines) {
        for (std::int32_t* side : {&s.frameA, &s.frameB}) {
            if (*side == k) {
                *side = last;
            } else if (*side == last) {
                *side = k;
            }
        }
    }
    RenumberFrameItems(problem, k, last);
    problem.frameCount = last - 1;
    const int d = last;

    // 2. The remaining frames, then the frame that takes over d's place.
    RebuildOutlinesAndGeometry(problem);
    const int successor = SuccessorOf(problem, d);

    // 3. d's mesh lines and the segments between d and its successor go.
    std::vector<LineSegment*> doomed;
    for (LineSegment& s : problem.lines) {
        const bool mesh = s.frameA == d && s.frameB == d;
        const bool between =
            (s.frameA == d && s.frameB == successor) || (s.frameB == d && s.frameA == successor);
        if (mesh || between) doomed.push_back(&s);
    }
    for (LineSegment* s : doomed) RemoveSegmentTracked(problem, s, tracked);

    // 4. Its other segments border the successor now, without specifications.
    for (LineSegment& s : problem.lines) {
        if (s.frameA != d && s.frameB != d) continue;
        if (s.frameA == d) s.frameA = successor;
        if (s.frameB == d) s.frameB = successor;
        s.valueSpec = s.fluxSpec = s.transferSpec = s.ambientSpec = 0;
    }
    Frame& freed = FrameRef(problem, d);
    freed = Frame{};

    // 5. Every remaining frame is rebuilt.
    RebuildOutlinesAndGeometry(problem);
}

// Whether node a can give way to the straight segment joining its neighbours e1 and e2:
// no other node lies in or on the triangle e1, a, e2 (in a drawing whose segments do
// not cross, a segment can reach that triangle only from such a node). Otherwise the
// new segment would cross other segments or run round another frame.
constexpr Real kOnJoinDistance = 1.0L;  // pixels

bool JoiningIsClear(const Problem& problem, int a, int e1, int e2) {
    auto at = [&](int n) { return RoundPoint(problem.nodes[n].x, problem.nodes[n].y); };
    const PixelPolygon triangle{at(e1), at(a), at(e2), at(e1)};
    std::vector<bool> used(static_cast<std::size_t>(problem.nodes.Count()) + 1, false);
    for (const LineSegment& s : problem.lines)
        for (const int n : {s.node1, s.node2})
            if (problem.nodes.Valid(n)) used[static_cast<std::size_t>(n)] = true;
    const Node& p = problem.nodes[e1];
    const Node& q = problem.nodes[e2];
    const Real dx = q.x - p.x, dy = q.y - p.y;
    const Real length2 = dx * dx + dy * dy;
    for (int n = 1; n <= problem.nodes.Count(); ++n) {
        if (n == a || n == e1 || n == e2 || !used[static_cast<std::size_t>(n)]) continue;
        if (LocatePoint(triangle, at(n)) != PointLocation::Outside) return false;
        // Rounded to pixels, a node on the joining segment itself (the midpoint of an
        // edge that a reduction split) can fall just outside the triangle; the segment
        // would run over it and the frame could lose its area.
        const Node& r = problem.nodes[n];
        const Real t = length2 > 0 ? ((r.x - p.x) * dx + (r.y - p.y) * dy) / length2 : 0;
        if (t <= 0 || t >= 1) continue;
        const Real cross = (r.x - p.x) * dy - (r.y - p.y) * dx;
        if (cross * cross < kOnJoinDistance * kOnJoinDistance * length2) return false;
    }
    // A segment that passed within a pixel of node a (closer than the pixel tests see)
    // can cross the join without any node in the triangle.
    auto turn = [](const Node& u, const Node& v, const Node& w) {
        const Real c = (v.x - u.x) * (w.y - u.y) - (v.y - u.y) * (w.x - u.x);
        return c > 0 ? 1 : (c < 0 ? -1 : 0);
    };
    for (const LineSegment& s : problem.lines) {
        if (!problem.nodes.Valid(s.node1) || !problem.nodes.Valid(s.node2)) continue;
        if (EndsAt(s, e1) || EndsAt(s, e2)) continue;
        const Node& c = problem.nodes[s.node1];
        const Node& d = problem.nodes[s.node2];
        if (turn(p, q, c) * turn(p, q, d) < 0 && turn(c, d, p) * turn(c, d, q) < 0) return false;
    }
    return true;
}

void DeleteNodeTracked(Problem& problem, int a, TrackedNodes& tracked) {
    if (!problem.nodes.Valid(a)) return;
    const std::size_t base = tracked.size();
    tracked.push_back(a);
    auto finish = [&]() { tracked.resize(base); };

    const LineSegment* first = nullptr;
    for (const LineSegment& s : problem.lines)
        if (EndsAt(s, a)) {
            first = &s;
            break;
        }
    if (first == nullptr) {
        RemoveNodeTracked(problem, a, tracked);
        return finish();
    }
    const int sideA = first->frameA, sideB = first->frameB;
    const bool interior = sideA == sideB;
    {
        SelectionKeeper keep(problem);
        if (problem.ValidFrame(sideA)) RebuildOutline(problem, sideA);
        if (problem.ValidFrame(sideB)) RebuildOutline(problem, sideB);
    }

    // A triangle that loses a corner is deleted (the higher number first, so that the
    // lower keeps its number).
    if (!interior) {
        std::vector<int> triangles;
        for (const int side : {sideA, sideB})
            if (problem.ValidFrame(side) && FrameRef(problem, side).VertexCount() <= 4)
                triangles.push_back(side);
        std::sort(triangles.rbegin(), triangles.rend());
        for (const int t : triangles) DeleteFrameTracked(problem, t, tracked);
    }
    a = tracked[base];
    if (a == 0) return finish();

    // The first two segments at the node go; its neighbours are joined.
    LineSegment* s1 = nullptr;
    LineSegment* s2 = nullptr;
    for (LineSegment& s : problem.lines) {
        if (!EndsAt(s, a)) continue;
        if (s1 == nullptr) {
            s1 = &s;
        } else {
            s2 = &s;
            break;
        }
    }
    if (s1 == nullptr) {
        RemoveNodeTracked(problem, a, tracked);
        return finish();
    }
    // A node whose neighbours cannot be joined straight stays, with a beep and the
    // message that lines must not cross.
    if (s2 != nullptr && OtherEnd(*s1, a) != OtherEnd(*s2, a) &&
        !JoiningIsClear(problem, a, OtherEnd(*s1, a), OtherEnd(*s2, a))) {
        ShowRuleHint(problem.reporter(), MessageId::EndpointOutsideOutline);
        return finish();
    }
    tracked.push_back(OtherEnd(*s1, a));
    tracked.push_back(s2 != nullptr ? OtherEnd(*s2, a) : 0);
    const int keepA = s2 != nullptr ? s2->frameA : 0;
    const int keepB = s2 != nullptr ? s2->frameB : 0;
    RemoveSegmentTracked(problem, s1, tracked);
    if (s2 != nullptr) RemoveSegmentTracked(problem, s2, tracked);
    const int e1 = tracked[base + 1], e2 = tracked[base + 2];
    a = tracked[base];
    if (problem.nodes.Valid(a) && !NodeUsed(problem, a)) RemoveNodeTracked(problem, a, tracked);

    if (s2 != nullptr && problem.nodes.Valid(e1) && problem.nodes.Valid(e2) && e1 != e2) {
        const bool existed = FindSegment(problem, e1, e2) != nullptr;
        LineSegment* joined = FindOrCreateSegment(problem, e1, e2, false);
        if (joined != nullptr && !(existed && interior)) {
            joined->valueSpec = joined->fluxSpec = joined->transferSpec = joined->ambientSpec = 0;
            joined->frameA = keepA;
            joined->frameB = keepB;
            SelectionKeeper keep(problem);
            if (problem.ValidFrame(keepA)) RebuildOutline(problem, keepA);
            if (keepB != keepA && problem.ValidFrame(keepB)) RebuildOutline(problem, keepB);
            if (problem.frameCount >= 1) RebuildFrameGeometry(problem, 1, false);
        }
    }
    finish();
}

// What a selection item names, for the Frames and Lumps states: a frame number.
int FrameOfItem(const Problem& problem, SelectType state, const SelectRec& item) {
    int k = item.selectNo;
    if (state == SelectType::Lumps && k > problem.nodes.Count()) k -= problem.nodes.Count();
    return problem.ValidFrame(k) ? k : 0;
}

}  // namespace

bool CanDelete(const Problem& problem) {
    const Selection& sel = problem.selection;
    switch (sel.state) {
        case SelectType::Frames:
        case SelectType::Lumps:
            return std::any_of(sel.items.begin(), sel.items.end(), [&](const SelectRec& r) {
                return r.segment == nullptr && FrameOfItem(problem, sel.state, r) != 0;
            });
        case SelectType::Points: {
            bool any = false;
            for (const SelectRec& r : sel.items) {
                if (r.segment != nullptr || !problem.nodes.Valid(r.selectNo)) continue;
                if (SegmentCountAt(problem, r.selectNo) > 2) return false;
                any = true;
            }
            return any;
        }
        case SelectType::Lines:
            return std::any_of(sel.items.begin(), sel.items.end(), [&](const SelectRec& r) {
                return r.segment != nullptr && problem.lines.Contains(r.segment);
            });
        default:
            return false;
    }
}

void RelinkLineList(Problem& problem) {
    problem.lines.Renumber();
}

void RemoveNode(Problem& problem, int a) {
    TrackedNodes none;
    RemoveNodeTracked(problem, a, none);
}

void RemoveSegment(Problem& problem, LineSegment* segment) {
    TrackedNodes none;
    RemoveSegmentTracked(problem, segment, none);
}

void DeleteFrame(Problem& problem, int k) {
    TrackedNodes none;
    DeleteFrameTracked(problem, k, none);
}

void DeleteNode(Problem& problem, int a) {
    TrackedNodes none;
    DeleteNodeTracked(problem, a, none);
}

int SegmentCountAt(const Problem& problem, int n) {
    return static_cast<int>(std::count_if(problem.lines.begin(), problem.lines.end(),
                                          [n](const LineSegment& s) { return EndsAt(s, n); }));
}

bool OutlineClosedBySegments(const Problem& problem, int k) {
    if (!problem.ValidFrame(k)) return false;
    const auto& v = problem.frames[k].vertices;
    if (v.size() < 4 || v.front() != v.back()) return false;
    // The segments with the frame on one side only, found in one pass over the list.
    std::vector<std::pair<int, int>> boundary;
    for (const LineSegment& s : problem.lines)
        if ((s.frameA == k) != (s.frameB == k)) boundary.emplace_back(s.node1, s.node2);
    std::sort(boundary.begin(), boundary.end());
    // A walk that ran into an open end closes back over the edge it came by; an
    // outline never follows one edge twice.
    std::set<std::pair<int, int>> edges;
    for (std::size_t j = 0; j + 1 < v.size(); ++j) {
        const std::pair<int, int> edge{std::min(v[j], v[j + 1]), std::max(v[j], v[j + 1])};
        if (!edges.insert(edge).second) return false;
        if (!std::binary_search(boundary.begin(), boundary.end(), edge)) return false;
    }
    return true;
}

std::vector<bool> FramesWithStrayBoundary(const Problem& problem) {
    const std::size_t slots = static_cast<std::size_t>(problem.frameCount) + 1;
    std::vector<std::set<std::pair<int, int>>> edges(slots);
    for (std::size_t k = 1; k < slots; ++k) {
        const auto& v = problem.frames[k].vertices;
        for (std::size_t j = 0; j + 1 < v.size(); ++j)
            edges[k].insert({std::min(v[j], v[j + 1]), std::max(v[j], v[j + 1])});
    }
    std::vector<bool> stray(slots, false);
    for (const LineSegment& s : problem.lines) {
        if (s.frameA == s.frameB) continue;
        const std::pair<int, int> e{s.node1, s.node2};
        bool onOutline = false;
        for (const int side : {s.frameA, s.frameB}) {
            if (!problem.ValidFrame(side)) continue;
            // A degenerate frame has no outline and is deleted as such.
            const auto& sideEdges = edges[static_cast<std::size_t>(side)];
            if (sideEdges.empty() || sideEdges.count(e) != 0) onOutline = true;
        }
        if (onOutline) continue;
        for (const int side : {s.frameA, s.frameB})
            if (problem.ValidFrame(side)) stray[static_cast<std::size_t>(side)] = true;
    }
    return stray;
}

void RefreshSplitOutlines(Problem& problem) {
    SelectionKeeper keep(problem);
    for (int k = 1; k <= problem.frameCount; ++k)
        if (!OutlineClosedBySegments(problem, k)) RebuildOutline(problem, k);
    if (problem.frameCount >= 1) RebuildFrameGeometry(problem, 1, false);
}

int SettleFrames(Problem& problem) {
    int deleted = 0;
    TrackedNodes none;
    // Every round deletes at least one frame, so there are at most 61 rounds.
    for (int round = 0; round <= kMaxFrames; ++round) {
        {
            SelectionKeeper keep(problem);
            RebuildAllFrames(problem);
        }
        const std::vector<bool> stray = FramesWithStrayBoundary(problem);
        std::vector<int> broken;
        for (int k = 1; k <= problem.frameCount; ++k)
            if (!OutlineClosedBySegments(problem, k) || stray[static_cast<std::size_t>(k)])
                broken.push_back(k);
        if (broken.empty()) break;
        std::sort(broken.rbegin(), broken.rend());
        for (const int k : broken) {
            DeleteFrameTracked(problem, k, none);
            ++deleted;
        }
    }
    return deleted;
}

// A segment with an end that no other segment reaches closes no outline and borders
// nothing. Such spurs can be left behind when a frame's lines go (the segment that tied
// the deleted frame to a neighbour's corner); they are removed, with nodes they alone
// used, until none is left. True when any was removed.
bool RemoveSpurs(Problem& problem) {
    TrackedNodes none;
    bool removed = false;
    for (;;) {
        std::vector<int> degree(static_cast<std::size_t>(problem.nodes.Count()) + 1, 0);
        for (const LineSegment& s : problem.lines) {
            if (problem.nodes.Valid(s.node1)) ++degree[static_cast<std::size_t>(s.node1)];
            if (problem.nodes.Valid(s.node2)) ++degree[static_cast<std::size_t>(s.node2)];
        }
        std::vector<LineSegment*> spurs;
        for (LineSegment& s : problem.lines) {
            const bool loose1 =
                problem.nodes.Valid(s.node1) && degree[static_cast<std::size_t>(s.node1)] == 1;
            const bool loose2 =
                problem.nodes.Valid(s.node2) && degree[static_cast<std::size_t>(s.node2)] == 1;
            if (loose1 || loose2) spurs.push_back(&s);
        }
        if (spurs.empty()) return removed;
        removed = true;
        // Node numbers move as nodes go, but the segment records stay where they are.
        for (LineSegment* s : spurs) RemoveSegmentTracked(problem, s, none);
    }
}

bool DeleteSelectedItems(Problem& problem) {
    if (!CanDelete(problem)) return false;
    const SelectType state = problem.selection.state;
    const std::vector<SelectRec> items = problem.selection.items;
    problem.MarkProblemChanged();
    problem.groups.clear();
    TrackedNodes tracked;
    switch (state) {
        case SelectType::Frames:
        case SelectType::Lumps: {
            for (const SelectRec& r : items)
                if (const int k = r.segment == nullptr ? FrameOfItem(problem, state, r) : 0)
                    FrameRef(problem, k).outlineStart = -999;
            for (;;) {
                int marked = 0;
                for (int k = 1; k <= problem.frameCount && marked == 0; ++k)
                    if (FrameRef(problem, k).outlineStart == -999) marked = k;
                if (marked == 0) break;
                DeleteFrameTracked(problem, marked, tracked);
            }
            break;
        }
        case SelectType::Points: {
            for (const SelectRec& r : items)
                if (r.segment == nullptr && problem.nodes.Valid(r.selectNo))
                    tracked.push_back(r.selectNo);
            const std::size_t count = tracked.size();
            for (std::size_t j = 0; j < count; ++j)
                if (tracked[j] != 0) DeleteNodeTracked(problem, tracked[j], tracked);
            break;
        }
        case SelectType::Lines: {
            RelinkLineList(problem);
            std::vector<LineSegment*> doomed;
            for (const SelectRec& r : items)
                if (r.segment != nullptr && problem.lines.Contains(r.segment))
                    doomed.push_back(r.segment);
            for (LineSegment* s : doomed) RemoveSegmentTracked(problem, s, tracked);
            break;
        }
        default:
            break;
    }
    ClearSelection(problem);
    RelinkLineList(problem);
    SettleFrames(problem);
    if (RemoveSpurs(problem)) SettleFrames(problem);
    problem.ClassifyNodes();
    return true;
}

}  // namespace kova

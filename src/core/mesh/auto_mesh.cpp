#include "mesh/auto_mesh.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "geometry/frame_rebuild.hpp"
#include "geometry/primitives.hpp"
#include "geometry/region.hpp"
#include "mesh/mesh_segments.hpp"
#include "mesh/restore_points.hpp"

namespace kova {
namespace {

const Frame& FrameOf(const Problem& problem, int k) {
    return problem.frames[k];
}

// The frame's boundary nodes, each once, from the outline start (no closing repeat).
std::vector<int> DistinctBoundaryNodes(const Problem& problem, int f) {
    const auto& v = FrameOf(problem, f).vertices;
    if (v.size() < 4) return {};
    return std::vector<int>(v.begin(), v.end() - 1);
}

bool HasElementLine(const Problem& problem, int f) {
    return std::any_of(problem.lines.begin(), problem.lines.end(),
                       [f](const LineSegment& s) { return s.frameA == f && s.frameB == f; });
}

bool IsOutlineSegmentOf(const LineSegment& s, int f) {
    return (s.frameA == f) != (s.frameB == f);
}

Real Length(const Problem& problem, const LineSegment& s) {
    const Node& a = problem.nodes[s.node1];
    const Node& b = problem.nodes[s.node2];
    return std::hypot(b.x - a.x, b.y - a.y);
}

// A copy of `old` (side frames, boundary conditions, flags, element count) joining
// nodes a and b, appended at the tail of the list with its own area factor.
LineSegment* AppendCopy(Problem& problem, const LineSegment& old, int a, int b) {
    LineSegment* s = problem.NewLineSegment(problem.lines.Count() + 1);
    if (s == nullptr) return nullptr;
    const int number = s->number;
    *s = old;
    s->number = number;
    s->node1 = std::min(a, b);
    s->node2 = std::max(a, b);
    s->areaFactor = problem.AreaFactor(*s);
    return s;
}

// The ear clipper of one frame over one polygon list.
class EarClipper {
public:
    EarClipper(Problem& problem, int f) : m_problem(problem), m_frame(f) {}

    // Clips the list down to its last triangle; false when more than three entries are
    // left after the pass limit.
    bool Clip(std::vector<int> list) {
        m_list = std::move(list);
        m_turn = ListTurn();
        for (int pass = 0; pass < kEarClipPassLimit && m_list.size() > 3; ++pass) {
            for (std::size_t i = 0; i < m_list.size() && m_list.size() > 3; ++i)
                if (TryEar(i)) m_list.erase(m_list.begin() + static_cast<std::ptrdiff_t>(i));
        }
        return m_list.size() <= 3;
    }

private:
    bool Exists(int a, int b) const { return FindSegment(m_problem, a, b) != nullptr; }

    // Makes the element line a-b when both of its test points lie in the frame and it
    // crosses no segment; otherwise takes it away again.
    LineSegment* TryCreateSegment(int a, int b) {
        LineSegment* s = CreateInteriorSegment(m_problem, a, b, m_frame);
        if (s == nullptr) return nullptr;
        const TestPointPair t = TestPoints(m_problem, *s, kEarSideOffset);
        const Node& na = m_problem.nodes[a];
        const Node& nb = m_problem.nodes[b];
        const bool ok = FrameAtPoint(m_problem, t.x1, t.y1) == m_frame &&
                        FrameAtPoint(m_problem, t.x2, t.y2) == m_frame &&
                        CrossingCheck(m_problem, s, na.x, na.y, nb.x, nb.y).pass &&
                        !CrossesAnySegment(m_problem, a, b);
        if (ok) return s;
        m_problem.RemoveLineSegment(s);
        return nullptr;
    }

    // Whether a node other than the three lies in (or on) the triangle, all positions
    // taken to whole pixels.
    bool NodeInTriangle(int a, int b, int c) const {
        const Node& na = m_problem.nodes[a];
        const Node& nb = m_problem.nodes[b];
        const Node& nc = m_problem.nodes[c];
        const PixelPolygon tri{RoundPoint(na.x, na.y), RoundPoint(nb.x, nb.y),
                               RoundPoint(nc.x, nc.y)};
        const std::int32_t left = std::min({tri[0].x, tri[1].x, tri[2].x});
        const std::int32_t right = std::max({tri[0].x, tri[1].x, tri[2].x});
        const std::int32_t top = std::min({tri[0].y, tri[1].y, tri[2].y});
        const std::int32_t bottom = std::max({tri[0].y, tri[1].y, tri[2].y});
        for (int n = 1; n <= m_problem.nodes.Count(); ++n) {
            if (n == a || n == b || n == c) continue;
            const Node& node = m_problem.nodes[n];
            const PixelPoint p = RoundPoint(node.x, node.y);
            if (p.x < left || p.x > right || p.y < top || p.y > bottom) continue;
            if (LocatePoint(tri, p) != PointLocation::Outside) return true;
        }
        return false;
    }

    bool TryEar(std::size_t i) {
        const std::size_t n = m_list.size();
        const int cur = m_list[i];
        const int prev = i == 0 ? m_list[n - 1] : m_list[i - 1];
        // The list of a frame with a hole starts and ends with the same node, so the
        // wrap from the last entry goes to entry 1.
        const int next = i + 1 == n ? m_list[1] : m_list[i + 1];
        if (prev == cur || cur == next || prev == next) return false;

        LineSegment* made = nullptr;
        if (!Exists(prev, next)) {
            made = TryCreateSegment(prev, next);
            if (made == nullptr) return false;
        }
        auto dropMade = [&] {
            if (made != nullptr) m_problem.RemoveLineSegment(made);
        };
        if (!Exists(cur, next)) {
            TryCreateSegment(cur, next);  // kept when it can be made
            dropMade();
            return false;
        }
        if (!Exists(prev, cur)) {
            TryCreateSegment(prev, cur);
            dropMade();
            return false;
        }
        // An ear turns the way the polygon runs: at a reflex corner the triangle lies
        // outside the polygon, even when its third side exists already (an element line
        // of a neighbouring frame, say).
        if (Turn(prev, cur, next) != m_turn || NodeInTriangle(prev, cur, next)) {
            dropMade();
            return false;
        }
        return true;
    }

    // Sign of the turn a -> b -> c in exact arithmetic on the node positions.
    int Turn(int a, int b, int c) const {
        const Node& na = m_problem.nodes[a];
        const Node& nb = m_problem.nodes[b];
        const Node& nc = m_problem.nodes[c];
        const Real cross = (nb.x - na.x) * (nc.y - na.y) - (nb.y - na.y) * (nc.x - na.x);
        return cross > 0 ? 1 : (cross < 0 ? -1 : 0);
    }

    // The way the polygon list runs: the sign of its area.
    int ListTurn() const {
        Real sum = 0;
        for (std::size_t j = 0; j < m_list.size(); ++j) {
            const Node& a = m_problem.nodes[m_list[j]];
            const Node& b = m_problem.nodes[m_list[(j + 1) % m_list.size()]];
            sum += a.x * b.y - b.x * a.y;
        }
        return sum > 0 ? 1 : (sum < 0 ? -1 : 0);
    }

    Problem& m_problem;
    int m_frame;
    std::vector<int> m_list;
    int m_turn = 0;
};

// g's distinct outline nodes walked from B (backward or forward through the list, with
// wrap-around) up to A inclusive.
std::vector<int> WalkHole(const std::vector<int>& hole, int from, int to, bool backward) {
    std::vector<int> out;
    const auto start = std::find(hole.begin(), hole.end(), from);
    if (start == hole.end()) return out;
    const std::size_t n = hole.size();
    std::size_t idx = static_cast<std::size_t>(start - hole.begin());
    for (std::size_t steps = 0; steps <= n; ++steps) {
        out.push_back(hole[idx]);
        if (hole[idx] == to) return out;
        idx = backward ? (idx == 0 ? n - 1 : idx - 1) : (idx + 1 == n ? 0 : idx + 1);
    }
    return {};  // `to` is not on the hole's outline
}

// One half of an annular frame: A, the outer entries given, then B and the hole's nodes
// up to A. Empty when the geometry does not allow it.
std::vector<int> HalfList(const Problem& problem, int f, int g, bool firstHalf, bool backward) {
    const auto& fv = FrameOf(problem, f).vertices;
    const std::vector<int> hole = DistinctBoundaryNodes(problem, g);
    if (fv.size() < 4 || hole.empty()) return {};
    const std::size_t vf = fv.size();
    const std::size_t mid = (vf + 1) / 2;  // 1-based entry of M
    const int a = Nearest(problem, fv.front(), g);
    const int b = Nearest(problem, fv[mid - 1], g);
    std::vector<int> list{a};
    if (firstHalf) {
        for (std::size_t j = 0; j < mid; ++j) list.push_back(fv[j]);
    } else {
        for (std::size_t j = vf; j >= mid; --j) list.push_back(fv[j - 1]);
    }
    const std::vector<int> walk = WalkHole(hole, b, a, backward);
    if (walk.empty()) return {};
    list.insert(list.end(), walk.begin(), walk.end());
    return list;
}

std::vector<int> ChosenFrames(const Problem& problem) {
    std::vector<int> chosen;
    if (problem.selection.state == SelectType::Frames) {
        for (const SelectRec& r : problem.selection.items) {
            int k = r.selectNo;
            if (k > problem.nodes.Count()) k -= problem.nodes.Count();
            if (problem.ValidFrame(k)) chosen.push_back(k);
        }
        std::sort(chosen.begin(), chosen.end());
        chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    }
    if (chosen.empty())
        for (int k = 1; k <= problem.frameCount; ++k) chosen.push_back(k);
    return chosen;
}

void SplitAllLongSegments(Problem& problem) {
    for (int k = 1; k <= problem.frameCount; ++k) SplitLongSegments(problem, k);
    // The ear clipper walks the vertex lists, so they must hold the new midpoints.
    RebuildAllFrames(problem);
}

}  // namespace

std::string UnableToAutomeshMessage(int f) {
    return "Unable to automesh frame " + std::to_string(f) +
           ".  Use the Element Lines menu item in the Draw menu to manually break the frame "
           "into triangles.";
}

AutoMeshResult AutoMeshFrames(Problem& problem, RestorePoints& points) {
    AutoMeshResult result;
    const std::vector<int> chosen = ChosenFrames(problem);
    bool allFrames = static_cast<int>(chosen.size()) == problem.frameCount;

    // After a meshed frame only the newest restore point is ever needed.
    auto frameDone = [&](int f) {
        points.DropAll();
        points.Push("AutoMesh " + std::to_string(f));
        result.meshed.push_back(f);
    };

    for (const int f : chosen) {
        if (!problem.FrameIsDistributed(f) || FrameOf(problem, f).vertices.size() < 4) continue;
        if (!HasElementLine(problem, f) && FanMesh(problem, f, points)) {
            frameDone(f);
            continue;
        }
        bool meshed = false;
        while (true) {
            if (allFrames) SplitAllLongSegments(problem);
            if (EarClipFrame(problem, f, points)) {
                meshed = true;
                break;
            }
            // Take this attempt back, the splitting included.
            points.Restore(false);
            if (!allFrames) break;
            allFrames = false;
        }
        if (meshed) {
            frameDone(f);
        } else {
            problem.reporter().ShowError(UnableToAutomeshMessage(f));
            result.failed.push_back(f);
        }
    }

    points.DropAll();
    problem.ClassifyNodes();
    problem.MarkProblemChanged();
    return result;
}

bool FanMesh(Problem& problem, int f, RestorePoints& points) {
    const std::vector<int> boundary = DistinctBoundaryNodes(problem, f);
    if (boundary.size() < 3) return false;
    Real xmin = std::numeric_limits<Real>::infinity(), xmax = -xmin;
    Real ymin = xmin, ymax = -xmin;
    Real sx = 0, sy = 0;
    for (const int n : boundary) {
        const Node& node = problem.nodes[n];
        xmin = std::min(xmin, node.x);
        xmax = std::max(xmax, node.x);
        ymin = std::min(ymin, node.y);
        ymax = std::max(ymax, node.y);
        sx += node.x;
        sy += node.y;
    }
    if (!(xmax > xmin)) return false;
    const Real aspect = (ymax - ymin) / (xmax - xmin);
    if (aspect < kFanAspectMin || aspect > kFanAspectMax) return false;
    const Real cx = sx / static_cast<Real>(boundary.size());
    const Real cy = sy / static_cast<Real>(boundary.size());
    if (!PointInFrame(problem, f, cx, cy)) return false;
    // A hole inside one of the fan's triangles would be covered by it.
    if (!HolesOf(problem, f).empty()) return false;

    points.Push("AutoMesh (temp)");
    auto fail = [&] {
        points.Restore(true);
        return false;
    };
    const int centre = AddMeshNode(problem, cx, cy, problem.nodes[boundary.front()].initialValue);
    if (centre == 0) return fail();
    for (const int n : boundary) {
        const Node& node = problem.nodes[n];
        if (!CrossingCheck(problem, nullptr, cx, cy, node.x, node.y).pass ||
            CrossesAnySegment(problem, centre, n))
            return fail();
        if (FindSegment(problem, n, centre) != nullptr) continue;
        if (CreateInteriorSegment(problem, n, centre, f) == nullptr) return fail();
    }
    return true;
}

void SplitLongSegments(Problem& problem, int f) {
    // A segment of no length (two corners on one spot) would make every other segment
    // "long" without end; it does not count.
    Real shortest = kInfinityMarker;
    for (const LineSegment& s : problem.lines) {
        if (!IsOutlineSegmentOf(s, f)) continue;
        const Real length = Length(problem, s);
        if (length > 0) shortest = std::min(shortest, length);
    }
    const Real limit = kSplitFactor * shortest;

    // Halving a segment k times adds 2^k - 1 nodes. A frame whose splitting would pass
    // the node limit (a tiny segment beside long ones) is left unsplit.
    long long needed = 0;
    for (const LineSegment& s : problem.lines) {
        if (!IsOutlineSegmentOf(s, f)) continue;
        long long pieces = 1;
        for (Real length = Length(problem, s); length > limit && pieces <= kNodeLimit; length /= 2)
            pieces *= 2;
        needed += pieces - 1;
        if (problem.nodes.Count() + needed > kNodeLimit) return;
    }

    for (auto it = problem.lines.begin(); it != problem.lines.end();) {
        LineSegment& s = *it;
        if (!IsOutlineSegmentOf(s, f) || !(Length(problem, s) > limit)) {
            ++it;
            continue;
        }
        const LineSegment old = s;
        const Node& first = problem.nodes[old.node1];
        const Node& second = problem.nodes[old.node2];
        const int m = AddMeshNode(problem, (first.x + second.x) / 2, (first.y + second.y) / 2,
                                  first.initialValue);
        if (m == 0) {
            ++it;
            continue;
        }
        // Both halves are appended at the tail of the list, where the walk meets them.
        LineSegment* firstHalf = AppendCopy(problem, old, old.node1, m);
        LineSegment* secondHalf =
            firstHalf != nullptr ? AppendCopy(problem, old, m, old.node2) : nullptr;
        if (secondHalf == nullptr) {
            if (firstHalf != nullptr) problem.RemoveLineSegment(firstHalf);
            problem.nodes.PopLast();
            ++it;
            continue;
        }
        for (SelectionGroup& group : problem.groups)
            for (SelectRec& r : group.items)
                if (r.segment == &s) r.segment = firstHalf;
        KeepGroupsWhole(problem, firstHalf, secondHalf, old.node1, old.node2, m);
        if (old.valueSpec != 0) {
            for (const int n : {old.node1, m, old.node2})
                problem.nodes[n].valueSpec = static_cast<std::int16_t>(old.valueSpec);
        }
        const auto next = std::next(it);
        problem.RemoveLineSegment(&s);
        it = next;
    }
}

std::vector<int> HolesOf(const Problem& problem, int f) {
    std::vector<int> holes;
    for (int g = 1; g <= problem.frameCount; ++g) {
        if (g == f || FrameOf(problem, g).vertices.size() < 4) continue;
        bool any = false, all = true;
        for (const LineSegment& s : problem.lines) {
            if (!IsOutlineSegmentOf(s, g)) continue;
            any = true;
            if ((s.frameA == g ? s.frameB : s.frameA) != f) {
                all = false;
                break;
            }
        }
        if (any && all) holes.push_back(g);
    }
    return holes;
}

bool EarClipFrame(Problem& problem, int f, RestorePoints& points) {
    const std::vector<int> holes = HolesOf(problem, f);
    if (holes.size() > 1) return false;  // one hole at most
    EarClipper clipper(problem, f);
    if (holes.empty()) return clipper.Clip(DistinctBoundaryNodes(problem, f));

    const int g = holes.front();
    for (const bool backward : {true, false}) {
        // The lists are taken from the current geometry: a restore may have undone the
        // splitting of long segments.
        const std::vector<int> first = HalfList(problem, f, g, true, backward);
        if (!first.empty() && clipper.Clip(first)) {
            const std::vector<int> second = HalfList(problem, f, g, false, !backward);
            return !second.empty() && clipper.Clip(second);
        }
        points.Restore(false);
    }
    return false;
}

int Nearest(const Problem& problem, int p, int g) {
    const std::vector<int> nodes = DistinctBoundaryNodes(problem, g);
    if (nodes.empty() || !problem.nodes.Valid(p)) return 0;
    const Node& from = problem.nodes[p];
    int best = 0;
    Real bestDistance = kInfinityMarker;
    for (const int n : nodes) {
        const Node& node = problem.nodes[n];
        const Real d = std::hypot(node.x - from.x, node.y - from.y);
        if (d < bestDistance) {
            bestDistance = d;
            best = n;
        }
    }
    return best;
}

}  // namespace kova

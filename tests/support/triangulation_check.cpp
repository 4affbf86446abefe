#include "support/triangulation_check.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <sstream>
#include <tuple>

#include "geometry/primitives.hpp"
#include "solver/element_table.hpp"

namespace kova::testing {
namespace {

struct P {
    Real x = 0, y = 0;
};

template <typename... Parts>
std::string Text(const Parts&... parts) {
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}

P At(const Problem& problem, int n) {
    return {problem.nodes[n].x, problem.nodes[n].y};
}

int Orient(P a, P b, P c) {
    const Real cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    return cross > 0 ? 1 : (cross < 0 ? -1 : 0);
}

// c lies on the closed segment a-b (collinear and within its box).
bool OnClosedSegment(P c, P a, P b) {
    return Orient(a, b, c) == 0 && std::min(a.x, b.x) <= c.x && c.x <= std::max(a.x, b.x) &&
           std::min(a.y, b.y) <= c.y && c.y <= std::max(a.y, b.y);
}

Real DoubleArea(const std::vector<P>& poly) {
    Real sum = 0;
    for (std::size_t j = 0; j + 1 < poly.size(); ++j)
        sum += poly[j].x * poly[j + 1].y - poly[j + 1].x * poly[j].y;
    return sum;
}

// Winding number of a closed polygon (first point repeated last) around p.
int Winding(const std::vector<P>& poly, P p) {
    int w = 0;
    for (std::size_t j = 0; j + 1 < poly.size(); ++j) {
        const P a = poly[j], b = poly[j + 1];
        if (a.y <= p.y) {
            if (b.y > p.y && Orient(a, b, p) > 0) ++w;
        } else if (b.y <= p.y && Orient(a, b, p) < 0) {
            --w;
        }
    }
    return w;
}

std::vector<P> OutlineOf(const Problem& problem, int f) {
    std::vector<P> poly;
    const Frame& frame = problem.frames[f];
    if (frame.vertices.size() < 4) return poly;
    for (const int n : frame.vertices) {
        if (!problem.nodes.Valid(n)) return {};
        poly.push_back(At(problem, n));
    }
    return poly;
}

struct Box {
    Real left, top, right, bottom;
};
Box BoxOf(std::initializer_list<P> points) {
    Box b{points.begin()->x, points.begin()->y, points.begin()->x, points.begin()->y};
    for (const P& p : points) {
        b.left = std::min(b.left, p.x);
        b.right = std::max(b.right, p.x);
        b.top = std::min(b.top, p.y);
        b.bottom = std::max(b.bottom, p.y);
    }
    return b;
}
bool Meet(const Box& a, const Box& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

void CheckSegments(const Problem& problem, std::vector<std::string>& out) {
    struct Seg {
        int a, b;
        P pa, pb;
        Box box;
    };
    std::vector<Seg> segs;
    for (const LineSegment& s : problem.lines) {
        if (!problem.nodes.Valid(s.node1) || !problem.nodes.Valid(s.node2)) continue;
        const P pa = At(problem, s.node1), pb = At(problem, s.node2);
        segs.push_back({s.node1, s.node2, pa, pb, BoxOf({pa, pb})});
    }
    std::sort(segs.begin(), segs.end(),
              [](const Seg& l, const Seg& r) { return l.box.left < r.box.left; });
    for (std::size_t i = 0; i < segs.size(); ++i) {
        const Seg& s = segs[i];
        for (std::size_t j = i + 1; j < segs.size() && segs[j].box.left <= s.box.right; ++j) {
            const Seg& t = segs[j];
            if (!Meet(s.box, t.box)) continue;
            const bool shared = s.a == t.a || s.a == t.b || s.b == t.a || s.b == t.b;
            const int o1 = Orient(s.pa, s.pb, t.pa), o2 = Orient(s.pa, s.pb, t.pb);
            const int o3 = Orient(t.pa, t.pb, s.pa), o4 = Orient(t.pa, t.pb, s.pb);
            bool bad = false;
            if (shared) {
                // Two segments from one node overlap when they run the same way.
                const int common = (s.a == t.a || s.a == t.b) ? s.a : s.b;
                const P far1 = common == s.a ? s.pb : s.pa;
                const P far2 = (common == t.a) ? t.pb : t.pa;
                const P c = common == s.a ? s.pa : s.pb;
                bad = Orient(c, far1, far2) == 0 &&
                      (far1.x - c.x) * (far2.x - c.x) + (far1.y - c.y) * (far2.y - c.y) > 0;
            } else if (o1 * o2 < 0 && o3 * o4 < 0) {
                bad = true;
            } else {
                bad = OnClosedSegment(t.pa, s.pa, s.pb) || OnClosedSegment(t.pb, s.pa, s.pb) ||
                      OnClosedSegment(s.pa, t.pa, t.pb) || OnClosedSegment(s.pb, t.pa, t.pb);
            }
            if (bad)
                out.push_back(Text("segments ", s.a, "-", s.b, " and ", t.a, "-", t.b,
                                   " cross, overlap or touch inside"));
        }
    }
    // A node inside a segment it does not end: a T-junction.
    for (int n = 1; n <= problem.nodes.Count(); ++n) {
        const P p = At(problem, n);
        for (const Seg& s : segs) {
            if (s.a == n || s.b == n || p.x < s.box.left || p.x > s.box.right || p.y < s.box.top ||
                p.y > s.box.bottom)
                continue;
            if (OnClosedSegment(p, s.pa, s.pb))
                out.push_back(Text("node ", n, " lies inside segment ", s.a, "-", s.b));
        }
    }
}

// The frame holding point p: the innermost frame whose outline winds around it.
int FrameHolding(const Problem& problem, const std::vector<std::vector<P>>& outlines, P p) {
    int best = 0;
    Real bestArea = 0;
    for (int k = 1; k <= problem.frameCount; ++k) {
        const auto& poly = outlines[static_cast<std::size_t>(k)];
        if (poly.empty() || Winding(poly, p) == 0) continue;
        const Real a = std::fabs(DoubleArea(poly));
        if (best == 0 || a < bestArea) {
            best = k;
            bestArea = a;
        }
    }
    return best;
}

Real AngleAt(P a, P b, P c) {  // the angle at a
    const Real ux = b.x - a.x, uy = b.y - a.y, vx = c.x - a.x, vy = c.y - a.y;
    return std::atan2(std::fabs(ux * vy - uy * vx), ux * vx + uy * vy) * 180 /
           std::numbers::pi_v<Real>;
}

}  // namespace

Real NetPixelArea(const Problem& problem, int f) {
    Real area = std::fabs(DoubleArea(OutlineOf(problem, f))) / 2;
    for (int g = 1; g <= problem.frameCount; ++g) {
        if (g == f) continue;
        const IslandResult island = FrameIsland(problem, g);
        if (island.island && island.enclosing == f)
            area -= std::fabs(DoubleArea(OutlineOf(problem, g))) / 2;
    }
    return area;
}

TriangulationReport CheckTriangulation(const Problem& problem, const std::vector<int>& frames) {
    TriangulationReport report;
    std::set<int> checked(frames.begin(), frames.end());
    if (checked.empty())
        for (int k = 1; k <= problem.frameCount; ++k)
            if (problem.FrameIsDistributed(k)) checked.insert(k);

    CheckSegments(problem, report.violations);

    const int n = problem.nodes.Count();
    std::vector<std::set<int>> adjacent(static_cast<std::size_t>(n) + 1);
    for (const LineSegment& s : problem.lines) {
        if (!problem.nodes.Valid(s.node1) || !problem.nodes.Valid(s.node2)) continue;
        adjacent[static_cast<std::size_t>(s.node1)].insert(s.node2);
        adjacent[static_cast<std::size_t>(s.node2)].insert(s.node1);
    }
    std::vector<std::vector<P>> outlines(static_cast<std::size_t>(problem.frameCount) + 1);
    for (int k = 1; k <= problem.frameCount; ++k)
        outlines[static_cast<std::size_t>(k)] = OutlineOf(problem, k);
    std::vector<int> byX(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) byX[static_cast<std::size_t>(i)] = i + 1;
    std::sort(byX.begin(), byX.end(),
              [&](int l, int r) { return problem.nodes[l].x < problem.nodes[r].x; });

    std::map<std::pair<int, int>, int> uses;
    std::map<int, Real> areaSum;
    for (int a = 1; a <= n; ++a) {
        for (const int b : adjacent[static_cast<std::size_t>(a)]) {
            if (b <= a) continue;
            for (const int c : adjacent[static_cast<std::size_t>(b)]) {
                if (c <= b || adjacent[static_cast<std::size_t>(a)].count(c) == 0) continue;
                const P pa = At(problem, a), pb = At(problem, b), pc = At(problem, c);
                const Box box = BoxOf({pa, pb, pc});
                // Three segments that enclose another node are not a triangle of the mesh.
                bool empty = true;
                auto from = std::lower_bound(byX.begin(), byX.end(), box.left,
                                             [&](int i, Real x) { return problem.nodes[i].x < x; });
                for (auto it = from; it != byX.end() && problem.nodes[*it].x <= box.right; ++it) {
                    const int m = *it;
                    if (m == a || m == b || m == c) continue;
                    const P pm = At(problem, m);
                    if (pm.y < box.top || pm.y > box.bottom) continue;
                    const int s1 = Orient(pa, pb, pm), s2 = Orient(pb, pc, pm),
                              s3 = Orient(pc, pa, pm);
                    if ((s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0)) {
                        empty = false;
                        break;
                    }
                }
                if (!empty) continue;
                const P centroid{(pa.x + pb.x + pc.x) / 3, (pa.y + pb.y + pc.y) / 3};
                const int frame = FrameHolding(problem, outlines, centroid);
                if (checked.count(frame) == 0) continue;
                const Real area = std::fabs(DoubleArea({pa, pb, pc, pa})) / 2;
                if (!(area > 0)) {
                    report.violations.push_back(Text("degenerate triangle ", a, " ", b, " ", c));
                    continue;
                }
                report.triangles.push_back({{a, b, c}, frame, area});
                areaSum[frame] += area;
                ++uses[{a, b}];
                ++uses[{b, c}];
                ++uses[{a, c}];
                report.smallestAngleDegrees =
                    std::min({report.smallestAngleDegrees, AngleAt(pa, pb, pc), AngleAt(pb, pc, pa),
                              AngleAt(pc, pa, pb)});
            }
        }
    }

    for (const int f : checked) {
        const Real expected = NetPixelArea(problem, f);
        const Real got = areaSum[f];
        if (std::fabs(got - expected) > 1e-9L * expected + 1e-6L)
            report.violations.push_back(
                Text("frame ", f, " has area ", expected, " but its triangles cover ", got));
    }
    for (const LineSegment& s : problem.lines) {
        const int expected =
            (checked.count(s.frameA) != 0 ? 1 : 0) + (checked.count(s.frameB) != 0 ? 1 : 0);
        const auto it = uses.find({s.node1, s.node2});
        const int got = it == uses.end() ? 0 : it->second;
        if (got != expected)
            report.violations.push_back(Text("segment ", s.node1, "-", s.node2, " (frames ",
                                             s.frameA, "/", s.frameB, ") has ", got,
                                             " triangles, expected ", expected));
    }

    // No two triangles share interior points: some edge of one separates them.
    auto& tris = report.triangles;
    std::vector<std::size_t> order(tris.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto boxOf = [&](const FoundTriangle& t) {
        return BoxOf({At(problem, t.nodes[0]), At(problem, t.nodes[1]), At(problem, t.nodes[2])});
    };
    std::sort(order.begin(), order.end(), [&](std::size_t l, std::size_t r) {
        return boxOf(tris[l]).left < boxOf(tris[r]).left;
    });
    auto separated = [&](const FoundTriangle& t, const FoundTriangle& u) {
        P p[3] = {At(problem, t.nodes[0]), At(problem, t.nodes[1]), At(problem, t.nodes[2])};
        if (Orient(p[0], p[1], p[2]) < 0) std::swap(p[1], p[2]);
        const P q[3] = {At(problem, u.nodes[0]), At(problem, u.nodes[1]), At(problem, u.nodes[2])};
        for (int e = 0; e < 3; ++e) {
            const P a = p[e], b = p[(e + 1) % 3];
            if (Orient(a, b, q[0]) <= 0 && Orient(a, b, q[1]) <= 0 && Orient(a, b, q[2]) <= 0)
                return true;
        }
        return false;
    };
    for (std::size_t i = 0; i < order.size(); ++i) {
        const FoundTriangle& t = tris[order[i]];
        const Box bt = boxOf(t);
        for (std::size_t j = i + 1; j < order.size(); ++j) {
            const FoundTriangle& u = tris[order[j]];
            const Box bu = boxOf(u);
            if (bu.left > bt.right) break;
            if (!Meet(bt, bu) || separated(t, u) || separated(u, t)) continue;
            report.violations.push_back(Text("triangles ", t.nodes[0], " ", t.nodes[1], " ",
                                             t.nodes[2], " and ", u.nodes[0], " ", u.nodes[1], " ",
                                             u.nodes[2], " overlap"));
        }
    }
    return report;
}

std::vector<std::string> CompareWithElementBuilder(Problem& problem,
                                                   const TriangulationReport& report) {
    std::vector<std::string> out;
    const Selection before = problem.selection;
    for (LineSegment& s : problem.lines) s.elementCount = 0;
    ElementTable table;
    CheckMarks marks;
    if (!BuildElements(problem, table, marks)) return {"the element builder ran out of memory"};
    problem.selection = before;
    if (marks.errorFound) out.push_back("the element builder marked segments");
    std::set<int> frames;
    for (const FoundTriangle& t : report.triangles) frames.insert(t.frame);
    std::set<std::tuple<int, int, int, int>> expected, built;
    for (const FoundTriangle& t : report.triangles)
        expected.insert({t.nodes[0], t.nodes[1], t.nodes[2], t.frame});
    for (const Element& e : table)
        if (frames.count(e.frame) != 0) built.insert({e.nodes[0], e.nodes[1], e.nodes[2], e.frame});
    for (const auto& t : expected)
        if (built.count(t) == 0)
            out.push_back(Text("triangle ", std::get<0>(t), " ", std::get<1>(t), " ",
                               std::get<2>(t), " of frame ", std::get<3>(t), " was not built"));
    for (const auto& t : built)
        if (expected.count(t) == 0)
            out.push_back(Text("element ", std::get<0>(t), " ", std::get<1>(t), " ", std::get<2>(t),
                               " of frame ", std::get<3>(t), " is no triangle"));
    return out;
}

int ElementLinesIn(const Problem& problem, int f) {
    int count = 0;
    for (const LineSegment& s : problem.lines) count += (s.frameA == f && s.frameB == f) ? 1 : 0;
    return count;
}

}  // namespace kova::testing

#include "support/model_invariants.hpp"

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>
#include <utility>

#include "geometry/exact_predicates.hpp"
#include "geometry/region.hpp"

namespace kova::testing {
namespace {

template <typename... Parts>
std::string Text(const Parts&... parts) {
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}

Real PixelPerimeter(const std::vector<PixelPoint>& polygon) {
    Real sum = 0;
    for (std::size_t j = 0; j + 1 < polygon.size(); ++j)
        sum += std::hypot(static_cast<Real>(polygon[j + 1].x - polygon[j].x),
                          static_cast<Real>(polygon[j + 1].y - polygon[j].y));
    return sum;
}

void CheckSegments(const Problem& problem, std::vector<std::string>& out) {
    std::set<std::pair<int, int>> seen;
    int position = 0;
    for (const LineSegment& s : problem.lines) {
        ++position;
        const std::string name = Text("segment ", position, " (", s.node1, "-", s.node2, ")");
        if (!problem.nodes.Valid(s.node1) || !problem.nodes.Valid(s.node2))
            out.push_back(name + " names a node that does not exist");
        if (s.node1 >= s.node2) out.push_back(name + " does not have its smaller node first");
        for (const int side : {s.frameA, s.frameB})
            if (side < 0 || side > problem.frameCount)
                out.push_back(Text(name, " has side frame ", side, " that does not exist"));
        if (!seen.insert({std::min(s.node1, s.node2), std::max(s.node1, s.node2)}).second)
            out.push_back(name + " duplicates another segment");
    }
}

void CheckFrame(const Problem& problem, int k, const InvariantOptions& options,
                std::vector<std::string>& out) {
    const Frame& f = problem.frames[k];
    const std::string name = Text("frame ", k);
    if (!(f.area >= 0) || !std::isfinite(f.area)) out.push_back(Text(name, " has area ", f.area));
    if (!(f.volume >= 0) || !std::isfinite(f.volume))
        out.push_back(Text(name, " has volume ", f.volume));
    if (f.outlineStart != 0 && f.outlineStart != -999 && !problem.nodes.Valid(f.outlineStart))
        out.push_back(Text(name, " starts at node ", f.outlineStart, " that does not exist"));
    if (f.vertices.empty()) {
        if (!options.allowEmptyFrames) out.push_back(name + " has no outline");
        if (f.area != 0) out.push_back(name + " has no outline but an area");
        return;
    }
    const auto& v = f.vertices;
    if (v.size() < 4) out.push_back(Text(name, " has only ", v.size(), " vertex entries"));
    if (v.front() != v.back()) out.push_back(name + " has an outline that is not closed");
    for (const std::int32_t n : v)
        if (!problem.nodes.Valid(n)) {
            out.push_back(Text(name, " names node ", n, " that does not exist"));
            return;
        }
    std::set<std::int32_t> distinct(v.begin(), v.end());
    if (distinct.size() < 3) out.push_back(name + " has fewer than three distinct vertices");
    if (!options.allowFlatFrames && f.area == 0) out.push_back(name + " has no area");
    if (options.requireOutlineSegments) {
        for (std::size_t j = 0; j + 1 < v.size(); ++j) {
            const int a = std::min(v[j], v[j + 1]), b = std::max(v[j], v[j + 1]);
            const bool joined =
                std::any_of(problem.lines.begin(), problem.lines.end(), [&](const LineSegment& s) {
                    return s.node1 == a && s.node2 == b && ((s.frameA == k) != (s.frameB == k));
                });
            if (!joined)
                out.push_back(Text(name, " has no boundary segment between ", a, " and ", b));
        }
    }

    // Pixel polygon and bounds follow the vertices.
    if (f.pixelPolygon.size() != v.size()) {
        out.push_back(name + " has a pixel polygon of the wrong size");
        return;
    }
    IntRect box{f.pixelPolygon[0].x, f.pixelPolygon[0].y, f.pixelPolygon[0].x, f.pixelPolygon[0].y};
    for (std::size_t j = 0; j < v.size(); ++j) {
        const Node& node = problem.nodes[v[j]];
        const PixelPoint expected = RoundPoint(node.x, node.y);
        if (!(f.pixelPolygon[j] == expected))
            out.push_back(Text(name, " pixel point ", j, " does not match its node"));
        box.left = std::min(box.left, expected.x);
        box.top = std::min(box.top, expected.y);
        box.right = std::max(box.right, expected.x);
        box.bottom = std::max(box.bottom, expected.y);
    }
    if (!(f.bounds == box)) out.push_back(name + " has a wrong bounding rectangle");

    // The region is the frame's outline less its holes, and the area is the region's.
    const bool usable = SignedDoubleArea(f.pixelPolygon) != 0;
    if (usable) {
        if (f.region.polygons.size() != 1 || f.region.polygons[0] != f.pixelPolygon)
            out.push_back(name + " has a region that is not its outline");
        Real tolerance = PixelPerimeter(f.pixelPolygon);
        for (const auto& hole : f.region.holes) tolerance += PixelPerimeter(hole);
        const Real pl2 = problem.settings.pixelLength * problem.settings.pixelLength;
        const Real regionArea = RegionPixelArea(f.region) * pl2;
        if (std::fabs(regionArea - f.area) > tolerance * pl2 + 1e-12L)
            out.push_back(Text(name, " has area ", f.area, " but its region covers ", regionArea));
    }
}

// Two nodes at one position (within 1e-4 pixels in both coordinates, the exact-position
// test of the node search) make a zero-length edge or an outline that touches itself.
void CheckNodePositions(const Problem& problem, std::vector<std::string>& out) {
    std::vector<int> order;
    for (int i = 1; i <= problem.nodes.Count(); ++i) order.push_back(i);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return problem.nodes[a].x < problem.nodes[b].x; });
    for (std::size_t j = 0; j < order.size(); ++j) {
        const Node& a = problem.nodes[order[j]];
        for (std::size_t i = j + 1; i < order.size(); ++i) {
            const Node& b = problem.nodes[order[i]];
            if (b.x - a.x >= 1e-4L) break;
            if (std::fabs(b.y - a.y) < 1e-4L)
                out.push_back(Text("nodes ", order[j], " and ", order[i], " lie on each other"));
        }
    }
}

// No two segments meet except at a node they share: segments with no common node have no
// common point, and segments with one common node meet only there (neither runs along
// the other). Tested exactly on the stored positions, over a sweep in x.
void CheckCrossings(const Problem& problem, std::vector<std::string>& out) {
    struct Item {
        int n1, n2;
        ExactPoint a, b;
        Real minX, maxX, minY, maxY;
    };
    std::vector<Item> items;
    for (const LineSegment& s : problem.lines) {
        if (!problem.nodes.Valid(s.node1) || !problem.nodes.Valid(s.node2)) continue;
        const Node& a = problem.nodes[s.node1];
        const Node& b = problem.nodes[s.node2];
        items.push_back({s.node1,
                         s.node2,
                         {a.x, a.y},
                         {b.x, b.y},
                         std::min(a.x, b.x),
                         std::max(a.x, b.x),
                         std::min(a.y, b.y),
                         std::max(a.y, b.y)});
    }
    std::sort(items.begin(), items.end(),
              [](const Item& l, const Item& r) { return l.minX < r.minX; });
    for (std::size_t j = 0; j < items.size(); ++j) {
        const Item& s = items[j];
        for (std::size_t i = j + 1; i < items.size() && items[i].minX <= s.maxX; ++i) {
            const Item& t = items[i];
            if (t.minY > s.maxY || t.maxY < s.minY) continue;
            const auto names = [&] {
                return Text("segments ", s.n1, "-", s.n2, " and ", t.n1, "-", t.n2);
            };
            if (s.n1 == t.n1 && s.n2 == t.n2) continue;  // reported as a duplicate
            // The ends other than a shared node; a shared node is where they may touch.
            const bool shared = s.n1 == t.n1 || s.n1 == t.n2 || s.n2 == t.n1 || s.n2 == t.n2;
            if (shared) {
                const ExactPoint sOther = s.n1 == t.n1 || s.n1 == t.n2 ? s.b : s.a;
                const ExactPoint tOther = t.n1 == s.n1 || t.n1 == s.n2 ? t.b : t.a;
                if (ExactOnSegment(sOther, t.a, t.b) || ExactOnSegment(tOther, s.a, s.b))
                    out.push_back(names() + " run along each other");
                continue;
            }
            switch (ClassifyExact(s.a, s.b, t.a, t.b)) {
                case SegmentContact::Cross:
                    out.push_back(names() + " cross");
                    break;
                case SegmentContact::Overlap:
                    out.push_back(names() + " overlap");
                    break;
                case SegmentContact::Touch:
                    out.push_back(names() + " touch away from a common node");
                    break;
                case SegmentContact::None:
                    break;
            }
        }
    }
}

// In a cylindrical problem no node lies left of the axis (a negative radius).
void CheckAxis(const Problem& problem, std::vector<std::string>& out) {
    if (!problem.settings.cylindrical) return;
    const std::int32_t axis =
        RoundPixel(problem.settings.originX * problem.view.zoom - problem.view.scrollX);
    for (int i = 1; i <= problem.nodes.Count(); ++i)
        if (RoundPixel(problem.nodes[i].x) < axis)
            out.push_back(Text("node ", i, " lies left of the axis"));
}

// A segment between two different frames lies on the outline of one of them (a frame
// nested in another borders it on its own outline).
void CheckBoundaries(const Problem& problem, const InvariantOptions& options,
                     std::vector<std::string>& out) {
    std::set<std::pair<int, int>> edges[kFrameSlots];
    for (int k = 1; k <= problem.frameCount; ++k) {
        const auto& v = problem.frames[k].vertices;
        for (std::size_t j = 0; j + 1 < v.size(); ++j)
            edges[k].insert({std::min(v[j], v[j + 1]), std::max(v[j], v[j + 1])});
    }
    for (const LineSegment& s : problem.lines) {
        if (s.frameA == s.frameB) continue;
        const std::pair<int, int> e{s.node1, s.node2};
        bool onOutline = false;
        for (const int side : {s.frameA, s.frameB}) {
            if (side < 1 || side > problem.frameCount) continue;
            // A degenerate frame waiting to be deleted has no outline yet.
            if (options.allowEmptyFrames && edges[side].empty()) onOutline = true;
            if (edges[side].count(e) != 0) onOutline = true;
        }
        if (!onOutline)
            out.push_back(Text("segment ", s.node1, "-", s.node2, " between frames ", s.frameA,
                               " and ", s.frameB, " lies on neither outline"));
    }
}

void CheckDrawOrder(const Problem& problem, std::vector<std::string>& out) {
    std::vector<int> order(problem.settings.frameDrawOrder.begin(),
                           problem.settings.frameDrawOrder.begin() + problem.frameCount);
    std::sort(order.begin(), order.end());
    for (int k = 1; k <= problem.frameCount; ++k)
        if (order[static_cast<std::size_t>(k - 1)] != k) {
            out.push_back("the drawing order does not list every frame once");
            return;
        }
}

}  // namespace

std::vector<std::string> CheckModelInvariants(const Problem& problem,
                                              const InvariantOptions& options) {
    std::vector<std::string> out;
    if (problem.frameCount < 0 || problem.frameCount > kMaxFrames) {
        out.push_back(Text("frame count ", problem.frameCount, " is out of range"));
        return out;
    }
    CheckSegments(problem, out);
    if (!options.allowCoincidentNodes) CheckNodePositions(problem, out);
    if (!options.allowCrossingSegments) CheckCrossings(problem, out);
    CheckAxis(problem, out);
    if (options.requireOutlineSegments) CheckBoundaries(problem, options, out);
    for (int k = 1; k <= problem.frameCount; ++k) CheckFrame(problem, k, options, out);
    CheckDrawOrder(problem, out);
    return out;
}

std::string DescribeModel(const Problem& problem) {
    std::ostringstream out;
    out.precision(10);
    for (int i = 1; i <= problem.nodes.Count(); ++i) {
        const Node& n = problem.nodes[i];
        out << "node " << i << " (" << n.x << ", " << n.y << ")";
        if (n.valueSpec != 0) out << " value " << n.valueSpec;
        out << "\n";
    }
    for (const LineSegment& s : problem.lines)
        out << "segment " << s.node1 << "-" << s.node2 << " sides " << s.frameA << "/" << s.frameB
            << " specs " << s.valueSpec << "," << s.fluxSpec << "," << s.transferSpec << ","
            << s.ambientSpec << "\n";
    for (int k = 1; k <= problem.frameCount; ++k) {
        const Frame& f = problem.frames[k];
        out << "frame " << k << " start " << f.outlineStart << " area " << f.area << " vertices";
        for (const std::int32_t v : f.vertices) out << " " << v;
        out << "\n";
    }
    return out.str();
}

std::string JoinViolations(const std::vector<std::string>& violations) {
    std::string text;
    for (const std::string& v : violations) text += v + "\n";
    return text;
}

}  // namespace kova::testing

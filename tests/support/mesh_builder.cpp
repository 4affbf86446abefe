#include "support/mesh_builder.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kova::test {

MeshBuilder::MeshBuilder(Problem& problem, Real pixelsPerMetre)
    : m_problem(problem), m_ppm(pixelsPerMetre) {
    problem.settings.unitSystem = Unittype::SI;
    problem.settings.lengthUnitIndex = 3;  // metres
    problem.settings.drawingScale = 96.0L / pixelsPerMetre;
    problem.view.zoom = 1;
    problem.view.scrollX = problem.view.scrollY = 0;
    problem.settings.originX = 0;
    problem.settings.originY = 0;
    problem.RecomputePixelLength();
}

int MeshBuilder::Node(Real x, Real y) {
    const auto key = std::make_pair(std::llround(static_cast<double>(x) * 1e9),
                                    std::llround(static_cast<double>(y) * 1e9));
    auto it = m_byPosition.find(key);
    if (it != m_byPosition.end()) return it->second;
    const int n = m_problem.AddNode(x * m_ppm, -y * m_ppm);
    m_byPosition.emplace(key, n);
    return n;
}

int MeshBuilder::Frame(int material, FrameType type) {
    const int k = ++m_problem.frameCount;
    kova::Frame& f = m_problem.frames[k];
    f = kova::Frame{};
    f.material = material;
    f.type = type;
    return k;
}

void MeshBuilder::Triangle(int a, int b, int c, int frame) {
    m_triangles.push_back({a, b, c, frame});
}

void MeshBuilder::LumpOutline(int frame, const std::vector<int>& nodes) {
    m_lumpOutlines[frame] = nodes;
}

namespace {

struct Edge {
    int a, b, frameA, frameB;
};

// A closed vertex list from the edges that have frame k on exactly one side.
std::vector<std::int32_t> TraceOutline(const std::vector<Edge>& edges, int k) {
    std::map<int, std::vector<int>> next;
    for (const Edge& e : edges) {
        if ((e.frameA == k) == (e.frameB == k)) continue;
        next[e.a].push_back(e.b);
        next[e.b].push_back(e.a);
    }
    std::vector<std::int32_t> loop;
    if (next.empty()) return loop;
    // One loop, through the lowest-numbered boundary node (for a ring, the inner loop;
    // the tests decide ring elements' frames from their sides).
    int start = next.begin()->first;
    int prev = 0, cur = start;
    do {
        loop.push_back(cur);
        const std::vector<int>& nb = next[cur];
        int step = nb[0] != prev ? nb[0] : (nb.size() > 1 ? nb[1] : nb[0]);
        prev = cur;
        cur = step;
    } while (cur != start && loop.size() <= edges.size());
    loop.push_back(start);
    return loop;
}

}  // namespace

void MeshBuilder::Finish() {
    std::vector<Edge> edges;
    std::map<std::pair<int, int>, std::size_t> index;
    auto edge = [&](int a, int b) -> Edge* {
        const auto key = std::minmax(a, b);
        auto it = index.find(key);
        return it == index.end() ? nullptr : &edges[it->second];
    };
    auto add = [&](int a, int b, int frameA, int frameB) {
        const auto key = std::minmax(a, b);
        index.emplace(key, edges.size());
        edges.push_back({key.first, key.second, frameA, frameB});
    };
    for (const Tri& t : m_triangles) {
        const int v[3] = {t.a, t.b, t.c};
        for (int i = 0; i < 3; ++i) {
            const int a = v[i], b = v[(i + 1) % 3];
            if (Edge* e = edge(a, b)) {
                e->frameB = t.frame;
            } else {
                add(a, b, t.frame, -1);
            }
        }
    }
    for (Edge& e : edges)
        if (e.frameB < 0) e.frameB = 0;
    for (const auto& [frame, outline] : m_lumpOutlines) {
        for (std::size_t i = 0; i < outline.size(); ++i) {
            const int a = outline[i], b = outline[(i + 1) % outline.size()];
            if (Edge* e = edge(a, b)) {
                if (e->frameB == 0) e->frameB = frame;
            } else {
                add(a, b, frame, 0);
            }
        }
    }
    int number = 0;
    for (const Edge& e : edges) {
        LineSegment* s = m_problem.NewLineSegment(++number);
        s->node1 = e.a;
        s->node2 = e.b;
        s->frameA = e.frameA;
        s->frameB = e.frameB;
    }
    for (int k = 1; k <= m_problem.frameCount; ++k) {
        kova::Frame& f = m_problem.frames[k];
        auto lump = m_lumpOutlines.find(k);
        if (lump != m_lumpOutlines.end()) {
            f.vertices.assign(lump->second.begin(), lump->second.end());
            f.vertices.push_back(lump->second.front());
        } else {
            f.vertices = TraceOutline(edges, k);
        }
        if (!f.vertices.empty()) f.outlineStart = f.vertices.front();
    }
    m_problem.ClassifyNodes();
    for (int k = 1; k <= m_problem.frameCount; ++k) m_problem.UpdateFrameMeasures(k);
}

int MeshRectangle(MeshBuilder& b, Real x0, Real y0, Real width, Real height, int nx, int ny,
                  int material) {
    const int frame = b.Frame(material);
    std::vector<int> id(static_cast<std::size_t>((nx + 1) * (ny + 1)));
    auto at = [&](int i, int j) -> int& { return id[static_cast<std::size_t>(j * (nx + 1) + i)]; };
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) at(i, j) = b.Node(x0 + width * i / nx, y0 + height * j / ny);
    for (int j = 0; j < ny; ++j) {
        for (int i = 0; i < nx; ++i) {
            b.Triangle(at(i, j), at(i + 1, j), at(i + 1, j + 1), frame);
            b.Triangle(at(i, j), at(i + 1, j + 1), at(i, j + 1), frame);
        }
    }
    return frame;
}

int MeshAnnulus(MeshBuilder& b, Real r0, Real r1, int nr, int nt, int material) {
    const int frame = b.Frame(material);
    const Real twoPi = 2 * std::numbers::pi_v<Real>;
    auto node = [&](int i, int j) {
        const Real r = r0 + (r1 - r0) * i / nr;
        const Real a = twoPi * (j % nt) / nt;
        return b.Node(r * std::cos(a), r * std::sin(a));
    };
    for (int i = 0; i < nr; ++i) {
        for (int j = 0; j < nt; ++j) {
            b.Triangle(node(i, j), node(i + 1, j), node(i + 1, j + 1), frame);
            b.Triangle(node(i, j), node(i + 1, j + 1), node(i, j + 1), frame);
        }
    }
    return frame;
}

int MeshLShape(MeshBuilder& b, Real a, int n, int material) {
    const int frame = b.Frame(material);
    const Real h = a / n;
    for (int j = 0; j < 2 * n; ++j) {
        for (int i = 0; i < 2 * n; ++i) {
            if (i >= n && j >= n) continue;
            const int ll = b.Node(i * h, j * h), lr = b.Node((i + 1) * h, j * h);
            const int ur = b.Node((i + 1) * h, (j + 1) * h), ul = b.Node(i * h, (j + 1) * h);
            b.Triangle(ll, lr, ur, frame);
            b.Triangle(ll, ur, ul, frame);
        }
    }
    return frame;
}

std::pair<Real, Real> Position(const Problem& problem, int n) {
    const Node& node = problem.nodes[n];
    const Real pl = problem.settings.pixelLength;
    return {(node.x - problem.settings.originX) * pl, (problem.settings.originY - node.y) * pl};
}

int NodeAt(const Problem& problem, Real x, Real y) {
    for (int n = 1; n <= problem.nodes.Count(); ++n) {
        const auto [px, py] = Position(problem, n);
        if (std::fabs(px - x) < 1e-9L && std::fabs(py - y) < 1e-9L) return n;
    }
    return 0;
}

void SetMaterial(Problem& problem, int m, Real conductivity, Real density, Real specificHeat) {
    Material& mat = problem.materials[static_cast<std::size_t>(m)];
    mat.name = "test material";
    for (auto [block, value] :
         {std::pair{&mat.conductivity, conductivity}, std::pair{&mat.density, density},
          std::pair{&mat.specificHeat, specificHeat}}) {
        *block = BoundarySpec{};
        block->kind = kSpecProperty;
        block->value = value;
    }
}

void SetPerfusion(Problem& problem, int m, Real perfusion, Real bloodSpecificHeat) {
    Material& mat = problem.materials[static_cast<std::size_t>(m)];
    mat.perfusion = BoundarySpec{};
    mat.perfusion.kind = kSpecProperty;
    mat.perfusion.value = perfusion;
    problem.blood.specificHeat = bloodSpecificHeat;
}

namespace {

template <typename Apply>
int ForOuterSegments(Problem& problem, const PointTest& where, Apply apply) {
    int count = 0;
    for (LineSegment& s : problem.lines) {
        if (s.frameA != 0 && s.frameB != 0) continue;
        const auto [x1, y1] = Position(problem, s.node1);
        const auto [x2, y2] = Position(problem, s.node2);
        if (!where(x1, y1) || !where(x2, y2)) continue;
        apply(s);
        ++count;
    }
    return count;
}

}  // namespace

int SetValueWhere(Problem& problem, const PointTest& where, const PointValue& value) {
    return ForOuterSegments(problem, where, [&](LineSegment& s) {
        for (int n : {s.node1, s.node2}) {
            const auto [x, y] = Position(problem, n);
            problem.nodes[n].valueSpec =
                static_cast<std::int16_t>(FindOrAddSpecValue(problem, kSpecValue, value(x, y)));
        }
        s.valueSpec = problem.nodes[s.node1].valueSpec;
    });
}

int SetFluxWhere(Problem& problem, const PointTest& where, Real flux) {
    const int spec = FindOrAddSpecValue(problem, kSpecFlux, flux);
    return ForOuterSegments(problem, where, [&](LineSegment& s) { s.fluxSpec = spec; });
}

int SetConvectionWhere(Problem& problem, const PointTest& where, Real h, Real ambient) {
    const int hSpec = FindOrAddSpecValue(problem, kSpecTransfer, h);
    const int aSpec = FindOrAddSpecValue(problem, kSpecValue, ambient);
    return ForOuterSegments(problem, where, [&](LineSegment& s) {
        s.transferSpec = hSpec;
        s.ambientSpec = aSpec;
    });
}

int InsulateRest(Problem& problem) {
    const int spec = FindOrAddSpecValue(problem, kSpecFlux, 0);
    return ForOuterSegments(
        problem, [](Real, Real) { return true; },
        [&](LineSegment& s) {
            if (s.valueSpec <= 0 && s.fluxSpec <= 0 && s.transferSpec <= 0) s.fluxSpec = spec;
        });
}

void MakeConvectiveStrip(Problem& problem, bool transient, Real initial) {
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 1, 0.2L, 10, 2, 1);
    b.Finish();
    SetMaterial(problem, 1, 2, 1, 1);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 100; });
    SetConvectionWhere(
        problem, [](Real x, Real) { return Near(x, 1); }, 5, 20);
    InsulateRest(problem);
    problem.settings.transient = transient;
    for (int n = 1; n <= problem.nodes.Count(); ++n) problem.nodes[n].initialValue = initial;
}

}  // namespace kova::test

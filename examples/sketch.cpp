#include "sketch.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "editing/drawing_commands.hpp"
#include "editing/mesh_commands.hpp"
#include "editing/removal_commands.hpp"
#include "expressions/compiler.hpp"
#include "geometry/primitives.hpp"
#include "model/selection.hpp"
#include "model/subjects.hpp"
#include "solver/element_table.hpp"
#include "units/drawing_transform.hpp"
#include "units/unit_labels.hpp"

namespace kova::examples {
namespace {

BoundarySpec Property(Real value) {
    BoundarySpec block;
    block.kind = kSpecProperty;
    block.value = value;
    std::string text = std::to_string(static_cast<double>(value));
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    block.text = text;
    return block;
}

// The exterior, or a hole (a subtracted frame): a lump's contact with the mesh is set
// apart, with Contact.
bool IsOuterSide(const Problem& problem, int k) {
    return k == 0 || (problem.ValidFrame(k) && problem.frames[k].subtracted != 0);
}

}  // namespace

Sketch::Sketch(Problem& problem, ProbTypeA subject, bool cylindrical, Real pixelsPerMetre,
               Point originPixels)
    : m_problem(problem), m_ppm(pixelsPerMetre), m_origin(originPixels) {
    SetSubjectLabels(problem, subject, false);
    problem.SetCylindrical(cylindrical);
    problem.settings.unitSystem = Unittype::SI;
    problem.settings.lengthUnitIndex = 3;  // metres
    problem.settings.drawingScale = 96.0L / pixelsPerMetre;
    problem.view.zoom = 1;
    problem.view.scrollX = problem.view.scrollY = 0;
    problem.settings.originX = originPixels.x;
    problem.settings.originY = originPixels.y;
    problem.RecomputePixelLength();
}

std::pair<Real, Real> Sketch::Pixels(Real x, Real y) const {
    return {m_origin.x + x * m_ppm, m_origin.y - y * m_ppm};
}

int Sketch::Outline(const std::vector<Point>& corners) {
    std::vector<ClickPoint> clicks;
    for (const Point& c : corners) {
        const auto [px, py] = Pixels(c.x, c.y);
        clicks.push_back({px, py});
    }
    clicks.push_back(clicks.front());  // the click on the first corner closes it
    const EditResult r = DrawFreeFormOutline(m_problem, clicks);
    if (!r.ok || r.frame == 0) throw ExampleError("the outline was refused: " + r.message);
    return r.frame;
}

int Sketch::Rectangle(Real x0, Real y0, Real x1, Real y1) {
    return Outline({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
}

void Sketch::Subtract(int hole) {
    ClearSelection(m_problem);
    m_problem.selection.state = SelectType::Frames;
    AddToSelection(m_problem, NumberItem(hole));
    const EditResult r = SubtractFrame(m_problem);
    if (!r.ok || r.frame == 0) throw ExampleError("the hole was not subtracted: " + r.message);
}

void Sketch::Mesh(int reductions) {
    ClearSelection(m_problem);
    const AutoMeshResult meshed = AutoMesh(m_problem);
    if (!meshed.failed.empty())
        throw ExampleError("frame " + std::to_string(meshed.failed.front()) +
                           " could not be meshed");
    for (int i = 0; i < reductions; ++i)
        if (ReducemeshMClick(m_problem) != ReduceOutcome::Reduced)
            throw ExampleError("the mesh could not be reduced");
}

int Sketch::FrameAt(Real x, Real y) {
    const auto [px, py] = Pixels(x, y);
    return FrameAtPoint(m_problem, px, py);
}

int Sketch::NodeAt(Real x, Real y) const {
    const auto [px, py] = Pixels(x, y);
    for (int n = 1; n <= m_problem.nodes.Count(); ++n) {
        const Node& node = m_problem.nodes[n];
        if (std::fabs(node.x - px) < 1e-3L && std::fabs(node.y - py) < 1e-3L) return n;
    }
    return 0;
}

Point Sketch::Position(int node) const {
    const Node& n = m_problem.nodes[node];
    const Coordinates c = DrawingToProblem(m_problem, n.x, n.y);
    return {c.first, c.second};
}

void Sketch::Material(int m, const std::string& name, Real conductivity, Real density,
                      Real specificHeat, Real perfusion) {
    kova::Material& mat = m_problem.materials[static_cast<std::size_t>(m)];
    mat.name = name;
    mat.conductivity = Property(conductivity);
    mat.density = Property(density);
    mat.specificHeat = Property(specificHeat);
    mat.perfusion = Property(perfusion);
}

void Sketch::Assign(int frame, int m, FrameType type) {
    Frame& f = m_problem.frames[frame];
    f.material = m;
    f.type = type;
    m_problem.MarkProblemChanged();
    m_problem.ClassifyNodes();
}

int Sketch::Spec(int kind, const std::string& text) {
    const int spec = FindOrAddSpec(m_problem, kind, false, text, 0);
    if (spec == 0) throw ExampleError("the specification \"" + text + "\" was not accepted");
    return spec;
}

template <typename Apply>
int Sketch::ForOuter(const Where& where, Apply apply) {
    int count = 0;
    for (LineSegment& s : m_problem.lines) {
        if (!IsOuterSide(m_problem, s.frameA) && !IsOuterSide(m_problem, s.frameB)) continue;
        if (s.frameA == s.frameB) continue;
        const Point a = Position(s.node1);
        const Point b = Position(s.node2);
        if (!where(a.x, a.y) || !where(b.x, b.y)) continue;
        apply(s);
        ++count;
    }
    m_problem.MarkProblemChanged();
    return count;
}

int Sketch::Fix(const Where& where, const std::string& value) {
    const int spec = Spec(kSpecValue, value);
    return ForOuter(where, [&](LineSegment& s) {
        s.valueSpec = spec;
        s.fluxSpec = s.transferSpec = s.ambientSpec = 0;
        m_problem.nodes[s.node1].valueSpec = static_cast<std::int16_t>(spec);
        m_problem.nodes[s.node2].valueSpec = static_cast<std::int16_t>(spec);
    });
}

int Sketch::Flux(const Where& where, const std::string& flux) {
    const int spec = Spec(kSpecFlux, flux);
    return ForOuter(where, [&](LineSegment& s) {
        s.fluxSpec = spec;
        s.transferSpec = s.ambientSpec = 0;
    });
}

int Sketch::Convection(const Where& where, const std::string& coefficient,
                       const std::string& ambient) {
    const int h = Spec(kSpecTransfer, coefficient);
    const int t = Spec(kSpecValue, ambient);
    return ForOuter(where, [&](LineSegment& s) {
        s.transferSpec = h;
        s.ambientSpec = t;
        s.fluxSpec = 0;
    });
}

int Sketch::Contact(int a, int b, const std::string& coefficient) {
    const int h = Spec(kSpecTransfer, coefficient);
    int count = 0;
    for (LineSegment& s : m_problem.lines)
        if ((s.frameA == a && s.frameB == b) || (s.frameA == b && s.frameB == a)) {
            s.transferSpec = h;
            s.ambientSpec = s.fluxSpec = s.valueSpec = 0;
            ++count;
        }
    m_problem.MarkProblemChanged();
    return count;
}

int Sketch::InsulateRest() {
    const int spec = Spec(kSpecFlux, "0");
    return ForOuter([](Real, Real) { return true; },
                    [&](LineSegment& s) {
                        if (s.valueSpec == 0 && s.fluxSpec == 0 && s.transferSpec == 0)
                            s.fluxSpec = spec;
                    });
}

Real SmallestElementAngle(Problem& problem) {
    for (LineSegment& s : problem.lines) s.elementCount = 0;
    const Selection before = problem.selection;
    ElementTable table;
    CheckMarks marks;
    Real smallest = 180;
    if (BuildElements(problem, table, marks)) {
        for (const Element& e : table) {
            for (int i = 0; i < 3; ++i) {
                const Node& p = problem.nodes[e.nodes[static_cast<std::size_t>(i)]];
                const Node& q = problem.nodes[e.nodes[static_cast<std::size_t>((i + 1) % 3)]];
                const Node& r = problem.nodes[e.nodes[static_cast<std::size_t>((i + 2) % 3)]];
                const Real ux = q.x - p.x, uy = q.y - p.y, vx = r.x - p.x, vy = r.y - p.y;
                const Real angle = std::atan2(std::fabs(ux * vy - uy * vx), ux * vx + uy * vy);
                smallest = std::min(smallest, angle * 180 / std::numbers::pi_v<Real>);
            }
        }
    }
    for (LineSegment& s : problem.lines) s.elementCount = 0;
    problem.selection = before;
    return smallest;
}

}  // namespace kova::examples

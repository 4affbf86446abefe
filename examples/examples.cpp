#include "examples.hpp"

#include <cmath>

#include "sketch.hpp"

namespace kova::examples {
namespace {

constexpr Real kEps = 1e-6L;  // metres: "on this line" for boundary picks

bool Near(Real a, Real b) {
    return std::fabs(a - b) < kEps;
}

Where Everywhere() {
    return [](Real, Real) { return true; };
}

// A steel plate, 300 mm by 200 mm, heated uniformly inside and cooled by air on all four
// edges.
void HeatedPlate(Problem& problem) {
    Sketch s(problem, ProbTypeA::HeatTrans, false, 1000);
    const int plate = s.Rectangle(0, 0, 0.3, 0.2);
    s.Mesh(3);
    s.Material(1, "Steel", 15, 7800, 460);
    s.Assign(plate, 1);
    problem.frames[plate].generationSpec = s.Spec(kSpecGeneration, "1E5");
    s.Convection(Everywhere(), "25", "20");
}

// A wall of two layers: 50 mm of a good conductor against 100 mm of insulation, the
// inner face at 100, the outer face at 0, no heat through the top and bottom.
void CompositeWall(Problem& problem) {
    Sketch s(problem, ProbTypeA::HeatTrans, false, 1000);
    const int inner = s.Rectangle(0, 0, 0.05, 0.2);
    const int outer = s.Rectangle(0.05, 0, 0.15, 0.2);
    s.Mesh(2);
    s.Material(1, "Concrete", 1, 2300, 880);
    s.Material(2, "Insulation", 0.1, 30, 1400);
    s.Assign(inner, 1);
    s.Assign(outer, 2);
    s.Fix([](Real x, Real) { return Near(x, 0); }, "100");
    s.Fix([](Real x, Real) { return Near(x, 0.15); }, "0");
    s.InsulateRest();
}

// A thick pipe wall in axisymmetric geometry: radii 50 mm and 100 mm, 100 mm long, hot
// inside, cold outside, insulated ends.
void CylindricalShell(Problem& problem) {
    Sketch s(problem, ProbTypeA::HeatTrans, true, 1000);
    const int shell = s.Rectangle(0.05, 0, 0.1, 0.1);
    s.Mesh(3);
    s.Material(1, "Copper", 400, 8900, 385);
    s.Assign(shell, 1);
    s.Fix([](Real r, Real) { return Near(r, 0.05); }, "100");
    s.Fix([](Real r, Real) { return Near(r, 0.1); }, "0");
    s.InsulateRest();
}

// A thin aluminium fin, 100 mm long and 2 mm thick, its base at 100 and both faces in
// air at 20; the tip and the sides are insulated.
void Fin(Problem& problem) {
    Sketch s(problem, ProbTypeA::ThinFins, false, 1000);
    const int fin = s.Rectangle(0, 0, 0.1, 0.02);
    s.Mesh(3);
    s.Material(1, "Aluminium", 200, 2700, 900);
    s.Assign(fin, 1);
    Frame& f = problem.frames[fin];
    f.finThickness = 0.002L;
    f.finTransferSpec = static_cast<std::int16_t>(s.Spec(kSpecTransfer, "20"));
    f.finFluidSpec = static_cast<std::int16_t>(s.Spec(kSpecValue, "20"));
    f.finFluxSpec = static_cast<std::int16_t>(s.Spec(kSpecFlux, "0"));
    s.Fix([](Real x, Real) { return Near(x, 0); }, "100");
    s.InsulateRest();
}

// A steel block at 600 plunged into a bath at 20 with a strong transfer coefficient;
// two minutes in two-second steps.
void TransientQuench(Problem& problem) {
    Sketch s(problem, ProbTypeA::HeatTrans, false, 1000);
    const int block = s.Rectangle(0, 0, 0.1, 0.1);
    s.Mesh(2);
    s.Material(1, "Steel", 40, 7800, 460);
    s.Assign(block, 1);
    s.Convection(Everywhere(), "500", "20");
    for (int n = 1; n <= problem.nodes.Count(); ++n) problem.nodes[n].initialValue = 600;
    problem.settings.transient = true;
    problem.settings.transMethod = TransMethodType::CrankN;
    problem.settings.transientStart = 0;
    problem.settings.transientStop = 120;
    problem.settings.transientStep = 2;
}

// A copper lump at 200 pressed against a stainless steel bar whose far end is held at
// 20; the lump also loses heat to the air.
void LumpBesideSolid(Problem& problem) {
    Sketch s(problem, ProbTypeA::HeatTrans, false, 1000);
    const int bar = s.Rectangle(0, 0, 0.1, 0.05);
    const int lump = s.Rectangle(0.1, 0, 0.15, 0.05);
    s.Material(1, "Stainless steel", 15, 8000, 500);
    s.Material(2, "Copper", 400, 8900, 385);
    s.Assign(bar, 1);
    s.Assign(lump, 2, FrameType::Lumped);
    s.Mesh(2);
    s.Contact(bar, lump, "200");
    s.Fix([](Real x, Real) { return Near(x, 0); }, "20");
    s.Convection([](Real x, Real) { return x > 0.1 - kEps; }, "10", "20");
    s.InsulateRest();
    for (int n = 1; n <= problem.nodes.Count(); ++n) problem.nodes[n].initialValue = 20;
    problem.frames[lump].lumpInitialValue = 200;
    problem.settings.transient = true;
    problem.settings.transMethod = TransMethodType::CrankN;
    problem.settings.transientStart = 0;
    problem.settings.transientStop = 600;
    problem.settings.transientStep = 10;
}

// Two square conductors at 100 V and 0 V inside a box of air whose walls carry no
// charge.
void TwoConductors(Problem& problem) {
    Sketch s(problem, ProbTypeA::ElecFieldNC, false, 1000);
    const int left = s.Rectangle(0, 0, 0.1, 0.1);
    const int right = s.Rectangle(0.1, 0, 0.2, 0.1);
    s.Subtract(s.Rectangle(0.04, 0.04, 0.06, 0.06));
    s.Subtract(s.Rectangle(0.14, 0.04, 0.16, 0.06));
    s.Mesh(3);
    s.Material(1, "Air", 8.854e-12L);
    s.Assign(left, 1);
    s.Assign(right, 1);
    auto in = [](Real x0) {
        return [x0](Real x, Real y) {
            return x > x0 - kEps && x < x0 + 0.02 + kEps && y > 0.04 - kEps && y < 0.06 + kEps;
        };
    };
    s.Fix(in(0.04), "100");
    s.Fix(in(0.14), "0");
    s.InsulateRest();
}

// Stream function of a uniform stream of 1 m/s in a channel 200 mm deep, along a wall
// with a line source of 0.1 m^2/s on it: the flow round a half-body. The inflow and
// outflow ends carry no flux of the stream function (the flow crosses them at right
// angles).
void SourceNearWall(Problem& problem) {
    Sketch s(problem, ProbTypeA::Potential, false, 1000, {300, 560});
    const int fluid = s.Outline({{-0.2, 0}, {0, 0}, {0.2, 0}, {0.2, 0.2}, {-0.2, 0.2}});
    s.Mesh(2);
    s.Material(1, "Ideal fluid", 1);
    s.Assign(fluid, 1);
    s.Fix([](Real, Real y) { return Near(y, 0.2); }, "0.2");
    s.Fix([](Real, Real y) { return Near(y, 0); }, "0");
    s.InsulateRest();
    SingularPoint source;
    source.type = 1;
    source.strength = 0.1L;
    source.node = s.NodeAt(0, 0);
    if (source.node == 0) throw ExampleError("no node for the source");
    problem.singularPoints.push_back(source);
}

// Seepage through the ground under a dam 100 mm wide: 10 m of head upstream, none
// downstream, an impermeable base and sides.
void SeepageUnderDam(Problem& problem) {
    Sketch s(problem, ProbTypeA::Hydrodynamics, false, 1000);
    const int ground =
        s.Outline({{0, 0}, {0.6, 0}, {0.6, 0.2}, {0.35, 0.2}, {0.25, 0.2}, {0, 0.2}});
    s.Mesh(3);
    s.Material(1, "Sand", 1e-5L);
    s.Assign(ground, 1);
    s.Fix([](Real x, Real y) { return Near(y, 0.2) && x < 0.25 + kEps; }, "10");
    s.Fix([](Real x, Real y) { return Near(y, 0.2) && x > 0.35 - kEps; }, "0");
    s.InsulateRest();
}

// A 30 mm layer of perfused tissue over the body core at 37, its skin in air at 20.
void TissueLayer(Problem& problem) {
    Sketch s(problem, ProbTypeA::Bio, false, 1000);
    const int tissue = s.Rectangle(0, 0, 0.03, 0.03);
    s.Mesh(3);
    s.Material(1, "Muscle", 0.5, 1000, 3600, 0.5);
    s.Assign(tissue, 1);
    problem.blood.arterialSpec = s.Spec(kSpecValue, "37");
    problem.blood.specificHeat = 4200;
    s.Fix([](Real, Real y) { return Near(y, 0); }, "37");
    s.Convection([](Real, Real y) { return Near(y, 0.03); }, "10", "20");
    s.InsulateRest();
}

}  // namespace

const std::vector<Example>& AllExamples() {
    static const std::vector<Example> examples{
        {"heated_plate", "Heated plate with convection", HeatedPlate},
        {"composite_wall", "Composite wall with an interface", CompositeWall},
        {"cylindrical_shell", "Cylindrical shell (axisymmetric)", CylindricalShell},
        {"fin", "Rectangular fin (Extended Surfaces)", Fin},
        {"transient_quench", "Transient quench of a block", TransientQuench},
        {"lump_beside_solid", "A lump cooling beside a solid", LumpBesideSolid},
        {"two_conductors", "Two conductors (Electrostatics)", TwoConductors},
        {"source_near_wall", "Source on a wall in a uniform stream (Potential Flow)",
         SourceNearWall},
        {"seepage_under_dam", "Seepage under a dam (Porous Media)", SeepageUnderDam},
        {"tissue_layer", "Perfused tissue layer (Bio-Heat)", TissueLayer},
    };
    return examples;
}

const Example* FindExample(const std::string& name) {
    for (const Example& e : AllExamples())
        if (e.name == name) return &e;
    return nullptr;
}

void BuildExample(const Example& example, Problem& problem) {
    example.build(problem);
    ClearSelection(problem);
    problem.ClassifyNodes();
    problem.MarkProblemChanged();
}

}  // namespace kova::examples

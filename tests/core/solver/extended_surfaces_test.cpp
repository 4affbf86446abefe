// Extended Surfaces against the closed forms of a thin plate of thickness t,
// div(k t grad T) - 2h (T - Tf) + g t + q = rho c t dT/dt, with edge fluxes and edge
// convection acting over the edge's height and flows and balances in watts: uniform
// plates (exact on any mesh), conduction through frames of different thickness and
// across edges, and a lump beside the plate.
#include <gtest/gtest.h>

#include <cmath>

#include "expressions/compiler.hpp"
#include "model/selection.hpp"
#include "model/subjects.hpp"
#include "results/flows.hpp"
#include "results/node_table_text.hpp"
#include "support/calculation_run.hpp"
#include "support/mesh_builder.hpp"
#include "units/unit_labels.hpp"

namespace kova::test {
namespace {

constexpr Real kThickness = 0.002L;

void SetThickness(Problem& problem, int frame, Real t) {
    problem.frames[frame].finThickness = t;
}

// Both faces exchange with the fluid through h; the surface flux q falls on the plate.
void SetSurface(Problem& problem, int frame, Real h, Real fluid, Real q) {
    Frame& f = problem.frames[frame];
    f.finTransferSpec = static_cast<std::int16_t>(FindOrAddSpecValue(problem, kSpecTransfer, h));
    f.finFluidSpec = static_cast<std::int16_t>(FindOrAddSpecValue(problem, kSpecValue, fluid));
    f.finFluxSpec = static_cast<std::int16_t>(FindOrAddSpecValue(problem, kSpecFlux, q));
}

// A 0.04 x 0.01 m aluminium plate, t = 2 mm, insulated edges, starting at 100.
void MakeInsulatedPlate(Problem& problem, Real h, Real q) {
    SetSubjectLabels(problem, ProbTypeA::ThinFins, false);
    MeshBuilder b(problem);
    const int frame = MeshRectangle(b, 0, 0, 0.04L, 0.01L, 4, 2, 1);
    b.Finish();
    SetMaterial(problem, 1, 200, 2700, 900);
    SetThickness(problem, frame, kThickness);
    SetSurface(problem, frame, h, 20, q);
    InsulateRest(problem);
    problem.settings.transient = true;
    for (int n = 1; n <= problem.nodes.Count(); ++n) problem.nodes[n].initialValue = 100;
}

Real FlowAcross(CalculationRun& run, const std::vector<std::pair<Real, Real>>& points) {
    const FlowContext c{run.problem, run.state.checked.elements, run.state.results,
                        &run.state.balances};
    std::vector<int> nodes;
    for (const auto& [x, y] : points) nodes.push_back(NodeAt(run.problem, x, y));
    FlowPath path;
    int bad = 0;
    EXPECT_TRUE(SelectNodePath(c, path, nodes, 0, bad)) << bad;
    return SelectionFlow(c, path, 0).value;
}

TEST(ExtendedSurfaces, AnInsulatedPlateCoolsAtTwiceHOverRhoCT) {
    // a = 2h/(rho c t) = 50/4860 per second; Crank-Nicolson multiplies T - Tf by
    // (1 - a dt/2)/(1 + a dt/2) each step, at every node, on any mesh.
    Problem problem;
    MakeInsulatedPlate(problem, 25, 0);
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate(TimeSettings(300, 10)).code, SolverError::Ok);
    const Real adt = 2 * 25 / (2700 * 900 * kThickness) * 10;
    const Real factor = (1 - adt / 2) / (1 + adt / 2);
    for (int level = 1; level <= 30; ++level)
        for (int n = 1; n <= problem.settings.activeNodeCount; ++n)
            EXPECT_NEAR(static_cast<double>(run.Value(level, n)),
                        static_cast<double>(20 + 80 * std::pow(factor, level)), 1e-9)
                << level;
    // Never below the fluid.
    EXPECT_GT(run.Value(1, 1), 20);
}

TEST(ExtendedSurfaces, ValuesThatStartAfterTheFirstStepAreEvaluatedAtEveryStep) {
    // The plate above with, in turn, h, the fluid temperature, the density and the
    // specific heat reaching their values only at 5 s, before the first step's time:
    // every step then sees the full values and the levels are those of the constant
    // plate, 20 + 80 f^level, while a run that kept the first assembly would not.
    const Real adt = 2 * 25 / (2700 * 900 * kThickness) * 10;
    const Real factor = (1 - adt / 2) / (1 + adt / 2);
    for (int variant = 0; variant < 4; ++variant) {
        Problem problem;
        MakeInsulatedPlate(problem, 25, 0);
        Frame& f = problem.frames[1];
        Material& m = problem.materials[1];
        int error = 0;
        if (variant == 0)
            f.finTransferSpec = FindOrAddSpec(problem, kSpecTransfer, false, "25*STEP(TIME-5)", 0);
        if (variant == 1)
            f.finFluidSpec = FindOrAddSpec(problem, kSpecValue, false, "20*STEP(TIME-5)", 0);
        if (variant == 2) error = CompileExpression(problem, "2700*STEP(TIME-5)", m.density);
        if (variant == 3) {
            error = CompileExpression(problem, "900*STEP(TIME-5)", m.specificHeat);
            m.specificHeat.value = 0;  // its value at the start
        }
        ASSERT_EQ(error, 0);
        ASSERT_GT(f.finTransferSpec, 0);
        ASSERT_GT(f.finFluidSpec, 0);
        CalculationRun run(problem);
        ASSERT_EQ(run.Calculate(TimeSettings(50, 10)).code, SolverError::Ok) << variant;
        for (int level = 1; level <= 5; ++level)
            for (int n = 1; n <= problem.settings.activeNodeCount; ++n)
                EXPECT_NEAR(static_cast<double>(run.Value(level, n)),
                            static_cast<double>(20 + 80 * std::pow(factor, level)), 1e-9)
                    << variant << " " << level;
    }
}

TEST(ExtendedSurfaces, ASurfaceFluxWithoutExchangeWarmsThePlateAtQOverRhoCT) {
    Problem problem;
    MakeInsulatedPlate(problem, 0, 1000);
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate(TimeSettings(100, 10)).code, SolverError::Ok);
    const Real rate = 1000 / (2700 * 900 * kThickness);
    for (int level = 1; level <= 10; ++level)
        for (int n = 1; n <= problem.settings.activeNodeCount; ++n)
            EXPECT_NEAR(static_cast<double>(run.Value(level, n)),
                        static_cast<double>(100 + rate * 10 * level), 1e-9)
                << level;
}

TEST(ExtendedSurfaces, ALumpStoresAndExchangesOverItsThickness) {
    // A 0.1 m square lump 2 mm thick, rho c = 2000, generation 2000, h = 10 on its four
    // edges to 20, from 100: capacity rho c A t, source g A t and exchange h P t, so
    // tau = rho c A / (h P) = 5 s and the balance 20 + g A / (h P) = 25 whatever the
    // thickness, and Crank-Nicolson multiplies T - 25 by (1 - dt/2tau)/(1 + dt/2tau).
    Problem problem;
    SetSubjectLabels(problem, ProbTypeA::ThinFins, false);
    const int lump = MakeCoolingLump(problem);
    SetThickness(problem, lump, kThickness);
    problem.frames[lump].generationSpec = FindOrAddSpecValue(problem, kSpecGeneration, 2000);
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate(TimeSettings(5, 1)).code, SolverError::Ok);
    ExpectLumpDecay(run, lump, 5, 25);
}

TEST(ExtendedSurfaces, AFinInAFluidWarmingAlongItFollowsTheFluid) {
    // A fin 0.1 x 0.02 m held at 20 and 120 at its ends, in a fluid whose temperature
    // rises linearly between the same values, T_f = 20 + 1000 x: T = T_f solves
    // k t T'' - 2h (T - T_f) = 0, so no heat moves between fin and fluid. The element
    // loads take each element's mean fluid temperature, which keeps the nodes within
    // 0.01 of it; one corner's fluid temperature is up to 10 degrees off that mean.
    Problem problem;
    SetSubjectLabels(problem, ProbTypeA::ThinFins, false);
    MeshBuilder b(problem);
    const int frame = MeshRectangle(b, 0, 0, 0.1L, 0.02L, 10, 2, 1);
    b.Finish();
    SetMaterial(problem, 1, 200);
    SetThickness(problem, frame, kThickness);
    SetSurface(problem, frame, 25, 0, 0);
    problem.frames[frame].finFluidSpec = FindOrAddSpec(problem, kSpecValue, false, "20+1000*X", 0);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0) || Near(x, 0.1L); },
        [](Real x, Real) { return 20 + 1000 * x; });
    InsulateRest(problem);
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate().code, SolverError::Ok);
    Real worst = 0;
    for (int n = 1; n <= problem.settings.activeNodeCount; ++n)
        worst =
            std::max(worst, std::fabs(run.Value(0, n) - (20 + 1000 * Position(problem, n).first)));
    EXPECT_LT(worst, 0.01L);
}

TEST(ExtendedSurfaces, FramesOfDifferentThicknessCarryOneFlowInWatts) {
    // Two plates 0.1 x 0.05 m in series, t = 2 mm then 1 mm, k = 200, no exchange, held
    // at 100 and 0: conductances k t W / L = 0.2 and 0.1 W/K, so Q = 100/15 W through
    // both and the interface at 100 - Q/0.2. Linear profiles are exact on the mesh.
    Problem problem;
    SetSubjectLabels(problem, ProbTypeA::ThinFins, false);
    MeshBuilder b(problem);
    const int thick = MeshRectangle(b, 0, 0, 0.1L, 0.05L, 4, 2, 1);
    const int thin = MeshRectangle(b, 0.1L, 0, 0.1L, 0.05L, 4, 2, 1);
    b.Finish();
    SetMaterial(problem, 1, 200, 2700, 900);
    SetThickness(problem, thick, 0.002L);
    SetThickness(problem, thin, 0.001L);
    SetSurface(problem, thick, 0, 20, 0);
    SetSurface(problem, thin, 0, 20, 0);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 100; });
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0.2L); }, [](Real, Real) { return 0; });
    InsulateRest(problem);
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate().code, SolverError::Ok);
    const Real q = 100 / 15.0L;
    EXPECT_NEAR(static_cast<double>(run.Value(0, NodeAt(problem, 0.1L, 0))),
                static_cast<double>(100 - q / 0.2L), 1e-9);
    for (Real x : {0.0L, 0.05L, 0.1L, 0.15L, 0.2L})
        EXPECT_NEAR(static_cast<double>(FlowAcross(run, {{x, 0}, {x, 0.025L}, {x, 0.05L}})),
                    static_cast<double>(q), 1e-9)
            << x;
    // The held face's balances are in watts too.
    problem.selection.state = SelectType::Nodal;
    problem.selection.items.clear();
    for (Real y : {0.0L, 0.025L, 0.05L})
        problem.selection.items.push_back(NumberItem(NodeAt(problem, 0, y)));
    CombineSteadyBalances(problem, run.state.balances, {1, 2});
    const FlowContext c{problem, run.state.checked.elements, run.state.results,
                        &run.state.balances};
    FlowPath path;
    EXPECT_NEAR(static_cast<double>(SelectionFlow(c, path, 0).value), static_cast<double>(q), 1e-9);
    const std::string text = BalanceSummaryText(c, 0);
    EXPECT_EQ(text.substr(text.size() - 2), " W") << text;
}

TEST(ExtendedSurfaces, EdgeFluxEdgeConvectionAndALumpActOverTheEdgeHeight) {
    // A plate 0.1 x 0.05 m, t = 2 mm, k = 200 (conductance k t W / L = 0.2 W/K) takes an
    // edge flux q = 50000 W/m2 over its edge area t W = 1e-4 m2 at x = 0, Q = 5 W, and
    // passes it on at x = 0.1 through h = 1000 over the edge (h t W = 0.1 W/K): either
    // straight to fluid at 0 (edge at 50, heated edge at 75), or to a lump of the same
    // thickness that loses it through h = 1000 to 0 on its far edge (lump at 50, edge at
    // 100, heated edge at 125). Linear profiles are exact on the mesh.
    for (bool withLump : {false, true}) {
        Problem problem;
        SetSubjectLabels(problem, ProbTypeA::ThinFins, false);
        MeshBuilder b(problem);
        const int plate = MeshRectangle(b, 0, 0, 0.1L, 0.05L, 4, 2, 1);
        const int lump = withLump ? b.Frame(1, FrameType::Lumped) : 0;
        if (withLump)
            b.LumpOutline(lump, {b.Node(0.1L, 0), b.Node(0.2L, 0), b.Node(0.2L, 0.05L),
                                 b.Node(0.1L, 0.05L), b.Node(0.1L, 0.025L)});
        b.Finish();
        SetMaterial(problem, 1, 200, 2700, 900);
        SetThickness(problem, plate, kThickness);
        if (withLump) SetThickness(problem, lump, kThickness);
        SetSurface(problem, plate, 0, 20, 0);
        SetFluxWhere(
            problem, [](Real x, Real) { return Near(x, 0); }, 50000);
        const Real cooled = withLump ? 0.2L : 0.1L;
        SetConvectionWhere(
            problem, [cooled](Real x, Real) { return Near(x, cooled); }, 1000, 0);
        const int link = FindOrAddSpecValue(problem, kSpecTransfer, 1000);
        for (LineSegment& s : problem.lines)
            if (withLump && s.frameA != 0 && s.frameB != 0 &&
                (s.frameA == lump || s.frameB == lump))
                s.transferSpec = link;
        InsulateRest(problem);
        CalculationRun run(problem);
        ASSERT_EQ(run.Calculate().code, SolverError::Ok) << withLump;
        const Real edge = withLump ? 100 : 50;
        if (withLump) {
            const std::size_t entry = static_cast<std::size_t>(problem.nodes.Count() + lump);
            EXPECT_NEAR(static_cast<double>(run.state.results.Level(0)[entry]), 50, 1e-9);
        }
        EXPECT_NEAR(static_cast<double>(run.Value(0, NodeAt(problem, 0.1L, 0))),
                    static_cast<double>(edge), 1e-9);
        EXPECT_NEAR(static_cast<double>(run.Value(0, NodeAt(problem, 0, 0))),
                    static_cast<double>(edge + 25), 1e-9);
        // The flux edge, the plate's interior, the link and the cooled edge carry 5 W.
        for (Real x : {0.0L, 0.05L, 0.1L})
            EXPECT_NEAR(static_cast<double>(FlowAcross(run, {{x, 0}, {x, 0.025L}, {x, 0.05L}})), 5,
                        1e-9)
                << x << " " << withLump;
        if (withLump) {
            EXPECT_NEAR(static_cast<double>(FlowAcross(run, {{0.2L, 0}, {0.2L, 0.05L}})), 5, 1e-9);
        }
    }
}

}  // namespace
}  // namespace kova::test

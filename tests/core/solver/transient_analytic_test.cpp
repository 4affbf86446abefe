// Transient runs against answers that do not come from the code: the Fourier series of
// a slab whose face is stepped to a new temperature, the exponential decay of a lump
// cooling by convection, and steady profiles following a time-dependent boundary value
// when nothing stores heat.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "expressions/compiler.hpp"
#include "results/flows.hpp"
#include "support/calculation_run.hpp"
#include "support/mesh_builder.hpp"
#include "units/unit_labels.hpp"

namespace kova::test {
namespace {

constexpr Real kPi = std::numbers::pi_v<Real>;

// T(x, t) of a slab 0 <= x <= 1 with alpha = 1, initially 0, its face x = 0 held at 1
// from t = 0 and its face x = 1 insulated.
Real SteppedSlab(Real x, Real t) {
    Real sum = 0;
    for (int n = 0; n < 200; ++n) {
        const Real lambda = (2 * n + 1) * kPi / 2;
        sum += 4 / ((2 * n + 1) * kPi) * std::sin(lambda * x) * std::exp(-lambda * lambda * t);
    }
    return 1 - sum;
}

void SetAllInitialValues(Problem& problem, Real value) {
    for (int n = 1; n <= problem.nodes.Count(); ++n) problem.nodes[n].initialValue = value;
}

void MakeSteppedSlab(Problem& problem) {
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 1, 0.05L, 20, 1, 1);
    b.Finish();
    SetMaterial(problem, 1, 1, 1, 1);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 1; });
    InsulateRest(problem);
    problem.settings.transient = true;
    SetAllInitialValues(problem, 0);
}

// Gives every outer segment (and its nodes) at x = `at` the value specification `spec`.
void HoldFaceWith(Problem& problem, Real at, int spec) {
    SetValueWhere(
        problem, [at](Real x, Real) { return Near(x, at); }, [](Real, Real) { return 0; });
    for (LineSegment& s : problem.lines)
        if (s.valueSpec > 0 && Near(Position(problem, s.node1).first, at)) s.valueSpec = spec;
    for (int n = 1; n <= problem.nodes.Count(); ++n)
        if (Near(Position(problem, n).first, at))
            problem.nodes[n].valueSpec = static_cast<std::int16_t>(spec);
}

// The largest difference from the series over the nodes at stored level `level`.
Real SlabError(const CalculationRun& run, int level) {
    const Real t = run.Time(level);
    Real worst = 0;
    for (int n = 1; n <= run.problem.settings.activeNodeCount; ++n) {
        const auto [x, y] = Position(run.problem, n);
        worst = std::max(worst, std::fabs(run.Value(level, n) - SteppedSlab(x, t)));
    }
    return worst;
}

TEST(TransientAnalytic, CrankNicolsonFollowsTheFourierSeriesOfASteppedSlab) {
    Problem problem;
    MakeSteppedSlab(problem);
    CalculationRun run(problem);
    const auto outcome = run.Calculate(TimeSettings(0.3L, 0.001L, TransMethodType::CrankN));
    ASSERT_TRUE(outcome.ran);
    ASSERT_EQ(outcome.code, SolverError::Ok);
    ASSERT_EQ(run.state.results.LevelCount(), 301);
    EXPECT_EQ(run.state.currentLevel, 300);
    EXPECT_NEAR(static_cast<double>(run.Time(100)), 0.1, 1e-12);
    for (int level : {50, 100, 200, 300}) EXPECT_LT(SlabError(run, level), 4e-3L) << level;
    // The held face keeps its value at every level.
    const int face = NodeAt(problem, 0, 0);
    for (int level = 0; level <= 300; ++level) EXPECT_EQ(run.Value(level, face), 1);
}

TEST(TransientAnalytic, EulerBelowTheCriticalStepFollowsTheFourierSeries) {
    Problem problem;
    MakeSteppedSlab(problem);
    problem.settings.transMethod = TransMethodType::Euler;
    CalculationRun run(problem);
    const auto outcome = run.Calculate(TimeSettings(0.2L, 0.0001L, TransMethodType::Euler));
    ASSERT_EQ(outcome.code, SolverError::Ok);
    ASSERT_EQ(run.state.results.LevelCount(), 2001);
    EXPECT_EQ(run.state.runMode, 1);
    for (int level : {500, 1000, 2000}) EXPECT_LT(SlabError(run, level), 4e-3L) << level;
    // The ratio line shows the step against the estimate, which the step stays below.
    ASSERT_FALSE(run.progress.lines[2].empty());
    const std::string ratioLine = run.progress.lines[2].back();
    EXPECT_EQ(ratioLine.rfind(" User/Critical Timestep = ", 0), 0u) << ratioLine;
    EXPECT_LT(run.state.timeStepRatio, 1);
    EXPECT_GT(run.state.timeStepRatio, 0.01L);
}

TEST(TransientAnalytic, EulerFarAboveTheCriticalStepIsUnstableAndSaysSo) {
    Problem problem;
    MakeSteppedSlab(problem);
    CalculationRun run(problem);
    const auto outcome = run.Calculate(TimeSettings(0.2L, 0.01L, TransMethodType::Euler));
    // The ratio warned about it; the oscillation grows until a value passes 1e35.
    EXPECT_GT(run.state.timeStepRatio, 2);
    ASSERT_EQ(outcome.code, SolverError::NumericalError);
    const std::vector<std::string> errors = run.reporter.Errors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0],
              "A numerical error has resulted.  The problem may be improperly described. ");
    EXPECT_EQ(errors[1],
              "Your problem has produced a singular matrix.  Check your problem definition.");
    EXPECT_TRUE(run.progress.closed);
    // The levels before the failing one hold results; a Continue would resume there.
    const int last = run.state.currentLevel;
    EXPECT_GT(last, 0);
    EXPECT_LT(last, 20);
    EXPECT_EQ(problem.settings.transientStop, run.Time(last));
    EXPECT_GT(SlabError(run, last), 1);
}

TEST(TransientAnalytic, LumpCoolingByConvectionDecaysExponentially) {
    // A 0.1 m square lump, rho c = 2000, h = 10 on its four sides to 20 degrees:
    // tau = rho c A / (h P) = 2000 * 0.01 / (10 * 0.4) = 5 s.
    Problem problem;
    const int lump = MakeCoolingLump(problem);
    CalculationRun run(problem);
    const auto outcome = run.Calculate(TimeSettings(10, 0.05L, TransMethodType::CrankN));
    ASSERT_EQ(outcome.code, SolverError::Ok)
        << (run.reporter.Errors().empty() ? "" : run.reporter.Errors()[0]);
    const std::size_t entry = static_cast<std::size_t>(problem.nodes.Count() + lump);
    for (int level = 0; level <= 200; level += 20) {
        const Real t = run.Time(level);
        const Real exact = 20 + 80 * std::exp(-t / 5);
        EXPECT_NEAR(static_cast<double>(run.state.results.Level(level)[entry]),
                    static_cast<double>(exact), 1e-3)
            << t;
    }
}

TEST(TransientAnalytic, ALumpTimedInHoursStepsInHoursAndStoresHours) {
    // The cooling lump with rho c = 2000 * 3600: tau = 5 h. With the time unit hours,
    // steps of 1 h are 3600 s inside the run, so T - 20 shrinks by (1 - 0.1)/(1 + 0.1)
    // each step, the levels hold the times 0..5 in hours, and the critical step is
    // C/K = 18000 s = 5 h, a ratio of 0.2.
    Problem problem;
    const int lump = MakeCoolingLump(problem, 0, 2 * 3600);
    problem.settings.timeInHours = true;
    SetUnitLabels(problem);
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate(TimeSettings(5, 1)).code, SolverError::Ok);
    ASSERT_EQ(run.state.results.LevelCount(), 6);
    EXPECT_EQ(problem.settings.transientStop, 5);
    EXPECT_NEAR(static_cast<double>(run.state.timeStepRatio), 0.2, 1e-12);
    EXPECT_EQ(run.state.criticalText[1], "     Critical time-step estimate = 5.000 hr");
    for (int level = 0; level <= 5; ++level)
        EXPECT_NEAR(static_cast<double>(run.Time(level)), level, 1e-12);
    ExpectLumpDecay(run, lump, 5);
}

TEST(TransientAnalytic, WithoutCapacityEachLevelIsTheSteadyProfileAtItsTime) {
    // Specific heat 0: T(0, t) = 10 t, T(1, t) = 0, so T = 10 t (1 - x) at every level.
    Problem problem;
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 1, 0.25L, 8, 2, 1);
    b.Finish();
    SetMaterial(problem, 1, 3, 1, 0);
    const int rising = FindOrAddSpec(problem, kSpecValue, false, "10*TIME", 0);
    ASSERT_GT(rising, 0);
    const int zero = FindOrAddSpecValue(problem, kSpecValue, 0);
    for (LineSegment& s : problem.lines) {
        if (s.frameA != 0 && s.frameB != 0) continue;
        const auto [x1, y1] = Position(problem, s.node1);
        const auto [x2, y2] = Position(problem, s.node2);
        if (Near(x1, 0) && Near(x2, 0)) s.valueSpec = rising;
        if (Near(x1, 1) && Near(x2, 1)) s.valueSpec = zero;
    }
    for (int n = 1; n <= problem.nodes.Count(); ++n) {
        const auto [x, y] = Position(problem, n);
        if (Near(x, 0)) problem.nodes[n].valueSpec = static_cast<std::int16_t>(rising);
        if (Near(x, 1)) problem.nodes[n].valueSpec = static_cast<std::int16_t>(zero);
    }
    InsulateRest(problem);
    problem.settings.transient = true;
    SetAllInitialValues(problem, 0);
    CalculationRun run(problem);
    const auto outcome = run.Calculate(TimeSettings(5, 1, TransMethodType::CrankN));
    ASSERT_EQ(outcome.code, SolverError::Ok);
    EXPECT_EQ(run.state.runMode, -1);
    EXPECT_EQ(run.state.criticalText[0], "Calculating steady-state solution at each time");
    ASSERT_EQ(run.state.results.LevelCount(), 6);
    for (int level = 1; level <= 5; ++level) {
        const Real t = run.Time(level);
        EXPECT_EQ(t, level);
        for (int n = 1; n <= problem.settings.activeNodeCount; ++n) {
            const auto [x, y] = Position(problem, n);
            EXPECT_NEAR(static_cast<double>(run.Value(level, n)),
                        static_cast<double>(10 * t * (1 - x)), 1e-9)
                << level << " " << x;
        }
    }
}

TEST(TransientAnalytic, ReassemblingEveryLevelGivesTheSameLevelsAsReusingTheSystem) {
    // A conductivity written as an expression in T makes the run re-assemble and
    // re-factorise at every level; with no actual dependence the levels must not change.
    Problem fixedProblem, dependentProblem;
    MakeSteppedSlab(fixedProblem);
    MakeSteppedSlab(dependentProblem);
    ASSERT_EQ(
        CompileExpression(dependentProblem, "1+0*T", dependentProblem.materials[1].conductivity),
        0);
    CalculationRun fixed(fixedProblem), dependent(dependentProblem);
    ASSERT_EQ(fixed.Calculate(TimeSettings(0.1L, 0.005L)).code, SolverError::Ok);
    ASSERT_EQ(dependent.Calculate(TimeSettings(0.1L, 0.005L)).code, SolverError::Ok);
    ASSERT_EQ(dependent.state.results.LevelCount(), 21);
    for (int level = 0; level <= 20; ++level)
        for (int n = 1; n <= fixedProblem.nodes.Count(); ++n)
            EXPECT_NEAR(static_cast<double>(dependent.Value(level, n)),
                        static_cast<double>(fixed.Value(level, n)), 1e-12)
                << level << " " << n;
}

TEST(TransientAnalytic, WithoutCapacityANonlinearConductivityIteratesEachLevel) {
    // k = 1 + 0.02 T, T(0, t) = 10 t, T(1, t) = 0: the Kirchhoff transform
    // U = T + 0.01 T^2 is linear in x, so T = (-1 + sqrt(1 + 0.04 U)) / 0.02 with
    // U = U0 (1 - x), U0 = T0 + 0.01 T0^2.
    Problem problem;
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 1, 0.25L, 8, 2, 1);
    b.Finish();
    SetMaterial(problem, 1, 1, 1, 0);
    ASSERT_EQ(CompileExpression(problem, "1+0.02*T", problem.materials[1].conductivity), 0);
    const int rising = FindOrAddSpec(problem, kSpecValue, false, "10*TIME", 0);
    const int zero = FindOrAddSpecValue(problem, kSpecValue, 0);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0) || Near(x, 1); },
        [](Real, Real) { return 0; });
    for (LineSegment& s : problem.lines)
        if (s.valueSpec > 0) {
            const bool left = Near(Position(problem, s.node1).first, 0);
            s.valueSpec = left ? rising : zero;
        }
    for (int n = 1; n <= problem.nodes.Count(); ++n)
        if (problem.nodes[n].valueSpec != 0)
            problem.nodes[n].valueSpec =
                static_cast<std::int16_t>(Near(Position(problem, n).first, 0) ? rising : zero);
    InsulateRest(problem);
    problem.settings.transient = true;
    SetAllInitialValues(problem, 0);
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate(TimeSettings(4, 1)).code, SolverError::Ok);
    EXPECT_EQ(run.state.runMode, -1);
    for (int level = 1; level <= 4; ++level) {
        const Real t0 = 10 * run.Time(level);
        const Real u0 = t0 + 0.01L * t0 * t0;
        for (int n = 1; n <= problem.settings.activeNodeCount; ++n) {
            const Real x = Position(problem, n).first;
            const Real exact = (-1 + std::sqrt(1 + 0.04L * u0 * (1 - x))) / 0.02L;
            EXPECT_NEAR(static_cast<double>(run.Value(level, n)), static_cast<double>(exact),
                        2e-3 * static_cast<double>(t0))
                << level << " " << x;
        }
    }
}

// Insulated perfused tissue without capacity, w = 1, arterial 0, with the generation
// `generation`: every iterate is uniform, T(n) = g(T(n-1)).
void MakePerfusedBlockWithoutCapacity(Problem& problem, const char* generation) {
    SetSubjectLabels(problem, ProbTypeA::Bio, false);
    MeshBuilder b(problem);
    const int frame = MeshRectangle(b, 0, 0, 1, 0.5L, 4, 2, 1);
    b.Finish();
    SetMaterial(problem, 1, 1, 1, 0);
    SetPerfusion(problem, 1, 1, 1);
    problem.blood.arterialSpec = FindOrAddSpecValue(problem, kSpecValue, 0);
    problem.frames[frame].generationSpec =
        FindOrAddSpec(problem, kSpecGeneration, false, generation, 0);
    InsulateRest(problem);
    problem.settings.transient = true;
    SetAllInitialValues(problem, 0);
}

TEST(TransientAnalytic, WithoutCapacityEachLevelIteratesUntilItsChangeFallsBelowTheLimit) {
    // g = 10 + T/2, and 10 more from 2.5 s: each level starts from the previous level's
    // values and stops at the first change below 0.001 from the third solution on.
    // From 0 the change of solution n is 20 / 2^n: level 1 stops at n = 15 with
    // 20 (1 - 2^-15). Level 2 starts 20 / 2^15 below 20 and stops at n = 3, 20 / 2^18
    // below it. Level 3 heads for 40 from there; its first change, 10, is larger than
    // the last one of level 2 but is not relaxed, as each level starts afresh; it stops
    // at n = 15, (20 + 20 / 2^18) / 2^15 below 40.
    Problem problem;
    MakePerfusedBlockWithoutCapacity(problem, "10+T/2+10*STEP(TIME-2.5)");
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate(TimeSettings(3, 1)).code, SolverError::Ok);
    EXPECT_EQ(run.state.runMode, -1);
    for (int n = 1; n <= problem.settings.activeNodeCount; ++n) {
        EXPECT_NEAR(static_cast<double>(run.Value(1, n)), 20 - std::ldexp(20.0, -15), 1e-9);
        EXPECT_NEAR(static_cast<double>(run.Value(2, n)), 20 - std::ldexp(20.0, -18), 1e-9);
        EXPECT_NEAR(static_cast<double>(run.Value(3, n)),
                    40 - std::ldexp(20.0, -15) - std::ldexp(20.0, -33), 1e-9);
    }
}

TEST(TransientAnalytic, WithoutCapacityALevelThatDoesNotConvergeKeepsItsThirtyFirstSolution) {
    // g = 10 + 0.9 T: T(n) = 100 - (100 - T(0)) 0.9^n changes by more than 0.001 for 88
    // solutions, so each level keeps its 31st and the run goes on: 100 (1 - 0.9^31) at
    // level 1, 100 (1 - 0.9^62) at level 2.
    Problem problem;
    MakePerfusedBlockWithoutCapacity(problem, "10+0.9*T");
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate(TimeSettings(2, 1)).code, SolverError::Ok);
    for (int n = 1; n <= problem.settings.activeNodeCount; ++n) {
        EXPECT_NEAR(static_cast<double>(run.Value(1, n)), 100 * (1 - std::pow(0.9, 31)), 1e-9);
        EXPECT_NEAR(static_cast<double>(run.Value(2, n)), 100 * (1 - std::pow(0.9, 62)), 1e-9);
    }
}

TEST(TransientAnalytic, HeldFacesRisingWithABalancingSourceGiveAUniformRampInBothSchemes) {
    // Every outer side held at 10 t, k = 1, rho c = 2000 and a generation of
    // rho c * 10: T = 10 t everywhere solves it, and both schemes reproduce it exactly,
    // the held values acting on their neighbours at the old and the new level.
    for (TransMethodType method : {TransMethodType::CrankN, TransMethodType::Euler}) {
        Problem problem;
        MeshBuilder b(problem);
        const int frame = MeshRectangle(b, 0, 0, 1, 0.5L, 4, 2, 1);
        b.Finish();
        SetMaterial(problem, 1, 1, 1000, 2);
        const int rising = FindOrAddSpec(problem, kSpecValue, false, "10*TIME", 0);
        ASSERT_GT(rising, 0);
        SetValueWhere(
            problem, [](Real, Real) { return true; }, [](Real, Real) { return 0; });
        for (LineSegment& s : problem.lines)
            if (s.valueSpec > 0) s.valueSpec = rising;
        for (int n = 1; n <= problem.nodes.Count(); ++n)
            if (problem.nodes[n].valueSpec != 0)
                problem.nodes[n].valueSpec = static_cast<std::int16_t>(rising);
        problem.frames[frame].generationSpec = FindOrAddSpecValue(problem, kSpecGeneration, 20000);
        problem.settings.transient = true;
        SetAllInitialValues(problem, 0);
        CalculationRun run(problem);
        ASSERT_EQ(run.Calculate(TimeSettings(5, 1, method)).code, SolverError::Ok);
        for (int level = 1; level <= 5; ++level)
            for (int n = 1; n <= problem.settings.activeNodeCount; ++n)
                EXPECT_NEAR(static_cast<double>(run.Value(level, n)), 10 * level, 1e-9)
                    << static_cast<int>(method) << " " << level << " " << n;
    }
}

TEST(TransientAnalytic, ALumpWhoseSourceOrCapacityStartsAfterTheStartHeatsToItsBalance) {
    // The 0.1 m square lump of the cooling test (h = 10 on its sides to 20, tau = 5 s)
    // with a generation of 2000 per unit area, from 100. In turn the generation and the
    // specific heat begin only at 0.5 s, before the first step: either way the lump
    // sees 20 W against 4 W/K at every step, so T - 25 shrinks by (1 - 0.1)/(1 + 0.1)
    // each 1 s step.
    for (bool sourceStarts : {true, false}) {
        SCOPED_TRACE(sourceStarts);
        Problem problem;
        const int lump = MakeCoolingLump(problem);
        Frame& f = problem.frames[lump];
        if (sourceStarts) {
            f.generationSpec =
                FindOrAddSpec(problem, kSpecGeneration, false, "2000*STEP(TIME-0.5)", 0);
        } else {
            f.generationSpec = FindOrAddSpecValue(problem, kSpecGeneration, 2000);
            BoundarySpec& c = problem.materials[1].specificHeat;
            ASSERT_EQ(CompileExpression(problem, "2*STEP(TIME-0.5)", c), 0);
            c.value = 0;  // its value at the start
        }
        ASSERT_GT(f.generationSpec, 0);
        CalculationRun run(problem);
        ASSERT_EQ(run.Calculate(TimeSettings(5, 1)).code, SolverError::Ok);
        EXPECT_EQ(run.state.runMode, 2);
        ExpectLumpDecay(run, lump, 5, 25);
    }
}

TEST(TransientAnalytic, CylindricalCapacityVaryingWithTheRadiusWarmsUniformly) {
    // An insulated solid cylinder 0 <= r <= 1 with rho c = 1000 (1 + r) and a generation
    // 2000 (1 + r): dT/dt = 2 everywhere, which the capacity (the integral of rho c r
    // N_i N_j) and the generation (of g r N_i) must balance exactly at every node.
    Problem problem;
    problem.SetCylindrical(true);
    MeshBuilder b(problem);
    const int frame = MeshRectangle(b, 0, 0, 1, 0.5L, 4, 2, 1);
    b.Finish();
    SetMaterial(problem, 1, 1, 1, 1);
    ASSERT_EQ(CompileExpression(problem, "1000*(1+R)", problem.materials[1].density), 0);
    const int spec = FindOrAddSpec(problem, kSpecGeneration, false, "2000*(1+R)", 0);
    ASSERT_GT(spec, 0);
    problem.frames[frame].generationSpec = spec;
    InsulateRest(problem);
    problem.settings.transient = true;
    SetAllInitialValues(problem, 10);
    for (TransMethodType method : {TransMethodType::CrankN, TransMethodType::Euler}) {
        CalculationRun run(problem);
        ASSERT_EQ(run.Calculate(TimeSettings(5, 1, method)).code, SolverError::Ok);
        for (int level = 1; level <= 5; ++level)
            for (int n = 1; n <= problem.settings.activeNodeCount; ++n)
                EXPECT_NEAR(static_cast<double>(run.Value(level, n)), 10 + 2 * level, 1e-9)
                    << level << " " << n;
    }
}

TEST(TransientAnalytic, CylindricalPerfusedTissueRelaxesToTheArterialTemperature) {
    // Insulated tissue 0 <= r <= 1 from 30, arterial 37, blood c 4000 and perfusion
    // 0.5 (1 + r), rho c = 4e5 (1 + r): w / rho c = 0.005 per second everywhere, so
    // Crank-Nicolson with 10 s steps multiplies T - 37 by 0.975 / 1.025 at every node.
    // The perfusion starts at 5 s, before the first step's time, so only a run that
    // re-evaluates it at every step sees it.
    Problem problem;
    SetSubjectLabels(problem, ProbTypeA::Bio, false);
    problem.SetCylindrical(true);
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 1, 0.5L, 4, 2, 1);
    b.Finish();
    SetMaterial(problem, 1, 0.5L, 1, 1);
    Material& m = problem.materials[1];
    ASSERT_EQ(CompileExpression(problem, "4E5*(1+R)", m.density), 0);
    ASSERT_EQ(CompileExpression(problem, "0.5*(1+R)*STEP(TIME-5)", m.perfusion), 0);
    problem.blood.specificHeat = 4000;
    problem.blood.arterialSpec = FindOrAddSpecValue(problem, kSpecValue, 37);
    InsulateRest(problem);
    problem.settings.transient = true;
    SetAllInitialValues(problem, 30);
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate(TimeSettings(50, 10)).code, SolverError::Ok);
    for (int level = 1; level <= 5; ++level)
        for (int n = 1; n <= problem.settings.activeNodeCount; ++n)
            EXPECT_NEAR(static_cast<double>(run.Value(level, n)),
                        static_cast<double>(37 - 7 * std::pow(0.975L / 1.025L, level)), 1e-9)
                << level << " " << n;
}

TEST(TransientAnalytic, CylindricalRingLumpCoolsWithItsVolumePerRadian) {
    // A ring lump 1 <= r <= 1.1, 0 <= z <= 0.1, rho c = 2000, h = 10 on its four sides
    // to 20, from 100. Per radian: capacity rho c (1.1^2 - 1) / 2 * 0.1 = 21, exchange
    // h L r over the sides = 10 (0.1 + 0.11 + 2 * 0.1 * 1.05) = 4.2, so tau = 5 s and
    // Crank-Nicolson multiplies T - 20 by (1 - dt/2tau)/(1 + dt/2tau) each step.
    Problem problem;
    problem.SetCylindrical(true);
    const int lump = MakeCoolingLump(problem, 1);
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate(TimeSettings(5, 1)).code, SolverError::Ok);
    ExpectLumpDecay(run, lump, 5);
}

TEST(TransientAnalytic, AFaceSteppedAfterTheStartActsOnItsNeighboursAtBothLevels) {
    // A bar 0.1 x 0.01 m, k = 200, rho c = 2.4e6 (alpha = 1/12000), initially 0, its right
    // face held at 0 and its left face stepped to 100 just after the start, against the
    // series 100 (1 - x/L) - sum 200/(n pi) sin(n pi x/L) exp(-n^2 pi^2 alpha t/L^2).
    // Crank-Nicolson with 1 s steps sees the jump between levels 0 and 1 as a ramp over
    // the first step, which answers like the step delayed by half a step; ten linear
    // cells overestimate the first mode's decay rate by (pi h/L)^2/12 = 0.8 %, which
    // moves T(L/2) by at most 0.2 at 10 and 20 s. A neighbour that does not see the jump
    // through its capacity coupling runs 1.6 and 0.8 degrees warm there.
    Problem problem;
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 0.1L, 0.01L, 10, 1, 1);
    b.Finish();
    SetMaterial(problem, 1, 200, 2400, 1000);
    const int step = FindOrAddSpec(problem, kSpecValue, false, "100*STEP(TIME-0.001)", 0);
    ASSERT_GT(step, 0);
    HoldFaceWith(problem, 0, step);
    HoldFaceWith(problem, 0.1L, FindOrAddSpecValue(problem, kSpecValue, 0));
    InsulateRest(problem);
    problem.settings.transient = true;
    SetAllInitialValues(problem, 0);
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate(TimeSettings(60, 1)).code, SolverError::Ok);
    ASSERT_EQ(run.state.results.LevelCount(), 61);
    const Real alpha = 200 / 2.4e6L;
    auto series = [&](Real x, Real t) {
        Real sum = 100 * (1 - x / 0.1L);
        for (int n = 1; n < 400; ++n)
            sum -= 200 / (n * kPi) * std::sin(n * kPi * x / 0.1L) *
                   std::exp(-n * n * kPi * kPi * alpha * t / 0.01L);
        return sum;
    };
    const int left = NodeAt(problem, 0, 0);
    const int middle = NodeAt(problem, 0.05L, 0);
    for (int level = 1; level <= 60; ++level) EXPECT_EQ(run.Value(level, left), 100) << level;
    for (int t : {10, 20})
        EXPECT_NEAR(static_cast<double>(run.Value(t, middle)),
                    static_cast<double>(series(0.05L, t - 0.5L)), 0.2)
            << t;
    // By 60 s both effects are a few hundredths.
    EXPECT_NEAR(static_cast<double>(series(0.05L, 60)), 49.54, 0.005);
    EXPECT_NEAR(static_cast<double>(run.Value(60, middle)), 49.54, 0.05);
    // Nothing overshoots the values that bound it.
    for (int level = 1; level <= 60; ++level)
        for (int n = 1; n <= problem.settings.activeNodeCount; ++n) {
            EXPECT_LE(run.Value(level, n), 100 + 1e-9L);
            EXPECT_GE(run.Value(level, n), -0.5L) << level << " " << n;
        }
}

TEST(TransientAnalytic, ArterialTemperatureSteppedInTimeDrivesPerfusedTissue) {
    // Uniform insulated tissue, w = 4000 x 0.5 = 2000 W/m3K, rho c = 4e6, initially 37,
    // arterial blood stepped from 37 to 42 at t = 1 s: T = 42 - 5 exp(-w (t - 1)/rho c).
    // Crank-Nicolson with w dt/rho c = 0.05 takes the new level's arterial value, which
    // agrees with the exponential to 2e-3 after 20 steps.
    Problem problem;
    SetSubjectLabels(problem, ProbTypeA::Bio, false);
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 0.1L, 0.1L, 2, 2, 1);
    b.Finish();
    SetMaterial(problem, 1, 0.5L, 1000, 4000);
    SetPerfusion(problem, 1, 0.5L, 4000);
    problem.blood.arterialSpec = FindOrAddSpec(problem, kSpecValue, false, "37+5*STEP(TIME-1)", 0);
    ASSERT_GT(problem.blood.arterialSpec, 0);
    InsulateRest(problem);
    problem.settings.transient = true;
    SetAllInitialValues(problem, 37);
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate(TimeSettings(2000, 100)).code, SolverError::Ok);
    const Real exact = 42 - 5 * std::exp(-2000 * (2000 - 1) / 4e6L);
    EXPECT_NEAR(static_cast<double>(exact), 40.16, 0.005);
    for (int n = 1; n <= problem.settings.activeNodeCount; ++n)
        EXPECT_NEAR(static_cast<double>(run.Value(20, n)), static_cast<double>(exact), 2e-3);
}

TEST(TransientAnalytic, ASourceDependingOnTheValueTakesTheLastCompletedLevel) {
    // Insulated uniform tissue, rho c = 4e5, w = 2000, arterial 37, generation
    // 1000 + 50 T, from 37: each step evaluates the source with the values of the level
    // just completed, so per unit volume
    //   Crank-Nicolson: (rho c + dt w/2) T' = (rho c - dt w/2) T + dt (w Ta + g(T)),
    //   Euler:           rho c T' = (rho c - dt w) T + dt (w Ta + g(T)).
    for (TransMethodType method : {TransMethodType::CrankN, TransMethodType::Euler}) {
        Problem problem;
        SetSubjectLabels(problem, ProbTypeA::Bio, false);
        MeshBuilder b(problem);
        const int frame = MeshRectangle(b, 0, 0, 0.1L, 0.1L, 2, 2, 1);
        b.Finish();
        SetMaterial(problem, 1, 0.5L, 1000, 400);
        SetPerfusion(problem, 1, 0.5L, 4000);
        problem.blood.arterialSpec = FindOrAddSpecValue(problem, kSpecValue, 37);
        problem.frames[frame].generationSpec =
            FindOrAddSpec(problem, kSpecGeneration, false, "1000+50*T", 0);
        ASSERT_GT(problem.frames[frame].generationSpec, 0);
        InsulateRest(problem);
        problem.settings.transient = true;
        SetAllInitialValues(problem, 37);
        CalculationRun run(problem);
        ASSERT_EQ(run.Calculate(TimeSettings(100, 10, method)).code, SolverError::Ok);
        const Real rc = 4e5L, w = 2000, dt = 10;
        const bool cn = method == TransMethodType::CrankN;
        Real t = 37;
        for (int level = 1; level <= 10; ++level) {
            const Real source = dt * (w * 37 + 1000 + 50 * t);
            t = cn ? ((rc - dt * w / 2) * t + source) / (rc + dt * w / 2)
                   : ((rc - dt * w) * t + source) / rc;
            for (int n = 1; n <= problem.settings.activeNodeCount; ++n)
                EXPECT_NEAR(static_cast<double>(run.Value(level, n)), static_cast<double>(t), 1e-9)
                    << cn << " " << level;
        }
    }
}

TEST(TransientAnalytic, AFixedLumpFollowsItsValueInTimeInFieldAndFlows) {
    // A slab 1 x 0.1 m, k = 10, no capacity, held at 0 at x = 0 and coupled by h = 10 to
    // a fixed lump beyond x = 1 whose value is 100 t: q = 100 t / (L/k + 1/h) = 500 t, so
    // T(1) = 50 t and the flow per unit depth is 50 t, across the slab and into the lump
    // alike. Linear profiles are exact on the mesh.
    Problem problem;
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 1, 0.1L, 10, 1, 1);
    const int lump = b.Frame(1, FrameType::Lumped);
    b.LumpOutline(lump, {b.Node(1, 0), b.Node(1.1L, 0), b.Node(1.1L, 0.1L), b.Node(1, 0.1L)});
    b.Finish();
    SetMaterial(problem, 1, 10, 1, 0);
    problem.frames[lump].lumpValueSpec = FindOrAddSpec(problem, kSpecValue, false, "100*TIME", 0);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 0; });
    const int h = FindOrAddSpecValue(problem, kSpecTransfer, 10);
    for (LineSegment& s : problem.lines)
        if (s.frameA != 0 && s.frameB != 0 && (s.frameA == lump || s.frameB == lump))
            s.transferSpec = h;
    InsulateRest(problem);
    problem.settings.transient = true;
    SetAllInitialValues(problem, 0);
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate(TimeSettings(2, 1)).code, SolverError::Ok);
    EXPECT_EQ(run.state.runMode, -1);
    const int end = NodeAt(problem, 1, 0);
    EXPECT_NEAR(static_cast<double>(run.Value(1, end)), 50, 1e-9);
    EXPECT_NEAR(static_cast<double>(run.Value(2, end)), 100, 1e-9);
    const FlowContext c{problem, run.state.checked.elements, run.state.results, nullptr};
    for (Real x : {0.5L, 1.0L}) {
        FlowPath path;
        int bad = 0;
        ASSERT_TRUE(
            SelectNodePath(c, path, {NodeAt(problem, x, 0), NodeAt(problem, x, 0.1L)}, 1, bad));
        EXPECT_NEAR(static_cast<double>(SelectionFlow(c, path, 1).value), 50, 1e-9) << x;
    }
}

}  // namespace
}  // namespace kova::test

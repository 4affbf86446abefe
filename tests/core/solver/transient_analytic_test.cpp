// Transient runs against answers that do not come from the code: the Fourier series of
// a slab whose face is stepped to a new temperature, the exponential decay of a lump
// cooling by convection, and steady profiles following a time-dependent boundary value
// when nothing stores heat.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "expressions/compiler.hpp"
#include "support/calculation_run.hpp"
#include "support/mesh_builder.hpp"

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
    MeshBuilder b(problem);
    const int lump = b.Frame(1, FrameType::Lumped);
    const int n1 = b.Node(0, 0), n2 = b.Node(0.1L, 0), n3 = b.Node(0.1L, 0.1L),
              n4 = b.Node(0, 0.1L);
    b.LumpOutline(lump, {n1, n2, n3, n4});
    b.Finish();
    SetMaterial(problem, 1, 1, 1000, 2);
    SetConvectionWhere(
        problem, [](Real, Real) { return true; }, 10, 20);
    problem.frames[static_cast<std::size_t>(lump)].lumpInitialValue = 100;
    problem.settings.transient = true;
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

}  // namespace
}  // namespace kova::test

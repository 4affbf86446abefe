// The calculation command: status lines and captions in order, the seconds rounding,
// result codes and their messages, cancel and Continue, the transient set-up's checks
// and the level arithmetic, and the Check command's critical time-step estimate.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "expressions/compiler.hpp"
#include "solver/band_matrix.hpp"
#include "solver/transient_solution.hpp"
#include "support/calculation_run.hpp"
#include "support/mesh_builder.hpp"

namespace kova::test {
namespace {

void MakeStrip(Problem& problem, bool transient = true) {
    MakeConvectiveStrip(problem, transient, 0);
}

TEST(LevelArithmetic, LastLevelRoundsHalfToEvenAndNeedsAPositiveStep) {
    EXPECT_EQ(LastLevelFor(2, 0, 10, 1, 0), 10);
    EXPECT_EQ(LastLevelFor(2, 0, 10.5L, 1, 0), 10);
    EXPECT_EQ(LastLevelFor(1, 0, 11.5L, 1, 0), 12);
    EXPECT_EQ(LastLevelFor(2, 6, 10, 1, 6), 10);  // continuing from level 6
    EXPECT_EQ(LastLevelFor(2, 0, 10, 0, 0), 0);
    EXPECT_EQ(LastLevelFor(0, 0, 10, 1, 0), 0);
    EXPECT_EQ(RequiredSteps(0, 10, 1), 11);
    EXPECT_EQ(RequiredSteps(0, 10.5L, 1), 11);
    EXPECT_EQ(RequiredSteps(0, 10, 3), 4);
}

TEST(LevelArithmetic, GershgorinBoundsTheRowsOfFreeEquations) {
    // K = [[2, -1, 0], [-1, 3, -2], [0, -2, 2]], C = diag(1, 2, 4); equation 3 specified.
    // The same bound from band storage and from the sparse pattern of the couplings.
    SparsePatternBuilder builder(3);
    builder.AddCoupling(0, 1);
    builder.AddCoupling(1, 2);
    SparsePattern pattern;
    ASSERT_TRUE(builder.Finish(pattern));
    for (bool sparse : {false, true}) {
        SystemMatrix k, c;
        ASSERT_TRUE(sparse ? k.AllocateSparse(pattern) : k.AllocateBand(3, 2));
        ASSERT_TRUE(sparse ? c.AllocateSparse(pattern) : c.AllocateBand(3, 2));
        k(1, 1) = 2;
        k(1, 2) = -1;
        k(2, 2) = 3;
        k(3, 2) = -2;
        k(3, 3) = 2;
        c(1, 1) = 1;
        c(2, 2) = 2;
        c(3, 3) = 4;
        EXPECT_EQ(GershgorinEstimate(k, c, {0, 0, 0, 1}), 3);  // row 1: (2 + 1) / 1
        EXPECT_EQ(GershgorinEstimate(k, c, {0, 1, 0, 0}), 3);  // row 2: (3 + 3) / 2
        EXPECT_EQ(GershgorinEstimate(k, c, {0, 1, 1, 0}), 1);  // row 3: (2 + 2) / 4
    }
    EXPECT_EQ(AutoText(123.456L, 4), "123.5");
    EXPECT_EQ(AutoText(0.012345L, 4), "1.2345E-02");  // five decimals would be needed
    EXPECT_EQ(AutoText(0, 4), "0.0");
    EXPECT_EQ(AutoText(1e-5L, 4), "1.0000E-05");
}

TEST(Calculation, SteadyRunShowsItsLinesAndRoundsTheSeconds) {
    Problem problem;
    MakeStrip(problem, false);
    CalculationRun run(problem);
    run.clock.step = 1499;  // one tick before the run, one after
    const auto outcome = run.Calculate();
    ASSERT_TRUE(outcome.ran);
    EXPECT_EQ(outcome.code, SolverError::Ok);
    EXPECT_EQ(outcome.seconds, 1);
    EXPECT_EQ(outcome.caption, "Calculations completed in 1 sec");
    ASSERT_EQ(run.progress.captions.size(), 2u);
    EXPECT_EQ(run.progress.captions[0], "Calculations in progress...");
    EXPECT_EQ(run.progress.captions[1], "Calculations completed in 1 sec");
    EXPECT_EQ(run.progress.lines[0].back(), " No. Unknown Temperatures = 30");
    // The band solver shows its bandwidth before assembly; the sparse solver's is
    // searched beside the run and left for the front end to show.
    const std::optional<int> bandwidth = run.state.bandwidth.Wait();
    ASSERT_TRUE(bandwidth.has_value());
    if (run.state.solver == SolverKind::Band)
        EXPECT_EQ(run.progress.lines[1], std::vector<std::string>{BandwidthLine(*bandwidth)});
    else
        EXPECT_TRUE(run.progress.lines[1].empty());
    EXPECT_FALSE(run.progress.gaugeShown);
    EXPECT_EQ(run.progress.button, "Continue");
    EXPECT_TRUE(problem.resultsCurrent);
    EXPECT_TRUE(run.state.resultsDisplayable);
    EXPECT_EQ(run.state.results.LevelCount(), 1);
    EXPECT_EQ(run.state.balances.LevelCount(), problem.frameCount + 1);

    CalculationRun again(problem);
    again.clock.step = 1500;
    EXPECT_EQ(again.Calculate().seconds, 2);
}

TEST(Calculation, TheSparseBandwidthIsSearchedOnlyWhenWantedAndMatchesTheBandOne) {
    Problem problem;
    MakeStrip(problem, false);
    CalculationRun band(problem);
    band.state.solver = SolverKind::Band;
    ASSERT_EQ(band.Calculate().code, SolverError::Ok);
    const std::optional<int> expected = band.state.bandwidth.Value();  // known at once
    ASSERT_TRUE(expected.has_value());

    CalculationRun sparse(problem);
    sparse.state.solver = SolverKind::Sparse;
    ASSERT_EQ(sparse.Calculate().code, SolverError::Ok);
    const BandwidthFigure first = sparse.state.bandwidth;
    // The next calculation has a figure of its own; the first one is found or abandoned.
    ASSERT_EQ(sparse.Calculate().code, SolverError::Ok);
    EXPECT_FALSE(first.Pending());
    EXPECT_EQ(sparse.state.bandwidth.Wait(), expected);

    CalculationRun unwanted(problem);
    unwanted.state.solver = SolverKind::Sparse;
    unwanted.state.searchBandwidth = false;
    ASSERT_EQ(unwanted.Calculate().code, SolverError::Ok);
    EXPECT_TRUE(unwanted.state.bandwidth.Unused());
    EXPECT_EQ(unwanted.state.bandwidth.Wait(), std::nullopt);
}

TEST(Calculation, SteadyPropertyIterationShowsEachIteration) {
    Problem problem;
    MakeStrip(problem, false);
    ASSERT_EQ(CompileExpression(problem, "2+0.01*T", problem.materials[1].conductivity), 0);
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate().code, SolverError::Ok);
    const std::vector<std::string>& third = run.progress.lines[2];
    ASSERT_GE(third.size(), 3u);
    EXPECT_EQ(third[0], " ");
    EXPECT_EQ(third[1], "Variable Properties: Iteration 2");
    EXPECT_EQ(third[2], "Variable Properties: Iteration 3");
    EXPECT_EQ(run.state.iterations, static_cast<int>(third.size()));
}

TEST(Calculation, EveryNodePrescribedStopsWithCodeEight) {
    for (bool transient : {false, true}) {
        Problem problem;
        MeshBuilder b(problem);
        MeshRectangle(b, 0, 0, 1, 1, 1, 1, 1);
        b.Finish();
        SetMaterial(problem, 1, 1);
        SetValueWhere(
            problem, [](Real, Real) { return true; }, [](Real x, Real) { return x; });
        problem.settings.transient = transient;
        CalculationRun run(problem);
        const auto outcome = run.Calculate(TimeSettings(1, 0.5L));
        EXPECT_EQ(outcome.code, SolverError::NoUnknownsOrNotConverged);
        ASSERT_EQ(run.reporter.Errors().size(), 1u);
        EXPECT_EQ(run.reporter.Errors()[0],
                  transient ? "The number of undetermined node potentials is < 1.  All node "
                              "potentials have been specified for all time, in addition to "
                              "their initial values."
                            : "The number of undetermined node potentials is < 1.  The problem "
                              "is over-specified since all node potentials are known.");
        EXPECT_TRUE(run.progress.closed);
        EXPECT_TRUE(run.progress.lines[0].empty());  // stopped before the size lines
        EXPECT_FALSE(problem.resultsCurrent);
    }
}

TEST(Calculation, TransientRunShowsRatioGaugeAndStoresEveryLevel) {
    Problem problem;
    MakeStrip(problem);
    CalculationRun run(problem);
    const auto outcome = run.Calculate(TimeSettings(10, 1));
    ASSERT_EQ(outcome.code, SolverError::Ok);
    EXPECT_EQ(run.state.results.LevelCount(), 11);
    EXPECT_EQ(run.state.currentLevel, 10);
    EXPECT_TRUE(run.progress.gaugeShown);
    ASSERT_EQ(run.progress.gauge.size(), 11u);
    EXPECT_EQ(run.progress.gauge[3], 30);
    EXPECT_EQ(run.progress.gauge.back(), 100);
    const std::string ratio = run.progress.lines[2].back();
    EXPECT_EQ(ratio,
              " User/Critical Timestep = " + AutoText(run.state.timeStepRatio, 4) + " (est.)");
    EXPECT_EQ(run.state.criticalText[0], "Critical time-step analysis");
    EXPECT_EQ(run.state.criticalText[1].rfind("     Critical time-step estimate = ", 0), 0u);
    EXPECT_EQ(run.state.criticalText[1].substr(run.state.criticalText[1].size() - 4), " sec");
    EXPECT_EQ(run.state.criticalText[2],
              "     Ratio of time step to critical time step estimate = " +
                  AutoText(run.state.timeStepRatio, 4));
    for (int level = 0; level <= 10; ++level) EXPECT_EQ(run.Time(level), level);
    // The run approaches the steady state of the strip.
    const int end = NodeAt(problem, 1, 0);
    const Real steady = 100 - (100 - 20) / (1.0L / 2 + 1.0L / 5) * 1 / 2;
    EXPECT_NEAR(static_cast<double>(run.Value(10, end)), static_cast<double>(steady), 0.5);
}

TEST(Calculation, RatioIsOneWhenTheStepEqualsTheEstimate) {
    Problem problem;
    MakeStrip(problem);
    CalculationRun probe(problem);
    ASSERT_EQ(probe.Calculate(TimeSettings(1, 0.5L)).code, SolverError::Ok);
    // The estimate in seconds follows from the ratio of the probe.
    const Real critical = 0.5L / probe.state.timeStepRatio;
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate(TimeSettings(critical * 4, critical)).code, SolverError::Ok);
    EXPECT_NEAR(static_cast<double>(run.state.timeStepRatio), 1.0, 1e-12);
    EXPECT_EQ(run.state.criticalText[2],
              "     Ratio of time step to critical time step estimate = 1.0000");
}

TEST(Calculation, CancelDuringLevelSevenThenContinueMatchesAnUninterruptedRun) {
    Problem reference;
    MakeStrip(reference);
    CalculationRun whole(reference);
    ASSERT_EQ(whole.Calculate(TimeSettings(10, 1)).code, SolverError::Ok);

    Problem problem;
    MakeStrip(problem);
    CalculationRun run(problem);
    run.progress.cancelAtPoll = 7;  // polls 0..6 are levels 0..6; poll 7 is level 7
    const auto cancelled = run.Calculate(TimeSettings(10, 1));
    EXPECT_EQ(cancelled.code, SolverError::Cancelled);
    EXPECT_EQ(cancelled.caption, "Calculations cancelled after 0 sec");
    EXPECT_FALSE(run.progress.closed);
    EXPECT_EQ(run.state.currentLevel, 6);
    EXPECT_FALSE(run.state.bandwidth.Pending());  // a cancelled run's search is stopped
    EXPECT_EQ(problem.settings.transientStop, 6);
    EXPECT_TRUE(problem.resultsCurrent);
    EXPECT_TRUE(run.state.resultsDisplayable);
    for (int level = 0; level <= 6; ++level)
        for (int n = 1; n <= problem.nodes.Count(); ++n)
            EXPECT_EQ(run.Value(level, n), whole.Value(level, n));
    // The initial values are those of the start, not of level 6.
    const int middle = NodeAt(problem, 0.5L, 0.1L);
    EXPECT_EQ(problem.nodes[middle].initialValue, 0);

    run.progress.cancelAtPoll = -1;
    const auto continued = run.Continue(TimeSettings(10, 1));
    ASSERT_EQ(continued.code, SolverError::Ok);
    EXPECT_EQ(run.state.currentLevel, 10);
    ASSERT_EQ(run.state.results.LevelCount(), 11);
    EXPECT_EQ(problem.settings.transientStart, 0);  // the time of the first level
    for (int level = 0; level <= 10; ++level) {
        EXPECT_EQ(run.Time(level), level);
        for (int n = 1; n <= problem.nodes.Count(); ++n)
            EXPECT_NEAR(static_cast<double>(run.Value(level, n)),
                        static_cast<double>(whole.Value(level, n)), 1e-12)
                << level << " " << n;
    }
    // After the Continue the initial values are restored to the first level's.
    EXPECT_EQ(problem.nodes[middle].initialValue, 0);
}

// Every stored value of two runs, level by level, is the same to the last bit.
void ExpectSameLevels(const CalculationRun& a, const CalculationRun& b) {
    ASSERT_EQ(a.state.results.LevelCount(), b.state.results.LevelCount());
    for (int level = 0; level < a.state.results.LevelCount(); ++level)
        EXPECT_EQ(a.state.results.Level(level), b.state.results.Level(level)) << level;
}

TEST(Calculation, AContinueTakesTheSparseAnalysisOverAndStepsExactlyAsAfreshOne) {
    // The same cancelled run continued twice: with the kept analysis and without it.
    Problem problems[2];
    std::unique_ptr<CalculationRun> runs[2];
    for (int i = 0; i < 2; ++i) {
        MakeStrip(problems[i]);
        runs[i] = std::make_unique<CalculationRun>(problems[i]);
        CalculationRun& run = *runs[i];
        run.state.solver = SolverKind::Sparse;
        run.progress.cancelAtPoll = 5;
        ASSERT_EQ(run.Calculate(TimeSettings(10, 1)).code, SolverError::Cancelled);
        EXPECT_EQ(run.state.patternAnalyses, 1);
        EXPECT_FALSE(run.state.sparseAnalysis.Empty());
        if (i == 1) run.state.sparseAnalysis = SparseAnalysis{};
        run.progress.cancelAtPoll = -1;
        ASSERT_EQ(run.Continue(TimeSettings(10, 1)).code, SolverError::Ok);
        EXPECT_EQ(run.state.patternAnalyses, i);
    }
    ExpectSameLevels(*runs[0], *runs[1]);
}

TEST(Calculation, ASteadyRecalculationOnTheSameMeshKeepsTheSparseAnalysis) {
    // Each step changes the problem and calculates again on the same state, beside a
    // fresh state on an equal problem; the values must agree to the last bit.
    Problem problem, twin;
    MakeStrip(problem, false);
    MakeStrip(twin, false);
    CalculationRun run(problem);
    run.state.solver = SolverKind::Sparse;
    ASSERT_EQ(run.Calculate().code, SolverError::Ok);
    EXPECT_EQ(run.state.patternAnalyses, 1);
    const auto calculateBoth = [&](int analyses) {
        ASSERT_EQ(run.Calculate().code, SolverError::Ok);
        EXPECT_EQ(run.state.patternAnalyses, analyses);
        CalculationRun fresh(twin);
        fresh.state.solver = SolverKind::Sparse;
        ASSERT_EQ(fresh.Calculate().code, SolverError::Ok);
        EXPECT_EQ(fresh.state.patternAnalyses, 1);
        ExpectSameLevels(run, fresh);
        problem.SetReporter(&run.reporter);
    };
    // A new conductivity and a new prescribed value: the same couplings.
    for (Problem* p : {&problem, &twin}) {
        SetMaterial(*p, 1, 7, 1, 1);
        SetValueWhere(
            *p, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 60; });
    }
    calculateBoth(0);
    // A middle node held at the edge's value keeps its equation and its couplings, so
    // the pattern and its analysis stay; the values change.
    const Real before = run.Value(0, NodeAt(problem, 0.5L, 0.1L));
    for (Problem* p : {&problem, &twin}) {
        const int middle = NodeAt(*p, 0.5L, 0.1L);
        p->nodes[middle].valueSpec = p->nodes[NodeAt(*p, 0, 0)].valueSpec;
    }
    calculateBoth(0);
    EXPECT_NE(run.Value(0, NodeAt(problem, 0.5L, 0.1L)), before);
}

TEST(Calculation, AnAnalysisOfAnotherMeshIsNotUsed) {
    // Eleven by three nodes, and three by eleven on the same strip: as many equations and
    // as many couplings, in other places.
    Problem wide, tall;
    for (Problem* p : {&wide, &tall}) {
        MeshBuilder b(*p);
        MeshRectangle(b, 0, 0, 1, 0.2L, p == &wide ? 10 : 2, p == &wide ? 2 : 10, 1);
        b.Finish();
        SetMaterial(*p, 1, 2, 1, 1);
        SetValueWhere(
            *p, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 100; });
        SetConvectionWhere(
            *p, [](Real x, Real) { return Near(x, 1); }, 5, 20);
        InsulateRest(*p);
    }
    CalculationRun first(wide);
    first.state.solver = SolverKind::Sparse;
    ASSERT_EQ(first.Calculate().code, SolverError::Ok);
    const SparseAnalysis kept = first.state.sparseAnalysis;
    CalculationRun fresh(tall), handed(tall);
    for (CalculationRun* run : {&fresh, &handed}) {
        tall.SetReporter(&run->reporter);
        run->state.solver = SolverKind::Sparse;
        if (run == &handed) run->state.sparseAnalysis = kept;
        ASSERT_EQ(run->Calculate().code, SolverError::Ok);
        EXPECT_EQ(run->state.patternAnalyses, 1);
    }
    EXPECT_EQ(kept.pattern.n, handed.state.sparseAnalysis.pattern.n);
    EXPECT_EQ(kept.pattern.EntryCount(), handed.state.sparseAnalysis.pattern.EntryCount());
    ExpectSameLevels(fresh, handed);
}

TEST(Calculation, ALumpCancelledAndContinuedFollowsItsUninterruptedDecay) {
    // A 0.1 m square lump, rho c = 2000, h = 10 on its four sides to 20, from 100:
    // tau = rho c A / (h P) = 5 s. Crank-Nicolson multiplies T - 20 by
    // (1 - dt/2tau)/(1 + dt/2tau) each step, so the continued levels must go on from the
    // lump's value at the cancel, not from its initial value.
    Problem problem;
    const int lump = MakeCoolingLump(problem);
    CalculationRun run(problem);
    run.progress.cancelAtPoll = 4;
    ASSERT_EQ(run.Calculate(TimeSettings(10, 1)).code, SolverError::Cancelled);
    EXPECT_EQ(run.state.currentLevel, 3);
    EXPECT_EQ(problem.frames[lump].lumpInitialValue, 100);
    run.progress.cancelAtPoll = -1;
    ASSERT_EQ(run.Continue(TimeSettings(10, 1)).code, SolverError::Ok);
    ASSERT_EQ(run.state.results.LevelCount(), 11);
    ExpectLumpDecay(run, lump, 10);
    // The lump's initial value is the first level's again.
    EXPECT_EQ(problem.frames[lump].lumpInitialValue, 100);
}

TEST(Calculation, EveryLevelsTimeReachesTheBalanceTableEvenWhenBalancesAreCancelled) {
    Problem problem;
    MakeStrip(problem);
    CalculationRun run(problem);
    TransientSetupInput input = TimeSettings(4, 1);
    input.doBalances = true;
    input.balanceFrames = {1};
    run.progress.cancelAtPoll = 5;  // polls 0..4 are the levels, poll 5 the first balance
    EXPECT_EQ(run.Calculate(input).code, SolverError::Cancelled);
    ASSERT_EQ(run.state.balances.LevelCount(), 5);
    for (int level = 0; level <= 4; ++level)
        EXPECT_EQ(run.state.balances.Level(level)[0], level) << level;
}

TEST(Calculation, FailedFactorisationOfATransientProblemClearsTheStopTime) {
    // Euler solves with C alone; a frame without capacity makes it singular.
    Problem problem;
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 1, 0.2L, 4, 1, 1);
    MeshRectangle(b, 1, 0, 1, 0.2L, 4, 1, 2);
    b.Finish();
    SetMaterial(problem, 1, 1, 1, 1);
    SetMaterial(problem, 2, 1, 1, 0);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 1; });
    InsulateRest(problem);
    problem.settings.transient = true;
    for (int n = 1; n <= problem.nodes.Count(); ++n) problem.nodes[n].initialValue = 0;
    CalculationRun run(problem);
    const auto outcome = run.Calculate(TimeSettings(1, 0.1L, TransMethodType::Euler));
    EXPECT_EQ(outcome.code, SolverError::Singular);
    EXPECT_EQ(problem.settings.transientStop, 0);
    ASSERT_EQ(run.reporter.Errors().size(), 1u);
    EXPECT_EQ(run.reporter.Errors()[0],
              "Your problem has produced a singular matrix.  Check your problem definition.");
    EXPECT_TRUE(run.progress.closed);
    EXPECT_FALSE(problem.resultsCurrent);
}

TEST(TransientSetup, RefusesBadTimesWithTheFieldMessages) {
    Problem problem;
    MakeStrip(problem);
    CalculationRun run(problem);
    problem.settings.transientStart = 0;
    auto result = ApplyTransientSetup(problem, run.state, TimeSettings(0, 1));
    EXPECT_EQ(result.failure, SetupFailure::StopNotAboveStart);
    EXPECT_EQ(problem.reporter().StatusText(StatusPanel::Info), "Value must be > 0");
    result = ApplyTransientSetup(problem, run.state, TimeSettings(10, 11));
    EXPECT_EQ(result.failure, SetupFailure::StepOutOfRange);
    EXPECT_EQ(problem.reporter().StatusText(StatusPanel::Info), "Value must be >= 0 and <=10");
    const int beeps = run.reporter.BeepCount();
    result = ApplyTransientSetup(problem, run.state, TimeSettings(10, 0));
    EXPECT_EQ(result.failure, SetupFailure::ZeroStep);
    EXPECT_EQ(run.reporter.BeepCount(), beeps + 1);
    TransientSetupInput balances = TimeSettings(10, 3);
    balances.doBalances = true;
    EXPECT_EQ(ApplyTransientSetup(problem, run.state, balances).failure,
              SetupFailure::NoFrameSelected);
    balances.balanceFrames = {1};
    result = ApplyTransientSetup(problem, run.state, balances);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.requiredSteps, 4);
    EXPECT_EQ(run.state.results.LevelCount(), 4);
    EXPECT_EQ(run.state.balances.LevelCount(), 4);
    EXPECT_EQ(problem.frames[1].balanceSelected, 1);
    // A refused entry changes nothing: the tables and the balance choice stay, and a zero
    // step says why.
    problem.resultsCurrent = true;
    TransientSetupInput refused = TimeSettings(10, 0);
    refused.doBalances = false;
    EXPECT_EQ(ApplyTransientSetup(problem, run.state, refused).failure, SetupFailure::ZeroStep);
    EXPECT_EQ(problem.reporter().StatusText(StatusPanel::Info), "Value must be > 0");
    EXPECT_EQ(run.state.results.LevelCount(), 4);
    EXPECT_TRUE(run.state.balancesRequested);
    EXPECT_TRUE(problem.resultsCurrent);
    // A set-up far beyond the memory is refused with message 5, not attempted.
    result = ApplyTransientSetup(problem, run.state, TimeSettings(1e12L, 1));
    EXPECT_EQ(result.failure, SetupFailure::NoMemory);
    EXPECT_EQ(run.reporter.Errors().back(),
              "Insufficient memory is available to do the calculations.");
    EXPECT_TRUE(run.state.results.Empty());
}

TEST(CheckCommand, TransientCheckAppendsTheEstimateAndChangesNoResult) {
    Problem problem;
    MakeStrip(problem);
    CalculationRun run(problem);
    problem.settings.transientStop = 10;
    problem.settings.transientStep = 1;
    ASSERT_EQ(run.Calculate().code, SolverError::Ok);
    const Real before = run.Value(5, 3);
    const CheckResult check = CheckCommand(problem, run.state);
    EXPECT_FALSE(check.errorFound);
    const std::string line = problem.reporter().StatusText(StatusPanel::Info);
    EXPECT_EQ(line, "No errors found. 40 elements.  " + run.state.criticalText[1]) << line;
    EXPECT_EQ(run.state.criticalText[1].rfind("     Critical time-step estimate = ", 0), 0u);
    EXPECT_EQ(run.state.results.LevelCount(), 11);
    EXPECT_EQ(run.Value(5, 3), before);
    EXPECT_EQ(problem.settings.transientStop, 10);
}

}  // namespace
}  // namespace kova::test

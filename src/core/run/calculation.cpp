#include "run/calculation.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>

#include "model/messages.hpp"
#include "model/number_format.hpp"
#include "model/problem.hpp"
#include "model/selection.hpp"
#include "platform/reporter.hpp"
#include "platform/run_progress.hpp"
#include "solver/assembly.hpp"
#include "solver/balances.hpp"
#include "solver/run_setup.hpp"
#include "solver/solver_run.hpp"
#include "solver/steady_solution.hpp"
#include "solver/transient_solution.hpp"

namespace kova {
namespace {

// The most extended values the result tables may take together (about 1.6 GB); a
// set-up beyond it is refused as out of memory rather than exhausting the machine.
constexpr long double kMaxStoredValues = 1.0e8L;

const char* UnknownsName(ProbTypeA subject) {
    switch (subject) {
        case ProbTypeA::ElecFieldC:
        case ProbTypeA::ElecFieldNC:
        case ProbTypeA::MagField:
            return "Voltages";
        case ProbTypeA::Potential:
            return "Stream Values";
        case ProbTypeA::Hydrodynamics:
            return "Head Values";
        default:
            return "Temperatures";
    }
}

int RunModeOf(const Problem& problem) {
    if (!problem.settings.transient) return kRunSteady;
    return problem.settings.transMethod == TransMethodType::Euler ? kRunEuler : kRunCrankNicolson;
}

// The steps of the driver up to the solution; each only while no error is set.
void Drive(SolverRun& run, TransientState& transient, CalculationState& state,
           RunProgress* progress) {
    Problem& problem = run.problem;
    // 1-3. Run state and set-up (the per-node arrays are allocated there).
    run.iterCount = 0;
    run.prevChange = kNoPreviousChange;
    run.balanceMode = false;
    RunSetup(run);
    if (run.solverError != kSolverOk) return;
    transient.lastLevel = LastLevelFor(run.runMode, run.t, run.tStop, run.dt, run.currentLevel);
    state.lastLevel = transient.lastLevel;
    state.bandwidth = run.bandwidth;
    // 4. Something must be left to solve for.
    state.unknowns = run.unknownCount - run.specifiedCount;
    if (state.unknowns < 1) {
        run.solverError = kSolverNoUnknowns;
        return;
    }
    // 5. The size of the system.
    if (progress != nullptr && !run.checkOnly) {
        progress->SetLine(1, UnknownsLine(problem, state.unknowns));
        progress->SetLine(2, " Matrix Bandwidth = " + std::to_string(run.bandwidth));
        progress->SetLine(3, " ");
    }
    // 7 before 6, so that a run without capacity never allocates the capacity matrix.
    if (run.runMode > 0 && run.noCapacity) run.runMode = kRunNoCapacity;
    state.runMode = run.runMode;
    AllocateSystem(run);
    if (run.solverError != kSolverOk) {
        problem.reporter().ShowError(GetMessage(kMsgError, 5));
        return;
    }
    // 8. The first assembly.
    ZeroSystem(run);
    if (run.IsTransient() && !run.checkOnly) StoreInitialState(run);
    AssembleForRun(run, transient, run.IsTransient() ? run.currentLevel - run.stepStart : 0);
    state.criticalText = transient.criticalText;
    state.timeStepRatio = transient.ratio;
    if (run.IsTransient()) {
        if (run.solverError != kSolverOk || run.checkOnly) return;
        if (run.runMode > 0 && progress != nullptr)
            progress->SetLine(
                3, " User/Critical Timestep = " + AutoText(transient.ratio, 4) + " (est.)");
    }
    // 9. The factorisation.
    if (run.solverError == kSolverOk) FactorBanded(run.A, run.solverError);
    if (run.solverError != kSolverOk) {
        run.t = 0;
        problem.settings.transientStop = 0;
        return;
    }
    // 10. Solution and balances.
    if (run.runMode == kRunSteady) {
        if (progress != nullptr)
            run.onIteration = [progress](int count) {
                progress->SetLine(3, "Variable Properties: Iteration " + std::to_string(count));
            };
        SteadySolve(run);
        // A material property that fails during the iteration leaves the evaluator's
        // own code; codes outside the solver's range become the evaluation failure.
        if (run.solverError > kSolverLumpConnections) run.solverError = kSolverEvaluation;
        state.iterations = run.iterCount;
        if (run.solverError == kSolverNotConverged) state.notConverged = true;
        if (run.solverError == kSolverOk) SteadyBalances(run, state.balances);
    } else {
        TransientSolve(run, transient);
        state.iterations = run.currentLevel - transient.firstLevel;
        if (run.solverError == kSolverOk) {
            state.iterations = transient.lastLevel - transient.firstLevel;
            if (transient.balancesRequested) TransientBalances(run, transient);
        }
        if (run.solverError == kSolverOk) run.currentLevel = transient.lastLevel - run.stepStart;
    }
}

}  // namespace

std::string UnknownsLine(const Problem& problem, int count) {
    return std::string(" No. Unknown ") + UnknownsName(problem.settings.subject) + " = " +
           std::to_string(count);
}

int Solve(Problem& problem, CalculationState& state, RunProgress* progress) {
    SolverRun run(problem, state.checked, state.results);
    run.runMode = RunModeOf(problem);
    run.checkOnly = state.checkOnly;
    run.stepStart = state.stepStart;
    run.currentLevel = state.currentLevel;
    TransientState transient;
    transient.progress = progress;
    transient.balancesRequested = state.balancesRequested && run.IsTransient();
    transient.balances = &state.balances;
    if (transient.balancesRequested) run.balanceTimes = &state.balances;
    state.notConverged = false;
    state.iterations = 0;
    state.unknowns = 0;
    state.bandwidth = 0;
    state.criticalText = {};
    state.timeStepRatio = 0;
    try {
        Drive(run, transient, state, progress);
    } catch (const std::bad_alloc&) {
        run.solverError = kSolverNoMemory;
        problem.reporter().ShowError(GetMessage(kMsgError, 5));
    } catch (const std::length_error&) {
        run.solverError = kSolverNoMemory;
        problem.reporter().ShowError(GetMessage(kMsgError, 5));
    }
    // 11. The run's arrays go with `run`; the start time follows the first level.
    if (run.IsTransient()) state.currentLevel = run.currentLevel;
    if (!state.checkOnly && state.results.HasLevel(0) && run.IsTransient())
        problem.settings.transientStart = state.results.Level(0)[0];
    return run.solverError;
}

std::string CriticalTimeStepCheck(Problem& problem, CalculationState& state) {
    // A scratch state shares only the checked configuration, so no stored result and no
    // run fact of the last calculation changes.
    CalculationState scratch;
    scratch.checked = state.checked;
    scratch.checkOnly = true;
    scratch.currentLevel = 0;
    const Real stop = problem.settings.transientStop;
    const Real start = problem.settings.transientStart;
    Solve(problem, scratch, nullptr);
    problem.settings.transientStop = stop;
    problem.settings.transientStart = start;
    state.criticalText = scratch.criticalText;
    return scratch.criticalText[1];
}

CheckResult CheckCommand(Problem& problem, CalculationState& state, const KeyState* keys) {
    CheckOptions options;
    options.verbose = true;
    options.continueRun = state.continueRun;
    options.keys = keys;
    options.transientCheckRun = [&] { return CriticalTimeStepCheck(problem, state); };
    state.checkOnly = true;
    const CheckResult result = ConfigurationCheck(problem, state.checked, options);
    state.checkOnly = false;
    state.calculationStarted = false;
    return result;
}

TransientSetupInput StoredTransientSetup(const Problem& problem) {
    TransientSetupInput input;
    input.stop = problem.settings.transientStop;
    input.step = problem.settings.transientStep;
    input.method = problem.settings.transMethod;
    for (int k = 1; k <= problem.frameCount; ++k)
        if (problem.frames[static_cast<std::size_t>(k)].balanceSelected != 0)
            input.balanceFrames.push_back(k);
    input.doBalances = !input.balanceFrames.empty();
    return input;
}

long long RequiredSteps(Real start, Real stop, Real step) {
    if (!(step > 0)) return 1;
    const Real steps = (stop - start) / step;
    if (!std::isfinite(steps) || steps > 1e15L) return -1;
    return RoundHalfEven(steps) + 1;
}

bool AllocateResultTables(Problem& problem, CalculationState& state, long long levels,
                          bool withBalances, bool keepLevels) {
    Reporter& reporter = problem.reporter();
    const int values = ResultTable::ValuesFor(problem);
    const long double total = static_cast<long double>(levels) * values * (withBalances ? 2 : 1);
    if (levels < 1 || total > kMaxStoredValues) {
        state.results.Release();
        state.balances.Release();
        reporter.ShowError(GetMessage(kMsgError, 5));
        return false;
    }
    auto grow = [&](ResultTable& table) {
        ResultTable fresh;
        if (!fresh.Allocate(static_cast<int>(levels), values)) return false;
        if (keepLevels) {
            const int kept = std::min(table.LevelCount(), static_cast<int>(levels));
            for (int i = 0; i < kept; ++i) {
                const std::vector<Real>& old = table.Level(i);
                std::vector<Real>& target = fresh.Level(i);
                std::copy_n(old.begin(), std::min(old.size(), target.size()), target.begin());
            }
        }
        table = std::move(fresh);
        return true;
    };
    bool ok = grow(state.results);
    if (ok && withBalances) ok = grow(state.balances);
    if (!ok) {
        state.results.Release();
        state.balances.Release();
        reporter.ShowError(GetMessage(kMsgError, 8));
        return false;
    }
    if (!withBalances) state.balances.Release();
    return true;
}

TransientSetupResult ApplyTransientSetup(Problem& problem, CalculationState& state,
                                         const TransientSetupInput& input) {
    TransientSetupResult result;
    Reporter& reporter = problem.reporter();
    ProblemSettings& settings = problem.settings;
    auto refuse = [&](SetupFailure failure, const std::string& message) {
        reporter.Beep();
        if (!message.empty()) reporter.ShowStatusText(message, StatusPanel::Info);
        result.failure = failure;
        return result;
    };
    // Every entry is checked before anything changes, so a refused OK leaves the
    // previous run's tables and choices as they were.
    if (input.doBalances && input.balanceFrames.empty()) {
        result.failure = SetupFailure::NoFrameSelected;
        return result;
    }
    // 3, 4. Stop above Start; 0 < Step <= Stop - Start.
    const Real start = settings.transientStart;
    if (!(input.stop > start))
        return refuse(SetupFailure::StopNotAboveStart,
                      "Value must be > " + FormatGeneral(start, 15));
    const Real span = input.stop - start;
    if (!(input.step >= 0 && input.step <= span))
        return refuse(SetupFailure::StepOutOfRange,
                      "Value must be >= 0 and <=" + FormatGeneral(span, 15));
    if (input.step == 0) return refuse(SetupFailure::ZeroStep, "Value must be > 0");
    // 1. Results are not current; a new run starts from empty tables.
    problem.resultsCurrent = false;
    if (!state.continueRun) {
        state.results.Release();
        state.balances.Release();
    }
    // 2. The balance choice.
    if (input.doBalances) {
        for (int k = 1; k <= problem.frameCount; ++k)
            problem.frames[static_cast<std::size_t>(k)].balanceSelected =
                std::find(input.balanceFrames.begin(), input.balanceFrames.end(), k) !=
                        input.balanceFrames.end()
                    ? 1
                    : 0;
    }
    state.balancesRequested = input.doBalances;
    settings.transientStop = input.stop;
    settings.transientStep = input.step;
    // 6, 7. Levels and method.
    const long long steps = RequiredSteps(start, input.stop, input.step);
    settings.transMethod = input.method;
    // 8. The tables: a continued run keeps its levels and needs room after them.
    const long long levels =
        steps < 0 ? -1 : steps + state.stepStart + (state.continueRun ? state.currentLevel : 0);
    result.requiredSteps = static_cast<int>(std::clamp<long long>(steps, -1, 1LL << 30));
    if (!AllocateResultTables(problem, state, levels, input.doBalances, state.continueRun)) {
        result.failure = SetupFailure::NoMemory;
        return result;
    }
    return result;
}

CalculationOutcome DoCalcs(Problem& problem, CalculationState& state,
                           const CalculationHooks& hooks) {
    CalculationOutcome outcome;
    Reporter& reporter = problem.reporter();
    ProblemSettings& settings = problem.settings;
    const bool transient = settings.transient;
    // 1.
    problem.resultsCurrent = false;
    if (!state.continueRun) {
        state.results.Release();
        state.balances.Release();
    }
    // 2. The check.
    CheckOptions options;
    options.continueRun = state.continueRun;
    const CheckResult check = ConfigurationCheck(problem, state.checked, options);
    state.calculationStarted = false;
    if (!check.ok || check.errorFound) return outcome;
    // 3.
    ClearSelection(problem);
    state.runMode = kRunSteady;
    // 4, 5. Initial values and result tables.
    if (transient) {
        const int nodeCount = problem.nodes.Count();
        if (state.continueRun) {
            const int last = state.currentLevel - state.stepStart;
            state.restoreInitial = state.lastStepIndex > 0;
            if (state.results.HasLevel(last)) {
                const std::vector<Real>& v = state.results.Level(last);
                for (int n = 1; n <= settings.activeNodeCount && n <= nodeCount; ++n)
                    problem.nodes[n].initialValue = v[static_cast<std::size_t>(n)];
                for (int k = 1; k <= problem.frameCount; ++k) {
                    Frame& f = problem.frames[static_cast<std::size_t>(k)];
                    if (f.IsLump()) f.lumpInitialValue = v[static_cast<std::size_t>(nodeCount + k)];
                }
            }
            settings.transientStart = settings.transientStop;
        } else {
            state.lastStepIndex = 0;
            state.restoreInitial = false;
            state.currentLevel = 0;
            settings.transientStart = 0;
        }
        if (!hooks.transientSetup || !hooks.transientSetup()) return outcome;
    } else {
        problem.MarkProblemChanged();
        state.currentLevel = 0;
        if (!AllocateResultTables(problem, state, 1, false, false)) return outcome;
        if (!state.balances.Allocate(problem.frameCount + 1, ResultTable::ValuesFor(problem))) {
            state.results.Release();
            reporter.ShowError(GetMessage(kMsgError, 8));
            return outcome;
        }
        settings.transientStop = settings.transientStart = 0;
        state.lastStepIndex = 0;
    }
    // 6. The run.
    problem.resultsCurrent = true;
    state.calculationStarted = true;
    RunProgress* progress = hooks.progress;
    if (progress != nullptr) {
        progress->SetCaption("Calculations in progress...");
        progress->SetButtonCaption("Abort");
        progress->ShowGauge(transient);
    }
    const std::uint64_t before = hooks.clock != nullptr ? hooks.clock->TickMilliseconds() : 0;
    state.checkOnly = false;
    const int code = Solve(problem, state, progress);
    outcome.ran = true;
    outcome.code = code;
    // 7. The display after the run.
    if (progress != nullptr) progress->SetButtonCaption("Continue");
    state.displayedStep = 0;
    for (int i = 0; i < state.results.LevelCount(); ++i) {
        if (state.results.Level(i)[0] >= settings.transientStart) {
            state.displayedStep = i;
            break;
        }
    }
    const std::uint64_t after = hooks.clock != nullptr ? hooks.clock->TickMilliseconds() : 0;
    outcome.seconds = static_cast<int>((after - before + 500) / 1000);
    if (code == kSolverOk) {
        outcome.caption = "Calculations completed in " + std::to_string(outcome.seconds) + " sec";
    } else if (code == kSolverCancelled) {
        outcome.caption =
            "Calculations cancelled after " + std::to_string(outcome.seconds) + " sec";
    }
    if (progress != nullptr) {
        if (!outcome.caption.empty())
            progress->SetCaption(outcome.caption);
        else
            progress->Close();
    }
    // 8. By result code.
    bool restore = false;
    switch (code) {
        case kSolverOk:
            state.resultsDisplayable = true;
            restore = true;
            break;
        case 1:
            reporter.ShowError(GetMessage(kMsgError, 5));
            problem.resultsCurrent = false;
            restore = true;
            break;
        case kSolverNumbering:
            reporter.ShowError(GetMessage(kMsgError, 46));
            problem.resultsCurrent = false;
            restore = true;
            break;
        case kSolverSingular:
        case kSolverNumericalError:
            reporter.ShowError(GetMessage(kMsgError, 6));
            problem.resultsCurrent = false;
            restore = true;
            break;
        case kSolverCancelled:
            problem.resultsCurrent = false;
            if (!transient && state.results.HasLevel(0) && state.results.Level(0)[0] > 0) {
                problem.resultsCurrent = true;
                reporter.ShowError(GetMessage(kMsgError, 51));
                state.results.Level(0)[0] = 0;
            } else if (transient && settings.transientStop > 0) {
                problem.resultsCurrent = true;
                state.resultsDisplayable = true;
                restore = true;
            }
            break;
        case kSolverNoUnknowns:
            if (state.notConverged)
                reporter.ShowError(GetMessage(kMsgError, 48));
            else
                reporter.ShowError(GetMessage(kMsgError, transient ? 136 : 135));
            problem.resultsCurrent = false;
            restore = true;
            break;
        case kSolverLumpConnections:
            reporter.ShowError(GetMessage(kMsgError, 137));
            problem.resultsCurrent = false;
            restore = true;
            break;
        default:  // 5 and 6: the message was shown where the failure happened
            break;
    }
    // Restore the initial values so that a Continue never leaves the last values as
    // initial conditions.
    if (restore && state.restoreInitial && state.results.HasLevel(0)) {
        const std::vector<Real>& first = state.results.Level(0);
        const int nodeCount = problem.nodes.Count();
        for (int n = 1; n <= settings.activeNodeCount && n <= nodeCount; ++n)
            problem.nodes[n].initialValue = first[static_cast<std::size_t>(n)];
        for (int k = 1; k <= problem.frameCount; ++k) {
            Frame& f = problem.frames[static_cast<std::size_t>(k)];
            if (f.IsLump()) f.lumpInitialValue = first[static_cast<std::size_t>(nodeCount + k)];
        }
    }
    // 9. What the result windows need.
    state.runEnded = true;
    state.lastStepIndex = transient ? state.currentLevel - state.stepStart : 0;
    state.lastComputedTime = settings.transientStop;
    return outcome;
}

}  // namespace kova

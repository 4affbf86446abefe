#include "run/calculation.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>
#include <utility>

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
#include "units/unit_labels.hpp"

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

// The run state and the set-up (the per-node arrays are allocated there).
bool SetUpRun(SolverRun& run, TransientState& transient, CalculationState& state) {
    run.iterCount = 0;
    run.prevChange = kNoPreviousChange;
    run.balanceMode = false;
    RunSetup(run);
    if (run.solverError != SolverError::Ok) return false;
    transient.lastLevel = LastLevelFor(run.runMode, run.t, run.tStop, run.dt, run.currentLevel);
    state.lastLevel = transient.lastLevel;
    return true;
}

// Something must be left to solve for.
bool CountUnknowns(SolverRun& run, CalculationState& state) {
    state.unknowns = run.unknownCount - run.specifiedCount;
    if (state.unknowns >= 1) return true;
    run.solverError = SolverError::NoUnknownsOrNotConverged;
    return false;
}

// The previous run's figure, whether still searched for or not, is not this run's.
void RenewBandwidth(CalculationState& state) {
    if (state.bandwidth.Unused()) return;
    state.bandwidth.Abandon();
    state.bandwidth = BandwidthFigure{};
}

void ShowSystemSize(const SolverRun& run, const CalculationState& state, RunProgress* progress) {
    if (progress == nullptr || run.checkOnly) return;
    progress->SetLine(1, UnknownsLine(run.problem, state.unknowns));
    // The sparse solver's bandwidth is still being searched for: the line is left to the
    // front end, which shows it when it is known (CalculationState::bandwidth).
    if (run.factor.kind == SolverKind::Band) progress->SetLine(2, BandwidthLine(run.bandwidth));
    progress->SetLine(3, " ");
}

// The run mode is settled first, so that a run without capacity never allocates the
// capacity matrix.
bool AllocateMatrices(SolverRun& run, CalculationState& state) {
    if (run.runMode > 0 && run.noCapacity) run.runMode = kRunNoCapacity;
    state.runMode = run.runMode;
    AllocateSystem(run);
    if (run.solverError == SolverError::Ok) return true;
    run.problem.reporter().ShowError(GetMessage(MessageId::NoMemoryForCalculation));
    return false;
}

// The first assembly, at level 0 (steady) or the level the run starts from; a transient
// run also estimates the critical time step here and, in check-only mode, ends after it.
// False when the run ends here.
bool AssembleFirst(SolverRun& run, TransientState& transient, CalculationState& state,
                   RunProgress* progress) {
    ZeroSystem(run);
    if (run.IsTransient() && !run.checkOnly) StoreInitialState(run);
    AssembleForRun(run, transient, run.IsTransient() ? run.currentLevel - run.stepStart : 0);
    state.criticalText = transient.criticalText;
    state.timeStepRatio = transient.ratio;
    if (!run.IsTransient()) return true;
    if (run.solverError != SolverError::Ok || run.checkOnly) return false;
    if (run.runMode > 0 && progress != nullptr)
        progress->SetLine(3,
                          " User/Critical Timestep = " + AutoText(transient.ratio, 4) + " (est.)");
    return true;
}

// A failed factorisation (or an error the assembly left) sets the time and the
// problem's stop time to 0.
bool Factorise(SolverRun& run) {
    if (run.solverError == SolverError::Ok) FactorSystem(run);
    if (run.solverError == SolverError::Ok) return true;
    run.t = 0;
    run.problem.settings.transientStop = 0;
    return false;
}

void SolveSteadyAndBalance(SolverRun& run, CalculationState& state, RunProgress* progress) {
    if (progress != nullptr)
        run.onIteration = [progress](int count) {
            progress->SetLine(3, "Variable Properties: Iteration " + std::to_string(count));
        };
    SteadySolve(run);
    // A material property that fails during the iteration leaves the evaluator's own
    // code; codes outside the solver's range become the evaluation failure.
    if (run.solverError > SolverError::LumpConnections) run.solverError = SolverError::Evaluation;
    state.iterations = run.iterCount;
    if (run.solverError == SolverError::NoUnknownsOrNotConverged) state.notConverged = true;
    if (run.solverError == SolverError::Ok) SteadyBalances(run, state.balances);
}

void StepAndBalance(SolverRun& run, TransientState& transient, CalculationState& state) {
    TransientSolve(run, transient);
    state.iterations = run.currentLevel - transient.firstLevel;
    if (run.solverError == SolverError::Ok) {
        state.iterations = transient.lastLevel - transient.firstLevel;
        if (transient.balancesRequested) TransientBalances(run, transient);
    }
    if (run.solverError == SolverError::Ok) run.currentLevel = transient.lastLevel - run.stepStart;
}

// The driver's steps; each runs only when the one before left no error.
void Drive(SolverRun& run, TransientState& transient, CalculationState& state,
           RunProgress* progress) {
    if (!SetUpRun(run, transient, state)) return;
    if (!CountUnknowns(run, state)) return;
    ShowSystemSize(run, state, progress);
    if (!AllocateMatrices(run, state)) return;
    if (!AssembleFirst(run, transient, state, progress)) return;
    if (!Factorise(run)) return;
    if (run.runMode == kRunSteady)
        SolveSteadyAndBalance(run, state, progress);
    else
        StepAndBalance(run, transient, state);
}

}  // namespace

std::string BandwidthLine(int bandwidth) {
    return " Matrix Bandwidth = " + std::to_string(bandwidth);
}

std::string UnknownsLine(const Problem& problem, int count) {
    return std::string(" No. Unknown ") + UnknownsName(problem.settings.subject) + " = " +
           std::to_string(count);
}

SolverError Solve(Problem& problem, CalculationState& state, RunProgress* progress) {
    SolverRun run(problem, state.checked, state.results);
    run.runMode = RunModeOf(problem);
    run.factor.kind = state.solver;
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
    RenewBandwidth(state);
    run.bandwidthFigure = state.bandwidth;
    run.searchBandwidth = state.searchBandwidth && !state.checkOnly;
    state.criticalText = {};
    state.timeStepRatio = 0;
    state.patternAnalyses = 0;
    run.factor.analysis = std::exchange(state.sparseAnalysis, SparseAnalysis{});
    try {
        Drive(run, transient, state, progress);
    } catch (const std::bad_alloc&) {
        run.solverError = SolverError::NoMemory;
        problem.reporter().ShowError(GetMessage(MessageId::NoMemoryForCalculation));
    } catch (const std::length_error&) {
        run.solverError = SolverError::NoMemory;
        problem.reporter().ShowError(GetMessage(MessageId::NoMemoryForCalculation));
    }
    // The sparse solver's bandwidth search goes on after the run; a cancelled run's
    // figure is not wanted.
    if (run.solverError == SolverError::Cancelled) state.bandwidth.Abandon();
    // The analysis stays for the next run, unless memory ran short.
    state.patternAnalyses = run.factor.analyses;
    if (run.solverError != SolverError::NoMemory &&
        run.solverError != SolverError::NoMemoryUnreported) {
        run.factor.factor.Release();
        state.sparseAnalysis = std::move(run.factor.analysis);
    }
    // The run's arrays go with `run`; the start time follows the first level.
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
        if (problem.frames[k].balanceSelected != 0) input.balanceFrames.push_back(k);
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
        reporter.ShowError(GetMessage(MessageId::NoMemoryForCalculation));
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
        reporter.ShowError(GetMessage(MessageId::NotEnoughMemory));
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
    // Stop above Start; 0 < Step <= Stop - Start.
    const Real start = settings.transientStart;
    if (!(input.stop > start))
        return refuse(SetupFailure::StopNotAboveStart,
                      GetMessage(MessageId::ValueMustBeAbove) + FormatGeneral(start, 15));
    const Real span = input.stop - start;
    if (!(input.step >= 0 && input.step <= span))
        return refuse(SetupFailure::StepOutOfRange, GetMessage(MessageId::ValueMustBeAtLeast) +
                                                        "0 and <=" + FormatGeneral(span, 15));
    if (input.step == 0)
        return refuse(SetupFailure::ZeroStep, GetMessage(MessageId::ValueMustBeAbove) + "0");
    // Results are not current; a new run starts from empty tables.
    problem.resultsCurrent = false;
    if (!state.continueRun) {
        state.results.Release();
        state.balances.Release();
    }
    // The balance choice.
    if (input.doBalances) {
        for (int k = 1; k <= problem.frameCount; ++k)
            problem.frames[k].balanceSelected =
                std::find(input.balanceFrames.begin(), input.balanceFrames.end(), k) !=
                        input.balanceFrames.end()
                    ? 1
                    : 0;
    }
    state.balancesRequested = input.doBalances;
    settings.transientStop = input.stop;
    settings.transientStep = input.step;
    // Levels and method.
    const long long steps = RequiredSteps(start, input.stop, input.step);
    settings.transMethod = input.method;
    // The tables: a continued run keeps its levels and needs room after them.
    const long long levels =
        steps < 0 ? -1 : steps + state.stepStart + (state.continueRun ? state.currentLevel : 0);
    result.requiredSteps = static_cast<int>(std::clamp<long long>(steps, -1, 1LL << 30));
    if (!AllocateResultTables(problem, state, levels, input.doBalances, state.continueRun)) {
        result.failure = SetupFailure::NoMemory;
        return result;
    }
    return result;
}

namespace {

// Results are no longer current; a new calculation (not a Continue) starts from empty
// tables.
void MarkResultsStale(Problem& problem, CalculationState& state) {
    problem.resultsCurrent = false;
    RenewBandwidth(state);
    if (!state.continueRun) {
        state.results.Release();
        state.balances.Release();
    }
}

// The configuration check in calculation mode; false when it failed or left
// configuration errors on display.
bool CheckForCalculation(Problem& problem, CalculationState& state) {
    CheckOptions options;
    options.continueRun = state.continueRun;
    const CheckResult check = ConfigurationCheck(problem, state.checked, options);
    state.calculationStarted = false;
    return check.ok && !check.errorFound;
}

// Node n (1..ActiveNodeCount) takes value n of the stored level as its initial value,
// lump frame k the value N + k.
void SetInitialValuesFromLevel(Problem& problem, const std::vector<Real>& level) {
    const int nodeCount = problem.nodes.Count();
    for (int n = 1; n <= problem.settings.activeNodeCount && n <= nodeCount; ++n)
        problem.nodes[n].initialValue = level[static_cast<std::size_t>(n)];
    for (int k = 1; k <= problem.frameCount; ++k) {
        Frame& f = problem.frames[k];
        if (f.IsLump()) f.lumpInitialValue = level[static_cast<std::size_t>(nodeCount + k)];
    }
}

// Continue: the last stored level becomes the initial values and the stop time the
// start time; the first stored level is put back after the run. Calculate: the run
// starts from level 0 at time 0.
void TakeTransientStart(Problem& problem, CalculationState& state) {
    ProblemSettings& settings = problem.settings;
    if (state.continueRun) {
        const int last = state.currentLevel - state.stepStart;
        state.restoreInitial = state.lastStepIndex > 0;
        if (state.results.HasLevel(last))
            SetInitialValuesFromLevel(problem, state.results.Level(last));
        settings.transientStart = settings.transientStop;
    } else {
        state.lastStepIndex = 0;
        state.restoreInitial = false;
        state.currentLevel = 0;
        settings.transientStart = 0;
    }
}

// A steady run stores one level of results and one of balances per frame.
bool AllocateSteadyTables(Problem& problem, CalculationState& state) {
    ProblemSettings& settings = problem.settings;
    problem.MarkProblemChanged();
    state.currentLevel = 0;
    if (!AllocateResultTables(problem, state, 1, false, false)) return false;
    if (!state.balances.Allocate(problem.frameCount + 1, ResultTable::ValuesFor(problem))) {
        state.results.Release();
        problem.reporter().ShowError(GetMessage(MessageId::NotEnoughMemory));
        return false;
    }
    settings.transientStop = settings.transientStart = 0;
    state.lastStepIndex = 0;
    return true;
}

void OpenProgressDisplay(RunProgress* progress, bool transient) {
    if (progress == nullptr) return;
    progress->SetCaption(GetMessage(MessageId::CalculationsInProgress));
    progress->SetButtonCaption("Abort");
    progress->ShowGauge(transient);
}

std::uint64_t Ticks(const Clock* clock) {
    return clock != nullptr ? clock->TickMilliseconds() : 0;
}

// The first stored level at or after the start time is the one the result windows show.
int FirstDisplayedStep(const Problem& problem, const CalculationState& state) {
    for (int i = 0; i < state.results.LevelCount(); ++i)
        if (state.results.Level(i)[0] >= problem.settings.transientStart) return i;
    return 0;
}

// The button becomes "Continue"; a finished or cancelled run keeps the display open
// with the elapsed seconds in its caption, any other outcome closes it.
void CloseProgressDisplay(RunProgress* progress, CalculationOutcome& outcome) {
    if (outcome.code == SolverError::Ok) {
        outcome.caption = "Calculations completed in " + std::to_string(outcome.seconds) + " sec";
    } else if (outcome.code == SolverError::Cancelled) {
        outcome.caption =
            "Calculations cancelled after " + std::to_string(outcome.seconds) + " sec";
    }
    if (progress == nullptr) return;
    if (!outcome.caption.empty())
        progress->SetCaption(outcome.caption);
    else
        progress->Close();
}

// The message for the result code, whether results are current and displayable, and
// whether the first level's values go back into the initial values.
bool ReportResultCode(Problem& problem, CalculationState& state, SolverError code, bool transient) {
    Reporter& reporter = problem.reporter();
    auto failed = [&](MessageId message) {
        reporter.ShowError(GetMessage(message));
        problem.resultsCurrent = false;
        return true;
    };
    switch (code) {
        case SolverError::Ok:
            state.resultsDisplayable = true;
            return true;
        case SolverError::NoMemoryUnreported:
            return failed(MessageId::NoMemoryForCalculation);
        case SolverError::Numbering:
            return failed(MessageId::BandwidthMinimisationFailed);
        case SolverError::Singular:
        case SolverError::NumericalError:
            return failed(MessageId::SingularMatrix);
        case SolverError::Cancelled:
            problem.resultsCurrent = false;
            if (!transient && state.results.HasLevel(0) && state.results.Level(0)[0] > 0) {
                // A steady run stopped after a completed iteration keeps that iteration.
                problem.resultsCurrent = true;
                reporter.ShowError(GetMessage(MessageId::CalculationsTerminated));
                state.results.Level(0)[0] = 0;
            } else if (transient && problem.settings.transientStop > 0) {
                problem.resultsCurrent = true;
                state.resultsDisplayable = true;
                return true;
            }
            return false;
        case SolverError::NoUnknownsOrNotConverged:
            if (state.notConverged) return failed(MessageId::ConvergenceNotAttained);
            return failed(transient ? MessageId::AllPotentialsSpecifiedForAllTime
                                    : MessageId::OverSpecified);
        case SolverError::LumpConnections:
            return failed(MessageId::TooManyLumpConnections);
        case SolverError::NoMemory:
        case SolverError::Evaluation:
        default:  // the message was shown where the failure happened
            return false;
    }
}

}  // namespace

PreparedCalculation PrepareCalculation(Problem& problem, CalculationState& state,
                                       const CalculationHooks& hooks) {
    PreparedCalculation prepared;
    prepared.transient = problem.settings.transient;
    MarkResultsStale(problem, state);
    if (!CheckForCalculation(problem, state)) return prepared;
    ClearSelection(problem);
    state.runMode = kRunSteady;
    if (prepared.transient) {
        TakeTransientStart(problem, state);
        if (!hooks.transientSetup || !hooks.transientSetup()) return prepared;
    } else if (!AllocateSteadyTables(problem, state)) {
        return prepared;
    }
    problem.resultsCurrent = true;
    state.calculationStarted = true;
    OpenProgressDisplay(hooks.progress, prepared.transient);
    prepared.startTicks = Ticks(hooks.clock);
    state.checkOnly = false;
    prepared.ready = true;
    return prepared;
}

CalculationOutcome FinishCalculation(Problem& problem, CalculationState& state,
                                     const CalculationHooks& hooks,
                                     const PreparedCalculation& prepared, SolverError code) {
    CalculationOutcome outcome;
    if (!prepared.ready) return outcome;
    outcome.ran = true;
    outcome.code = code;
    if (hooks.progress != nullptr) hooks.progress->SetButtonCaption("Continue");
    state.displayedStep = FirstDisplayedStep(problem, state);
    outcome.seconds = static_cast<int>((Ticks(hooks.clock) - prepared.startTicks + 500) / 1000);
    CloseProgressDisplay(hooks.progress, outcome);
    const bool restore = ReportResultCode(problem, state, code, prepared.transient);
    // A Continue never leaves the last values as initial conditions.
    if (restore && state.restoreInitial && state.results.HasLevel(0))
        SetInitialValuesFromLevel(problem, state.results.Level(0));
    // What the result windows need.
    state.runEnded = true;
    ++state.resultsRevision;
    state.lastStepIndex = prepared.transient ? state.currentLevel - state.stepStart : 0;
    state.lastComputedTime = problem.settings.transientStop;
    return outcome;
}

CalculationOutcome DoCalcs(Problem& problem, CalculationState& state,
                           const CalculationHooks& hooks) {
    const PreparedCalculation prepared = PrepareCalculation(problem, state, hooks);
    if (!prepared.ready) return {};
    const SolverError code = Solve(problem, state, hooks.progress);
    return FinishCalculation(problem, state, hooks, prepared, code);
}

std::string DisplayedTimeText(const Problem& problem, const CalculationState& state) {
    if (!problem.settings.transient || !problem.resultsCurrent ||
        !state.results.HasLevel(state.displayedStep))
        return {};
    const Real t = state.results.Level(state.displayedStep)[0] / TimeFactor(problem);
    return FormatNumber(AutoFormat(t, 5), t) + " " + UnitLabel(problem, Quantity::Time);
}

}  // namespace kova

// The calculation command: the driver that runs one calculation from set-up to stored
// results (Solve), the command around it that checks, prepares the result tables, runs
// and reports (DoCalcs, in three steps a front end may run on two threads), and the
// transient set-up's OK logic that the desktop dialog and kova-batch share.
//
// Threads. PrepareCalculation and FinishCalculation run on the window thread; Solve may
// run on a worker thread between them. From PrepareCalculation's return until
// FinishCalculation is called the worker owns the Problem and the CalculationState
// (with the result and balance tables it writes level by level, and the problem's
// times and node values it updates): the window thread reads and writes neither, keeps
// no pointer or reference into the result tables, and repaints only from what it drew
// before. During Solve the worker calls the RunProgress given to Solve and the problem's
// Reporter (error boxes, the beep, the information panel); a desktop passes Solve a
// progress that queues its calls for the window thread (RunProgressQueue) and gives the
// problem a Reporter that hands its calls to the window thread, waiting for an error
// box's OK. Abort is RunProgressQueue::RequestCancel, callable from the window thread;
// a transient run takes it between levels, a steady run never. The Clock and the
// CalculationHooks are used on the window thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "solver/configuration_check.hpp"
#include "solver/equation_numbering_search.hpp"
#include "solver/result_table.hpp"
#include "solver/solver_error.hpp"
#include "solver/system_factor.hpp"

namespace kova {

class Clock;
class KeyState;
class Problem;
class RunProgress;

// What a calculation leaves beside the problem. The application's document owns one;
// it lives as long as the problem and is never stored in files.
struct CalculationState {
    CheckedConfiguration checked;
    ResultTable results;
    ResultTable balances;

    int currentLevel = 0;  // the last completed level of a transient run
    int stepStart = 0;
    bool continueRun = false;  // the command is Continue rather than Calculate
    bool checkOnly = false;
    bool calculationStarted = false;
    bool balancesRequested = false;  // "Do Nodal Balances"
    bool restoreInitial = false;
    bool resultsDisplayable = false;
    bool runEnded = false;
    int lastStepIndex = 0;  // index of the last stored level
    // Grows at the end of every run: pictures cached from the tables are keyed to it.
    int resultsRevision = 0;
    int displayedStep = 0;
    Real lastComputedTime = 0;

    // The last run's facts, for the progress lines and for scripts.
    std::array<std::string, 3> criticalText;
    Real timeStepRatio = 0;
    int unknowns = 0;  // N - specified count
    // The bandwidth the user is shown ("Matrix Bandwidth = N"). The band solver knows it
    // before assembly; the sparse solver does not need it, so it is searched beside the
    // calculation (when `searchBandwidth` is set) and is known when the search ends,
    // possibly after the run. Whoever shows it asks for it (Value, or Wait where it must
    // be shown); copies of the handle share the one figure and may be kept on any
    // thread. The next calculation, a cancelled run and the state's end abandon it.
    BandwidthFigure bandwidth;
    bool searchBandwidth = true;
    int iterations = 0;  // property iterations (steady) or levels computed (transient)
    int lastLevel = 0;
    int runMode = 0;
    bool notConverged = false;  // NoUnknownsOrNotConverged came from a property iteration

    // Which factorisation solves the assembled system. Both give the same values to
    // rounding; the band factor keeps the classic order of arithmetic, the sparse one is
    // far faster and smaller on large meshes.
    SolverKind solver = SolverKind::Sparse;
    // The sparse solver's analysis of the last run's pattern (ordering, elimination tree,
    // supernodes). The next run (a Continue, or a Calculate after changing only values)
    // takes it over when its pattern is the same entry for entry (a prescribed node keeps
    // its equation and couplings) and analyses afresh otherwise: a changed mesh or other
    // lump connections never use it. Dropped after a run that ran out of memory.
    SparseAnalysis sparseAnalysis;
    // Analyses the last run made: 0 when it took the kept one over (or never factorised).
    int patternAnalyses = 0;
};

// The driver: set-up, numbering, assembly, factorisation, steady or transient solution
// and balances, for the check-configured problem. Returns the result code; the
// evaluator's own code after a material property failed to evaluate (see
// EvaluatorFailure). `progress` may be null; a transient run asks it for a cancel
// between levels. Callable from a worker thread (see Threads above).
SolverError Solve(Problem& problem, CalculationState& state, RunProgress* progress);

// For the Check command on a transient problem: runs the driver in check-only mode up
// to the critical time-step analysis, without touching any result, and returns the
// second critical time-step text (empty when the run stopped before it).
std::string CriticalTimeStepCheck(Problem& problem, CalculationState& state);

// The Check command: the verbose configuration check with check-only set for its
// duration; for a transient problem the information line ends with the critical
// time-step estimate. No stored result changes.
CheckResult CheckCommand(Problem& problem, CalculationState& state, const KeyState* keys = nullptr);

// The time panel's text while results are current: the time of the displayed step in
// the problem's time unit, e.g. "120 sec"; empty for a steady problem or without results.
std::string DisplayedTimeText(const Problem& problem, const CalculationState& state);

// The entries of the transient set-up dialog.
struct TransientSetupInput {
    Real stop = 0;
    Real step = 0;
    TransMethodType method = TransMethodType::CrankN;
    bool doBalances = false;
    std::vector<int> balanceFrames;  // frames chosen for balances
};

enum class SetupFailure {
    None,
    NoFrameSelected,  // balances ticked without a frame: the dialog stays open silently
    StopNotAboveStart,
    StepOutOfRange,
    ZeroStep,  // refused with the beep only
    NoMemory,
};

struct TransientSetupResult {
    SetupFailure failure = SetupFailure::None;
    std::string message;  // the information-panel text of a refused field
    int requiredSteps = 0;
    bool ok() const { return failure == SetupFailure::None; }
};

// The transient set-up's OK: marks results not current, releases the previous tables
// unless continuing, stores the balance choice, checks Stop and Step against Start,
// sets the method and times and allocates the result tables (message 5 or 8 when they
// cannot be had). On a failure the beep sounds and the message goes to the information
// panel, as a refused dialog field would show it.
TransientSetupResult ApplyTransientSetup(Problem& problem, CalculationState& state,
                                         const TransientSetupInput& input);

// The set-up a problem file stores: its stop time, step and method, and balances for
// the frames whose balance-selection flag is set (none: no balances).
TransientSetupInput StoredTransientSetup(const Problem& problem);

// The number of levels a set-up needs: round((stop - start) / step) + 1.
long long RequiredSteps(Real start, Real stop, Real step);

// Allocates (or, when continuing, enlarges keeping the stored levels) the result table
// and with balances the balance table for `levels` levels of the problem's vector size.
// Message 5 (with the beep) when the tables cannot be had at all, message 8 when a
// level cannot; every block already allocated is then released. False on failure.
bool AllocateResultTables(Problem& problem, CalculationState& state, long long levels,
                          bool withBalances, bool keepLevels);

// Front-end services the calculation command needs, used on the window thread by
// PrepareCalculation and FinishCalculation (and by DoCalcs, which also hands `progress`
// to Solve).
struct CalculationHooks {
    RunProgress* progress = nullptr;
    const Clock* clock = nullptr;
    // Shows the transient set-up for a transient problem and returns false on Cancel;
    // on OK it has called ApplyTransientSetup successfully.
    std::function<bool()> transientSetup;
};

struct CalculationOutcome {
    bool ran = false;  // false: the check failed or the set-up was cancelled
    SolverError code = SolverError::Ok;
    int seconds = 0;
    std::string caption;  // the progress display's final caption, when it stays open
};

// What the preparing step hands on to the finishing step.
struct PreparedCalculation {
    bool ready = false;      // false: the check failed or the set-up was cancelled
    bool transient = false;  // the problem's kind when the command began
    std::uint64_t startTicks = 0;
};

// Window thread, first step of Calculate (state.continueRun false) or Continue (true):
// marks results stale, runs the configuration check, takes a Continue's start values,
// shows the transient set-up (hooks.transientSetup) or allocates a steady run's tables,
// opens the progress display (hooks.progress) and notes the clock. When the result is
// not ready, nothing is to be solved and FinishCalculation has nothing to do.
PreparedCalculation PrepareCalculation(Problem& problem, CalculationState& state,
                                       const CalculationHooks& hooks);

// Window thread, last step, after Solve returned `code` (the worker has ended): the
// progress display's final caption or its closing, the message for the code, whether
// results are current and displayable, the initial values put back after a Continue,
// and what the result windows need.
CalculationOutcome FinishCalculation(Problem& problem, CalculationState& state,
                                     const CalculationHooks& hooks,
                                     const PreparedCalculation& prepared, SolverError code);

// Calculate or Continue on one thread: PrepareCalculation, Solve with hooks.progress,
// FinishCalculation.
CalculationOutcome DoCalcs(Problem& problem, CalculationState& state,
                           const CalculationHooks& hooks);

// " No. Unknown Temperatures = 12" and its siblings.
std::string UnknownsLine(const Problem& problem, int count);

// " Matrix Bandwidth = 14", the progress display's second line.
std::string BandwidthLine(int bandwidth);

}  // namespace kova

// Transient stepping of C dT/dt + K T = F: the time-scheme combination of the assembled
// matrices, the explicit stability estimate and its texts, and the march through the
// levels with re-assembly when anything depends on the potential or on time.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "solver/solver_run.hpp"

namespace kova {

class RunProgress;

// What a transient run keeps beside the SolverRun: the level range, the progress
// reporter, the critical time-step texts and the balance request.
struct TransientState {
    int lastLevel = 0;
    int firstLevel = 0;  // the level at which this run began
    std::array<std::string, 3> criticalText;
    Real ratio = 0;  // the user's step over the critical estimate
    bool balancesRequested = false;
    ResultTable* balances = nullptr;  // filled by TransientBalances when requested
    RunProgress* progress = nullptr;  // gauge and cancel poll; may be null
};

// The number of the last level: round((tStop - t) / dt) + currentLevel for a positive
// run mode and dt > 0, otherwise 0. Clamped to the int range.
int LastLevelFor(int runMode, Real t, Real tStop, Real dt, int currentLevel);

// The largest Gershgorin bound of C^-1 K over the equations whose unknown is not a
// specified node: max (K(e,e) + sum |K(e,j)|) / C(e,e). Equations without a positive
// capacity are skipped; 0 when none is left.
Real GershgorinEstimate(const SystemMatrix& k, const SystemMatrix& c,
                        const std::vector<std::uint8_t>& specifiedEquation);

// The text of v in the format AutoFormat(v, n) chooses.
std::string AutoText(Real v, int n);

// AssembleSystem followed, outside BalanceMode, by the critical time-step analysis and
// the combination of K, C and F for the run mode (A, the stepping matrix C' in C, and
// dt F). For a steady run it is AssembleSystem alone. An evaluation failure of a
// material property leaves Evaluation (the message was shown where it happened).
void AssembleForRun(SolverRun& run, TransientState& state, int level);

// Writes the start values (unknown order, before the first assembly) into result level
// run.currentLevel, so that the first assembly evaluates properties with the initial
// state rather than with an empty level.
void StoreInitialState(SolverRun& run);

// Gauge and cancel request for `level`; a cancel sets Cancelled, and any other code
// leaves the current level and the problem's stop time at this level.
void StepProgress(SolverRun& run, TransientState& state, int level);

// Marches from run.currentLevel to state.lastLevel, storing every level. Called after
// the first AssembleForRun and FactorBanded. On a cancel or a stepping failure
// run.currentLevel is the last completed level and the problem's stop time its time.
void TransientSolve(SolverRun& run, TransientState& state);

}  // namespace kova

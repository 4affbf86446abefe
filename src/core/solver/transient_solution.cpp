#include "solver/transient_solution.hpp"

#include <algorithm>
#include <climits>
#include <cmath>

#include "model/number_format.hpp"
#include "model/problem.hpp"
#include "platform/run_progress.hpp"
#include "solver/assembly.hpp"
#include "solver/steady_solution.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

constexpr Real kConvergedChange = 0.001L;
constexpr int kMaxIterationCount = 30;

// Codes the assembly leaves for an element it could not build or a specification it
// could not evaluate; any other code comes from a material property's evaluation.
bool IsSolverCode(SolverError code) {
    return code == SolverError::Singular || code == SolverError::Evaluation ||
           code == SolverError::NoMemory;
}

std::vector<std::uint8_t> SpecifiedEquations(const SolverRun& run) {
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(run.unknownCount) + 1, 0);
    for (int e = 1; e <= run.unknownCount; ++e) {
        const int u = run.unknownOfEquation[static_cast<std::size_t>(e)];
        if (u >= 1 && u <= run.activeNodeCount && run.specified[static_cast<std::size_t>(u)] != 0)
            flags[static_cast<std::size_t>(e)] = 1;
    }
    return flags;
}

void CriticalTimeStepAnalysis(SolverRun& run, TransientState& state) {
    if (run.runMode == kRunNoCapacity) {
        state.criticalText = {"Calculating steady-state solution at each time", "", ""};
        return;
    }
    state.criticalText[0] = "Critical time-step analysis";
    const Real lambda = GershgorinEstimate(run.K, run.C, SpecifiedEquations(run));
    // Without any stiffness the explicit scheme has no limit.
    const Real critical = lambda > 0 ? 1 / lambda / run.timeFactor : kInfinityMarker;
    state.ratio = lambda > 0 ? run.dt / critical / run.timeFactor : 0;
    state.criticalText[1] = "     Critical time-step estimate = " + AutoText(critical, 4) + " " +
                            UnitLabel(run.problem, Quantity::Time);
    state.criticalText[2] =
        "     Ratio of time step to critical time step estimate = " + AutoText(state.ratio, 4);
}

// A free equation j coupled to a prescribed equation e steps with
//   sum over free m of A(j, m) T_m(new) = sum over free m of C'(j, m) T_m(old) + dt F_j
//                                        - A(j, e) v_e(new) + C'(j, e) v_e(old).
// The assembly moved dt K(j, e) v_e(new) into dt F_j; the rest of the coupling is
// C'(j, e) (v_e(old) - v_e(new)), which this adds to the right-hand side; a value that
// does not change adds exactly 0.
void AddPrescribedChange(SolverRun& run) {
    const Real w = run.runMode == kRunEuler ? 0 : run.dt / 2;
    for (const PrescribedCoupling& p : run.prescribedCouplings) {
        const Real stepping = p.c - (run.dt - w) * p.k;  // C'(j, e)
        run.solveVector[static_cast<std::size_t>(p.free)] += stepping * (p.previous - p.value);
    }
}

// A := C (Euler) or C + dt/2 K (Crank-Nicolson); C' := C - dt K or C - dt/2 K in the
// storage of C; F := dt F.
void CombineTimeScheme(SolverRun& run) {
    const bool euler = run.runMode == kRunEuler;
    const Real w = euler ? run.dt : run.dt / 2;
    // K, C and A share one layout (band or pattern), so they combine value by value.
    const Real* k = run.K.Values();
    Real* c = run.C.Values();
    Real* a = run.A.Values();
    const std::size_t count = run.K.ValueCount();
    for (std::size_t m = 0; m < count; ++m) {
        a[m] = euler ? c[m] : c[m] + w * k[m];
        c[m] -= (euler ? run.dt : w) * k[m];
    }
    for (Real& f : run.F) f *= run.dt;
}

void SetStopTime(SolverRun& run, Real t) {
    run.problem.settings.transientStop = t / run.timeFactor;
}

// Ends the stepping after a failure while computing `level`: the last completed level
// and its time stay for a later Continue.
void EndAtCompletedLevel(SolverRun& run, int completed, Real completedTime) {
    run.currentLevel = completed;
    SetStopTime(run, completedTime);
}

// One level of a run without capacity whose properties depend on the potential or on
// time: successive substitution starting from the previous level's values.
void IterateLevel(SolverRun& run, TransientState& state, int level) {
    const int index = level - run.stepStart;
    if (index >= 1 && run.results.HasLevel(index))
        run.results.Level(index) = run.results.Level(index - 1);
    run.iterCount = 0;
    run.prevChange = kNoPreviousChange;
    bool converged = false;
    do {
        ++run.iterCount;
        ZeroSystem(run);
        AssembleForRun(run, state, index);
        if (run.solverError != SolverError::Ok) return;
        FactorSystem(run);
        if (run.solverError != SolverError::Ok) return;
        if (!SolveAssembled(run)) return;
        const Real change = Change(run, level);
        if (change > run.prevChange) Relax(run, level);
        StoreResults(run, level);
        if (run.solverError != SolverError::Ok) return;
        converged = change < kConvergedChange && run.iterCount >= 3;
        run.prevChange = change;
    } while (!converged && run.iterCount <= kMaxIterationCount);
    // A level that does not converge keeps its last iterate; the stepping goes on.
}

}  // namespace

int LastLevelFor(int runMode, Real t, Real tStop, Real dt, int currentLevel) {
    if (runMode <= 0 || !(dt > 0)) return 0;
    const Real steps = (tStop - t) / dt;
    if (!std::isfinite(steps)) return currentLevel;
    const Real clamped = std::clamp(steps, static_cast<Real>(-currentLevel),
                                    static_cast<Real>(INT_MAX - currentLevel - 1));
    return static_cast<int>(RoundHalfEven(clamped)) + currentLevel;
}

Real GershgorinEstimate(const SystemMatrix& k, const SystemMatrix& c,
                        const std::vector<std::uint8_t>& specifiedEquation) {
    const int n = k.Size();
    const std::vector<Real> offDiagonal = k.OffDiagonalSums();
    Real lambda = 0;
    for (int e = 1; e <= n; ++e) {
        if (static_cast<std::size_t>(e) < specifiedEquation.size() &&
            specifiedEquation[static_cast<std::size_t>(e)] != 0)
            continue;
        const Real capacity = c.Empty() ? 0 : c(e, e);
        if (!(capacity > 0)) continue;
        lambda = std::max(lambda, (k(e, e) + offDiagonal[static_cast<std::size_t>(e)]) / capacity);
    }
    return lambda;
}

std::string AutoText(Real v, int n) {
    return FormatNumber(AutoFormat(v, n), v);
}

void AssembleForRun(SolverRun& run, TransientState& state, int level) {
    AssembleSystem(run, level);
    if (run.solverError != SolverError::Ok) {
        if (!IsSolverCode(run.solverError)) run.solverError = SolverError::Evaluation;
        return;
    }
    if (run.balanceMode || run.runMode == kRunSteady) return;
    CriticalTimeStepAnalysis(run, state);
    if (run.runMode > 0) CombineTimeScheme(run);
}

void StoreInitialState(SolverRun& run) {
    const int index = run.currentLevel - run.stepStart;
    if (index < 0 || !run.results.HasLevel(index)) return;
    std::vector<Real>& target = run.results.Level(index);
    const int nodeCount = run.problem.nodes.Count();
    target[0] = run.t / run.timeFactor;
    for (int n = 1; n <= run.activeNodeCount; ++n)
        target[static_cast<std::size_t>(n)] = run.solution[static_cast<std::size_t>(n)];
    for (int k = 1; k <= run.problem.frameCount; ++k)
        target[static_cast<std::size_t>(nodeCount + k)] =
            run.lumpValue[static_cast<std::size_t>(k)];
}

void StepProgress(SolverRun& run, TransientState& state, int level) {
    if (state.progress != nullptr) {
        state.progress->SetGauge(
            static_cast<int>(static_cast<long long>(level) * 100 / std::max(state.lastLevel, 1)));
        if (state.progress->CancelRequested()) run.solverError = SolverError::Cancelled;
    }
    if (run.solverError != SolverError::Ok) {
        run.currentLevel = level;
        SetStopTime(run, run.t);
    }
}

void TransientSolve(SolverRun& run, TransientState& state) {
    int level = run.currentLevel;
    state.firstLevel = level;
    StepProgress(run, state, level);
    if (run.solverError != SolverError::Ok) return;
    StoreResults(run, level);
    if (run.solverError != SolverError::Ok) return;
    while (level < state.lastLevel && run.solverError == SolverError::Ok) {
        const Real completedTime = run.t;
        run.t += run.dt;
        if (run.runMode > 0) {
            if (run.potentialDependent) {
                ZeroSystem(run);
                AssembleForRun(run, state, level - run.stepStart);
                if (run.solverError == SolverError::Ok) FactorSystem(run);
                if (run.solverError != SolverError::Ok) {
                    run.problem.reporter().Beep();
                    EndAtCompletedLevel(run, level, completedTime);
                    return;
                }
            }
            ++level;
            StepProgress(run, state, level);
            if (run.solverError == SolverError::Cancelled) {
                EndAtCompletedLevel(run, level - 1, completedTime);
                return;
            }
            run.C.Multiply(run.F, run.solution, run.solveVector);
            AddPrescribedChange(run);
            if (SolveAssembled(run)) StoreResults(run, level);
        } else {
            ++level;
            StepProgress(run, state, level);
            if (run.solverError == SolverError::Cancelled) {
                EndAtCompletedLevel(run, level - 1, completedTime);
                return;
            }
            if (!run.potentialDependent) {
                if (SolveAssembled(run)) StoreResults(run, level);
            } else {
                IterateLevel(run, state, level);
            }
        }
        if (run.solverError != SolverError::Ok) {
            EndAtCompletedLevel(run, level - 1, completedTime);
            return;
        }
    }
}

}  // namespace kova

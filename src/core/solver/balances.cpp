#include "solver/balances.hpp"

#include <algorithm>
#include <numbers>

#include "model/problem.hpp"
#include "platform/run_progress.hpp"
#include "solver/assembly.hpp"

namespace kova {
namespace {

// Assembles the selected frames' own terms; SolveVector := -F.
void AssembleBalance(SolverRun& run, TransientState& state, int level) {
    ZeroSystem(run);
    run.balanceMode = true;
    AssembleForRun(run, state, level);
    run.balanceMode = false;
}

// Writes f r into a balance vector: active nodes, -999 for the rest, 0 for the frames
// and each free lump's own entry.
void FillBalance(const SolverRun& run, const BandVector& r, std::vector<Real>& target) {
    const Problem& problem = run.problem;
    const int nodeCount = problem.nodes.Count();
    const Real f = problem.settings.cylindrical ? 2 * std::numbers::pi_v<Real> : 1.0L;
    const std::size_t last =
        std::min(target.size(), static_cast<std::size_t>(nodeCount + problem.frameCount) + 1);
    for (int n = 1; n <= run.activeNodeCount; ++n)
        target[static_cast<std::size_t>(n)] = f * r[static_cast<std::size_t>(run.EquationOf(n))];
    for (std::size_t i = static_cast<std::size_t>(run.activeNodeCount) + 1; i < last; ++i)
        target[i] = kUnspecified;
    for (int k = 1; k <= problem.frameCount; ++k)
        if (static_cast<std::size_t>(nodeCount + k) < last)
            target[static_cast<std::size_t>(nodeCount + k)] = 0;
    for (int j = 0; j < run.freeLumpCount; ++j) {
        const int k = run.lumpList[static_cast<std::size_t>(j)];
        const int u = run.lumpUnknown[static_cast<std::size_t>(k)];
        if (static_cast<std::size_t>(nodeCount + k) < last)
            target[static_cast<std::size_t>(nodeCount + k)] =
                f * r[static_cast<std::size_t>(run.EquationOf(u))];
    }
}

// A stored level's unknowns in equation order.
BandVector LevelInEquationOrder(const SolverRun& run, const std::vector<Real>& level) {
    const int nodeCount = run.problem.nodes.Count();
    BandVector v(static_cast<std::size_t>(run.unknownCount) + 1, 0.0L);
    for (int n = 1; n <= run.activeNodeCount; ++n)
        v[static_cast<std::size_t>(run.EquationOf(n))] = level[static_cast<std::size_t>(n)];
    for (int j = 0; j < run.freeLumpCount; ++j) {
        const int k = run.lumpList[static_cast<std::size_t>(j)];
        const int u = run.lumpUnknown[static_cast<std::size_t>(k)];
        v[static_cast<std::size_t>(run.EquationOf(u))] =
            level[static_cast<std::size_t>(nodeCount + k)];
    }
    return v;
}

}  // namespace

void SteadyBalances(SolverRun& run, ResultTable& balances) {
    TransientState unused;
    for (int k = 1; k <= run.problem.frameCount && run.solverError == SolverError::Ok; ++k) {
        if (!balances.HasLevel(k)) return;
        run.balanceFrames.fill(0);
        run.balanceFrames[static_cast<std::size_t>(k)] = 1;
        AssembleBalance(run, unused, 0);
        if (run.solverError != SolverError::Ok) return;
        BandVector r = run.solveVector;
        run.K.Multiply(r, run.solution, r);
        std::vector<Real>& target = balances.Level(k);
        target[0] = 0;
        FillBalance(run, r, target);
    }
    run.balanceFrames.fill(0);
}

void TransientBalances(SolverRun& run, TransientState& state) {
    if (state.balances == nullptr) return;
    if (state.progress != nullptr) state.progress->SetCaption("Calculating Nodal Balances...");
    Problem& problem = run.problem;
    run.balanceFrames.fill(0);
    for (int k = 1; k <= problem.frameCount; ++k)
        run.balanceFrames[static_cast<std::size_t>(k)] =
            problem.frames[k].balanceSelected != 0 ? 1 : 0;
    const int first = std::max(state.firstLevel, run.stepStart);
    if (!run.potentialDependent) AssembleBalance(run, state, first - run.stepStart);
    const Real dt = run.dt;
    for (int level = first; level <= state.lastLevel && run.solverError == SolverError::Ok;
         ++level) {
        const int i = level - run.stepStart;
        if (!run.results.HasLevel(i) || !state.balances->HasLevel(i)) break;
        StepProgress(run, state, level);
        if (run.solverError != SolverError::Ok) {
            // Every level was computed before the balances began: a Continue resumes
            // after the last one, not in the middle.
            run.currentLevel = state.lastLevel;
            run.problem.settings.transientStop = run.tStop / run.timeFactor;
            break;
        }
        const std::vector<Real>& here = run.results.Level(i);
        const BandVector t = LevelInEquationOrder(run, here);
        BandVector rate(t.size(), 0.0L);
        if (run.runMode > 0 && dt > 0 && state.lastLevel > run.stepStart) {
            const bool hasNext = level < state.lastLevel && run.results.HasLevel(i + 1);
            const bool hasPrevious = level > run.stepStart && i >= 1;
            const BandVector next =
                hasNext ? LevelInEquationOrder(run, run.results.Level(i + 1)) : t;
            const BandVector previous =
                hasPrevious ? LevelInEquationOrder(run, run.results.Level(i - 1)) : t;
            const Real span = (hasNext && hasPrevious) ? 2 * dt : dt;
            for (std::size_t e = 1; e < rate.size(); ++e) rate[e] = (next[e] - previous[e]) / span;
        }
        if (run.potentialDependent) {
            run.t = here[0] * run.timeFactor;
            AssembleBalance(run, state, i);
            if (run.solverError != SolverError::Ok) break;
        }
        BandVector r = run.solveVector;
        run.K.Multiply(r, t, r);
        if (run.runMode > 0) run.C.Multiply(r, rate, r);
        std::vector<Real>& target = state.balances->Level(i);
        target[0] = here[0];
        FillBalance(run, r, target);
    }
    run.balanceFrames.fill(0);
}

}  // namespace kova

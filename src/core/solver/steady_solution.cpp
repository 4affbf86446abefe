#include "solver/steady_solution.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/messages.hpp"
#include "model/problem.hpp"
#include "solver/assembly.hpp"
#include "solver/property_evaluation.hpp"

namespace kova {
namespace {

constexpr Real kPi = std::numbers::pi_v<Real>;
constexpr Real kLargestResult = 1e35L;
constexpr Real kConvergedChange = 0.001L;
constexpr int kMaxIterationCount = 30;

// The analytic stream functions of the point singularities, added to a stored level.
void AddPointSingularities(SolverRun& run, std::vector<Real>& target) {
    const Problem& problem = run.problem;
    for (const SingularPoint& sp : problem.singularPoints) {
        if (sp.node < 1 || sp.node > problem.nodes.Count()) continue;
        const Coordinates& h = run.coordinates[static_cast<std::size_t>(sp.node)];
        const Real xs = 0.99999L * h.first;
        const Real ys = h.second;
        const Real s = sp.strength;
        for (int i = 1; i <= run.activeNodeCount; ++i) {
            const Coordinates& p = run.coordinates[static_cast<std::size_t>(i)];
            const Real dx = p.first - xs;
            const Real dy = p.second - ys;
            const Real r = std::sqrt(dx * dx + dy * dy);
            const Real theta = Angle(dx, dy);
            Real& v = target[static_cast<std::size_t>(i)];
            switch (sp.type) {
                case 1:
                    v += s / (2 * kPi) * theta;
                    break;
                case 2:
                    v -= s / (2 * kPi) * theta;
                    break;
                case 3:
                    v -= r > 0 ? s / (2 * kPi) * std::log(r) : s / (2 * kPi);
                    break;
                case 4:
                    if (r > 0) v -= s * std::sin(theta) / r;
                    break;
                case 5:
                    if (r > 0) v -= s * std::cos(theta) / r;
                    break;
                default:
                    break;
            }
        }
    }
}

// Stores one unknown's value after the range check; false after the numerical-error
// message.
bool CheckedStore(SolverRun& run, Real v, Real& entry) {
    if (!(std::fabs(v) <= kLargestResult)) {
        run.solverError = SolverError::NumericalError;
        run.problem.reporter().ShowError(GetMessage(MessageId::NumericalError));
        return false;
    }
    entry = v;
    return true;
}

}  // namespace

bool SolveAssembled(SolverRun& run) {
    SolveSystem(run, run.solveVector, run.nextSolution, run.solverError);
    if (run.solverError != SolverError::Ok) return false;
    run.solution.swap(run.nextSolution);
    // The prescribed unknowns keep exactly their values, whatever the rounding of the solve.
    for (const auto& [e, value] : run.prescribed) run.solution[static_cast<std::size_t>(e)] = value;
    return true;
}

Real Angle(Real dx, Real dy) {
    if (dx == 0) {
        if (dy > 0) return kPi / 2;
        if (dy < 0) return 3 * kPi / 2;
        return 2 * kPi;
    }
    const Real t = std::atan(std::fabs(dy / dx));
    if (dx > 0 && dy >= 0) return t;
    if (dx < 0 && dy > 0) return kPi - t;
    if (dx < 0) return kPi + t;
    return t < 0.002L ? 0 : 2 * kPi - t;
}

void StoreResults(SolverRun& run, int level) {
    const int index = level - run.stepStart;
    if (index < 0 || !run.results.HasLevel(index)) return;
    std::vector<Real>& target = run.results.Level(index);
    const Problem& problem = run.problem;
    const int nodeCount = problem.nodes.Count();
    target[0] = run.t / run.timeFactor;
    if (run.balanceTimes != nullptr && run.balanceTimes->HasLevel(index))
        run.balanceTimes->Level(index)[0] = target[0];
    for (int n = 1; n <= run.activeNodeCount && run.solverError == SolverError::Ok; ++n) {
        if (!CheckedStore(run, run.solution[static_cast<std::size_t>(run.EquationOf(n))],
                          target[static_cast<std::size_t>(n)]))
            return;
    }
    for (int k = 1; k <= problem.frameCount; ++k) {
        const Frame& f = problem.frames[k];
        if (f.lumpValueSpec > 0) {
            int error = 0;
            const Real v = RunSpecValue(run, f.lumpValueSpec, error, 0, 0, 0, 0);
            if (error != 0) {
                run.erroneousItem = f.lumpValueSpec;
                run.solverError = SolverError::Evaluation;
                return;
            }
            run.lumpValue[static_cast<std::size_t>(k)] = v;
        }
        target[static_cast<std::size_t>(nodeCount + k)] =
            run.lumpValue[static_cast<std::size_t>(k)];
    }
    for (int j = 0; j < run.freeLumpCount && run.solverError == SolverError::Ok; ++j) {
        const int k = run.lumpList[static_cast<std::size_t>(j)];
        const int u = run.lumpUnknown[static_cast<std::size_t>(k)];
        if (!CheckedStore(run, run.solution[static_cast<std::size_t>(run.EquationOf(u))],
                          target[static_cast<std::size_t>(nodeCount + k)]))
            return;
    }
    if (problem.settings.subject == ProbTypeA::Potential) AddPointSingularities(run, target);
}

Real Change(const SolverRun& run, int level) {
    const std::vector<Real>& stored = run.results.Level(level - run.stepStart);
    const int nodeCount = run.problem.nodes.Count();
    Real tMax = -9e99L, tMin = 9e99L, largest = 0;
    auto visit = [&](int unknown, int entry) {
        const Real vNew = run.solution[static_cast<std::size_t>(run.EquationOf(unknown))];
        const Real vOld = stored[static_cast<std::size_t>(entry)];
        tMax = std::max(tMax, vNew);
        tMin = std::min(tMin, vNew);
        largest = std::max(largest, std::fabs(vOld - vNew));
    };
    for (int n = 1; n <= run.activeNodeCount; ++n) visit(n, n);
    for (int j = 0; j < run.freeLumpCount; ++j) {
        const int k = run.lumpList[static_cast<std::size_t>(j)];
        visit(run.lumpUnknown[static_cast<std::size_t>(k)], nodeCount + k);
    }
    return tMax - tMin > 1 ? largest / (tMax - tMin) : largest;
}

void Relax(SolverRun& run, int level) {
    const std::vector<Real>& stored = run.results.Level(level - run.stepStart);
    const int nodeCount = run.problem.nodes.Count();
    auto relax = [&](int unknown, int entry) {
        Real& v = run.solution[static_cast<std::size_t>(run.EquationOf(unknown))];
        v = 0.625L * stored[static_cast<std::size_t>(entry)] + 0.375L * v;
    };
    for (int n = 1; n <= run.activeNodeCount; ++n) relax(n, n);
    for (int j = 0; j < run.freeLumpCount; ++j) {
        const int k = run.lumpList[static_cast<std::size_t>(j)];
        relax(run.lumpUnknown[static_cast<std::size_t>(k)], nodeCount + k);
    }
}

void PropertyIteration(SolverRun& run) {
    bool converged = false;
    do {
        ++run.iterCount;
        if (run.onIteration) run.onIteration(run.iterCount);
        ZeroSystem(run);
        AssembleSystem(run, 0);
        if (run.solverError != SolverError::Ok) return;
        FactorSystem(run);
        if (run.solverError != SolverError::Ok) return;
        if (!SolveAssembled(run)) return;
        const Real change = Change(run, 0);
        if (change > run.prevChange) Relax(run, 0);
        StoreResults(run, 0);
        if (run.solverError != SolverError::Ok) return;
        run.results.Level(0)[0] = static_cast<Real>(run.iterCount);
        converged = change < kConvergedChange && run.iterCount >= 3;
        run.prevChange = change;
    } while (!converged && run.iterCount <= kMaxIterationCount);
    if (!converged) run.solverError = SolverError::NoUnknownsOrNotConverged;
}

void SteadySolve(SolverRun& run) {
    run.t = 0;
    if (!SolveAssembled(run)) return;
    StoreResults(run, 0);
    if (run.solverError != SolverError::Ok) return;
    if (run.potentialDependent) PropertyIteration(run);
    if (run.solverError != SolverError::Ok) return;

    Problem& problem = run.problem;
    std::vector<Real>& level0 = run.results.Level(0);
    level0[0] = 0;
    const int nodeCount = problem.nodes.Count();
    for (int i = 1; i <= nodeCount; ++i)
        problem.nodes[i].currentValue =
            i <= run.activeNodeCount ? level0[static_cast<std::size_t>(i)] : kUnspecified;
    for (int k = 1; k <= problem.frameCount; ++k)
        problem.frames[k].lumpResult = level0[static_cast<std::size_t>(nodeCount + k)];
}

}  // namespace kova

#include "solver/system_factor.hpp"

#include <new>
#include <utility>

#include "model/messages.hpp"
#include "model/problem.hpp"
#include "solver/solver_run.hpp"

namespace kova {

bool BuildSystemPattern(const SolverRun& run, SparsePattern& pattern) {
    const int n = run.unknownCount;
    try {
        SparsePatternBuilder builder(n);
        for (int u = 1; u <= n && u <= run.connections.Count(); ++u) {
            const int eu = run.EquationOf(u) - 1;
            for (const std::int32_t* v = run.connections.Begin(u); v != run.connections.End(u);
                 ++v) {
                if (*v < 1 || *v > n) continue;
                builder.AddCoupling(eu, run.EquationOf(*v) - 1);
            }
        }
        return builder.Finish(pattern);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

namespace {

void NoMemory(SolverRun& run) {
    run.solverError = SolverError::NoMemory;
    run.problem.reporter().ShowError(GetMessage(MessageId::NoMemoryForCalculation));
}

}  // namespace

bool SparseAnalysis::Fits(const SparsePattern& other) const {
    return !Empty() && symbolic.n == other.n && pattern.n == other.n &&
           pattern.columnStart == other.columnStart && pattern.rowIndex == other.rowIndex;
}

namespace {

// The analysis of `pattern` with its copy; an earlier one is dropped first, so that the
// two are never held together. False (holding nothing) when the memory cannot be had.
bool Analyse(const SparsePattern& pattern, SparseAnalysis& analysis) {
    analysis = SparseAnalysis{};
    try {
        SparseAnalysis fresh;
        fresh.pattern = pattern;
        if (!AnalyseSparse(fresh.pattern, fresh.symbolic)) return false;
        analysis = std::move(fresh);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

void FactorSystem(SolverRun& run) {
    SystemFactor& system = run.factor;
    ++system.factorisations;
    if (system.kind == SolverKind::Band) {
        FactorBanded(run.A.Band(), run.solverError);
        return;
    }
    const SparseMatrix& matrix = run.A.Sparse();
    if (!system.analysed) {
        if (!system.analysis.Fits(matrix.Pattern())) {
            ++system.analyses;
            if (!Analyse(matrix.Pattern(), system.analysis)) return NoMemory(run);
        }
        system.analysed = true;
    }
    system.factor.SetMemoryLimit(system.memoryLimit);
    system.factor.Factor(matrix, system.analysis.symbolic, run.solverError);
    if (run.solverError == SolverError::NoMemory) NoMemory(run);
}

void SolveSystem(const SolverRun& run, const BandVector& b, BandVector& x,
                 SolverError& solverError) {
    const SystemFactor& system = run.factor;
    if (system.kind == SolverKind::Band) {
        SolveBanded(run.A.Band(), b, x, solverError);
        return;
    }
    const int n = run.unknownCount;
    if (!system.factor.Ready() || static_cast<int>(b.size()) < n + 1) {
        solverError = SolverError::Singular;
        return;
    }
    x.assign(static_cast<std::size_t>(n) + 1, 0.0L);
    system.factor.Solve(b.data() + 1, x.data() + 1);
}

}  // namespace kova

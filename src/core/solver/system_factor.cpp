#include "solver/system_factor.hpp"

#include <new>

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

void FactorSystem(SolverRun& run) {
    SystemFactor& system = run.factor;
    if (system.kind == SolverKind::Band) {
        FactorBanded(run.A, run.solverError);
        return;
    }
    if (!system.analysed) {
        SparsePattern pattern;
        if (!BuildSystemPattern(run, pattern)) return NoMemory(run);
        if (!PatternConnected(pattern)) {
            run.solverError = SolverError::Numbering;
            return;
        }
        if (!AnalyseSparse(pattern, system.symbolic) || !system.matrix.Reset(std::move(pattern)))
            return NoMemory(run);
        system.analysed = true;
    }
    // The band holds every coupling of the pattern: the numbering's bandwidth covers the
    // connection lists the pattern was made from.
    const SparsePattern& pattern = system.matrix.Pattern();
    std::vector<Real>& values = system.matrix.Values();
    for (int j = 0; j < pattern.n; ++j) {
        for (std::int64_t p = pattern.columnStart[static_cast<std::size_t>(j)];
             p < pattern.columnStart[static_cast<std::size_t>(j) + 1]; ++p) {
            const int i = pattern.rowIndex[static_cast<std::size_t>(p)];
            values[static_cast<std::size_t>(p)] = run.A(j + 1, i + 1);
        }
    }
    system.factor.SetMemoryLimit(system.memoryLimit);
    system.factor.Factor(system.matrix, system.symbolic, run.solverError);
    if (run.solverError == SolverError::NoMemory) NoMemory(run);
}

void SolveSystem(const SolverRun& run, const BandVector& b, BandVector& x,
                 SolverError& solverError) {
    const SystemFactor& system = run.factor;
    if (system.kind == SolverKind::Band) {
        SolveBanded(run.A, b, x, solverError);
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

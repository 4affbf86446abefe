#include "support/steady_run.hpp"

#include "solver/assembly.hpp"
#include "solver/run_setup.hpp"
#include "solver/steady_solution.hpp"

namespace kova::test {

int SteadyRun::Run() {
    check = ConfigurationCheck(problem, checked);
    if (!check.ok || check.errorFound) return solverError = -1;
    if (!results.Allocate(1, ResultTable::ValuesFor(problem))) return solverError = kSolverNoMemory;
    SolverRun run(problem, checked, results);
    run.factor.kind = solver;
    run.onIteration = [this](int count) { iterations = count; };
    RunSetup(run);
    unknowns = run.unknownCount;
    bandwidth = run.bandwidth;
    if (run.solverError == kSolverOk && run.unknownCount - run.specifiedCount < 1)
        run.solverError = kSolverNoUnknowns;
    if (run.solverError == kSolverOk) AllocateSystem(run);
    if (run.solverError == kSolverOk) {
        ZeroSystem(run);
        AssembleSystem(run, 0);
    }
    if (run.solverError == kSolverOk) FactorSystem(run);
    if (run.solverError == kSolverOk) SteadySolve(run);
    erroneousItem = run.erroneousItem;
    return solverError = run.solverError;
}

}  // namespace kova::test

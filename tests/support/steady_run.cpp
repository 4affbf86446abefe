#include "support/steady_run.hpp"

#include <cstdlib>
#include <string>

#include "solver/assembly.hpp"
#include "solver/run_setup.hpp"
#include "solver/steady_solution.hpp"

namespace kova::test {

SolverKind TestSolver(SolverKind fallback) {
    const char* name = std::getenv("KOVA_TEST_SOLVER");
    if (name == nullptr) return fallback;
    const std::string text = name;
    if (text == "band") return SolverKind::Band;
    if (text == "sparse") return SolverKind::Sparse;
    return fallback;
}

int SteadyRun::Run() {
    check = ConfigurationCheck(problem, checked);
    if (!check.ok || check.errorFound) return solverError = -1;
    if (!results.Allocate(1, ResultTable::ValuesFor(problem)))
        return solverError = SolverErrorNumber(SolverError::NoMemory);
    SolverRun run(problem, checked, results);
    run.factor.kind = solver;
    run.onIteration = [this](int count) { iterations = count; };
    RunSetup(run);
    unknowns = run.unknownCount;
    bandwidth = run.bandwidth;
    if (run.solverError == SolverError::Ok && run.unknownCount - run.specifiedCount < 1)
        run.solverError = SolverError::NoUnknownsOrNotConverged;
    if (run.solverError == SolverError::Ok) AllocateSystem(run);
    if (run.solverError == SolverError::Ok) {
        ZeroSystem(run);
        AssembleSystem(run, 0);
    }
    if (run.solverError == SolverError::Ok) FactorSystem(run);
    if (run.solverError == SolverError::Ok) SteadySolve(run);
    bandwidth = run.WaitBandwidth();
    analyses = run.factor.analyses;
    factorisations = run.factor.factorisations;
    erroneousItem = run.erroneousItem;
    return solverError = SolverErrorNumber(run.solverError);
}

}  // namespace kova::test

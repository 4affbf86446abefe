// A steady calculation from check to stored results, as the run control performs it,
// for tests: the check, the set-up, the assembly, the factorisation and the steady
// solution, with a recording reporter.
#pragma once

#include "model/problem.hpp"
#include "platform/reporter.hpp"
#include "solver/configuration_check.hpp"
#include "solver/result_table.hpp"
#include "solver/solver_run.hpp"

namespace kova::test {

// The solver a test run uses: `fallback` unless the variable KOVA_TEST_SOLVER names one
// (band or sparse), so that whole suites can be run again with the other solver.
SolverKind TestSolver(SolverKind fallback);

struct SteadyRun {
    explicit SteadyRun(Problem& problem) : problem(problem) { problem.SetReporter(&reporter); }
    ~SteadyRun() { problem.SetReporter(nullptr); }
    SteadyRun(const SteadyRun&) = delete;
    SteadyRun& operator=(const SteadyRun&) = delete;

    // Runs the calculation; returns the result code (-1 when the check found a problem).
    int Run();

    // The stored value of node n or of lump frame k.
    Real Value(int n) const { return results.Level(0)[static_cast<std::size_t>(n)]; }
    Real LumpValue(int k) const {
        return results.Level(0)[static_cast<std::size_t>(problem.nodes.Count() + k)];
    }

    Problem& problem;
    RecordingReporter reporter;
    CheckedConfiguration checked;
    ResultTable results;
    CheckResult check;
    int unknowns = 0;
    int bandwidth = 0;
    int iterations = 0;      // the last iteration count reported
    int analyses = 0;        // pattern analyses of the sparse solver
    int factorisations = 0;  // matrices factorised
    int solverError = 0;
    int erroneousItem = 0;                             // the specification whose evaluation failed
    SolverKind solver = TestSolver(SolverKind::Band);  // the factorisation the run uses
};

}  // namespace kova::test

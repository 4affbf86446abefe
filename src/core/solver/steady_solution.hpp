// Steady solution: one solve of K T = F, a property iteration when anything depends on
// the potential, and the storing of every solution into the result table (with the
// analytic point singularities of Potential Flow).
#pragma once

#include "solver/solver_run.hpp"

namespace kova {

// Solves with the factorised system matrix, stores level 0, iterates when needed and on
// success writes the solution back as the nodes' current values and the lumps' results.
// Called after the first AssembleSystem(level 0) and FactorBanded.
void SteadySolve(SolverRun& run);

// Solves the factorised system for run.solveVector into run.solution and puts the
// prescribed values back exactly; false (with run.solverError set) when the solve fails.
bool SolveAssembled(SolverRun& run);

// Successive substitution until the relative change falls below 0.001 (at least three
// solutions, at most 30 iterations); NoUnknownsOrNotConverged when it does not converge.
void PropertyIteration(SolverRun& run);

// Copies the solution into result level `level` (nothing for a level before the run's
// first stored level). A value beyond +-1e35, or not a number, stops it with NumericalError.
void StoreResults(SolverRun& run, int level);

// The largest change of an unknown against result level `level`, relative to the
// solution's range when that exceeds 1.
Real Change(const SolverRun& run, int level);

// Weights the new solution 0.375 against 0.625 of the values stored at `level`.
void Relax(SolverRun& run, int level);

// The polar angle of (dx, dy) in [0, 2pi]; points just below the positive first axis
// count as on it, and (0, 0) gives 2pi.
Real Angle(Real dx, Real dy);

}  // namespace kova

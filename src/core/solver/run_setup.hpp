// The set-up at the start of every calculation: times and coordinates, start values,
// lumps, connection lists, boundary segment lists, specified nodes and the numbering.
#pragma once

#include "solver/solver_run.hpp"

namespace kova {

// Fills `run` from its problem and checked configuration, in steps: times and start
// values, the free lumps' unknowns, the segments' connections, the lumps, the boundary
// segment lists, the specified nodes and the numbering. Sets run.solverError to
// NoMemory when memory runs out, Evaluation when an evaluation fails (after the
// evaluator's message), LumpConnections when a lump has too many connections and
// Numbering when the numbering fails; nothing after a failing step is built. The run
// mode, check-only flag and current level are set by the caller.
void RunSetup(SolverRun& run);

// Whether a specification's dependence makes the run re-evaluate: on the potential, or
// (transient runs) on time.
bool SpecMakesRunDependent(const SolverRun& run, const BoundarySpec& spec);

// Capacity, generation and value of lump frame k with the potentials of result level
// `level`; a fixed lump's capacity is -999. Returns Ok, the evaluator's code after a
// material property failed (reported with "Error in evaluating "), or Evaluation after
// a specification failed (its index in run.erroneousItem).
SolverError ComputeLumpData(SolverRun& run, int k, int level);

}  // namespace kova

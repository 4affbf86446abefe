// Nodal balances: the net flow from each node into the elements of chosen frames, from
// an assembly of those frames alone (BalanceMode) and the solution.
#pragma once

#include "solver/solver_run.hpp"
#include "solver/transient_solution.hpp"

namespace kova {

// Balance vector k (1..frame count) of a steady run: for each active node the flow from
// the node into frame k's elements, -999 for the other nodes, 0 for the frame entries
// except the free lumps' own flows. Multiplied by 2 pi in cylindrical geometry. Called
// after a successful SteadySolve; `balances` must hold frame count + 1 vectors.
void SteadyBalances(SolverRun& run, ResultTable& balances);

// One balance vector per stored level of a transient run for the frames whose
// balance-selection flag is set, with the capacity rate from differences of the stored
// levels. A cancel (through StepProgress) ends it with Cancelled.
void TransientBalances(SolverRun& run, TransientState& state);

}  // namespace kova

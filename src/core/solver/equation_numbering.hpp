// Numbering of the equations for a narrow band: breadth-first numberings from every
// unknown in turn, each accepted only when strictly narrower than the best so far.
#pragma once

#include <cstdint>
#include <vector>

#include "solver/solver_run.hpp"

namespace kova {

struct Numbering {
    std::vector<std::int32_t> equationOfUnknown;  // 1..N
    std::vector<std::int32_t> unknownOfEquation;  // 1..N
    int bandwidth = 0;                            // entries per row, diagonal included
    SolverError solverError = SolverError::Ok;    // Numbering when the graph is not connected
};

// Numbers unknowns 1..n coupled by `connections`. The identity numbering is kept for
// n <= 3 and whenever no breadth-first numbering is narrower. A breadth-first numbering
// that is not abandoned but cannot reach every unknown fails with Numbering. `threads`
// searches share the starts (0: two on a large graph when the machine has two cores,
// else one); the result does not depend on it.
Numbering NumberEquations(const ConnectionLists& connections, int n, int threads = 0);

}  // namespace kova

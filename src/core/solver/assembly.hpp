// The element, boundary, lump and prescribed-value terms of the field equation, added
// into the banded matrices and the load vector of a run.
#pragma once

#include "solver/solver_run.hpp"

namespace kova {

// Allocates K and A (and C for a positive run mode) as N x B bands, and the load and
// solve vectors; NoMemory when the memory cannot be had.
void AllocateSystem(SolverRun& run);

// Zeroes K, C, F and the solve vector, and A when the run has capacity (otherwise the
// assembled K replaces A by exchange).
void ZeroSystem(SolverRun& run);

// Adds every term for the run's current time with the potentials of result level
// `level`, applies the prescribed values and hands K and F over as the system matrix
// and solve vector (steady runs and runs without capacity). The caller zeroes the system
// first. An evaluation error stops it with run.solverError set: the evaluator's code
// for a material property (after "Error in evaluating "), Evaluation for a specification. A
// degenerate (zero-area) element stops it with Singular.
void AssembleSystem(SolverRun& run, int level);

// The thickness an Extended Surfaces frame's terms carry (conduction, generation,
// capacity, lump capacity and generation): the frame's fin thickness in Cartesian
// geometry, otherwise 1.
Real FinThickness(const Problem& problem, int frame);

// The height of a boundary segment's edge, which its flux and convection act over: the
// fin thickness of the distributed frame beside it (frame A first), or else of the lump
// beside it; 1 outside the Extended Surfaces subject.
Real EdgeThickness(const Problem& problem, const LineSegment& segment);

// Element mass-type matrix of a nodal coefficient w in cylindrical geometry: the exact
// integral of w r N_i N_j over the triangle (exposed for tests).
void CylindricalMass(Real area, const Real (&w)[3], const Real (&r)[3], Real (&m)[3][3]);

}  // namespace kova

// How the solver obtains property and boundary values: specifications and material
// properties evaluated at nodes, element corners and lumps, with the potential taken
// from the run's stored results.
#pragma once

#include "model/types.hpp"

namespace kova {

class SolverRun;

// Material property kinds.
inline constexpr int kPropConductivity = 1;
inline constexpr int kPropDensity = 2;
inline constexpr int kPropSpecificHeat = 3;
inline constexpr int kPropPerfusion = 4;
inline constexpr int kPropCapacity = 5;  // density x specific heat
inline constexpr int kPropGeneration = 6;

// Specification `spec` at the run's time with the given potential and drawing position.
// On an error the result is 1 and `error` is set.
Real RunSpecValue(SolverRun& run, int spec, int& error, int element, Real potential, Real x,
                  Real y);

// Specification `spec` at node `node` (node count + k for lump frame k): the potential is
// the node's value at result level `level` when stored results exist, else its current
// value; the position is the node's (0, 0 for a lump). Index 0 or less gives 0.
Real RunSpecAtNode(SolverRun& run, int node, int spec, int level, int& error, int element);

// Material property `kind` at corner 1..3 of element `element`, or of lump frame k when
// element is -k, at result level `level`. On an error the result is 1 and `error` is set.
Real RunMaterialProperty(SolverRun& run, int kind, int element, int corner, int& error, int level);

// The message for a material property that could not be evaluated.
void RunReportPropertyError(SolverRun& run, int kind, int frame);

}  // namespace kova

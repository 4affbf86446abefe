// The gradient of the field variable in one linear triangle (constant over the element)
// and the flux derived from it, for the flux variables of expressions, the gradient
// arrows, the result read-out and the tables.
#pragma once

#include "expressions/solution_data.hpp"
#include "model/types.hpp"

namespace kova {

class Problem;

struct ElementGradient {
    Real magnitude = 0;  // a * |gradient| / PixelLength
    Real dvdy = 0;       // potential per drawing pixel; y grows downwards on the drawing
    Real dvdx = 0;
    int errorCode = 0;  // of the conductivity evaluation; 7 for an element not in the table
};

// The two gradient components of element `element` at result level `step` (the nodes'
// current values when the level is not stored). An element whose corners lie on one
// line has no gradient: both components are 0.
ElementGradient ElementGradientComponents(const Problem& problem, const SolutionData& solution,
                                          int element, int step);

// The gradient components and the magnitude. The factor a is 1 when the gradient window
// asks for the temperature gradient (selection state FluxPt, Heat Transfer or Bio-Heat
// Transfer, temperatureType set) and in a subject with unit conductivity, otherwise the
// mean of the element material's conductivity at its three corners for this step. For
// the flux of an anisotropic material in Cartesian geometry dvdy is multiplied by ky/kx,
// so that the components and the magnitude are those of the flux.
ElementGradient ElementFlux(Problem& problem, const SolutionData& solution, int element, int step,
                            bool temperatureType);

}  // namespace kova

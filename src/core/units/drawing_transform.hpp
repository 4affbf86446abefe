// The transform between drawing positions (input-window pixels, y growing downwards) and
// problem coordinates (the second coordinate growing upwards).
#pragma once

#include "model/types.hpp"

namespace kova {

class Problem;

struct Coordinates {
    Real first = 0;   // X, or R in cylindrical geometry
    Real second = 0;  // Y, or Z
};

// Problem coordinates of a drawing position, in the length unit of the drawing scale.
Coordinates DrawingToProblem(const Problem& problem, Real x, Real y);

// The drawing position of problem coordinates given in the drawing scale's unit.
Coordinates ProblemToDrawing(const Problem& problem, Real first, Real second);

// Problem coordinates of a drawing position in the base unit (m or ft), as the solver
// and the area and volume formulas use them.
Coordinates DrawingToBase(const Problem& problem, Real x, Real y);

}  // namespace kova

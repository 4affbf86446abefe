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

// DrawingToProblem for one view with its factors worked out beforehand, for callers that
// convert many positions: the same operations in the same order, so the same results.
struct DrawingTransform {
    Real scrollX = 0;
    Real scrollY = 0;
    Real originX = 0;  // the origin's drawing position times the zoom factor
    Real originY = 0;
    Real length = 0;  // the length of a pixel at this zoom, in the drawing scale's unit

    Coordinates Apply(const Real& x, const Real& y) const {
        return {(x + scrollX - originX) * length, (originY - y - scrollY) * length};
    }
};
DrawingTransform DrawingToProblemTransform(const Problem& problem);

// The drawing position of problem coordinates given in the drawing scale's unit.
Coordinates ProblemToDrawing(const Problem& problem, Real first, Real second);

// Problem coordinates of a drawing position in the base unit (m or ft), as the solver
// and the area and volume formulas use them.
Coordinates DrawingToBase(const Problem& problem, Real x, Real y);

}  // namespace kova

#include "units/drawing_transform.hpp"

#include "model/problem.hpp"

namespace kova {
namespace {

// The zoom factor; a factor that is not positive counts as 1, as for the pixel length,
// so that the two transforms never disagree.
Real Zoom(const Problem& p) {
    return p.view.zoom > 0 ? p.view.zoom : 1.0L;
}

// Length of one drawing pixel in the drawing scale's unit at the current zoom.
Real ScaleLength(const Problem& p) {
    return p.settings.drawingScale / 96.0L / Zoom(p);
}

DrawingTransform Factors(const Problem& p, Real length) {
    const Real z = Zoom(p);
    return {p.view.scrollX, p.view.scrollY, p.settings.originX * z, p.settings.originY * z, length};
}

}  // namespace

Coordinates DrawingToProblem(const Problem& problem, Real x, Real y) {
    return DrawingToProblemTransform(problem).Apply(x, y);
}

DrawingTransform DrawingToProblemTransform(const Problem& problem) {
    return Factors(problem, ScaleLength(problem));
}

Coordinates ProblemToDrawing(const Problem& problem, Real first, Real second) {
    const Real l = ScaleLength(problem);
    const Real z = Zoom(problem);
    return {first / l - problem.view.scrollX + problem.settings.originX * z,
            problem.settings.originY * z - second / l - problem.view.scrollY};
}

Coordinates DrawingToBase(const Problem& problem, Real x, Real y) {
    return Factors(problem, problem.settings.pixelLength).Apply(x, y);
}

}  // namespace kova

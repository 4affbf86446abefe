#include "editing/circle_dialog.hpp"

#include <algorithm>
#include <limits>

#include "model/length_units.hpp"
#include "units/drawing_transform.hpp"

namespace kova {
namespace {

std::string ThreeDigits(Real v) {
    return FormatNumber(AutoFormat(v, 3), v);
}

}  // namespace

CircleDialogStart StartCircleDialog(const Problem& problem, Real centreX, Real centreY) {
    const ProblemSettings& s = problem.settings;
    CircleDialogStart start;
    start.unit = LengthLabel(s.unitSystem, s.lengthUnitIndex);
    start.xLabel = s.cylindrical ? "r =" : "x = ";
    start.yLabel = s.cylindrical ? "z =" : "y = ";
    const Coordinates c = DrawingToProblem(problem, centreX, centreY);
    start.x = ThreeDigits(c.first);
    start.y = ThreeDigits(c.second);
    return start;
}

CircleDialogResult CircleDialogOk(Problem& problem, NumberField& diameter, NumberField& x,
                                  NumberField& y, CircleShape shape, int orientation, int points) {
    CircleDialogResult r;
    Reporter& reporter = problem.reporter();
    const Real huge = std::numeric_limits<double>::max();
    const FieldNumber d = ReadNumberField(diameter, 0, huge, kAboveMinimum, reporter);
    if (!d.ok) return r;
    r.field = 1;
    const FieldNumber fx = ReadNumberField(x, -huge, huge, kAnyNumber, reporter);
    if (!fx.ok) return r;
    r.field = 2;
    const FieldNumber fy = ReadNumberField(y, -huge, huge, kAnyNumber, reporter);
    if (!fy.ok) return r;
    const ProblemSettings& s = problem.settings;
    const Real zoom = problem.view.zoom;
    const Real perPixel = s.drawingScale / 96 / zoom;
    r.diameter = static_cast<Real>(RoundHalfEven(zoom * d.value / s.drawingScale * 96));
    r.centreX = static_cast<Real>(RoundHalfEven(fx.value / perPixel)) + s.originX * zoom -
                problem.view.scrollX;
    r.centreY = s.originY * zoom - problem.view.scrollY -
                static_cast<Real>(RoundHalfEven(fy.value / perPixel));
    orientation = std::clamp(orientation, 0, 3);
    r.cType = shape == CircleShape::Circle       ? 0
              : shape == CircleShape::SemiCircle ? orientation + 1
                                                 : orientation + 5;
    r.points = std::clamp(points, kFewestCirclePoints, kMostCirclePoints);
    r.field = -1;
    r.ok = true;
    return r;
}

}  // namespace kova

#include "units/scale_arithmetic.hpp"

#include <algorithm>
#include <cmath>

#include "model/length_units.hpp"
#include "model/problem.hpp"

namespace kova {
namespace {

constexpr Real kPixelsPerInch = 96.0L;
constexpr Real kCentimetresPerInch = 2.54L;
constexpr Real kMetresPerFoot = 0.3048L;

}  // namespace

Real PixelsPerDrawingUnit(Unittype system) {
    return system == Unittype::SI ? kPixelsPerInch / kCentimetresPerInch : kPixelsPerInch;
}

Real ShownScale(Unittype system, Real drawingScale) {
    return system == Unittype::SI ? drawingScale / kCentimetresPerInch : drawingScale;
}

Real DrawingScaleFromShown(Unittype system, Real shownScale) {
    return system == Unittype::SI ? shownScale * kCentimetresPerInch : shownScale;
}

Real ConvertShownScale(Real shownScale, Unittype oldSystem, Unittype newSystem,
                       int lengthUnitIndex) {
    if (oldSystem == newSystem) return shownScale;
    Real s = shownScale * LengthFactor(oldSystem, lengthUnitIndex) /
             LengthFactor(newSystem, lengthUnitIndex);
    // The base unit changes between metre and foot, the drawing unit between cm and in.
    if (newSystem == Unittype::SI)
        s = s * kMetresPerFoot / kCentimetresPerInch;
    else
        s = s / kMetresPerFoot * kCentimetresPerInch;
    return s;
}

int NextLengthUnitIndex(int index) {
    return index >= 1 && index < kLengthUnitCount ? index + 1 : 1;
}

Real ShownScaleForLengthUnit(Real shownScale, Unittype system, int oldIndex, int newIndex) {
    return shownScale * LengthFactor(system, oldIndex) / LengthFactor(system, newIndex);
}

Real GridSpacingLength(Real spacingPixels, Real drawingScale) {
    return spacingPixels * drawingScale / kPixelsPerInch;
}

Real GridSpacingPixels(Real length, Real drawingScale) {
    const Real pixels = length * kPixelsPerInch / drawingScale;
    return pixels > 0 && std::isfinite(pixels) ? pixels : 1.0L;
}

ShownOrigin ShowOrigin(const Problem& problem) {
    const Real toPix = PixelsPerDrawingUnit(problem.settings.unitSystem);
    return {problem.settings.originX / toPix,
            (problem.view.refHeight - problem.settings.originY) / toPix};
}

void SetOriginFromShown(Problem& problem, const ShownOrigin& origin) {
    const Real toPix = PixelsPerDrawingUnit(problem.settings.unitSystem);
    problem.settings.originX = origin.fromLeft * toPix;
    problem.settings.originY = problem.view.refHeight - origin.fromBottom * toPix;
}

std::optional<Real> FitToWindowFactor(const DrawingBox& box, Real clientWidth, Real clientHeight,
                                      Real share) {
    constexpr Real kMargin = 1.2L;
    const Real u =
        std::max(box.Width() / (clientWidth * share), box.Height() / (clientHeight * share)) *
        kMargin;
    if (!(u > 0) || !std::isfinite(u)) return std::nullopt;
    return u;
}

std::optional<PixelShift> CenteringShift(const DrawingBox& box, Real clientWidth,
                                         Real clientHeight) {
    if (box.Width() > clientWidth || box.Height() > clientHeight) return std::nullopt;
    return PixelShift{(clientWidth - box.Width()) / 2 - box.left,
                      (clientHeight - box.Height()) / 2 - box.top};
}

bool UsableDrawingScale(Real drawingScale) {
    return drawingScale > 0 && std::isfinite(drawingScale);
}

}  // namespace kova

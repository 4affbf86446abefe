// The arithmetic behind the scale, grid and origin fields: how the stored drawing scale,
// grid spacings and origin relate to the values a user edits, and how the shown scale
// follows a change of unit system or length unit so that the physical scale stays.
#pragma once

#include <optional>

#include "model/types.hpp"

namespace kova {

class Problem;

// Drawing pixels per centimetre of drawing in SI, per inch in English.
Real PixelsPerDrawingUnit(Unittype system);

// The scale as shown: the length represented by 1 cm of drawing in SI (DrawingScale /
// 2.54), by 1 in of drawing in English (DrawingScale), in the current length unit.
Real ShownScale(Unittype system, Real drawingScale);
Real DrawingScaleFromShown(Unittype system, Real shownScale);

// The shown scale after the unit system changes with the length unit index kept, such
// that the drawing represents the same physical lengths (1 cm = 1 cm in SI becomes
// 1 in = 0.08333 ft in English).
Real ConvertShownScale(Real shownScale, Unittype oldSystem, Unittype newSystem,
                       int lengthUnitIndex);

// The length unit after `index` when the unit is cycled: 1, 2, ..., 5, then 1 again.
int NextLengthUnitIndex(int index);

// The shown scale after the length unit changes within a system, keeping the physical
// scale (1 cm per cm of drawing becomes 0.01 m per cm).
Real ShownScaleForLengthUnit(Real shownScale, Unittype system, int oldIndex, int newIndex);

// A grid spacing in pixels as a length in the drawing scale's unit, and back. A length
// that gives no positive pixel count becomes one pixel.
Real GridSpacingLength(Real spacingPixels, Real drawingScale);
Real GridSpacingPixels(Real length, Real drawingScale);

// The origin as shown: its distance in cm (SI) or in (English) of drawing from the left
// edge and from the bottom of the window of height refHeight.
struct ShownOrigin {
    Real fromLeft = 0;
    Real fromBottom = 0;
};
ShownOrigin ShowOrigin(const Problem& problem);
// Stores an origin given as shown.
void SetOriginFromShown(Problem& problem, const ShownOrigin& origin);

// The extent of the drawing (nodes and, when shown, text items) in drawing pixels.
struct DrawingBox {
    Real left = 0;
    Real top = 0;
    Real right = 0;
    Real bottom = 0;
    Real Width() const { return right - left; }
    Real Height() const { return bottom - top; }
};

// The factor u by which a drawing shrinks to fill `share` (0..1] of the window with a
// margin: its larger relative extent fills 1/1.2 of the share. Positions become
// (p - origin) / u + origin and the drawing scale is multiplied by u, so problem
// coordinates stay. Nothing when the box has no extent or the window no area.
std::optional<Real> FitToWindowFactor(const DrawingBox& box, Real clientWidth, Real clientHeight,
                                      Real share);

// The shift (dx, dy) that centres the box in a window of the given client size (the
// height less a showing horizontal scroll bar). Nothing when the box does not fit.
struct PixelShift {
    Real dx = 0;
    Real dy = 0;
};
std::optional<PixelShift> CenteringShift(const DrawingBox& box, Real clientWidth,
                                         Real clientHeight);

// Whether a scale can be used: a positive, finite number. A scale of 0 or below would
// make the drawing transform degenerate.
bool UsableDrawingScale(Real drawingScale);

}  // namespace kova

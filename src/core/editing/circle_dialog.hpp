// The circular outline dialog's rules without a window: what it shows when it opens and
// what its OK reads, checks and computes for DrawCircularOutline.
#pragma once

#include <string>

#include "model/number_format.hpp"
#include "model/problem.hpp"

namespace kova {

// The shapes of the dialog's list, and the point counts of its spin box.
enum class CircleShape { Circle = 0, SemiCircle = 1, QuarterCircle = 2 };
inline constexpr int kFewestCirclePoints = 6;
inline constexpr int kMostCirclePoints = 36;
inline constexpr int kCirclePointStep = 2;
inline constexpr int kDefaultCirclePoints = 8;
inline constexpr const char* kDefaultDiameter = "10.0";

// What the dialog shows on opening: the length unit by every field, the axis labels, and
// the centre (the physical position of the given drawing point, three digits).
struct CircleDialogStart {
    std::string unit;
    std::string xLabel;
    std::string yLabel;
    std::string x;
    std::string y;
};
CircleDialogStart StartCircleDialog(const Problem& problem, Real centreX, Real centreY);

// The outcome of OK. On a refusal `field` names the entry left selected (0 diameter,
// 1 x, 2 y) and the message went to the information panel with a beep.
struct CircleDialogResult {
    bool ok = false;
    int field = 0;
    int cType = 0;
    int points = 0;
    Real diameter = 0;  // pixels
    Real centreX = 0;   // drawing pixels
    Real centreY = 0;
};

// OK: the diameter a number > 0, the centre any numbers; then the shape code (0 circle,
// orientation + 1 for a semi-circle, orientation + 5 for a quarter-circle), the point
// count, and the diameter and centre in drawing pixels.
CircleDialogResult CircleDialogOk(Problem& problem, NumberField& diameter, NumberField& x,
                                  NumberField& y, CircleShape shape, int orientation, int points);

}  // namespace kova

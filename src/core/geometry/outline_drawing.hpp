// Drawing closed outlines that become frames: free-form, corner by corner as the user
// clicks them, and circular shapes (circle, semi-circle, quarter-circle). This is the
// model side of the commands; the waits for clicks, the rubber-band lines and the
// circle dialog belong to the desktop program, which hands the clicked positions here.
#pragma once

#include <vector>

#include "geometry/edit_result.hpp"
#include "model/problem.hpp"

namespace kova {

// Corners closer than this (in pixels) to a node are that node: the first corner, and
// every point of a circular outline.
inline constexpr Real kFirstCornerSnap = 12.0L;
// ... and every later corner of a free-form outline.
inline constexpr Real kCornerSnap = 4.0L;

// Shapes of a circular outline (`CType`): 0 circle; 1..4 semi-circle starting at 0, 90,
// 180 or 270 degrees (measured on the screen, clockwise from the right); 5..8
// quarter-circle likewise.
inline constexpr int kCircle = 0;
inline constexpr int kFirstSemiCircle = 1;
inline constexpr int kFirstQuarterCircle = 5;
inline constexpr int kLastCircularShape = 8;

// The command "Outline (free form)": empties the selection, takes the undo snapshot
// "Outline" and places the corners in the order clicked. The first corner snaps to a
// node within 12 pixels, later corners within 4; a corner that breaks a rule is refused
// (beep, "The new node position is invalid.  ") and drawing goes on with the next
// click. Besides the rounded tests, a corner is refused when on the stored positions
// its edge, or the halves of the segment it splits, would cross another segment; a
// first corner refused so leaves the next click to be the first. The outline closes on
// a click on its first corner; the list running out before that cancels the command
// and puts the problem back as it was, segments its corners split included. In a
// cylindrical problem a click left of the axis moves onto it; a first click above the
// drawing (y < 0) cancels, a later one moves down to y = 0. An outline that closes
// but would cut another frame into parts with no common node is refused as a whole
// (beep, the same text, the problem put back). On success `frame` is the new frame,
// which is also the selection.
EditResult DrawFreeFormOutline(Problem& problem, const std::vector<ClickPoint>& corners);

// The command "Outline (circular)" for shape `cType`, `pointCount` arc points, the
// diameter and centre in drawing pixels (as the circle dialog computes them). Empties
// the selection and takes the undo snapshot "Outline". An outline that would cross
// existing segments (on the rounded pixels or on the stored positions) is undone as a
// whole, with the error box "Execution of this command results in crossing outlines.".
// One that would cut another frame into parts with no common node is undone with the
// error box "The new node position is invalid.  ".
EditResult DrawCircularOutline(Problem& problem, int cType, int pointCount, Real diameter,
                               Real centreX, Real centreY);

// Turns the closed vertex list (first vertex repeated last) into frame c = F + 1 with
// the given outline start node: missing edges are made, the geometry rebuilt, the label
// placed, material 0, distributed, the nodes classified, and the frame selected. An
// outline of area 0 is deleted again. Returns c, or 0 for a deleted outline, or
// kOutlineCutsFrameApart for an outline that cuts another frame into parts with no common
// node (one vertex list cannot hold both); the model is then half-changed and the caller
// restores it.
inline constexpr int kOutlineCutsFrameApart = -1;
int CloseOutline(Problem& problem, const std::vector<int>& vertices, int startNode, int c);

// The end of an edge drawn from (x0, y0) to (x, y) while Shift or Ctrl is held:
// horizontal, vertical, or at 45 degrees, whichever is nearest.
ClickPoint LockedEndPoint(Real x0, Real y0, Real x, Real y);

}  // namespace kova

// Drawing closed outlines that become frames: free-form, corner by corner as the user
// clicks them, and circular shapes (circle, semi-circle, quarter-circle). These are the
// operations; the commands that take their undo snapshots are in editing/, and the waits
// for clicks, the rubber-band lines and the circle dialog belong to the desktop program.
#pragma once

#include <memory>
#include <string>
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

// What one click did to a drawing that runs click by click.
enum class ClickStep {
    Placed,   // a corner, or a line's start node, was placed; drawing goes on
    Refused,  // the click broke a rule (beep, message); drawing goes on with the next
    Ignored,  // too close to the line's start to mean anything; nothing changed
    Closed,   // the outline closed, or the line was made
    Ended,    // the click ended the drawing (above the drawing, on nothing, or failed)
};

class FreeFormOutline;

// A free-form outline being drawn, fed one click at a time (see DrawFreeFormOutline for
// the rules). Takes no snapshot: the command that runs it does. After Closed or Ended
// no more clicks are taken and Result() tells the outcome; `putBack` is set when the
// problem must go back to the command's snapshot (a refused or cancelled outline whose
// corners were placed).
class FreeFormOutlineDrawing {
public:
    explicit FreeFormOutlineDrawing(Problem& problem);
    ~FreeFormOutlineDrawing();
    FreeFormOutlineDrawing(const FreeFormOutlineDrawing&) = delete;
    FreeFormOutlineDrawing& operator=(const FreeFormOutlineDrawing&) = delete;

    ClickStep Click(ClickPoint click);
    // Ends the drawing as if the clicks ran out: the outcome of an unfinished outline.
    const EditResult& Cancel();
    bool Over() const { return m_over; }
    // The corners placed so far, as node numbers (the first repeated last once closed).
    const std::vector<int>& Vertices() const;
    // The text the last refused click showed (empty when none).
    const std::string& Message() const;
    const EditResult& Result() const { return m_result; }

private:
    Problem& m_problem;
    int m_c;  // the number the outline gets as a frame
    std::unique_ptr<FreeFormOutline> m_outline;
    bool m_marked = false;   // the problem was marked changed by the first corner
    bool m_started = false;  // the first corner is placed
    bool m_over = false;
    EditResult m_result;
};

// The work of "Outline (free form)" after the undo snapshot: places the corners in the
// order clicked (see DrawFreeFormOutline for the rules). An outline that is cancelled,
// or that closes but would cut another frame into parts with no common node, leaves
// `putBack` set: its corners may have split other outlines' segments, and the caller
// puts the problem back as its snapshot holds it.
EditResult RunFreeFormOutline(Problem& problem, const std::vector<ClickPoint>& corners);

// The work of "Outline (circular)" after the undo snapshot, for a valid shape, point
// count, diameter and centre (see DrawCircularOutline). A refused outline has its error
// box shown, the selection emptied and `putBack` set for the caller.
EditResult RunCircularOutline(Problem& problem, int cType, int n, Real diameter, Real cx, Real cy);

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

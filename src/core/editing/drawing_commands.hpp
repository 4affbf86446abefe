// The drawing commands of the input window: free-form and circular outlines, and
// element lines. Each takes its undo snapshot, runs the geometry operation and puts the
// problem back whole when the operation refuses or fails.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "geometry/edit_result.hpp"
#include "geometry/element_lines.hpp"
#include "geometry/outline_drawing.hpp"  // the shapes of a circular outline
#include "model/problem.hpp"

namespace kova {

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

// "Outline (free form)" as the input window runs it, one click at a time. Begin empties
// the selection and takes the undo snapshot "Outline"; it returns false, with the frame
// limit's message, when no frame may be added (the command is then over). Each click
// is placed, refused (beep, message; drawing goes on), closes the outline or ends the
// command. Cancel, or a click that ends the command with no frame made, leaves the
// problem and the undo list as they were before Begin. A failure half-way (out of
// memory) puts the problem back to the snapshot and shows message 2.
class FreeFormOutlineCommand {
public:
    explicit FreeFormOutlineCommand(Problem& problem) : m_problem(problem) {}
    ~FreeFormOutlineCommand();
    FreeFormOutlineCommand(const FreeFormOutlineCommand&) = delete;
    FreeFormOutlineCommand& operator=(const FreeFormOutlineCommand&) = delete;

    bool Begin();
    ClickStep Click(ClickPoint click);
    const EditResult& Cancel();
    bool Over() const { return m_over; }
    // The corners placed so far (node numbers); empty before the first.
    const std::vector<int>& Vertices() const;
    const EditResult& Result() const { return m_result; }

private:
    // Ends the command; an outline that never closed leaves no snapshot behind.
    void End(const EditResult& result, bool closed);

    Problem& m_problem;
    std::unique_ptr<FreeFormOutlineDrawing> m_drawing;
    std::size_t m_undoDepth = 0;  // the undo list's length before the snapshot
    bool m_showNumbers = false;   // node numbers are hidden while the outline is drawn
    bool m_over = true;
    EditResult m_result;
};

// "Element Lines" as the input window runs it, one click at a time. Begin empties the
// selection and takes the undo snapshot "Lines". A start click places the line's start
// node (or ends the command on nothing); end clicks are ignored, refused or make the
// line. Cancel ends the command; the lines made so far stay, and one Undo takes them
// all back.
class ElementLinesCommand {
public:
    explicit ElementLinesCommand(Problem& problem) : m_problem(problem), m_drawing(problem) {}
    ~ElementLinesCommand();
    ElementLinesCommand(const ElementLinesCommand&) = delete;
    ElementLinesCommand& operator=(const ElementLinesCommand&) = delete;

    void Begin();
    ClickStep Click(ClickPoint click);
    const EditResult& Cancel();
    bool Over() const { return m_over; }
    // The start node of the line waiting for its end; empty at a start click.
    const std::vector<int>& Vertices() const { return m_drawing.Vertices(); }
    const EditResult& Result() const { return m_result; }

private:
    Problem& m_problem;
    ElementLineDrawing m_drawing;
    bool m_over = true;
    EditResult m_result;
};

// The command "Outline (circular)" for shape `cType`, `pointCount` arc points, the
// diameter and centre in drawing pixels (as the circle dialog computes them). Empties
// the selection and takes the undo snapshot "Outline". An outline that would cross
// existing segments (on the rounded pixels or on the stored positions) is undone as a
// whole, with the error box "Execution of this command results in crossing outlines.".
// One that would cut another frame into parts with no common node is undone with the
// error box "The new node position is invalid.  ".
EditResult DrawCircularOutline(Problem& problem, int cType, int pointCount, Real diameter,
                               Real centreX, Real centreY);

// The command "Element Lines": empties the selection, takes the undo snapshot "Lines"
// and reads the clicks in order. A start click on a node (or on a segment, which gets a
// new node there) begins a line; a start click on neither ends the command, and so
// does one whose new node would leave the split segment's halves crossing another
// segment (with the beep and the message below, nothing kept). The next click ends the
// line: ignored within 6 pixels of the start; refused with a beep and "The endpoint
// must be in the same outline and not cross other lines" when the line crosses a
// segment (on the rounded pixels or on the stored positions), runs along one, already
// exists, or has its midpoint outside every distributed frame (drawing goes on with the
// next click as another try; nothing of the refused line stays). The list
// running out ends the command; lines made so far stay. `count` is the number of lines
// made and `segment` the last of them.
EditResult ElementLines(Problem& problem, const std::vector<ClickPoint>& clicks);

}  // namespace kova

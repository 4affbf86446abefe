// Element lines: single straight segments drawn inside a distributed frame, by which the
// user divides a frame into triangular elements by hand. This is the model side of the
// command; the waits for clicks and the rubber band belong to the desktop program.
#pragma once

#include <vector>

#include "geometry/edit_result.hpp"
#include "geometry/outline_drawing.hpp"  // ClickStep
#include "model/problem.hpp"

namespace kova {

// A start click snaps to a node within this many pixels, and so does an end click.
inline constexpr Real kElementLineSnap = 8.0L;

// Element lines being drawn, fed one click at a time (see ElementLines for the rules):
// a start click (Placed, or Ended on nothing), then end clicks until a line is made
// (Closed) or the drawing ends. Takes no snapshot. Finish settles the frames whose
// boundary a line end split, classifies the nodes, empties the selection and gives the
// outcome; lines made so far stay.
class ElementLineDrawing {
public:
    explicit ElementLineDrawing(Problem& problem) : m_problem(problem) {}

    ClickStep Click(ClickPoint click);
    const EditResult& Finish();
    bool Over() const { return m_over; }
    // The start node of the line waiting for its end, or nothing while a start click
    // is awaited.
    const std::vector<int>& Vertices() const { return m_start; }

private:
    Problem& m_problem;
    std::vector<int> m_start;
    bool m_failedBefore = false;  // the last end click was refused
    bool m_over = false;
    bool m_finished = false;
    EditResult m_result;
};

// The work of "Element Lines" after its undo snapshot: reads the clicks in order (see
// ElementLines for the rules), then settles the frames whose boundary a line end split,
// classifies the nodes and empties the selection. `ok` when a line was made.
EditResult RunElementLines(Problem& problem, const std::vector<ClickPoint>& clicks);

}  // namespace kova

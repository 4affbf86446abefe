// Element lines: single straight segments drawn inside a distributed frame, by which the
// user divides a frame into triangular elements by hand. This is the model side of the
// command; the waits for clicks and the rubber band belong to the desktop program.
#pragma once

#include <vector>

#include "geometry/edit_result.hpp"
#include "model/problem.hpp"

namespace kova {

// A start click snaps to a node within this many pixels, and so does an end click.
inline constexpr Real kElementLineSnap = 8.0L;

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

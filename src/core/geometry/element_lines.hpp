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

// The work of "Element Lines" after its undo snapshot: reads the clicks in order (see
// ElementLines for the rules), then settles the frames whose boundary a line end split,
// classifies the nodes and empties the selection. `ok` when a line was made.
EditResult RunElementLines(Problem& problem, const std::vector<ClickPoint>& clicks);

}  // namespace kova

// Reposition Nodes, the model's side: the command that starts node dragging, and moving
// one node to a new position with the checks that keep the drawing valid. The dragging
// itself (rubber lines, Shift and Ctrl locks, Esc) belongs to the input window.
#pragma once

#include "model/problem.hpp"

namespace kova {

// The "Reposition Nodes" command: takes the undo snapshot "Reposition Nodes", makes the
// nodes visible and shows message 54 in the information panel. The input window then
// switches to node dragging.
void RepositionMClick(Problem& problem);

// Whether node k may stay where it is now: not left of the axis in a cylindrical
// problem, none of its segments crosses another segment, it lies on no segment that does
// not end at it, and no other node lies within 4 pixels.
bool NodePositionValid(Problem& problem, int k);

// Whether moving node k from (oldX, oldY) to where it is now keeps every triangle of
// segments at k the right way round: a triangle that would turn over (or collapse)
// would overlap its neighbours even though no segment crosses another.
bool KeepsTrianglesUpright(const Problem& problem, int k, Real oldX, Real oldY);

// Puts node k at (x, y) at the end of a drag. When the position is valid the area
// factors (cylindrical), every frame's outline and geometry are brought up to date and
// the node is inserted into a segment it lies on; otherwise the error box shows message
// 101 and the node goes back. Returns whether the node moved.
bool MoveNode(Problem& problem, int k, Real x, Real y);

}  // namespace kova

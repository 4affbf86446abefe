// The checks that keep the drawing valid when a node is moved to a new position; the
// commands that start node dragging and move a node are in editing/.
#pragma once

#include "model/problem.hpp"

namespace kova {

// Whether node k may stay where it is now: not left of the axis in a cylindrical
// problem, none of its segments crosses another segment, it lies on no segment that does
// not end at it, and no other node lies within 4 pixels.
bool NodePositionValid(Problem& problem, int k);

// Whether moving node k from (oldX, oldY) to where it is now keeps every triangle of
// segments at k the right way round: a triangle that would turn over (or collapse)
// would overlap its neighbours even though no segment crosses another.
bool KeepsTrianglesUpright(const Problem& problem, int k, Real oldX, Real oldY);

}  // namespace kova

// The operations of Subtract, which turns a frame nested in another into a hole, and
// Remove Mesh, which takes every element line and interior node away again. The commands
// that take their undo snapshots are in editing/.
#pragma once

#include "geometry/edit_result.hpp"
#include "model/problem.hpp"

namespace kova {

// The work of "Subtract" on frame k after its undo snapshot: when k lies wholly inside
// one other frame, its element lines and interior nodes go and it becomes a hole
// (subtracted, lumped, lump initial value unspecified); otherwise it is deleted. The
// selection ends empty. `frame` is the frame made a hole (0 when it was deleted).
EditResult RunSubtract(Problem& problem, int k);

// The work of "Remove Mesh" after its undo snapshot: removes every element line and
// every node that no outline uses, and joins the two halves of a straight outline edge
// at a vertex that lies exactly on it (when nothing tells the halves apart). `count` is
// the number of nodes removed.
EditResult RunRemoveMesh(Problem& problem);

}  // namespace kova

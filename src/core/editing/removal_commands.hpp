// The commands that take parts of the drawing away: Delete, Subtract and Remove Mesh.
// Each takes its undo snapshot, runs the geometry operation and puts the problem back
// whole when the operation fails.
#pragma once

#include <string_view>

#include "geometry/edit_result.hpp"
#include "model/problem.hpp"

namespace kova {

// The Delete command: the undo snapshot of the kind ("Delete Outline", "Delete Node" or
// "Delete Line"), then DeleteSelectedItems.
EditResult DeleteSelection(Problem& problem);

inline constexpr std::string_view kRemoveMeshQuestion =
    "Remove the mesh from all frames?  (Undo can be used to reverse this command.)";

// The command "Subtract" on a Frames selection (offered when more than one frame exists
// and the first selected frame is not subtracted yet): takes the undo snapshot
// "Subtract Outline". When the first selected frame lies wholly inside one other frame,
// its element lines and interior nodes go and it becomes a hole (subtracted, lumped,
// lump initial value unspecified); otherwise it is deleted. The selection ends empty.
// `frame` is the frame made a hole (0 when it was deleted).
EditResult SubtractFrame(Problem& problem);

// The work of "Remove Mesh" after the question was answered Yes: takes the undo
// snapshot "Remove Mesh", removes every element line and every node that no outline
// uses, and joins the two halves of a straight outline edge at a vertex that lies
// exactly on it (when nothing tells the halves apart). `count` is the number of nodes
// removed.
EditResult RemoveMesh(Problem& problem);

// The menu command: asks kRemoveMeshQuestion (Yes, No) and runs RemoveMesh on Yes.
EditResult RemoveMeshCommand(Problem& problem);

}  // namespace kova

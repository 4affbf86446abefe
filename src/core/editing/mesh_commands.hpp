// The mesh commands: Auto Mesh, Reduce Mesh, Reposition Nodes and moving a node at the
// end of a drag. Each takes its undo snapshot (moving a node belongs to the snapshot of
// Reposition Nodes), runs the mesh operations and puts the problem back whole when they
// refuse or fail. The dragging itself (rubber lines, Shift and Ctrl locks, Esc) belongs
// to the input window.
#pragma once

#include <string_view>

#include "mesh/auto_mesh.hpp"
#include "mesh/reduce_mesh.hpp"
#include "model/problem.hpp"

namespace kova {

inline constexpr std::string_view kAutoMeshQuestion =
    "It is recommended that you set the boundary conditions before reducing the mesh. "
    "Continue with automesh?";

// Whether the recommendation question was asked in this program run; the application
// owns one for the whole run.
struct AutoMeshPrompt {
    bool asked = false;
};

// The "Auto Mesh" command. On its first use in a run, while fewer than two
// specifications exist, asks whether to go on; No cancels (returns false). Otherwise runs
// AutoMesh and returns true.
bool AutoMeshClick(Problem& problem, AutoMeshPrompt& prompt, AutoMeshResult* result = nullptr);

// Meshes the frames of a frame selection, or every frame when no frames are selected.
// One undo step ("AutoMesh") reverts the whole command; a frame that cannot be meshed is
// reported and left as it was.
AutoMeshResult AutoMesh(Problem& problem);

// Reduce Mesh: takes the undo snapshot "Reduce Mesh", builds the elements, refines them
// (the chosen frames of a frame selection, otherwise all), then classifies the nodes and
// rebuilds every frame's outline and geometry. On any refusal nothing changes. Elements
// that enclose another node (the builder can take three segments around a node for an
// element) are refused with message 19 rather than refined into crossing lines. When a
// node or segment cannot be added part way, the reduction is taken back whole and
// message 21 is shown, so that no half-refined mesh is left.
ReduceOutcome ReduceMesh(Problem& problem, const MeshProgress& progress = {});

// The menu command: ReduceMesh, then the selection is emptied (state None) unless it
// holds the segments the element builder marked.
ReduceOutcome ReducemeshMClick(Problem& problem, const MeshProgress& progress = {});

// The "Reposition Nodes" command: takes the undo snapshot "Reposition Nodes", makes the
// nodes visible and shows message 54 in the information panel. The input window then
// switches to node dragging.
void RepositionMClick(Problem& problem);

// Puts node k at (x, y) at the end of a drag. When the position is valid the area
// factors (cylindrical), every frame's outline and geometry are brought up to date and
// the node is inserted into a segment it lies on; otherwise the error box shows message
// 101 and the node goes back. Returns whether the node moved.
bool MoveNode(Problem& problem, int k, Real x, Real y);

}  // namespace kova

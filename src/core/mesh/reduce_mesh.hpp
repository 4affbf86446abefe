// Mesh reduction: an existing triangular mesh is made finer. Without a frame selection
// every element is divided into four at its edge midpoints; with one, the elements of
// the chosen frames get a centroid and are divided into up to six, while the meshes of
// the other frames stay untouched and conforming. Split boundary segments keep their
// boundary conditions, and new boundary nodes get sensible specified values.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "model/problem.hpp"

namespace kova {

// The most nodes a reduction may leave.
inline constexpr int kMaxNodes = kNodeLimit;
// The most elements a reduction may leave: the element table has room for twice as many
// elements as there are nodes.
inline constexpr int kMaxElements = 2 * kMaxNodes;

inline constexpr std::string_view kCheckingConfigurationText =
    "Checking problem configuration...  Please wait...";
inline constexpr std::string_view kReducingMeshText = "Reducing mesh.  Please wait...";

// "The maximum number of allowable nodes in this implementation is 20000.  This action
// attempts to exceed the limit."
std::string MaxNodesMessage();

enum class ReduceOutcome {
    Reduced,        // the mesh was refined
    NotTriangular,  // the segments do not form triangular elements (reported)
    NodeLimit,      // refused: the node limit would be passed (reported)
    ElementLimit,   // refused: the element limit would be passed (reported with message 22)
    NoMemory,       // working storage could not be had (reported); nothing changed
};

// Told the share of the elements done, 0..100, while the mesh is refined.
using MeshProgress = std::function<void(int percent)>;

// How far a reduction got, for the caller that puts the problem back.
struct ReduceProgress {
    bool snapshotTaken = false;  // set by the caller once its restore point exists
    bool reducing = false;       // the refinement itself had begun
    bool takeBack = false;       // a node or segment could not be added part way
};

// The work of Reduce Mesh after its undo snapshot: builds the elements, refines them
// (the chosen frames of a frame selection, otherwise all), then classifies the nodes and
// rebuilds every frame's outline and geometry. On any refusal nothing changes. Elements
// that enclose another node (the builder can take three segments around a node for an
// element) are refused with message 19 rather than refined into crossing lines. When a
// node or segment cannot be added part way, `takeBack` is set and NoMemory returned: the
// caller takes the whole reduction back, so that no half-refined mesh is left. Throws
// std::bad_alloc when memory runs out part way.
ReduceOutcome ReduceMeshSteps(Problem& problem, const MeshProgress& progress, ReduceProgress& done);

// The value specification of a midpoint between nodes specified by s and t: s when both
// are the same; none (0) when either is an expression or does not exist; otherwise the
// shared constant kind-1 specification of the mean of the two values.
int MergeSpecs(Problem& problem, int s, int t);

}  // namespace kova

// Automatic mesh generation: frames holding distributed material are divided into
// triangles by element lines (and new nodes where useful). A compact frame without
// element lines becomes a fan around a new centre node; every other frame is ear-clipped
// along its outline, with at most one hole. Elements themselves are not made here: the
// element builder recognises the triangles from the segments.
#pragma once

#include <string>
#include <vector>

#include "mesh/restore_points.hpp"
#include "model/problem.hpp"

namespace kova {

// The fan is tried only for frames whose boundary nodes' bounding box has a height to
// width ratio within this window.
inline constexpr Real kFanAspectMin = 0.5L;
inline constexpr Real kFanAspectMax = 2.0L;
// An outline segment longer than this many times the shortest outline segment of its
// frame is halved (repeatedly) before ear clipping when every frame is meshed.
inline constexpr Real kSplitFactor = 4.0L;
// Passes of the ear clipper over its polygon list.
inline constexpr int kEarClipPassLimit = 26;
// Distance of the two test points beside a candidate segment's midpoint; the test points
// of a horizontal or vertical segment lie one unit further out.
inline constexpr Real kEarSideOffset = 4.0L;

// "Unable to automesh frame " f ".  Use the Element Lines ..." for frame f.
std::string UnableToAutomeshMessage(int f);

struct AutoMeshResult {
    std::vector<int> meshed;  // frames divided into triangles, in the order meshed
    std::vector<int> failed;  // frames reported as impossible to mesh
};

// Meshes the frames of a frame selection, or every frame when no frames are selected; a
// frame that cannot be meshed is reported and left as it was. `points` holds the state
// before the operation as its newest point: each attempt that fails goes back to the
// newest point, and a meshed frame becomes the next one. The points pushed here are all
// dropped again at the end.
AutoMeshResult AutoMeshFrames(Problem& problem, RestorePoints& points);

// The pieces of AutoMeshFrames. FanMesh and EarClipFrame go back to the newest of
// `points` when they fail, as AutoMeshFrames arranges.

// A fan of element lines from a new node at the mean of the boundary nodes. Fails,
// leaving the frame as it was, when the frame is not compact, its centre lies outside
// it, it has a hole, or a spoke would cross a segment.
bool FanMesh(Problem& problem, int f, RestorePoints& points);

// Halves every outline segment of frame f longer than 4 times the shortest one, until
// no piece is longer; the pieces keep the side frames and boundary conditions. Vertex
// lists are not rebuilt here.
void SplitLongSegments(Problem& problem, int f);

// Ear-clips frame f (with its one hole as two halves joined by bridges). False when it
// cannot: segments made so far stay; the caller restores its snapshot.
bool EarClipFrame(Problem& problem, int f, RestorePoints& points);

// The frames that are holes of f: other frames whose every boundary segment has f on its
// other side.
std::vector<int> HolesOf(const Problem& problem, int f);

// Among frame g's distinct outline vertices, the node nearest to node p (the first found
// wins a tie); 0 when g has no outline.
int Nearest(const Problem& problem, int p, int g);

}  // namespace kova

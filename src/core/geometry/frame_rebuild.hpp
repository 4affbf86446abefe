// Rebuilding frames from their segments: the outline walk that makes a frame's vertex
// list, and the geometry that follows from the vertex lists — pixel polygons, regions,
// nesting, net areas and volumes, and the drawing order.
#pragma once

#include <vector>

#include "model/problem.hpp"

namespace kova {

enum class OutlineResult {
    Rebuilt,     // the vertex list was replaced by the walked outline
    Degenerate,  // fewer than three boundary segments (or three distinct vertices)
    Unchanged,   // no such frame, or the walk could not be made
};

// Rebuilds frame k's vertex list from the segments that have k on exactly one side
// (k greater than N is taken as k - N, the numbering of lump selections). A degenerate
// frame gets an empty vertex list, so that it refers to no node, and becomes the
// selection (state Frames) for the caller to delete.
OutlineResult RebuildOutline(Problem& problem, int k);

// Recomputes frame k's pixel polygon, bounding rectangle, area and volume, and with them
// the regions and nesting of all frames: a frame's region is its outline less the
// outlines of the frames nested directly in it, and its area and volume are net of
// those frames. With propagate, the segments of every frame that holds frame k get their
// side frames probed again. Ends with the drawing order.
void RebuildFrameGeometry(Problem& problem, int k, bool propagate);

// Rebuilds every frame's outline, then the geometry of all of them. Returns the frames
// found degenerate (empty vertex lists); they are the selection when there are any.
std::vector<int> RebuildAllFrames(Problem& problem);

// After a problem file or an undo snapshot was read: recomputes what the stream does not
// hold meaningfully: every frame's pixel polygon, bounding rectangle, region, nesting, net
// area and volume, the drawing order, and the area factors of a cylindrical problem.
void RebuildLoadedGeometry(Problem& problem);

// The frames that hold frame k (every level of nesting), from the current pixel
// polygons; empty when k holds no valid outline.
std::vector<int> FramesHolding(const Problem& problem, int k);

// The innermost frame that holds frame k (the one its area is subtracted from), or 0.
int EnclosingFrame(const Problem& problem, int k);

}  // namespace kova

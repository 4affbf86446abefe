// Removing nodes, segments and frames. Numbers stay dense: the last node or frame moves
// into the freed place and every reference follows it — segments, vertex lists and
// outline start nodes, node selections and groups, lump selections (frame + N),
// singular points and the plotted nodes. Value specifications and initial values stay
// with the node records.
#pragma once

#include <vector>

#include "geometry/edit_result.hpp"
#include "model/problem.hpp"

namespace kova {

// Gives the segments their own numbers 1..L in list order (the list keeps its links
// itself).
void RelinkLineList(Problem& problem);

// Removes node a, which no segment uses any more. Vertex-list entries of a become -a
// until the next outline walk; a singular point on a and a plotted or selected node a
// are dropped.
void RemoveNode(Problem& problem, int a);

// Removes one segment and each end node that no segment uses any more.
void RemoveSegment(Problem& problem, LineSegment* segment);

// Deletes frame k: the last frame takes its number; its mesh lines and the segments
// between it and the frame that takes over its place (the exterior when it borders the
// exterior, else the frame around it) go, with the nodes no segment uses any more; its
// other segments get that frame on their side and lose their specifications.
void DeleteFrame(Problem& problem, int k);

// Deletes node a, an end of at most two segments: a triangle that loses a corner is
// deleted, otherwise the node's two neighbours are joined by one straight segment.
void DeleteNode(Problem& problem, int a);

// The deletion of the selected frames, lumps, nodes or segments without undo snapshots,
// for commands that have taken their own. Ends with the selection empty, the frames
// rebuilt (frames left without a closed outline deleted) and the nodes classified.
// Returns false, changing nothing, when the selection holds nothing that can be deleted
// (a node that is an end of more than two segments cannot).
bool DeleteSelectedItems(Problem& problem);

// Whether the selection holds something that can be deleted: a frame or lump, a line
// segment, or nodes none of which is an end of more than two segments.
bool CanDelete(const Problem& problem);

// Rebuilds every frame's outline and geometry; frames whose outline is degenerate or no
// longer closed by boundary segments, or with a boundary segment on no outline (an open
// part beside a closed one), are deleted, until none is left. Returns how many
// frames were deleted. The selection is kept.
int SettleFrames(Problem& problem);

// Walks the outline again of every frame whose vertex list no longer follows its
// segments (a split put a node into one of its edges), then rebuilds the geometry of all
// frames. The selection is kept.
void RefreshSplitOutlines(Problem& problem);

// Whether every consecutive pair of frame k's vertices is joined by a segment with k on
// exactly one side, no segment twice.
bool OutlineClosedBySegments(const Problem& problem, int k);

// For each frame (index 1..F), whether a segment with it on one side lies on neither
// side's outline. A frame pinched at a node whose one part lost a segment keeps its
// other part closed, so its walk closes; the open part's segments are then on no
// outline, and the frame's boundary is as broken as an outline opened anywhere else.
// Frames with an empty outline (degenerate) count as covering their segments.
std::vector<bool> FramesWithStrayBoundary(const Problem& problem);

// Number of segments that end at node n.
int SegmentCountAt(const Problem& problem, int n);

}  // namespace kova

// Segment operations shared by the mesh commands: making an element line inside a frame,
// and halving a segment at a new node while its boundary conditions and the saved
// selection groups that hold it follow.
#pragma once

#include "model/problem.hpp"

namespace kova {

// Current value given to every node the mesh commands create.
inline constexpr Real kNewNodeValue = 100.0L;

// Appends an element line between nodes a and b inside frame f: smaller node first, f on
// both sides, active, no specifications, its area factor, own number = the new segment
// count. Null when a equals b, a node does not exist or no memory could be had.
LineSegment* CreateInteriorSegment(Problem& problem, int a, int b, int f);

// Adds a node at (x, y) for a mesh command: current value 100, active, free, with the
// given initial value. 0 when the node could not be added (reported by AddNode).
int AddMeshNode(Problem& problem, Real x, Real y, Real initialValue);

// Splits `segment` at node m: the segment keeps its first node and ends at m; a new
// segment with a copy of every other field (side frames, specifications, flags and
// marks) joins m and the old second node. Both get their own area factors and ascending
// node order. Saved groups that hold the segment get the new one beside it (on the side
// where their chain continues); node groups that hold both old ends get m after the
// first of them. Returns the new segment, or null (nothing changed) when no memory
// could be had.
LineSegment* SplitSegment(Problem& problem, LineSegment& segment, int m);

// Whether the straight line from node a to node b crosses a segment that does not end at
// a or b, or passes through a node other than a and b, in exact arithmetic on the node
// positions. The drawing commands' crossing test forgives crossings within a few pixels
// of an end; a mesh line must not cross anything at all.
bool CrossesAnySegment(const Problem& problem, int a, int b);

// Keeps the saved selection groups whole after a segment from oldA to oldB was cut at
// node m into `kept` (still in the groups) and `added`: segment groups holding `kept` get
// `added` beside it, on the side where the chain continues from oldB; node groups that
// hold both oldA and oldB get m after the first of them.
void KeepGroupsWhole(Problem& problem, const LineSegment* kept, LineSegment* added, int oldA,
                     int oldB, int m);

}  // namespace kova

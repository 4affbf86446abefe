// Small builders for drawings in tests: nodes, segments and frames made the way the
// outline commands make them, with their geometry rebuilt.
#pragma once

#include <vector>

#include "model/problem.hpp"

namespace kova::testing {

struct Corner {
    Real x = 0;
    Real y = 0;
};

// The node at exactly (x, y), added when there is none.
int NodeAt(Problem& problem, Real x, Real y);

// A new frame whose outline runs through the corners in order (closed automatically),
// drawn inside frame `enclosing` (0: the exterior). Corners on existing nodes share
// them; edges along existing segments share those, and the side that was `enclosing`
// becomes the new frame. The frame's geometry is rebuilt with propagation. Returns the
// new frame number, or 0 when 60 frames exist already.
int AddFrame(Problem& problem, const std::vector<Corner>& corners, int enclosing = 0);

// A rectangle frame with corners (left, top) and (right, bottom), corners in the order
// top left, top right, bottom right, bottom left.
int AddRectangleFrame(Problem& problem, Real left, Real top, Real right, Real bottom,
                      int enclosing = 0);

// A fresh segment between two nodes with the given side frames (for hand-made
// topologies such as element lines).
LineSegment& AddSegment(Problem& problem, int a, int b, int frameA, int frameB);

// Number of segments that have node n as an end.
int SegmentsAtNode(const Problem& problem, int n);

}  // namespace kova::testing

// Exact predicates on node positions. Nodes are stored at fractional pixel positions;
// whether two segments between them cross must not depend on rounding, or a test could
// pass an edge that crosses another by a hair. The orientation is computed as an exact
// sum of floating-point products (error-free transformations), so its sign is right for
// any finite coordinates that do not underflow.
#pragma once

#include "geometry/region.hpp"
#include "model/types.hpp"

namespace kova {

struct ExactPoint {
    Real x = 0;
    Real y = 0;
};

// Sign of the turn from a to b to c (+1, -1, or 0 when the three points lie exactly on
// one line), with the same sense as Orientation on pixel points.
int ExactOrientation(ExactPoint a, ExactPoint b, ExactPoint c);

// Whether p lies on the closed segment a-b, exactly.
bool ExactOnSegment(ExactPoint p, ExactPoint a, ExactPoint b);

// How two closed segments meet, exactly.
SegmentContact ClassifyExact(ExactPoint p1, ExactPoint p2, ExactPoint q1, ExactPoint q2);

}  // namespace kova

// The geometric operations every geometry change relies on: finding nodes and segments
// near a point, making and splitting segments with their side frames, testing a new
// edge for crossings, and finding the frames that hold a point. All positions are
// input-window pixels, the coordinates nodes are stored in.
#pragma once

#include <cstdint>

#include "model/problem.hpp"

namespace kova {

// Side frames of a segment that has just been made and not yet assigned.
inline constexpr std::int32_t kUnassignedFrame = -9;

// Radius of the search for an existing vertex and the side distance of the probe points.
inline constexpr Real kProbeDistance = 3.0L;

// v lies between a and b with a tolerance (5 pixels unless given).
bool Between(Real v, Real a, Real b, Real tolerance = 5.0L);

// The node nearest to (x, y): with radius <= 0 the highest-numbered node within 1e-4 in
// both coordinates; otherwise the nearest node closer than `radius` (the lower number on
// equal distances). When a node is found, (x, y) becomes its exact position. 0 when none.
int FindNodeNear(const Problem& problem, Real& x, Real& y, Real radius);

// The segment joining nodes a and b, or null (also when a equals b).
LineSegment* FindSegment(Problem& problem, int a, int b);
const LineSegment* FindSegment(const Problem& problem, int a, int b);

struct NearSegmentResult {
    bool near = false;
    Real px = 0;  // the point's projection onto the segment
    Real py = 0;
};

// Whether (x, y) lies within 5 pixels of the segment, with its projection.
NearSegmentResult PointNearSegment(const Problem& problem, const LineSegment& segment, Real x,
                                   Real y);

struct SegmentThroughResult {
    LineSegment* segment = nullptr;
    Real px = 0;
    Real py = 0;
};

// The segment through (x, y) whose projection is nearest, ignoring segments that end at
// node k, inactive segments, and element lines unless element lines are displayed.
SegmentThroughResult FindSegmentThrough(Problem& problem, Real x, Real y, int k);

struct TestPointPair {
    Real x1 = 0, y1 = 0;  // one side of the segment
    Real x2 = 0, y2 = 0;  // the other side
};

// Two points at distance d on either side of the segment's midpoint; `scale` is the
// size factor of a drawing made for printing or copying (1 on the screen).
TestPointPair TestPoints(const Problem& problem, const LineSegment& segment, Real d,
                         Real scale = 1.0L);

// Sets the segment's side frames to the frames at its two test points at distance 3.
void ProbeSides(Problem& problem, LineSegment& segment);

// The segment between nodes a and b, made when missing (smaller node first, side frames
// -9, active, no specifications, its area factor). With probe its side frames are
// recomputed. Null when a equals b or no segment could be allocated (reported).
LineSegment* FindOrCreateSegment(Problem& problem, int a, int b, bool probe);

// Inserts node k into the segment it lies on (within 5 pixels): the segment is replaced
// by two with the same side frames and specifications, and the node moves onto it and
// takes the segment's specified-value marker. Returns whether a segment was split. A node
// on the outline of a frame that borders the segment is not inserted (that frame's
// outline would pass through it twice), except where that outline is `drawnFrame`'s,
// the outline being drawn: its new corner then touches the frame beside it, as an
// island may.
bool SplitSegmentAtNode(Problem& problem, int k, int drawnFrame = 0);

struct CrossingResult {
    bool pass = true;
    Real xe = 0;  // the end point, moved onto the end segment when one was found
    Real ye = 0;
    LineSegment* endSegment = nullptr;
};

// Tests a new edge from (xs, ys) to (xe, ye) against every segment but `ignored`. The
// end point snaps onto the first segment (list order) it lies near, unless `snapEnd` is
// false: an edge that ends at a node ends there, near a segment or not. The edge fails
// when it crosses a segment more than 4 pixels from both of its ends, or runs along one
// (within a pixel over more than a pixel of its length).
CrossingResult CrossingCheck(Problem& problem, const LineSegment* ignored, Real xs, Real ys,
                             Real xe, Real ye, bool snapEnd = true);

// Whether (x, y), rounded, lies in frame k: in its region, or in its pixel polygon while
// it has none. Frames outside 1..F hold no point.
bool PointInFrame(Problem& problem, int k, Real x, Real y);

// The highest-numbered frame holding the point; 0 (the exterior) when none.
int FrameAtPoint(Problem& problem, Real x, Real y);

struct FramePair {
    int first = 0;   // the highest-numbered frame holding the point
    int second = 0;  // the lowest-numbered other one
};
FramePair FramesAtPoint(Problem& problem, Real x, Real y);

struct IslandResult {
    bool island = false;
    int enclosing = 0;
};

// Whether frame k lies wholly inside one other frame: every segment with k on exactly
// one side has that same frame, not the exterior, on its other side.
IslandResult FrameIsland(const Problem& problem, int k);

// The position of a cylindrical problem's axis in drawing pixels.
Real AxisX(const Problem& problem);

// In a cylindrical problem a position left of the axis is moved onto it; returns
// whether x changed.
bool KeepRightOfAxis(const Problem& problem, Real& x);

// Whether a node lies on the axis (its x rounded equals the axis position rounded).
bool NodeOnAxis(const Problem& problem, int node);

// Whether another frame may be made; when 60 frames exist, the error box shows message 4
// and the answer is no.
bool CheckFrameLimit(Problem& problem);

}  // namespace kova

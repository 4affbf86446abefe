// Polygon regions in drawing pixels and the exact integer predicates behind them.
//
// A Region is the union of its outline polygons, combined with the winding rule
// (a point is inside when the sum of the polygons' winding numbers around it is not
// zero), minus the interiors of its hole polygons. Points on an outline count as
// inside; points on a hole's outline stay inside, so that a frame's own outline belongs
// both to the frame and to the frame around it. Every test works on integer pixel
// coordinates with 128-bit products, so its answer never depends on rounding.
#pragma once

#include <cstdint>
#include <vector>

#include "model/records.hpp"

namespace kova {

using PixelPolygon = std::vector<PixelPoint>;

// Sign of the turn from a to b to c: +1 when c lies to the left of the directed line
// a->b in a frame with y growing upwards (to the right on the screen, where y grows
// downwards), -1 on the other side, 0 when the three points are collinear.
int Orientation(PixelPoint a, PixelPoint b, PixelPoint c);

// Whether p lies on the closed segment a-b (a point when a equals b).
bool OnSegment(PixelPoint p, PixelPoint a, PixelPoint b);

// How two closed segments meet.
enum class SegmentContact : std::uint8_t {
    None,     // no common point
    Touch,    // one common point that is an end of at least one of them
    Cross,    // one common point inside both
    Overlap,  // collinear with a common stretch of positive length
};
SegmentContact ClassifySegments(PixelPoint p1, PixelPoint p2, PixelPoint q1, PixelPoint q2);

enum class PointLocation : std::uint8_t { Outside, OnBoundary, Inside };

// Where a point lies relative to a polygon under the winding rule. The polygon may be
// given open or closed (its first point repeated last); it may touch itself.
PointLocation LocatePoint(const PixelPolygon& polygon, PixelPoint p);

// The same for a point with coordinates (x / scale, y / scale), scale 1 or 2, which lets
// callers test edge midpoints exactly.
PointLocation LocateScaledPoint(const PixelPolygon& polygon, std::int64_t x, std::int64_t y,
                                int scale);

// Twice the signed area of a polygon (positive when it runs counter-clockwise in a frame
// with y growing upwards), exact.
long double SignedDoubleArea(const PixelPolygon& polygon);

// The region of one polygon (winding fill). A polygon with fewer than three distinct
// points gives the empty region.
Region PolygonRegion(const PixelPolygon& polygon);

// Whether a point lies in the region: on or inside its outlines (winding rule) and not
// strictly inside any hole.
bool PointInRegion(const Region& region, PixelPoint p);

// `a` minus everything inside the outlines of `b` (b's own holes are not given back to
// a). An empty b leaves a as it is.
Region RegionDifference(const Region& a, const Region& b);

// Moves every point of the region by (dx, dy); coordinates stay within the int32 range.
void OffsetRegion(Region& region, std::int32_t dx, std::int32_t dy);

// Whether two regions are made of the same outlines and holes, whatever each polygon's
// starting point, direction, closing point and collinear in-between points, and in
// whatever order the polygons are listed.
bool RegionsEqual(const Region& a, const Region& b);

// The smallest rectangle holding every outline point of the region; all zero when the
// region is empty.
IntRect RegionBounds(const Region& region);

// The region's area in square pixels: its outlines' areas less its holes' areas, which
// is exact when the holes lie inside the outlines and apart from one another (the way
// frames nest).
long double RegionPixelArea(const Region& region);

// A pixel position from a fractional one: halves to the even neighbour, clamped into
// the int32 range, NaN as 0.
std::int32_t RoundPixel(Real v);
inline PixelPoint RoundPoint(Real x, Real y) {
    return {RoundPixel(x), RoundPixel(y)};
}

}  // namespace kova

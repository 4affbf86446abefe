#include "geometry/region.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kova {
namespace {

__extension__ typedef __int128 Wide;  // products of two 64-bit coordinate differences

int Sign(Wide v) {
    return (v > 0) - (v < 0);
}

// (b - a) x (c - a) on points given as 64-bit coordinates.
Wide Cross(std::int64_t ax, std::int64_t ay, std::int64_t bx, std::int64_t by, std::int64_t cx,
           std::int64_t cy) {
    return static_cast<Wide>(bx - ax) * (cy - ay) - static_cast<Wide>(by - ay) * (cx - ax);
}

bool Within(std::int64_t v, std::int64_t a, std::int64_t b) {
    return std::min(a, b) <= v && v <= std::max(a, b);
}

// The polygon without its closing point, consecutive repeats and exactly collinear
// in-between points, starting at its smallest point and running counter-clockwise
// (y up); used to compare outlines.
PixelPolygon Canonical(const PixelPolygon& polygon) {
    PixelPolygon p;
    for (const PixelPoint& q : polygon)
        if (p.empty() || !(p.back() == q)) p.push_back(q);
    while (p.size() > 1 && p.front() == p.back()) p.pop_back();
    bool changed = true;
    while (changed && p.size() >= 3) {
        changed = false;
        for (std::size_t i = 0; i < p.size() && p.size() >= 3; ++i) {
            const PixelPoint& prev = p[(i + p.size() - 1) % p.size()];
            const PixelPoint& next = p[(i + 1) % p.size()];
            if (Orientation(prev, p[i], next) == 0 && OnSegment(p[i], prev, next)) {
                p.erase(p.begin() + static_cast<std::ptrdiff_t>(i));
                changed = true;
                break;
            }
        }
    }
    if (p.empty()) return p;
    if (SignedDoubleArea(p) < 0) std::reverse(p.begin(), p.end());
    auto less = [](const PixelPoint& a, const PixelPoint& b) {
        return a.x != b.x ? a.x < b.x : a.y < b.y;
    };
    std::rotate(p.begin(), std::min_element(p.begin(), p.end(), less), p.end());
    return p;
}

std::vector<PixelPolygon> CanonicalList(const std::vector<PixelPolygon>& list) {
    std::vector<PixelPolygon> out;
    for (const PixelPolygon& p : list) out.push_back(Canonical(p));
    auto less = [](const PixelPolygon& a, const PixelPolygon& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](const PixelPoint& u, const PixelPoint& v) {
                                                return u.x != v.x ? u.x < v.x : u.y < v.y;
                                            });
    };
    std::sort(out.begin(), out.end(), less);
    return out;
}

std::int32_t ClampToInt32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Winding number of the scaled point (x, y) / scale about the polygon, or nothing
// (reported through onBoundary) when the point lies on one of its edges.
int Winding(const PixelPolygon& polygon, std::int64_t x, std::int64_t y, int scale,
            bool& onBoundary) {
    onBoundary = false;
    const std::size_t n = polygon.size();
    int winding = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const PixelPoint& pa = polygon[i];
        const PixelPoint& pb = polygon[(i + 1) % n];
        const std::int64_t ax = static_cast<std::int64_t>(pa.x) * scale;
        const std::int64_t ay = static_cast<std::int64_t>(pa.y) * scale;
        const std::int64_t bx = static_cast<std::int64_t>(pb.x) * scale;
        const std::int64_t by = static_cast<std::int64_t>(pb.y) * scale;
        const Wide side = Cross(ax, ay, bx, by, x, y);
        if (side == 0 && Within(x, ax, bx) && Within(y, ay, by)) {
            onBoundary = true;
            return 0;
        }
        if (ay <= y) {
            if (by > y && side > 0) ++winding;
        } else if (by <= y && side < 0) {
            --winding;
        }
    }
    return winding;
}

}  // namespace

int Orientation(PixelPoint a, PixelPoint b, PixelPoint c) {
    return Sign(Cross(a.x, a.y, b.x, b.y, c.x, c.y));
}

bool OnSegment(PixelPoint p, PixelPoint a, PixelPoint b) {
    return Orientation(a, b, p) == 0 && Within(p.x, a.x, b.x) && Within(p.y, a.y, b.y);
}

SegmentContact ClassifySegments(PixelPoint p1, PixelPoint p2, PixelPoint q1, PixelPoint q2) {
    const int o1 = Orientation(p1, p2, q1);
    const int o2 = Orientation(p1, p2, q2);
    const int o3 = Orientation(q1, q2, p1);
    const int o4 = Orientation(q1, q2, p2);
    const bool pPoint = p1 == p2;
    const bool qPoint = q1 == q2;
    if (o1 == 0 && o2 == 0 && o3 == 0 && o4 == 0) {
        // Collinear (or degenerate): compare the extents along the common line.
        if (pPoint && qPoint) return p1 == q1 ? SegmentContact::Touch : SegmentContact::None;
        if (pPoint) return OnSegment(p1, q1, q2) ? SegmentContact::Touch : SegmentContact::None;
        if (qPoint) return OnSegment(q1, p1, p2) ? SegmentContact::Touch : SegmentContact::None;
        const bool useX = p1.x != p2.x;
        auto key = [useX](PixelPoint p) { return useX ? std::int64_t{p.x} : std::int64_t{p.y}; };
        const std::int64_t lo = std::max(std::min(key(p1), key(p2)), std::min(key(q1), key(q2)));
        const std::int64_t hi = std::min(std::max(key(p1), key(p2)), std::max(key(q1), key(q2)));
        if (lo < hi) return SegmentContact::Overlap;
        if (lo == hi) return SegmentContact::Touch;
        return SegmentContact::None;
    }
    if (o1 * o2 < 0 && o3 * o4 < 0) return SegmentContact::Cross;
    if ((o1 == 0 && OnSegment(q1, p1, p2)) || (o2 == 0 && OnSegment(q2, p1, p2)) ||
        (o3 == 0 && OnSegment(p1, q1, q2)) || (o4 == 0 && OnSegment(p2, q1, q2))) {
        return SegmentContact::Touch;
    }
    return SegmentContact::None;
}

PointLocation LocateScaledPoint(const PixelPolygon& polygon, std::int64_t x, std::int64_t y,
                                int scale) {
    if (polygon.empty()) return PointLocation::Outside;
    bool onBoundary = false;
    const int w = Winding(polygon, x, y, scale, onBoundary);
    if (onBoundary) return PointLocation::OnBoundary;
    return w != 0 ? PointLocation::Inside : PointLocation::Outside;
}

PointLocation LocatePoint(const PixelPolygon& polygon, PixelPoint p) {
    return LocateScaledPoint(polygon, p.x, p.y, 1);
}

long double SignedDoubleArea(const PixelPolygon& polygon) {
    const std::size_t n = polygon.size();
    Wide sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const PixelPoint& a = polygon[i];
        const PixelPoint& b = polygon[(i + 1) % n];
        sum += static_cast<Wide>(a.x) * b.y - static_cast<Wide>(b.x) * a.y;
    }
    return static_cast<long double>(sum);
}

Region PolygonRegion(const PixelPolygon& polygon) {
    Region r;
    std::vector<PixelPoint> distinct;
    for (const PixelPoint& p : polygon)
        if (std::find(distinct.begin(), distinct.end(), p) == distinct.end()) {
            distinct.push_back(p);
            if (distinct.size() >= 3) break;
        }
    if (distinct.size() >= 3) r.polygons.push_back(polygon);
    return r;
}

bool PointInRegion(const Region& region, PixelPoint p) {
    int winding = 0;
    bool inside = false;
    for (const PixelPolygon& poly : region.polygons) {
        bool onBoundary = false;
        winding += Winding(poly, p.x, p.y, 1, onBoundary);
        if (onBoundary) inside = true;
    }
    if (!inside && winding == 0) return false;
    for (const PixelPolygon& hole : region.holes)
        if (LocatePoint(hole, p) == PointLocation::Inside) return false;
    return true;
}

Region RegionDifference(const Region& a, const Region& b) {
    Region r = a;
    if (r.Empty()) return r;
    for (const PixelPolygon& p : b.polygons) r.holes.push_back(p);
    return r;
}

void OffsetRegion(Region& region, std::int32_t dx, std::int32_t dy) {
    auto move = [dx, dy](std::vector<PixelPolygon>& list) {
        for (PixelPolygon& poly : list)
            for (PixelPoint& p : poly) {
                p.x = ClampToInt32(std::int64_t{p.x} + dx);
                p.y = ClampToInt32(std::int64_t{p.y} + dy);
            }
    };
    move(region.polygons);
    move(region.holes);
}

bool RegionsEqual(const Region& a, const Region& b) {
    return CanonicalList(a.polygons) == CanonicalList(b.polygons) &&
           CanonicalList(a.holes) == CanonicalList(b.holes);
}

IntRect RegionBounds(const Region& region) {
    bool any = false;
    IntRect r;
    for (const PixelPolygon& poly : region.polygons)
        for (const PixelPoint& p : poly) {
            if (!any) {
                r = {p.x, p.y, p.x, p.y};
                any = true;
            }
            r.left = std::min(r.left, p.x);
            r.top = std::min(r.top, p.y);
            r.right = std::max(r.right, p.x);
            r.bottom = std::max(r.bottom, p.y);
        }
    return r;
}

long double RegionPixelArea(const Region& region) {
    long double area = 0;
    for (const PixelPolygon& p : region.polygons) area += std::fabs(SignedDoubleArea(p)) / 2;
    for (const PixelPolygon& p : region.holes) area -= std::fabs(SignedDoubleArea(p)) / 2;
    return area;
}

std::int32_t RoundPixel(Real v) {
    if (std::isnan(v)) return 0;
    constexpr Real lo = static_cast<Real>(std::numeric_limits<std::int32_t>::min());
    constexpr Real hi = static_cast<Real>(std::numeric_limits<std::int32_t>::max());
    if (v <= lo) return std::numeric_limits<std::int32_t>::min();
    if (v >= hi) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(RoundHalfEven(v));
}

}  // namespace kova

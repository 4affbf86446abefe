#include "geometry/region.hpp"

#include <gtest/gtest.h>

#include <climits>

namespace kova {
namespace {

constexpr std::int32_t kBig = INT32_MAX;
constexpr std::int32_t kSmall = INT32_MIN;

PixelPolygon Square(std::int32_t left, std::int32_t top, std::int32_t side) {
    return {{left, top},
            {left + side, top},
            {left + side, top + side},
            {left, top + side},
            {left, top}};
}

TEST(ExactPredicates, OrientationIsExactAtTheEdgesOfTheIntRange) {
    EXPECT_EQ(Orientation({0, 0}, {10, 0}, {5, 5}), 1);
    EXPECT_EQ(Orientation({0, 0}, {10, 0}, {5, -5}), -1);
    EXPECT_EQ(Orientation({0, 0}, {10, 0}, {20, 0}), 0);
    // Products of differences near 2^32 overflow 64 bits; the sign must still be right.
    EXPECT_EQ(Orientation({kSmall, kSmall}, {kBig, kBig}, {kBig - 1, kBig}), 1);
    EXPECT_EQ(Orientation({kSmall, kSmall}, {kBig, kBig}, {kBig, kBig - 1}), -1);
    EXPECT_EQ(Orientation({kSmall, kSmall}, {kBig, kBig}, {0, 0}), 0);
    EXPECT_EQ(Orientation({kSmall, kSmall}, {kBig, kBig}, {1, 0}), -1);
}

TEST(ExactPredicates, SegmentContacts) {
    using C = SegmentContact;
    EXPECT_EQ(ClassifySegments({0, 0}, {10, 10}, {0, 10}, {10, 0}), C::Cross);
    EXPECT_EQ(ClassifySegments({0, 0}, {10, 10}, {10, 10}, {20, 0}), C::Touch);  // shared end
    EXPECT_EQ(ClassifySegments({0, 0}, {10, 0}, {5, 0}, {5, 8}), C::Touch);      // T junction
    EXPECT_EQ(ClassifySegments({0, 0}, {10, 0}, {5, 1}, {5, 8}), C::None);
    EXPECT_EQ(ClassifySegments({0, 0}, {10, 0}, {5, 0}, {15, 0}), C::Overlap);
    EXPECT_EQ(ClassifySegments({0, 0}, {10, 0}, {10, 0}, {15, 0}), C::Touch);  // continuation
    EXPECT_EQ(ClassifySegments({0, 0}, {10, 0}, {11, 0}, {15, 0}), C::None);
    EXPECT_EQ(ClassifySegments({0, 0}, {0, 10}, {0, 3}, {0, 7}), C::Overlap);  // vertical, inside
    // Degenerate segments are points.
    EXPECT_EQ(ClassifySegments({3, 3}, {3, 3}, {0, 0}, {6, 6}), C::Touch);
    EXPECT_EQ(ClassifySegments({3, 4}, {3, 4}, {0, 0}, {6, 6}), C::None);
    EXPECT_EQ(ClassifySegments({3, 3}, {3, 3}, {3, 3}, {3, 3}), C::Touch);
    // Nearly parallel long segments that do cross, far out in the int range.
    EXPECT_EQ(
        ClassifySegments({kSmall, kSmall}, {kBig, kBig}, {kSmall, kSmall + 1}, {kBig, kBig - 1}),
        C::Cross);
}

TEST(PointLocationTest, WindingRuleWithBoundary) {
    const PixelPolygon sq = Square(0, 0, 10);
    EXPECT_EQ(LocatePoint(sq, {5, 5}), PointLocation::Inside);
    EXPECT_EQ(LocatePoint(sq, {0, 5}), PointLocation::OnBoundary);
    EXPECT_EQ(LocatePoint(sq, {10, 10}), PointLocation::OnBoundary);
    EXPECT_EQ(LocatePoint(sq, {11, 5}), PointLocation::Outside);
    // The same square open and reversed.
    PixelPolygon open(sq.begin(), sq.end() - 1);
    PixelPolygon reversed(sq.rbegin(), sq.rend());
    EXPECT_EQ(LocatePoint(open, {5, 5}), PointLocation::Inside);
    EXPECT_EQ(LocatePoint(reversed, {5, 5}), PointLocation::Inside);
    EXPECT_EQ(LocatePoint(open, {10, 3}), PointLocation::OnBoundary);
    // Edge midpoints at half pixels.
    EXPECT_EQ(LocateScaledPoint(sq, 1, 1, 2), PointLocation::Inside);      // (0.5, 0.5)
    EXPECT_EQ(LocateScaledPoint(sq, 21, 1, 2), PointLocation::Outside);    // (10.5, 0.5)
    EXPECT_EQ(LocateScaledPoint(sq, 0, 9, 2), PointLocation::OnBoundary);  // (0, 4.5)
}

TEST(PointLocationTest, SelfTouchingAndDoublyWoundPolygons) {
    // Two squares touching at one corner, traced as one polygon through that corner.
    const PixelPolygon bowtie{{0, 0},   {10, 0},  {10, 10}, {20, 10}, {20, 20},
                              {10, 20}, {10, 10}, {0, 10},  {0, 0}};
    EXPECT_EQ(LocatePoint(bowtie, {5, 5}), PointLocation::Inside);
    EXPECT_EQ(LocatePoint(bowtie, {15, 15}), PointLocation::Inside);
    EXPECT_EQ(LocatePoint(bowtie, {15, 5}), PointLocation::Outside);
    EXPECT_EQ(LocatePoint(bowtie, {10, 10}), PointLocation::OnBoundary);
    // A square traced twice has winding number 2: still inside under the winding rule.
    PixelPolygon twice = Square(0, 0, 10);
    const PixelPolygon again = Square(0, 0, 10);
    twice.insert(twice.end(), again.begin() + 1, again.end());
    EXPECT_EQ(LocatePoint(twice, {5, 5}), PointLocation::Inside);
    // A polygon of one repeated point or a line holds nothing but its own points.
    EXPECT_EQ(LocatePoint({{4, 4}, {4, 4}}, {4, 5}), PointLocation::Outside);
    EXPECT_EQ(LocatePoint({{0, 0}, {8, 0}, {0, 0}}, {4, 0}), PointLocation::OnBoundary);
    EXPECT_EQ(LocatePoint({}, {0, 0}), PointLocation::Outside);
}

TEST(PolygonRegionTest, DegenerateOutlinesGiveEmptyRegions) {
    EXPECT_TRUE(PolygonRegion({{1, 1}, {1, 1}, {1, 1}, {1, 1}}).Empty());
    EXPECT_TRUE(PolygonRegion({{0, 0}, {5, 5}, {0, 0}}).Empty());
    EXPECT_FALSE(PolygonRegion({{0, 0}, {5, 5}, {0, 5}, {0, 0}}).Empty());
    EXPECT_FALSE(PointInRegion(Region{}, {0, 0}));
}

TEST(PolygonRegionTest, DifferenceLeavesTheHoleOutlineInTheOuterRegion) {
    const Region outer = PolygonRegion(Square(0, 0, 100));
    const Region inner = PolygonRegion(Square(20, 20, 10));
    const Region ring = RegionDifference(outer, inner);
    EXPECT_TRUE(PointInRegion(ring, {5, 5}));
    EXPECT_FALSE(PointInRegion(ring, {25, 25}));
    EXPECT_TRUE(PointInRegion(ring, {20, 25}));  // on the hole's outline
    EXPECT_TRUE(PointInRegion(ring, {100, 50}));
    EXPECT_FALSE(PointInRegion(ring, {101, 50}));
    // Subtracting something with holes removes everything inside its outline.
    const Region nested = RegionDifference(inner, PolygonRegion(Square(22, 22, 2)));
    const Region ring2 = RegionDifference(outer, nested);
    EXPECT_FALSE(PointInRegion(ring2, {23, 23}));
    // Nothing to subtract from, and nothing subtracted.
    EXPECT_TRUE(RegionDifference(Region{}, inner).Empty());
    EXPECT_TRUE(RegionsEqual(RegionDifference(outer, Region{}), outer));
    EXPECT_DOUBLE_EQ(static_cast<double>(RegionPixelArea(ring)), 10000.0 - 100.0);
}

TEST(PolygonRegionTest, OffsetMovesEverythingAndClampsAtTheIntRange) {
    Region r =
        RegionDifference(PolygonRegion(Square(0, 0, 100)), PolygonRegion(Square(20, 20, 10)));
    OffsetRegion(r, 7, -3);
    EXPECT_TRUE(PointInRegion(r, {7 + 5, -3 + 5}));
    EXPECT_FALSE(PointInRegion(r, {7 + 25, -3 + 25}));
    EXPECT_EQ(RegionBounds(r), (IntRect{7, -3, 107, 97}));
    OffsetRegion(r, kBig, 0);
    EXPECT_EQ(RegionBounds(r).right, kBig);
}

TEST(PolygonRegionTest, EqualityIgnoresStartDirectionAndCollinearPoints) {
    const Region a = PolygonRegion(Square(0, 0, 10));
    const Region rotated = PolygonRegion({{10, 10}, {0, 10}, {0, 0}, {10, 0}, {10, 10}});
    const Region reversed = PolygonRegion({{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}});
    const Region extra = PolygonRegion({{0, 0}, {5, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
    const Region bigger = PolygonRegion(Square(0, 0, 11));
    EXPECT_TRUE(RegionsEqual(a, rotated));
    EXPECT_TRUE(RegionsEqual(a, reversed));
    EXPECT_TRUE(RegionsEqual(a, extra));
    EXPECT_FALSE(RegionsEqual(a, bigger));
    EXPECT_FALSE(RegionsEqual(a, RegionDifference(a, PolygonRegion(Square(2, 2, 2)))));
    EXPECT_TRUE(RegionsEqual(Region{}, Region{}));
    EXPECT_EQ(RegionBounds(Region{}), IntRect{});
}

TEST(RoundPixelTest, HalvesToEvenAndClamped) {
    EXPECT_EQ(RoundPixel(2.5L), 2);
    EXPECT_EQ(RoundPixel(3.5L), 4);
    EXPECT_EQ(RoundPixel(-2.5L), -2);
    EXPECT_EQ(RoundPixel(1e30L), kBig);
    EXPECT_EQ(RoundPixel(-1e30L), kSmall);
    EXPECT_EQ(RoundPixel(std::numeric_limits<Real>::quiet_NaN()), 0);
}

}  // namespace
}  // namespace kova

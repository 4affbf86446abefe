// The exact orientation and segment contact on stored (fractional) node positions,
// where rounded products would call points collinear or segments apart.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/exact_predicates.hpp"

namespace kova {
namespace {

TEST(ExactPredicates, OrientationIsExactWhereRoundedProductsCancel) {
    // (1 + 2^-62)^2 - (1 + 2^-61) = 2^-124: the rounded products are equal, the exact
    // cross product is not zero.
    const Real e = std::ldexp(1.0L, -62);
    const ExactPoint a{0, 0}, b{1 + e, 1 + 2 * e}, c{1, 1 + e};
    EXPECT_EQ(ExactOrientation(a, b, c), 1);
    EXPECT_EQ(ExactOrientation(a, c, b), -1);
    EXPECT_EQ(ExactOrientation(b, c, a), 1);
    // Large pixel positions where the long double products lose the last unit.
    const Real big = std::ldexp(1.0L, 62);
    EXPECT_EQ(ExactOrientation({0, 0}, {big + 1, big + 2}, {big, big + 1}), 1);
    // Exactly collinear, with fractions.
    EXPECT_EQ(ExactOrientation({0.25L, 0.5L}, {1.25L, 2.5L}, {3.25L, 6.5L}), 0);
    // The same sense as the pixel predicate.
    EXPECT_EQ(ExactOrientation({0, 0}, {10, 0}, {5, 3}), Orientation({0, 0}, {10, 0}, {5, 3}));
}

TEST(ExactPredicates, SegmentsAreClassifiedOnTheirExactEnds) {
    EXPECT_EQ(ClassifyExact({0, 0}, {10, 10}, {0, 10}, {10, 0}), SegmentContact::Cross);
    EXPECT_EQ(ClassifyExact({0, 0}, {10, 0}, {10, 0}, {20, 5}), SegmentContact::Touch);
    EXPECT_EQ(ClassifyExact({0, 0}, {10, 0}, {5, 0}, {5, 5}), SegmentContact::Touch);
    EXPECT_EQ(ClassifyExact({0, 0}, {10, 0}, {5, 0}, {15, 0}), SegmentContact::Overlap);
    EXPECT_EQ(ClassifyExact({0, 0}, {0, 10}, {0, 5}, {0, 20}), SegmentContact::Overlap);
    EXPECT_EQ(ClassifyExact({0, 0}, {10, 0}, {11, 0}, {15, 0}), SegmentContact::None);
    EXPECT_EQ(ClassifyExact({0, 0}, {10, 0}, {0, 1}, {10, 1}), SegmentContact::None);
    // A hair apart: a segment ending 1e-12 pixels short of another does not touch it,
    // one ending 1e-12 beyond crosses it.
    EXPECT_EQ(ClassifyExact({0, 0}, {10, 0}, {5, 5}, {5, 1e-12L}), SegmentContact::None);
    EXPECT_EQ(ClassifyExact({0, 0}, {10, 0}, {5, 5}, {5, -1e-12L}), SegmentContact::Cross);
    EXPECT_TRUE(ExactOnSegment({5, 0}, {0, 0}, {10, 0}));
    EXPECT_FALSE(ExactOnSegment({11, 0}, {0, 0}, {10, 0}));
}

}  // namespace
}  // namespace kova

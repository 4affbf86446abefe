#include "model/types.hpp"

#include <gtest/gtest.h>

namespace kova {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5L), 0);
    EXPECT_EQ(RoundHalfEven(1.5L), 2);
    EXPECT_EQ(RoundHalfEven(2.5L), 2);
    EXPECT_EQ(RoundHalfEven(-0.5L), 0);
    EXPECT_EQ(RoundHalfEven(-1.5L), -2);
    EXPECT_EQ(RoundHalfEven(-2.5L), -2);
}

TEST(RoundHalfEven, OtherValuesGoToTheNearest) {
    EXPECT_EQ(RoundHalfEven(2.4999L), 2);
    EXPECT_EQ(RoundHalfEven(2.5001L), 3);
    EXPECT_EQ(RoundHalfEven(-2.6L), -3);
    EXPECT_EQ(RoundHalfEven(7.0L), 7);
}

}  // namespace
}  // namespace kova

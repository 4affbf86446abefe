#include "units/scale_arithmetic.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "model/length_units.hpp"
#include "model/problem.hpp"
#include "units/drawing_transform.hpp"

namespace kova {
namespace {

TEST(ScaleArithmetic, ShownScaleIsPerCentimetreInSIAndPerInchInEnglish) {
    EXPECT_NEAR(ShownScale(Unittype::SI, 2.54L), 1.0L, 1e-18L);
    EXPECT_EQ(ShownScale(Unittype::Eng, 2.54L), 2.54L);
    EXPECT_NEAR(DrawingScaleFromShown(Unittype::SI, 1.0L), 2.54L, 1e-18L);
    EXPECT_EQ(DrawingScaleFromShown(Unittype::Eng, 3.0L), 3.0L);
    EXPECT_NEAR(PixelsPerDrawingUnit(Unittype::SI), 96.0L / 2.54L, 1e-15L);
    EXPECT_EQ(PixelsPerDrawingUnit(Unittype::Eng), 96.0L);
}

TEST(ScaleArithmetic, SwitchingSystemsKeepsThePhysicalScale) {
    // 1 cm = 1 cm becomes 1 in = 0.0833 ft with the length unit index 2 kept.
    const Real eng = ConvertShownScale(1.0L, Unittype::SI, Unittype::Eng, 2);
    EXPECT_NEAR(eng, 2.54L / 30.48L, 1e-18L);
    EXPECT_NEAR(ConvertShownScale(eng, Unittype::Eng, Unittype::SI, 2), 1.0L, 1e-17L);
    EXPECT_EQ(ConvertShownScale(1.5L, Unittype::SI, Unittype::SI, 2), 1.5L);

    // The pixel length in base units follows the exact 0.3048 m per ft for every index.
    for (int index = 1; index <= 5; ++index) {
        const Real shownSI = 2.0L;
        const Real shownEng = ConvertShownScale(shownSI, Unittype::SI, Unittype::Eng, index);
        const Real metresPerPixel =
            DrawingScaleFromShown(Unittype::SI, shownSI) / 96 * LengthFactor(Unittype::SI, index);
        const Real feetPerPixel = DrawingScaleFromShown(Unittype::Eng, shownEng) / 96 *
                                  LengthFactor(Unittype::Eng, index);
        EXPECT_NEAR(feetPerPixel * 0.3048L, metresPerPixel, metresPerPixel * 1e-15L);
    }
}

TEST(ScaleArithmetic, CyclingTheLengthUnitKeepsThePhysicalScale) {
    EXPECT_EQ(NextLengthUnitIndex(1), 2);
    EXPECT_EQ(NextLengthUnitIndex(4), 5);
    EXPECT_EQ(NextLengthUnitIndex(5), 1);
    EXPECT_EQ(NextLengthUnitIndex(0), 1);
    // cm to m: the shown scale and grid go from 1 to 0.01.
    EXPECT_NEAR(ShownScaleForLengthUnit(1.0L, Unittype::SI, 2, 3), 0.01L, 1e-18L);
    EXPECT_NEAR(ShownScaleForLengthUnit(1.0L, Unittype::Eng, 2, 1), 12.0L, 1e-15L);
    const Real grid = GridSpacingLength(96.0L / 2.54L, 2.54L * 0.01L);
    EXPECT_NEAR(grid, 0.01L, 1e-18L);
}

TEST(ScaleArithmetic, GridSpacingBetweenPixelsAndLength) {
    EXPECT_NEAR(GridSpacingLength(96.0L / 2.54L, 2.54L), 1.0L, 1e-18L);
    EXPECT_NEAR(GridSpacingPixels(1.0L, 2.54L), 96.0L / 2.54L, 1e-15L);
    EXPECT_EQ(GridSpacingPixels(0.0L, 2.54L), 1.0L);
    EXPECT_EQ(GridSpacingPixels(-2.0L, 2.54L), 1.0L);
    EXPECT_EQ(GridSpacingPixels(1.0L, 0.0L), 1.0L);
}

TEST(ScaleArithmetic, OriginAsShownMovesWithTheWindowBottom) {
    Problem p;
    p.view.refHeight = 400;
    p.settings.originX = 96;
    p.settings.originY = 400 - 2 * 96.0L / 2.54L;
    const ShownOrigin o = ShowOrigin(p);
    EXPECT_NEAR(o.fromLeft, 2.54L, 1e-15L);
    EXPECT_NEAR(o.fromBottom, 2.0L, 1e-15L);
    p.settings.unitSystem = Unittype::Eng;
    SetOriginFromShown(p, {1.0L, 0.5L});
    EXPECT_EQ(p.settings.originX, 96.0L);
    EXPECT_EQ(p.settings.originY, 352.0L);
    // The new origin is where the coordinates are 0.
    const Coordinates c = DrawingToProblem(p, 96, 352);
    EXPECT_EQ(c.first, 0.0L);
    EXPECT_EQ(c.second, 0.0L);
}

TEST(ScaleArithmetic, FittingLeavesAMarginAndKeepsCoordinates) {
    // A 300 x 100 drawing in a 600 x 400 window: the width decides, filling 1/1.2.
    const DrawingBox box{100, 50, 400, 150};
    const std::optional<Real> u = FitToWindowFactor(box, 600, 400, 1);
    ASSERT_TRUE(u.has_value());
    EXPECT_NEAR(*u, 0.6L, 1e-18L);
    EXPECT_NEAR(box.Width() / *u, 600 / 1.2L, 1e-15L);
    // Half the window: the drawing may fill half as much.
    EXPECT_NEAR(*FitToWindowFactor(box, 600, 400, 0.5L), 1.2L, 1e-18L);
    // Shrinking the positions about the origin by u and growing the scale by u keeps
    // the problem coordinates of a point.
    Problem p;
    p.settings.originX = 20;
    p.settings.originY = 300;
    const Coordinates before = DrawingToProblem(p, 400, 150);
    p.settings.drawingScale *= *u;
    const Coordinates after = DrawingToProblem(p, (400 - 20) / *u + 20, (150 - 300) / *u + 300);
    EXPECT_NEAR(after.first, before.first, 1e-14L);
    EXPECT_NEAR(after.second, before.second, 1e-14L);

    EXPECT_FALSE(FitToWindowFactor(DrawingBox{5, 5, 5, 5}, 600, 400, 1).has_value());
    EXPECT_FALSE(FitToWindowFactor(box, 0, 0, 1).has_value());
}

TEST(ScaleArithmetic, CentringShiftsTheBoxOrRefuses) {
    const std::optional<PixelShift> s = CenteringShift(DrawingBox{100, 50, 400, 150}, 600, 400);
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->dx, 50.0L);
    EXPECT_EQ(s->dy, 100.0L);
    EXPECT_FALSE(CenteringShift(DrawingBox{0, 0, 601, 10}, 600, 400).has_value());
    EXPECT_FALSE(CenteringShift(DrawingBox{0, 0, 10, 401}, 600, 400).has_value());
}

TEST(ScaleArithmetic, OnlyPositiveFiniteScalesAreUsable) {
    EXPECT_TRUE(UsableDrawingScale(2.54L));
    EXPECT_FALSE(UsableDrawingScale(0));
    EXPECT_FALSE(UsableDrawingScale(-1));
    EXPECT_FALSE(UsableDrawingScale(std::numeric_limits<Real>::infinity()));
    EXPECT_FALSE(UsableDrawingScale(std::numeric_limits<Real>::quiet_NaN()));
}

}  // namespace
}  // namespace kova

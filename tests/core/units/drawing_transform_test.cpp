#include "units/drawing_transform.hpp"

#include <gtest/gtest.h>

#include "model/length_units.hpp"
#include "model/problem.hpp"

namespace kova {
namespace {

constexpr Real kTol = 1e-15L;

// The start-up scale (2.54 cm per 96 pixels, so 1 cm of drawing is 1 cm) in SI with the
// origin 400 pixels down.
void StartUpScale(Problem& p) {
    p.settings.unitSystem = Unittype::SI;
    p.settings.drawingScale = 2.54L;
    p.settings.lengthUnitIndex = 2;
    p.settings.originX = 0;
    p.settings.originY = 400;
    p.view = ViewState{};
    p.RecomputePixelLength();
}

TEST(LengthUnits, LabelsAndFactorsOfBothSystems) {
    struct Case {
        int index;
        const char* si;
        Real siFactor;
        const char* eng;
        Real engFactor;
    };
    for (const Case& c : {Case{1, "mm", 0.001L, "in", 1.0L / 12}, Case{2, "cm", 0.01L, "ft", 1.0L},
                          Case{3, "m", 1.0L, "yd", 3.0L}, Case{4, "km", 1000.0L, "mi", 5280.0L},
                          Case{5, "\xC2\xB5m", 1e-6L, "mil", 1.0L / 12000}}) {
        EXPECT_EQ(LengthLabel(Unittype::SI, c.index), c.si);
        EXPECT_EQ(LengthLabel(Unittype::Eng, c.index), c.eng);
        EXPECT_NEAR(LengthFactor(Unittype::SI, c.index), c.siFactor, c.siFactor * 1e-18L);
        EXPECT_NEAR(LengthFactor(Unittype::Eng, c.index), c.engFactor, c.engFactor * 1e-18L);
    }
    EXPECT_EQ(LengthLabel(Unittype::SI, 0), "cm");
    EXPECT_EQ(LengthFactor(Unittype::Eng, 9), 1.0L);
}

TEST(DrawingTransform, WorkedExampleBothWays) {
    Problem p;
    StartUpScale(p);
    const Coordinates c = DrawingToProblem(p, 96, 304);
    EXPECT_NEAR(c.first, 2.54L, kTol);
    EXPECT_NEAR(c.second, 2.54L, kTol);
    const Coordinates d = ProblemToDrawing(p, 2.54L, 2.54L);
    EXPECT_NEAR(d.first, 96.0L, 1e-13L);
    EXPECT_NEAR(d.second, 304.0L, 1e-13L);
    EXPECT_NEAR(p.settings.pixelLength, 2.54L / 96.0L * 0.01L, 1e-19L);
    const Coordinates b = DrawingToBase(p, 96, 304);
    EXPECT_NEAR(b.first, 0.0254L, 1e-17L);
    EXPECT_NEAR(b.second, 0.0254L, 1e-17L);
    // The origin itself, and a point above and left of it.
    const Coordinates o = DrawingToProblem(p, 0, 400);
    EXPECT_EQ(o.first, 0.0L);
    EXPECT_EQ(o.second, 0.0L);
    EXPECT_NEAR(DrawingToProblem(p, -48, 448).second, -1.27L, kTol);
}

TEST(DrawingTransform, EnglishUnitsUseTheEnglishLengthFactor) {
    Problem p;
    StartUpScale(p);
    p.settings.unitSystem = Unittype::Eng;
    p.settings.drawingScale = 1;  // 1 ft per inch of drawing
    p.RecomputePixelLength();
    EXPECT_NEAR(DrawingToProblem(p, 192, 400).first, 2.0L, kTol);
    EXPECT_NEAR(DrawingToBase(p, 192, 400).first, 2.0L, kTol);
    p.settings.lengthUnitIndex = 1;  // 1 in per inch of drawing
    p.RecomputePixelLength();
    EXPECT_NEAR(DrawingToProblem(p, 192, 400).first, 2.0L, kTol);
    EXPECT_NEAR(DrawingToBase(p, 192, 400).first, 2.0L / 12, kTol);
}

TEST(DrawingTransform, ZoomAndScrollKeepProblemCoordinates) {
    Problem p;
    StartUpScale(p);
    const Real x = 150, y = 250;
    const Coordinates before = DrawingToProblem(p, x, y);
    const Coordinates beforeBase = DrawingToBase(p, x, y);
    // Zooming by z about the scroll position scales stored positions relative to the
    // scroll offsets; scrolling moves stored positions against the offsets.
    for (Real z : {2.0L, 0.5L, 3.0L}) {
        for (Real sx : {0.0L, 37.0L, -120.5L}) {
            const Real sy = sx / 2;
            p.view.zoom = z;
            p.view.scrollX = sx;
            p.view.scrollY = sy;
            p.RecomputePixelLength();
            const Real xs = x * z - sx;
            const Real ys = y * z - sy;
            const Coordinates after = DrawingToProblem(p, xs, ys);
            EXPECT_NEAR(after.first, before.first, 1e-14L);
            EXPECT_NEAR(after.second, before.second, 1e-14L);
            const Coordinates base = DrawingToBase(p, xs, ys);
            EXPECT_NEAR(base.first, beforeBase.first, 1e-16L);
            EXPECT_NEAR(base.second, beforeBase.second, 1e-16L);
            const Coordinates back = ProblemToDrawing(p, before.first, before.second);
            EXPECT_NEAR(back.first, xs, 1e-12L);
            EXPECT_NEAR(back.second, ys, 1e-12L);
        }
    }
    // Zoom 2 halves the pixel length.
    p.view = ViewState{};
    p.view.zoom = 2;
    p.RecomputePixelLength();
    EXPECT_NEAR(p.settings.pixelLength, 2.54L / 96.0L * 0.01L / 2, 1e-19L);
}

TEST(DrawingTransform, NegativeRadiusLeftOfTheAxis) {
    Problem p;
    StartUpScale(p);
    p.settings.originX = 200;
    p.SetCylindrical(true);
    EXPECT_NEAR(DrawingToProblem(p, 104, 400).first, -2.54L, kTol);
    EXPECT_NEAR(DrawingToProblem(p, 296, 400).first, 2.54L, kTol);
    EXPECT_NEAR(ProblemToDrawing(p, -2.54L, 0).first, 104.0L, 1e-13L);
}

TEST(DrawingTransform, ZoomThatIsNotPositiveCountsAsOne) {
    Problem p;
    StartUpScale(p);
    p.view.zoom = 0;
    p.RecomputePixelLength();
    const Coordinates c = DrawingToProblem(p, 96, 304);
    EXPECT_NEAR(c.first, 2.54L, kTol);
    EXPECT_NEAR(DrawingToBase(p, 96, 304).first, 0.0254L, 1e-17L);
    EXPECT_NEAR(ProblemToDrawing(p, 2.54L, 2.54L).second, 304.0L, 1e-13L);
}

}  // namespace
}  // namespace kova

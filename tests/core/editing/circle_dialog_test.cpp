// The circular outline dialog's OK without a window: refused entries stay selected with
// their message, and accepted ones become the shape code and drawing pixels.
#include "editing/circle_dialog.hpp"

#include <gtest/gtest.h>

#include "model/problem.hpp"

namespace kova {
namespace {

struct Field : NumberField {
    explicit Field(std::string t) : text(std::move(t)) {}
    std::string Text() const override { return text; }
    void SelectAllAndFocus() override { ++selected; }
    std::string text;
    int selected = 0;
};

class CircleDialogTest : public ::testing::Test {
protected:
    CircleDialogTest() {
        problem.SetReporter(&reporter);
        problem.settings.drawingScale = 2.54L;  // 2.54 cm per 96 pixels
        problem.settings.originX = 10;
        problem.settings.originY = 500;
    }
    Problem problem;
    RecordingReporter reporter;
};

TEST_F(CircleDialogTest, ABadDiameterOrCentreKeepsTheDialogOpenOnThatEntry) {
    for (const char* bad : {"0", "-1", "abc"}) {
        Field d(bad), x("1"), y("1");
        const CircleDialogResult r =
            CircleDialogOk(problem, d, x, y, CircleShape::Circle, 0, kDefaultCirclePoints);
        EXPECT_FALSE(r.ok) << bad;
        EXPECT_EQ(r.field, 0);
        EXPECT_EQ(d.selected, 1);
        EXPECT_EQ(reporter.StatusText(StatusPanel::Info),
                  std::string(bad) == "abc" ? "Illegal entry." : "Value must be > 0");
    }
    Field d("10.0"), x("1"), y("q");
    const CircleDialogResult r =
        CircleDialogOk(problem, d, x, y, CircleShape::Circle, 0, kDefaultCirclePoints);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.field, 2);
    EXPECT_EQ(y.selected, 1);
}

TEST_F(CircleDialogTest, AcceptedEntriesBecomePixelsAndTheShapeCode) {
    Field d("5.08"), x("2.54"), y("-1.27");
    const CircleDialogResult r =
        CircleDialogOk(problem, d, x, y, CircleShape::QuarterCircle, 2, 12);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.cType, 7);
    EXPECT_EQ(r.points, 12);
    EXPECT_EQ(r.diameter, 192);
    EXPECT_EQ(r.centreX, 96 + 10);
    EXPECT_EQ(r.centreY, 500 + 48);
    const CircleDialogResult semi = CircleDialogOk(problem, d, x, y, CircleShape::SemiCircle, 3, 8);
    EXPECT_EQ(semi.cType, 4);
    // The centre fields start at the physical position of the given point.
    problem.settings.cylindrical = true;
    const CircleDialogStart start = StartCircleDialog(problem, 106, 452);
    EXPECT_EQ(start.xLabel, "r =");
    EXPECT_EQ(start.x, "2.54");
    EXPECT_EQ(start.y, "1.27");
    EXPECT_EQ(start.unit, "cm");
}

}  // namespace
}  // namespace kova

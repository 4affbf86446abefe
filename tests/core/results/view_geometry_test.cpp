// Scrolling, zooming, refitting and the subject and geometry switches move stored
// positions; these tests check that every problem coordinate and every measured area
// stays what it was, and that a refused Scale and Size changes nothing.
#include "results/view_geometry.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "files/undo_snapshots.hpp"
#include "geometry/frame_rebuild.hpp"
#include "geometry/region.hpp"
#include "support/geometry_builders.hpp"
#include "units/drawing_transform.hpp"
#include "units/unit_conversion.hpp"

namespace kova {
namespace {

using testing::AddRectangleFrame;

// Two frames side by side, the second a lump with its label point, and two texts: one of
// the drawing, one of a result window.
void MakeDrawing(Problem& p) {
    p.view.refHeight = 480;
    p.settings.originY = 480;
    AddRectangleFrame(p, 100, 100, 200, 200);
    const int lump = AddRectangleFrame(p, 200, 100, 300, 200);
    p.frames[static_cast<std::size_t>(lump)].type = FrameType::Lumped;
    p.frames[static_cast<std::size_t>(lump)].labelX = 250;
    p.frames[static_cast<std::size_t>(lump)].labelY = 150;
    TextItem drawingText;
    drawingText.winNo = 1;
    drawingText.theText = "A";
    drawingText.theRect = {120, 120, 140, 130};
    p.texts.push_back(drawingText);
    TextItem resultText = drawingText;
    resultText.winNo = 7;
    p.texts.push_back(resultText);
}

std::vector<Coordinates> AllCoordinates(const Problem& p) {
    std::vector<Coordinates> out;
    for (int n = 1; n <= p.nodes.Count(); ++n)
        out.push_back(DrawingToProblem(p, p.nodes[n].x, p.nodes[n].y));
    return out;
}

void ExpectSameCoordinates(const std::vector<Coordinates>& a, const std::vector<Coordinates>& b,
                           double tolerance = 1e-9) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_NEAR(static_cast<double>(a[i].first), static_cast<double>(b[i].first), tolerance);
        EXPECT_NEAR(static_cast<double>(a[i].second), static_cast<double>(b[i].second), tolerance);
    }
}

TEST(ScrollBy, MovesTheDrawingButNoProblemCoordinate) {
    Problem p;
    MakeDrawing(p);
    const auto before = AllCoordinates(p);
    const Real x1 = p.nodes[1].x;
    const Real area = p.frames[1].area;
    ScrollBy(p, -50, 0);  // the window scrolls right by 50
    EXPECT_EQ(p.nodes[1].x, x1 - 50);
    EXPECT_EQ(p.view.scrollX, 50);
    ExpectSameCoordinates(before, AllCoordinates(p));
    EXPECT_EQ(p.frames[2].labelX, 200);  // the lump's label moves with its frame
    EXPECT_EQ(p.texts.front().theRect.left, 70);
    EXPECT_EQ(p.texts.back().theRect.left, 120);  // a result window's text stays
    EXPECT_EQ(p.frames[1].pixelPolygon[0].x + 50, static_cast<int>(x1));
    EXPECT_EQ(p.frames[1].area, area);
}

TEST(Zoom, KeepsCoordinatesAreasAndComesBack) {
    Problem p;
    MakeDrawing(p);
    p.frames[2].area = 0;  // recomputed by the zoom's rebuild
    RebuildFrameGeometry(p, 1, false);
    const auto before = AllCoordinates(p);
    const Real pixelLength = p.settings.pixelLength;
    const Real area1 = p.frames[1].area, area2 = p.frames[2].area;
    const std::vector<Real> xs = {p.nodes[1].x, p.nodes[5].x};
    ZoomMemory memory;
    // A 200-pixel rectangle in an 800-pixel window less a 20-pixel bar: factor 3.9.
    ASSERT_TRUE(ZoomIn(p, memory, 50, 60, 200, 820, 20));
    EXPECT_TRUE(memory.zoomed);
    EXPECT_NEAR(static_cast<double>(p.view.zoom), 4.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(p.settings.pixelLength * 4), static_cast<double>(pixelLength),
                1e-18);
    EXPECT_EQ(p.view.scrollX, 200);
    EXPECT_EQ(p.view.scrollY, 240);
    ExpectSameCoordinates(before, AllCoordinates(p));
    // Areas and volumes in base units are those of the unzoomed drawing (a frame rebuilt
    // with the old pixel length would read 16 times its area).
    EXPECT_NEAR(static_cast<double>(p.frames[1].area), static_cast<double>(area1),
                1e-9 * static_cast<double>(area1));
    EXPECT_NEAR(static_cast<double>(p.frames[2].area), static_cast<double>(area2),
                1e-9 * static_cast<double>(area2));
    EXPECT_EQ(p.frames[2].labelX, 250 * 4 - 200);
    EXPECT_FALSE(ZoomIn(p, memory, 0, 0, 10, 820, 20));  // already zoomed
    ZoomOut(p, memory);
    EXPECT_FALSE(memory.zoomed);
    EXPECT_EQ(p.view.zoom, 1);
    EXPECT_EQ(p.view.scrollX, 0);
    EXPECT_EQ(p.settings.pixelLength, pixelLength);
    EXPECT_NEAR(static_cast<double>(p.nodes[1].x), static_cast<double>(xs[0]), 1e-9);
    EXPECT_NEAR(static_cast<double>(p.nodes[5].x), static_cast<double>(xs[1]), 1e-9);
    EXPECT_EQ(p.frames[2].labelX, 250);
    EXPECT_EQ(p.texts.front().theRect.left, 120);
    ExpectSameCoordinates(before, AllCoordinates(p));
}

// Undo puts the drawing back into the view of the moment, whatever the view was when
// the snapshot was taken, and gives back the settings the stored numbers mean.
TEST(UndoInAnotherView, GivesBackEveryCoordinateAndArea) {
    Problem p;
    MakeDrawing(p);
    const auto before = AllCoordinates(p);
    const Real area1 = p.frames[1].area;
    ZoomMemory memory;
    // A snapshot taken zoomed and scrolled, restored at normal size.
    ASSERT_TRUE(ZoomIn(p, memory, 50, 60, 200, 820, 20));
    ScrollBy(p, -30, 10);
    SaveUndoSnapshot(p, "Delete");
    p.nodes[1].x += 40;  // the edit
    ZoomOut(p, memory);
    ASSERT_TRUE(RestoreUndoSnapshot(p, true));
    ExpectSameCoordinates(before, AllCoordinates(p));
    EXPECT_EQ(p.frames[2].labelX, 250);
    EXPECT_EQ(p.texts.front().theRect.left, 120);
    EXPECT_EQ(p.texts.back().theRect.left, 120);  // a result window's text stays
    EXPECT_NEAR(static_cast<double>(p.frames[1].area), static_cast<double>(area1),
                1e-9 * static_cast<double>(area1));
    // A snapshot taken at normal size, restored zoomed: positions in the zoomed view, the
    // pixel length that of the zoom (not divided twice), the areas unchanged.
    SaveUndoSnapshot(p, "Delete");
    p.nodes[2].y -= 25;
    ASSERT_TRUE(ZoomIn(p, memory, 80, 20, 100, 820, 20));
    const Real zoomedPixelLength = p.settings.pixelLength;
    ASSERT_TRUE(RestoreUndoSnapshot(p, true));
    EXPECT_EQ(p.settings.pixelLength, zoomedPixelLength);
    ExpectSameCoordinates(before, AllCoordinates(p));
    EXPECT_NEAR(static_cast<double>(p.frames[1].area), static_cast<double>(area1),
                1e-9 * static_cast<double>(area1));
    EXPECT_EQ(p.frames[2].labelX, RoundPixel(250 * p.view.zoom - p.view.scrollX));
}

TEST(ZoomRectangle, KeepsTheWindowsProportionsAndAMinimumSize) {
    const ZoomBox small = ZoomRectangle(100, 100, 101, 101, 800, 400);
    EXPECT_EQ(small.width, 50);  // a sixteenth of the width
    EXPECT_EQ(small.height, 25);
    const ZoomBox wide = ZoomRectangle(100, 100, 300, 120, 800, 400);
    EXPECT_EQ(wide.width, 200);
    EXPECT_EQ(wide.height, 100);
    const ZoomBox tall = ZoomRectangle(100, 100, 150, 300, 800, 400);
    EXPECT_EQ(tall.height, 200);
    EXPECT_EQ(tall.width, 400);
    const ZoomBox bottom = ZoomRectangle(100, 350, 700, 360, 800, 400);
    EXPECT_LE(bottom.top + bottom.height, 400);
}

struct ScaleFixture : ::testing::Test {
    Problem p;
    FixedTextMetrics metrics;
    ClientArea client{800, 480, 0, 1};
    void SetUp() override { MakeDrawing(p); }
};

TEST_F(ScaleFixture, RefusesBadFieldsAndChangesNothing) {
    RecordingReporter reporter;
    p.SetReporter(&reporter);
    const std::vector<std::uint8_t> image = EncodeUndoSnapshot(p);
    const ProblemSettings settings = p.settings;
    ScaleSizeEntry e = ShownScaleAndSize(p);
    e.scale = "0";
    ScaleSizeResult r = ApplyScaleAndSize(p, e, client, metrics, false);
    EXPECT_EQ(r.failed, ScaleSizeField::Scale);
    EXPECT_EQ(reporter.StatusText(StatusPanel::Info), "Value must be > 0");
    e = ShownScaleAndSize(p);
    e.vGrid = "-1";
    EXPECT_EQ(ApplyScaleAndSize(p, e, client, metrics, false).failed, ScaleSizeField::VGrid);
    e = ShownScaleAndSize(p);
    e.y0 = "abc";
    EXPECT_EQ(ApplyScaleAndSize(p, e, client, metrics, false).failed, ScaleSizeField::Y0);
    EXPECT_EQ(reporter.StatusText(StatusPanel::Info), "Illegal entry.");
    // Centring a drawing wider than the window beeps and changes nothing either.
    e = ShownScaleAndSize(p);
    e.center = true;
    const int beeps = reporter.BeepCount();
    EXPECT_EQ(ApplyScaleAndSize(p, e, ClientArea{150, 480, 0, 1}, metrics, false).failed,
              ScaleSizeField::DoesNotFit);
    EXPECT_EQ(reporter.BeepCount(), beeps + 1);
    EXPECT_TRUE(p.undoList.empty());
    EXPECT_EQ(EncodeUndoSnapshot(p), image);
    EXPECT_EQ(p.settings.drawingScale, settings.drawingScale);
    EXPECT_EQ(p.settings.originX, settings.originX);
    p.SetReporter(nullptr);
}

TEST_F(ScaleFixture, AnUntouchedOkKeepsEveryValueExactly) {
    p.settings.drawingScale = 2.0L / 3.0L;  // shown rounded to four digits
    p.RecomputePixelLength();
    const std::vector<std::uint8_t> before = EncodeUndoSnapshot(p);
    const ProblemSettings settings = p.settings;
    ASSERT_TRUE(ApplyScaleAndSize(p, ShownScaleAndSize(p), client, metrics, false).ok());
    EXPECT_EQ(p.settings.drawingScale, settings.drawingScale);
    EXPECT_EQ(p.settings.gridSpacingX, settings.gridSpacingX);
    EXPECT_EQ(p.settings.originY, settings.originY);
    ASSERT_EQ(p.undoList.size(), 1u);
    EXPECT_EQ(p.undoList.back().name, "Scale and Size");
    EXPECT_EQ(p.undoList.back().image, before);
}

TEST_F(ScaleFixture, OriginAndScaleEditsFollowTheirRules) {
    const auto before = AllCoordinates(p);
    ScaleSizeEntry e = ShownScaleAndSize(p);
    e.x0 = "1";  // one centimetre of drawing from the left edge
    ASSERT_TRUE(ApplyScaleAndSize(p, e, client, metrics, false).ok());
    const Real shift = 96.0L / 2.54L;
    EXPECT_NEAR(static_cast<double>(p.settings.originX), static_cast<double>(shift), 1e-9);
    EXPECT_NEAR(static_cast<double>(p.nodes[1].x), 100 + static_cast<double>(shift), 1e-9);
    ExpectSameCoordinates(before, AllCoordinates(p));
    // Doubling the scale keeps the drawing and doubles every coordinate.
    const Real x = p.nodes[1].x;
    e = ShownScaleAndSize(p);
    e.scale = "2";
    ASSERT_TRUE(ApplyScaleAndSize(p, e, client, metrics, false).ok());
    EXPECT_EQ(p.nodes[1].x, x);
    const auto doubled = AllCoordinates(p);
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_NEAR(static_cast<double>(doubled[i].first), 2 * static_cast<double>(before[i].first),
                    1e-9);
}

TEST_F(ScaleFixture, SizeToFillScreenLeavesAMarginAndKeepsAreas) {
    const auto before = AllCoordinates(p);
    const Real area1 = p.frames[1].area, volume1 = p.frames[1].volume;
    ScaleSizeEntry e = ShownScaleAndSize(p);
    e.fitSize = true;
    ASSERT_TRUE(ApplyScaleAndSize(p, e, client, metrics, false).ok());
    Real left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
    for (int n = 1; n <= p.nodes.Count(); ++n) {
        left = std::min(left, p.nodes[n].x);
        right = std::max(right, p.nodes[n].x);
        top = std::min(top, p.nodes[n].y);
        bottom = std::max(bottom, p.nodes[n].y);
    }
    // The drawing was 200 wide and its text lies inside it: it fills 800 / 1.2, centred.
    EXPECT_NEAR(static_cast<double>(right - left), 800 / 1.2, 1e-6);
    EXPECT_NEAR(static_cast<double>(left + right) / 2, 400, 1e-6);
    EXPECT_NEAR(static_cast<double>(top + bottom) / 2, 240, 1e-6);
    const auto after = AllCoordinates(p);
    ExpectSameCoordinates(before, after, 1e-9);
    // The stored areas follow the new scale, so lumps keep their capacity.
    EXPECT_NEAR(static_cast<double>(p.frames[1].area), static_cast<double>(area1),
                1e-6 * static_cast<double>(area1));
    EXPECT_NEAR(static_cast<double>(p.frames[1].volume), static_cast<double>(volume1),
                1e-6 * static_cast<double>(volume1));
    // The lump's label point moved with its frame.
    const Frame& lump = p.frames[2];
    EXPECT_TRUE(lump.labelX > lump.bounds.left && lump.labelX < lump.bounds.right);
}

TEST_F(ScaleFixture, UndoGivesBackScaleOriginGridUnitsAndTemperatureScale) {
    const int fixed = FindOrAddSpecValue(p, kSpecValue, 20.0L);
    const int flux = FindOrAddSpecValue(p, kSpecFlux, 150.0L);
    p.settings.contourScaleMax = 80;
    const auto before = AllCoordinates(p);
    const ProblemSettings settings = p.settings;
    const Real area1 = p.frames[1].area;
    ScaleSizeEntry e = ShownScaleAndSize(p);
    e.unitSystem = Unittype::Eng;
    e.lengthUnitIndex = 1;
    e.scale = "3";
    e.x0 = "2";
    e.hGrid = "0.5";
    e.fitSize = true;
    ASSERT_TRUE(ApplyScaleAndSize(p, e, client, metrics, false).ok());
    ASSERT_NE(p.specs[flux].value, 150.0L);
    SaveUndoSnapshot(p, "Properties");
    ASSERT_TRUE(SetAbsoluteTemperatures(p, true));
    ASSERT_TRUE(RestoreUndoSnapshot(p, true));  // the scale stays the one of the values
    EXPECT_FALSE(p.settings.absoluteTemperatures);
    ASSERT_TRUE(RestoreUndoSnapshot(p, true));  // "Scale and Size"
    ExpectSameCoordinates(before, AllCoordinates(p));
    EXPECT_EQ(p.settings.unitSystem, Unittype::SI);
    EXPECT_EQ(p.settings.lengthUnitIndex, settings.lengthUnitIndex);
    EXPECT_EQ(p.settings.drawingScale, settings.drawingScale);
    EXPECT_EQ(p.settings.originX, settings.originX);
    EXPECT_EQ(p.settings.originY, settings.originY);
    EXPECT_EQ(p.settings.gridSpacingX, settings.gridSpacingX);
    EXPECT_EQ(p.settings.pixelLength, settings.pixelLength);
    EXPECT_EQ(p.settings.contourScaleMax, 80);
    EXPECT_EQ(p.specs[fixed].value, 20.0L);
    EXPECT_EQ(p.specs[flux].value, 150.0L);
    EXPECT_NEAR(static_cast<double>(p.frames[1].area), static_cast<double>(area1),
                1e-9 * static_cast<double>(area1));
}

TEST(GeometrySwitch, CylindricalMovesTheDrawingClearOfTheAxisOnce) {
    Problem p;
    MakeDrawing(p);
    const Real x = p.nodes[1].x;
    ASSERT_TRUE(SwitchGeometry(p, true));
    EXPECT_TRUE(p.settings.cylindrical);
    EXPECT_TRUE(p.settings.displayAxes);
    EXPECT_EQ(p.settings.axisLetters[0], 'R');
    EXPECT_EQ(p.nodes[1].x, x + 36);
    EXPECT_FALSE(SwitchGeometry(p, true));
    ASSERT_TRUE(SwitchGeometry(p, false));
    EXPECT_EQ(p.nodes[1].x, x + 36);  // nodes do not move back
    EXPECT_EQ(p.settings.axisLetters[0], 'X');
}

TEST(SubjectChange, KeepsTheGeometryWithoutMaterialsOrResets) {
    Problem p;
    MakeDrawing(p);
    p.frames[1].material = 3;
    ApplySubjectChange(p, ProbTypeA::ElecFieldNC, true);
    EXPECT_EQ(p.settings.subject, ProbTypeA::ElecFieldNC);
    EXPECT_EQ(p.nodes.Count(), 6);
    EXPECT_EQ(p.frames[1].material, 0);
    EXPECT_EQ(p.materials[1].name, "Air");
    ApplySubjectChange(p, ProbTypeA::HeatTrans, false);
    EXPECT_EQ(p.nodes.Count(), 0);
    EXPECT_EQ(p.frameCount, 0);
}

}  // namespace
}  // namespace kova

#include "geometry/outline_drawing.hpp"

#include <cmath>
#include <numbers>

#include "editing/drawing_commands.hpp"
#include "editing_fixture.hpp"
#include "geometry/frame_rebuild.hpp"

namespace kova {
namespace {

using testing::AddRectangleFrame;

class OutlineTest : public EditingTest {
protected:
    EditResult Square(Real left, Real top, Real side) {
        return DrawFreeFormOutline(problem, Clicks({{left, top},
                                                    {left + side, top},
                                                    {left + side, top + side},
                                                    {left, top + side},
                                                    {left, top}}));
    }
};

// ------------------------------------------------------------- free-form outlines

TEST_F(OutlineTest, AClosedOutlineBecomesASelectedDistributedFrameWithoutMaterial) {
    FrameNo(1).material = 7;  // a stale record in the slot must not leak into the frame
    const EditResult r = Square(100, 100, 100);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.frame, 1);
    EXPECT_EQ(problem.frameCount, 1);
    const Frame& f = FrameNo(1);
    EXPECT_EQ(f.VertexCount(), 5);
    EXPECT_EQ(f.material, 0);
    EXPECT_EQ(f.type, FrameType::Distributed);
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 10000.0, 1e-6);
    EXPECT_EQ(f.labelX, 150);
    EXPECT_EQ(f.labelY, 150);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(problem.lines.Count(), 4);
    for (const LineSegment& s : problem.lines) {
        EXPECT_EQ(Sides(&s), (std::vector<int>{0, 1}));
        EXPECT_EQ(s.fluxSpec, 0);
    }
    EXPECT_EQ(problem.selection.state, SelectType::Frames);
    ASSERT_EQ(problem.selection.items.size(), 1u);
    EXPECT_EQ(problem.selection.items[0].selectNo, 1);
    EXPECT_EQ(UndoNames(), (std::vector<std::string>{"Outline"}));
    EXPECT_EQ(problem.settings.activeNodeCount, 4);
    EXPECT_FALSE(problem.settings.problemSaved);
    ExpectConsistent();
}

TEST_F(OutlineTest, CornerPromptAppearsAndNodeNumbersAreRestored) {
    problem.settings.displayNodeNumbers = true;
    Square(100, 100, 100);
    bool prompted = false;
    for (const auto& e : reporter.events)
        prompted = prompted || e.text == GetMessage(kMsgPrompt, 2);
    EXPECT_TRUE(prompted);
    EXPECT_TRUE(problem.settings.displayNodeNumbers);
}

TEST_F(OutlineTest, ShortOutlinesAndEmptyListsCancelLeavingNothing) {
    // Closing on the first corner after only one other corner.
    EditResult r = DrawFreeFormOutline(problem, Clicks({{100, 100}, {200, 100}, {100, 100}}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(problem.nodes.Count(), 0);
    EXPECT_EQ(problem.lines.Count(), 0);
    // A click on the first corner again.
    r = DrawFreeFormOutline(problem, Clicks({{100, 100}, {101, 100}}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(problem.nodes.Count(), 0);
    // The clicks running out before the outline closes.
    r = DrawFreeFormOutline(problem, Clicks({{100, 100}, {200, 100}, {200, 200}}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(problem.nodes.Count(), 0);
    EXPECT_EQ(problem.lines.Count(), 0);
    EXPECT_EQ(problem.frameCount, 0);
    // A first click above the drawing cancels at once.
    r = DrawFreeFormOutline(problem, Clicks({{100, -5}, {200, 100}}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(problem.nodes.Count(), 0);
    EXPECT_TRUE(reporter.Errors().empty());
}

TEST_F(OutlineTest, ACancelledOutlineGivesFollowedSegmentsBackTheirSidesAndSpecs) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    LineSegment* right = SegmentBetween(200, 100, 200, 200);
    ASSERT_NE(right, nullptr);
    const int flux = Spec(kSpecFlux, 3);
    right->fluxSpec = flux;
    const std::vector<int> before = Sides(right);
    // Start on the top-right corner, follow the right edge, then one new edge; cancel.
    const EditResult r = DrawFreeFormOutline(problem, Clicks({{200, 100}, {200, 200}, {300, 200}}));
    EXPECT_FALSE(r.ok);
    right = SegmentBetween(200, 100, 200, 200);
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(Sides(right), before);
    EXPECT_EQ(right->fluxSpec, flux);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(problem.lines.Count(), 4);
    ExpectConsistent();
}

TEST_F(OutlineTest, RefusedCornersBeepAndDrawingGoesOn) {
    const EditResult r = DrawFreeFormOutline(problem, Clicks({{100, 100},
                                                              {300, 100},
                                                              {300, 300},
                                                              {200, 50},   // crosses 1st edge
                                                              {300, 100},  // used vertex
                                                              {100, 300},
                                                              {100, 100}}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(FrameNo(1).VertexCount(), 5);
    EXPECT_EQ(reporter.BeepCount(), 2);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 40000.0, 1e-6);
    int refusals = 0;
    for (const auto& e : reporter.events) refusals += e.text == kInvalidCorner ? 1 : 0;
    EXPECT_EQ(refusals, 2);
    ExpectConsistent();
}

TEST_F(OutlineTest, AnOutlineCrossingAnotherFrameIsRefusedCornerByCorner) {
    AddRectangleFrame(problem, 200, 200, 300, 300);
    // The second corner would make an edge through the existing frame.
    const EditResult r = DrawFreeFormOutline(
        problem,
        Clicks(
            {{150, 250}, {350, 250}, {150, 150}, {190, 150}, {190, 350}, {150, 350}, {150, 250}}));
    ASSERT_TRUE(r.ok);
    EXPECT_GE(reporter.BeepCount(), 1);
    EXPECT_NEAR(static_cast<double>(PixelArea(2)), 40.0 * 200.0, 1e-6);
    ExpectConsistent();
}

TEST_F(OutlineTest, AnOutlineInsideAFrameMakesAHoleInIt) {
    AddRectangleFrame(problem, 0, 0, 400, 400);
    const EditResult r = Square(100, 100, 100);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.frame, 2);
    for (const LineSegment& s : problem.lines) {
        const bool inner = s.frameA == 2 || s.frameB == 2;
        if (inner) {
            EXPECT_EQ(Sides(&s), (std::vector<int>{1, 2}));
        }
    }
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 160000.0 - 10000.0, 1e-6);
    EXPECT_FALSE(PointInFrame(problem, 1, 150, 150));
    EXPECT_EQ(FrameAtPoint(problem, 150, 150), 2);
    ExpectConsistent();
}

TEST_F(OutlineTest, AnEdgeAlongANeighbourSharesItsSegmentAndClearsItsSpecs) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    LineSegment* shared = SegmentBetween(200, 100, 200, 200);
    shared->transferSpec = Spec(kSpecTransfer, 4);
    shared->valueSpec = Spec(kSpecValue, 2);
    const EditResult r = DrawFreeFormOutline(
        problem, Clicks({{200, 100}, {300, 100}, {300, 200}, {200, 200}, {200, 100}}));
    ASSERT_TRUE(r.ok);
    shared = SegmentBetween(200, 100, 200, 200);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(Sides(shared), (std::vector<int>{1, 2}));
    EXPECT_EQ(shared->transferSpec, 0);
    EXPECT_EQ(shared->valueSpec, 0);
    EXPECT_EQ(problem.nodes.Count(), 6);
    EXPECT_EQ(problem.lines.Count(), 7);
    ExpectConsistent();
}

TEST_F(OutlineTest, CornersSnapToNodesAndSplitTheSegmentsTheyLandOn) {
    AddRectangleFrame(problem, 100, 100, 300, 200);
    // A triangle on top of the rectangle whose corners land on its top edge, one of
    // them 3 pixels from the existing corner (snapped) and one in the middle (split).
    const EditResult r =
        DrawFreeFormOutline(problem, Clicks({{200, 100}, {250, 40}, {297, 102}, {200, 100}}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(problem.nodes.Count(), 6);
    LineSegment* shared = SegmentBetween(200, 100, 300, 100);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(Sides(shared), (std::vector<int>{1, 2}));
    EXPECT_NE(SegmentBetween(100, 100, 200, 100), nullptr);
    EXPECT_EQ(FrameNo(1).VertexCount(), 6);  // the split node joined the rectangle
    ExpectConsistent();
}

TEST_F(OutlineTest, AxisEdgesOfCylindricalProblemsShareOneZeroFluxSpecification) {
    problem.SetCylindrical(true);
    problem.settings.originX = 100;
    const int specsBefore = problem.specs.Count();
    // The last corner, left of the axis, moves onto it.
    ASSERT_TRUE(DrawFreeFormOutline(
                    problem, Clicks({{100, 100}, {200, 100}, {200, 200}, {60, 200}, {100, 100}}))
                    .ok);
    ASSERT_TRUE(DrawFreeFormOutline(
                    problem, Clicks({{100, 200}, {200, 200}, {200, 300}, {100, 300}, {100, 200}}))
                    .ok);
    EXPECT_EQ(problem.specs.Count(), specsBefore + 1);
    const LineSegment* axis1 = SegmentBetween(100, 100, 100, 200);
    const LineSegment* axis2 = SegmentBetween(100, 200, 100, 300);
    ASSERT_NE(axis1, nullptr);
    ASSERT_NE(axis2, nullptr);
    EXPECT_NE(axis1->fluxSpec, 0);
    EXPECT_EQ(axis1->fluxSpec, axis2->fluxSpec);
    const BoundarySpec& spec = problem.specs[axis1->fluxSpec];
    EXPECT_EQ(spec.kind, kSpecFlux);
    EXPECT_EQ(spec.value, 0);
    EXPECT_EQ(SegmentBetween(100, 100, 200, 100)->fluxSpec, 0);
    ExpectConsistent();
}

TEST_F(OutlineTest, TheSixtyFirstFrameIsRefusedWithNothingDrawn) {
    for (int k = 0; k < kMaxFrames; ++k) {
        const Real x = 20 * (k % 10), y = 20 * (k / 10);
        ASSERT_EQ(AddRectangleFrame(problem, x, y, x + 10, y + 10), k + 1);
    }
    const int nodes = problem.nodes.Count();
    const EditResult r = Square(500, 500, 50);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, kFrameLimit);
    EXPECT_EQ(reporter.Errors(), (std::vector<std::string>{kFrameLimit}));
    EXPECT_EQ(problem.frameCount, kMaxFrames);
    EXPECT_EQ(problem.nodes.Count(), nodes);
    EXPECT_EQ(problem.selection.state, SelectType::None);
    EXPECT_EQ(DrawCircularOutline(problem, kCircle, 8, 40, 600, 600).message, kFrameLimit);
    EXPECT_EQ(problem.nodes.Count(), nodes);
}

TEST_F(OutlineTest, TheStartNodeIsTheFirstVertexThatStartsNoOtherOutline) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    ASSERT_TRUE(DrawFreeFormOutline(
                    problem, Clicks({{100, 100}, {100, 200}, {0, 200}, {0, 100}, {100, 100}}))
                    .ok);
    EXPECT_NE(FrameNo(2).outlineStart, FrameNo(1).outlineStart);
    EXPECT_EQ(problem.nodes[FrameNo(1).outlineStart].x, 100);
    ExpectConsistent();
}

TEST(LockedEndPoint, ShiftOrCtrlLocksTheEdgeToTheNearestOfEightDirections) {
    const ClickPoint h = LockedEndPoint(10, 20, 110, 60);
    EXPECT_EQ(h.x, 110);
    EXPECT_EQ(h.y, 20);
    const ClickPoint v = LockedEndPoint(10, 20, 50, 120);
    EXPECT_EQ(v.x, 10);
    EXPECT_EQ(v.y, 120);
    const ClickPoint d = LockedEndPoint(10, 20, 110, 90);
    EXPECT_EQ(d.x, 110);
    EXPECT_EQ(d.y, 120);
    const ClickPoint up = LockedEndPoint(10, 20, 110, -50);
    EXPECT_EQ(up.y, -80);
}

// ------------------------------------------------------------- circular outlines

struct ShapeCase {
    int cType;
    int points;
};

class CircularShapes : public OutlineTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(CircularShapes, EveryShapeHasItsVerticesEdgesAndArea) {
    const auto [cType, n] = GetParam();
    constexpr Real kPi = std::numbers::pi_v<Real>;
    // Big enough that 36 points of a quarter-circle lie more than 12 pixels apart.
    const Real cx = 400, cy = 400, d = 600, r = d / 2;
    const EditResult result = DrawCircularOutline(problem, cType, n, d, cx, cy);
    ASSERT_TRUE(result.ok) << result.message;
    const Frame& f = FrameNo(1);
    const bool quarter = cType >= kFirstQuarterCircle;
    const int arcVertices = cType == kCircle ? n : n + 1;
    const int corners = arcVertices + (quarter ? 1 : 0);
    EXPECT_EQ(f.VertexCount(), corners + 1);
    EXPECT_EQ(problem.nodes.Count(), corners);
    EXPECT_EQ(problem.lines.Count(), corners);
    // The first vertex: the centre of a quarter-circle, else the arc's starting point.
    const int orientation = cType == kCircle ? 0 : (cType - 1) % 4;
    const Real start = orientation * kPi / 2;
    const Node& first = problem.nodes[f.outlineStart];
    if (quarter) {
        EXPECT_NEAR(static_cast<double>(first.x), 400.0, 1e-9);
        EXPECT_NEAR(static_cast<double>(first.y), 400.0, 1e-9);
    } else {
        EXPECT_NEAR(static_cast<double>(first.x), static_cast<double>(cx + r * std::cos(start)),
                    1e-9);
        EXPECT_NEAR(static_cast<double>(first.y), static_cast<double>(cy + r * std::sin(start)),
                    1e-9);
    }
    // The area is that of the inscribed polygon: n triangles of the arc's share.
    const Real share = cType == kCircle ? 1 : quarter ? 0.25L : 0.5L;
    const Real polygon = n * 0.5L * r * r * std::sin(2 * kPi * share / n);
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), static_cast<double>(polygon),
                static_cast<double>(polygon) * 0.02 + 2);
    // Every arc point lies on the chosen side of the centre.
    const Real midAngle = start + kPi * share;
    const Real ux = std::cos(midAngle), uy = std::sin(midAngle);
    if (cType != kCircle) {
        for (int i = 1; i <= problem.nodes.Count(); ++i) {
            const Node& p = problem.nodes[i];
            EXPECT_GE(static_cast<double>((p.x - cx) * ux + (p.y - cy) * uy), -1e-6);
        }
    }
    // The arc points lie on the circle; a quarter-circle's centre is the first vertex.
    const auto& v = f.vertices;
    for (std::size_t j = quarter ? 1 : 0; j + 1 < v.size(); ++j) {
        const Node& p = problem.nodes[v[j]];
        EXPECT_NEAR(static_cast<double>(std::hypot(p.x - cx, p.y - cy)), 300.0, 1e-6);
    }
    // The closing diameter of a semi-circle, the two radii of a quarter-circle.
    if (quarter) {
        EXPECT_NE(FindSegment(problem, v[0], v[1]), nullptr);
        EXPECT_NE(FindSegment(problem, v[0], v[v.size() - 2]), nullptr);
    } else if (cType != kCircle) {
        EXPECT_NE(FindSegment(problem, v[0], v[v.size() - 2]), nullptr);
    }
    for (const LineSegment& s : problem.lines) EXPECT_EQ(Sides(&s), (std::vector<int>{0, 1}));
    EXPECT_EQ(problem.selection.state, SelectType::Frames);
    ExpectConsistent();
}

// Every shape and every point count the circle dialog offers (6 to 36 in steps of 2).
std::vector<ShapeCase> AllShapeCases() {
    std::vector<ShapeCase> cases;
    for (int cType = kCircle; cType <= kLastCircularShape; ++cType)
        for (int n = 6; n <= 36; n += 2) cases.push_back({cType, n});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AllShapes, CircularShapes, ::testing::ValuesIn(AllShapeCases()));

TEST_F(OutlineTest, ACircleCrossingAFrameIsUndoneAsAWhole) {
    AddRectangleFrame(problem, 100, 100, 300, 300);
    FrameNo(1).material = 3;
    LineSegment* right = SegmentBetween(300, 100, 300, 300);
    const int flux = Spec(kSpecFlux, 2);
    right->fluxSpec = flux;
    const EditResult r = DrawCircularOutline(problem, kCircle, 8, 100, 300, 200);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, kCrossing);
    EXPECT_EQ(reporter.Errors(), (std::vector<std::string>{kCrossing}));
    EXPECT_EQ(problem.frameCount, 1);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(problem.lines.Count(), 4);
    EXPECT_EQ(FrameNo(1).material, 3);
    EXPECT_EQ(SegmentBetween(300, 100, 300, 300)->fluxSpec, flux);
    EXPECT_TRUE(problem.undoList.empty());
    EXPECT_TRUE(PointInFrame(problem, 1, 200, 200));
    ExpectConsistent();
}

TEST_F(OutlineTest, ACircleInsideAFrameBordersIt) {
    AddRectangleFrame(problem, 100, 100, 500, 500);
    const EditResult r = DrawCircularOutline(problem, kCircle, 12, 100, 300, 300);
    ASSERT_TRUE(r.ok);
    for (const LineSegment& s : problem.lines)
        if (s.frameA == 2 || s.frameB == 2) {
            EXPECT_EQ(Sides(&s), (std::vector<int>{1, 2}));
        }
    EXPECT_EQ(FrameAtPoint(problem, 300, 300), 2);
    EXPECT_LT(PixelArea(1), 160000.0L - 7000);
    ExpectConsistent();
}

TEST_F(OutlineTest, ASemiCircleOnAnEdgeSharesItAsItsDiameter) {
    AddRectangleFrame(problem, 100, 100, 300, 200);
    // The upper half of a circle centred on the top edge.
    const EditResult r = DrawCircularOutline(problem, 3, 8, 100, 200, 100);
    ASSERT_TRUE(r.ok) << r.message;
    const LineSegment* diameter = SegmentBetween(150, 100, 250, 100);
    ASSERT_NE(diameter, nullptr);
    EXPECT_EQ(Sides(diameter), (std::vector<int>{1, 2}));
    EXPECT_EQ(FrameNo(1).VertexCount(), 7);
    ExpectConsistent();
}

TEST_F(OutlineTest, ACircleTooSmallForItsPointsOrWithBadInputChangesNothing) {
    AddRectangleFrame(problem, 100, 100, 300, 300);
    EditResult r = DrawCircularOutline(problem, kCircle, 36, 10, 500, 500);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, kInvalidCorner);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(problem.frameCount, 1);
    EXPECT_TRUE(problem.undoList.empty());
    r = DrawCircularOutline(problem, 9, 8, 100, 500, 500);
    EXPECT_EQ(r.message, "Illegal entry.");
    r = DrawCircularOutline(problem, kCircle, 8, -4, 500, 500);
    EXPECT_EQ(r.message, "Illegal entry.");
    EXPECT_EQ(problem.nodes.Count(), 4);
    ExpectConsistent();
}

TEST_F(OutlineTest, ACircleAroundAFrameEnclosesIt) {
    AddRectangleFrame(problem, 280, 280, 320, 320);
    const EditResult r = DrawCircularOutline(problem, kCircle, 16, 300, 300, 300);
    ASSERT_TRUE(r.ok);
    for (const LineSegment& s : problem.lines)
        if (s.frameA == 1 || s.frameB == 1) {
            EXPECT_EQ(Sides(&s), (std::vector<int>{1, 2}));
        }
    EXPECT_EQ(FrameAtPoint(problem, 300, 300), 1);
    EXPECT_EQ(FrameAtPoint(problem, 300, 200), 2);
    ExpectConsistent();
}

}  // namespace
}  // namespace kova

#include "geometry/primitives.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/frame_rebuild.hpp"
#include "geometry/region.hpp"
#include "model/messages.hpp"
#include "support/geometry_builders.hpp"
#include "support/model_invariants.hpp"

namespace kova {
namespace {

using testing::AddRectangleFrame;
using testing::AddSegment;
using testing::CheckModelInvariants;
using testing::JoinViolations;
using testing::NodeAt;

class GeometryTest : public ::testing::Test {
protected:
    GeometryTest() { problem.SetReporter(&reporter); }
    Problem problem;
    RecordingReporter reporter;
};

// ---------------------------------------------------------------- finding nodes

TEST_F(GeometryTest, FindNodeNearUsesAStrictRadiusAndPrefersTheLowerNumberOnTies) {
    problem.AddNode(100, 100);  // 1
    problem.AddNode(124, 100);  // 2
    Real x = 112, y = 100;
    EXPECT_EQ(FindNodeNear(problem, x, y, 12), 0);  // exactly 12 away: not found
    EXPECT_EQ(x, 112);
    EXPECT_EQ(FindNodeNear(problem, x, y, 12.5L), 1);  // equal distances: the lower number
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 100);
    x = 112.1L;
    y = 100;
    EXPECT_EQ(FindNodeNear(problem, x, y, 12), 2);
    EXPECT_EQ(x, 124);
}

TEST_F(GeometryTest, FindNodeNearWithoutRadiusMatchesPositionsOnly) {
    problem.AddNode(50.00005L, 60);  // 1
    problem.AddNode(50.00005L, 60);  // 2, on top of node 1
    Real x = 50, y = 60;
    EXPECT_EQ(FindNodeNear(problem, x, y, 0), 2);  // searched from the last node
    EXPECT_EQ(x, 50.00005L);
    x = 50.0002L;
    y = 60;
    EXPECT_EQ(FindNodeNear(problem, x, y, -1), 0);
    EXPECT_EQ(x, 50.0002L);
}

TEST_F(GeometryTest, FindNodeNearStopsAtTheFirstNodeWithinOnePixel) {
    problem.AddNode(0.2L, 0);  // 1: the nearest
    problem.AddNode(0.9L, 0);  // 2: within a pixel, met first
    Real x = 0.2L, y = 0;
    EXPECT_EQ(FindNodeNear(problem, x, y, 12), 2);
}

// ---------------------------------------------------------------- segments

TEST_F(GeometryTest, PointNearSegmentProjectsOntoHorizontalVerticalAndSlopedSegments) {
    const int a = NodeAt(problem, 0, 0), b = NodeAt(problem, 100, 0);
    const int c = NodeAt(problem, 0, 100), d = NodeAt(problem, 100, 100);
    LineSegment& flat = AddSegment(problem, a, b, 1, 0);
    LineSegment& upright = AddSegment(problem, a, c, 1, 0);
    LineSegment& sloped = AddSegment(problem, a, d, 1, 1);

    // Along a level segment the tolerance of `Between` on y leaves 2.5 pixels.
    NearSegmentResult r = PointNearSegment(problem, flat, 40, 2);
    EXPECT_TRUE(r.near);
    EXPECT_EQ(r.px, 40);
    EXPECT_EQ(r.py, 0);
    EXPECT_FALSE(PointNearSegment(problem, flat, 40, 2.5L).near);
    EXPECT_FALSE(PointNearSegment(problem, flat, 110, 0).near);  // beyond the end

    r = PointNearSegment(problem, upright, -2, 70);
    EXPECT_TRUE(r.near);
    EXPECT_EQ(r.px, 0);
    EXPECT_EQ(r.py, 70);

    r = PointNearSegment(problem, sloped, 52, 48);
    EXPECT_TRUE(r.near);
    EXPECT_EQ(r.px, 50);
    EXPECT_EQ(r.py, 50);
    EXPECT_FALSE(PointNearSegment(problem, sloped, 60, 40).near);
}

TEST_F(GeometryTest, APointOnALongShallowSegmentIsNearIt) {
    const int a = NodeAt(problem, 750.928L, 788.497L), b = NodeAt(problem, 585.097L, 782.075L);
    LineSegment& s = AddSegment(problem, a, b, 1, 0);
    const Real t = 0.587L;
    const Real x = 750.928L + t * (585.097L - 750.928L), y = 788.497L + t * (782.075L - 788.497L);
    const NearSegmentResult r = PointNearSegment(problem, s, x, y);
    EXPECT_TRUE(r.near);
    EXPECT_LE(std::hypot(r.px - x, r.py - y), 1);
}

TEST_F(GeometryTest, FindSegmentThroughSkipsSegmentsAtTheNodeInactiveOnesAndHiddenElementLines) {
    const int a = NodeAt(problem, 0, 0), b = NodeAt(problem, 100, 0);
    const int c = NodeAt(problem, 0, 2), d = NodeAt(problem, 100, 2);
    LineSegment& boundary = AddSegment(problem, a, b, 1, 0);
    LineSegment& element = AddSegment(problem, c, d, 1, 1);
    // (50, 1.5) is nearer to the element line.
    problem.settings.displayElementLines = true;
    EXPECT_EQ(FindSegmentThrough(problem, 50, 1.5L, 0).segment, &element);
    problem.settings.displayElementLines = false;
    SegmentThroughResult r = FindSegmentThrough(problem, 50, 1.5L, 0);
    EXPECT_EQ(r.segment, &boundary);
    EXPECT_EQ(r.px, 50);
    EXPECT_EQ(r.py, 0);
    EXPECT_EQ(FindSegmentThrough(problem, 50, 1.5L, a).segment, nullptr);  // ends at a
    boundary.active = 0;
    EXPECT_EQ(FindSegmentThrough(problem, 50, 1.5L, 0).segment, nullptr);
}

TEST_F(GeometryTest, TestPointsLieOnBothSidesOfTheMidpoint) {
    const int a = NodeAt(problem, 10, 20), b = NodeAt(problem, 30, 20);
    const int c = NodeAt(problem, 10, 60), d = NodeAt(problem, 40, 50);
    const int twin = problem.AddNode(10, 20);  // on top of a
    TestPointPair p = TestPoints(problem, AddSegment(problem, a, b, 0, 0), 3);
    EXPECT_EQ(p.x1, 20);
    EXPECT_EQ(p.y1, 16);
    EXPECT_EQ(p.x2, 20);
    EXPECT_EQ(p.y2, 24);
    p = TestPoints(problem, AddSegment(problem, a, c, 0, 0), 3, 2);  // printing at twice size
    EXPECT_EQ(p.x1, 3);
    EXPECT_EQ(p.y1, 40);
    EXPECT_EQ(p.x2, 17);
    EXPECT_EQ(p.y2, 40);
    // A sloped segment: both points at distance d from the midpoint, on a perpendicular.
    p = TestPoints(problem, AddSegment(problem, a, d, 0, 0), 3);
    const Real mx = 25, my = 35;
    EXPECT_NEAR(static_cast<double>(std::hypot(p.x1 - mx, p.y1 - my)), 3.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(std::hypot(p.x2 - mx, p.y2 - my)), 3.0, 1e-12);
    EXPECT_NEAR(static_cast<double>((p.x1 - mx) * 30 + (p.y1 - my) * 30), 0.0, 1e-12);
    // Coinciding ends are handled like a horizontal segment.
    p = TestPoints(problem, AddSegment(problem, a, twin, 0, 0), 3);
    EXPECT_EQ(p.x1, 10);
    EXPECT_EQ(p.y1, 16);
    EXPECT_EQ(p.y2, 24);
}

TEST_F(GeometryTest, FindOrCreateSegmentMakesUnassignedSegmentsSmallerNodeFirst) {
    const int a = NodeAt(problem, 0, 0), b = NodeAt(problem, 50, 0);
    LineSegment* s = FindOrCreateSegment(problem, b, a, false);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->node1, a);
    EXPECT_EQ(s->node2, b);
    EXPECT_EQ(s->frameA, kUnassignedFrame);
    EXPECT_EQ(s->frameB, kUnassignedFrame);
    EXPECT_EQ(s->number, 1);
    EXPECT_EQ(s->active, 1);
    EXPECT_EQ(s->valueSpec + s->fluxSpec + s->transferSpec + s->ambientSpec, 0);
    EXPECT_EQ(FindOrCreateSegment(problem, a, b, false), s);
    EXPECT_EQ(FindSegment(problem, b, a), s);
    EXPECT_EQ(FindOrCreateSegment(problem, a, a, false), nullptr);
    EXPECT_EQ(FindOrCreateSegment(problem, a, 99, false), nullptr);  // no node 99
    EXPECT_EQ(problem.lines.Count(), 1);
    EXPECT_TRUE(reporter.Errors().empty());
}

TEST_F(GeometryTest, FindOrCreateSegmentWithProbeTakesTheFramesOnItsSides) {
    AddRectangleFrame(problem, 0, 0, 100, 100);
    const int mid = NodeAt(problem, 50, 0), inside = NodeAt(problem, 50, 50);
    LineSegment* s = FindOrCreateSegment(problem, mid, inside, true);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->frameA, 1);
    EXPECT_EQ(s->frameB, 1);
    const int outside = NodeAt(problem, 50, -50);
    s = FindOrCreateSegment(problem, mid, outside, true);
    EXPECT_EQ(s->frameA, 0);
    EXPECT_EQ(s->frameB, 0);
}

// ---------------------------------------------------------------- splitting

class SplitTest : public GeometryTest {
protected:
    void SetUp() override {
        AddRectangleFrame(problem, 0, 0, 100, 100);
        top = FindSegment(problem, 1, 2);
        ASSERT_NE(top, nullptr);
        top->valueSpec = 3;
        top->fluxSpec = 4;
        top->transferSpec = 5;
        top->ambientSpec = 6;
        problem.nodes[1].valueSpec = 3;
        problem.nodes[2].valueSpec = 3;
    }
    void ExpectHalf(int a, int b) {
        const LineSegment* half = FindSegment(problem, a, b);
        ASSERT_NE(half, nullptr) << a << "-" << b;
        EXPECT_EQ(half->frameA + half->frameB, 1);  // sides 1 and 0, as before
        EXPECT_NE(half->frameA, half->frameB);
        EXPECT_EQ(half->valueSpec, 3);
        EXPECT_EQ(half->fluxSpec, 4);
        EXPECT_EQ(half->transferSpec, 5);
        EXPECT_EQ(half->ambientSpec, 6);
        EXPECT_EQ(half->areaFactor, problem.AreaFactor(*half));
    }
    LineSegment* top = nullptr;
};

TEST_F(SplitTest, ANodeNearABoundaryReplacesItByTwoHalvesWithTheSameSidesAndSpecifications) {
    const int k = problem.AddNode(40, 2.4L);
    ASSERT_TRUE(SplitSegmentAtNode(problem, k));
    EXPECT_EQ(problem.lines.Count(), 5);
    EXPECT_EQ(FindSegment(problem, 1, 2), nullptr);
    ExpectHalf(1, k);
    ExpectHalf(k, 2);
    EXPECT_EQ(problem.nodes[k].x, 40);
    EXPECT_EQ(problem.nodes[k].y, 0);  // exactly on the old segment
    EXPECT_EQ(problem.nodes[k].valueSpec, 3);
    // The frame's outline takes the new node in.
    EXPECT_EQ(RebuildOutline(problem, 1), OutlineResult::Rebuilt);
    RebuildFrameGeometry(problem, 1, false);
    EXPECT_EQ(problem.frames[1].VertexCount(), 6);
    EXPECT_TRUE(CheckModelInvariants(problem).empty())
        << JoinViolations(CheckModelInvariants(problem));
}

TEST_F(SplitTest, TheBoundaryValueSurvivesWhenTheEndNodesDiffer) {
    problem.nodes[2].valueSpec = 7;  // the corner took the neighbouring side's value
    problem.SetCylindrical(true);
    const int k = problem.AddNode(60, -2);
    ASSERT_TRUE(SplitSegmentAtNode(problem, k));
    ExpectHalf(1, k);
    ExpectHalf(k, 2);
    EXPECT_EQ(problem.nodes[k].valueSpec, 3);
    EXPECT_GT(FindSegment(problem, 1, k)->areaFactor, 0);
}

TEST_F(SplitTest, NothingHappensAwayFromSegmentsOrAtTheSegmentsOwnEnds) {
    const int far = problem.AddNode(50, 50);
    EXPECT_FALSE(SplitSegmentAtNode(problem, far));
    EXPECT_FALSE(SplitSegmentAtNode(problem, 1));  // its segments end at it
    EXPECT_FALSE(SplitSegmentAtNode(problem, 77));
    EXPECT_EQ(problem.lines.Count(), 4);
}

TEST_F(SplitTest, ElementLinesAreSplitOnlyWhileTheyAreShown) {
    const int a = NodeAt(problem, 0, 50), b = NodeAt(problem, 100, 50);
    AddSegment(problem, a, b, 1, 1);
    const int k = problem.AddNode(30, 51);
    problem.settings.displayElementLines = false;
    EXPECT_FALSE(SplitSegmentAtNode(problem, k));
    problem.settings.displayElementLines = true;
    EXPECT_TRUE(SplitSegmentAtNode(problem, k));
    EXPECT_EQ(FindSegment(problem, a, k)->frameA, 1);
    EXPECT_EQ(FindSegment(problem, k, b)->frameB, 1);
    EXPECT_EQ(problem.nodes[k].y, 50);
}

// ---------------------------------------------------------------- crossing test

class CrossingTest : public GeometryTest {
protected:
    void SetUp() override { AddRectangleFrame(problem, 0, 0, 100, 100); }
    bool Passes(Real xs, Real ys, Real xe, Real ye, const LineSegment* ignored = nullptr) {
        return CrossingCheck(problem, ignored, xs, ys, xe, ye).pass;
    }
};

TEST_F(CrossingTest, CrossingsFailAndMeetingsAtTheEndsPass) {
    EXPECT_FALSE(Passes(50, -50, 50, 50));   // through the top side
    EXPECT_TRUE(Passes(150, -50, 150, 50));  // beside the square
    EXPECT_FALSE(Passes(-50, -50, 50, 50));  // through the corner node (0, 0)
    EXPECT_TRUE(Passes(0, 0, -50, -60));     // from a corner outwards
    EXPECT_TRUE(Passes(50, 50, 50, 100));    // ending on the bottom side
    EXPECT_TRUE(Passes(50, -3, 50, -80));    // starting 3 pixels off a side
    EXPECT_TRUE(Passes(50, -50, 50, 50, FindSegment(problem, 1, 2)));  // that side ignored
}

TEST_F(CrossingTest, ShallowCrossingsThatRoundingHidesFailAndAnEndAtANodeIsNotMoved) {
    // A segment and an edge a pixel or two apart at 4 degrees: rounded to pixels they
    // seem to meet 3 pixels from the edge's start, but they cross 40 pixels into it.
    const int a = problem.AddNode(620.5313313L, 493.6122864L);
    const int b = problem.AddNode(663.8839236L, 425.2227863L);
    AddSegment(problem, a, b, 3, 0);
    EXPECT_FALSE(Passes(618.7789155L, 497.34828L, 668.9250948L, 411.6296076L));
    EXPECT_TRUE(Passes(616.7789155L, 497.34828L, 616.9250948L, 411.6296076L));

    // An edge to a node 2 pixels inside the right side crosses that side on the way; with
    // its end moved onto the side it would not.
    EXPECT_TRUE(Passes(110, 20, 98, 50));
    EXPECT_FALSE(CrossingCheck(problem, nullptr, 110, 20, 98, 50, false).pass);
}

TEST_F(GeometryTest, AnEdgeFarAlongTheLineOfASegmentDoesNotCrossIt) {
    // Pieces of one long slanted edge: however the rounding of the exact products falls,
    // they do not cross.
    const int c = problem.AddNode(-128.5555506L, 24.24531058L);
    const int d = problem.AddNode(-61.31782978L, 40.81792034L);
    AddSegment(problem, c, d, 1, 1);
    EXPECT_TRUE(CrossingCheck(problem, nullptr, 69.25L, 73, 136.4877209L, 89.57260975L).pass);
    EXPECT_TRUE(CrossingCheck(problem, nullptr, 136.4877209L, 89.57260975L, 69.25L, 73).pass);
}

TEST_F(CrossingTest, TheEndSnapsOntoTheFirstSegmentItLiesNear) {
    const CrossingResult r = CrossingCheck(problem, nullptr, 50, -50, 52, -2);
    EXPECT_TRUE(r.pass);
    EXPECT_EQ(r.endSegment, FindSegment(problem, 1, 2));
    EXPECT_EQ(r.xe, 52);
    EXPECT_EQ(r.ye, 0);
    const CrossingResult away = CrossingCheck(problem, nullptr, 50, -50, 52, -20);
    EXPECT_EQ(away.endSegment, nullptr);
    EXPECT_EQ(away.ye, -20);
}

TEST_F(CrossingTest, EdgesAlongExistingSegmentsFailButStraightContinuationsPass) {
    EXPECT_FALSE(Passes(-50, 0, 50, 0));       // overlaps the top side
    EXPECT_FALSE(Passes(0, -50, 0, 150));      // covers the whole left side
    EXPECT_FALSE(Passes(100, 20, 100, 80));    // lies on the right side
    EXPECT_TRUE(Passes(100, 0, 200, 0));       // continues the top side
    EXPECT_TRUE(Passes(0, 100, 0, 200));       // continues the left side
    EXPECT_FALSE(Passes(-20, 101, 120, 101));  // one pixel beside the bottom side
    EXPECT_TRUE(Passes(-20, 102, 120, 102));   // two pixels beside it
}

TEST_F(CrossingTest, DegenerateEdgesDoNotCrash) {
    EXPECT_TRUE(Passes(150, 150, 150, 150));
    EXPECT_TRUE(Passes(50, 0, 50, 0));
    const int twinA = problem.AddNode(300, 300), twinB = problem.AddNode(300, 300);
    AddSegment(problem, twinA, twinB, 0, 0);  // a zero-length segment
    EXPECT_TRUE(Passes(250, 250, 290, 290));
    EXPECT_FALSE(Passes(250, 250, 350, 350));  // runs through it
}

// ---------------------------------------------------------------- frames at points

TEST_F(GeometryTest, FramesAtPointFindTheInnermostFrameFirst) {
    AddRectangleFrame(problem, 0, 0, 200, 200);       // 1
    AddRectangleFrame(problem, 50, 50, 100, 100, 1);  // 2, inside 1
    EXPECT_EQ(FrameAtPoint(problem, 75, 75), 2);
    EXPECT_EQ(FrameAtPoint(problem, 150, 150), 1);
    EXPECT_EQ(FrameAtPoint(problem, 250, 150), 0);
    FramePair pair = FramesAtPoint(problem, 75.4L, 75);
    EXPECT_EQ(pair.first, 2);
    EXPECT_EQ(pair.second, 0);              // the outer frame's region has a hole there
    pair = FramesAtPoint(problem, 50, 75);  // on the inner outline
    EXPECT_EQ(pair.first, 2);
    EXPECT_EQ(pair.second, 1);
    EXPECT_FALSE(PointInFrame(problem, 3, 75, 75));
    EXPECT_FALSE(PointInFrame(problem, -1, 75, 75));
    // Without a region the pixel polygon answers, bounding rectangle first.
    problem.frames[2].region = Region{};
    EXPECT_TRUE(PointInFrame(problem, 2, 60, 60));
    EXPECT_FALSE(PointInFrame(problem, 2, 40, 60));
}

TEST_F(GeometryTest, AnOffsetRegionAnswersWhereItNowLies) {
    AddRectangleFrame(problem, 0, 0, 100, 100);
    OffsetRegion(problem.frames[1].region, 500, 0);  // scrolled; bounds not yet updated
    EXPECT_TRUE(PointInFrame(problem, 1, 550, 50));
    EXPECT_FALSE(PointInFrame(problem, 1, 50, 50));
}

TEST_F(GeometryTest, FrameIslandNeedsOneEnclosingFrameAllRound) {
    AddRectangleFrame(problem, 0, 0, 200, 200);        // 1
    AddRectangleFrame(problem, 50, 50, 100, 100, 1);   // 2: island in 1
    AddRectangleFrame(problem, 100, 50, 150, 100, 1);  // 3: shares a side with 2
    AddRectangleFrame(problem, 300, 0, 400, 100);      // 4: on its own
    EXPECT_FALSE(FrameIsland(problem, 1).island);
    EXPECT_FALSE(FrameIsland(problem, 2).island);  // touches 1 and 3
    EXPECT_FALSE(FrameIsland(problem, 4).island);
    EXPECT_FALSE(FrameIsland(problem, 7).island);
    const int e = AddRectangleFrame(problem, 20, 20, 40, 40, 1);
    const IslandResult r = FrameIsland(problem, e);
    EXPECT_TRUE(r.island);
    EXPECT_EQ(r.enclosing, 1);
}

// ---------------------------------------------------------------- axis and limits

TEST_F(GeometryTest, CylindricalPositionsStayRightOfTheAxis) {
    problem.settings.originX = 10;
    problem.view.zoom = 2;
    problem.view.scrollX = 5;
    Real x = 3;
    EXPECT_FALSE(KeepRightOfAxis(problem, x));  // Cartesian: anything goes
    EXPECT_EQ(x, 3);
    problem.SetCylindrical(true);
    EXPECT_EQ(AxisX(problem), 15);
    EXPECT_TRUE(KeepRightOfAxis(problem, x));
    EXPECT_EQ(x, 15);
    x = 15.5L;
    EXPECT_FALSE(KeepRightOfAxis(problem, x));
    EXPECT_EQ(x, 15.5L);
    const int on = problem.AddNode(15.4L, 0), off = problem.AddNode(16, 0);
    EXPECT_TRUE(NodeOnAxis(problem, on));
    EXPECT_FALSE(NodeOnAxis(problem, off));
    EXPECT_FALSE(NodeOnAxis(problem, 0));
}

TEST_F(GeometryTest, TheSixtyFirstFrameIsRefusedWithMessageFour) {
    for (int i = 0; i < kMaxFrames; ++i) {
        const Real x = (i % 10) * 30, y = (i / 10) * 30;
        ASSERT_EQ(AddRectangleFrame(problem, x, y, x + 20, y + 20), i + 1);
    }
    EXPECT_TRUE(reporter.Errors().empty());
    EXPECT_EQ(AddRectangleFrame(problem, 500, 500, 520, 520), 0);
    EXPECT_FALSE(CheckFrameLimit(problem));
    ASSERT_EQ(reporter.Errors().size(), 2u);
    EXPECT_EQ(reporter.Errors()[0],
              "Present configuration allows a maximum of 52 separate frames. ");
    EXPECT_EQ(problem.frameCount, kMaxFrames);
    EXPECT_TRUE(CheckModelInvariants(problem).empty())
        << JoinViolations(CheckModelInvariants(problem));
}

}  // namespace
}  // namespace kova

#include "geometry/frame_rebuild.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "geometry/primitives.hpp"
#include "geometry/region.hpp"
#include "model/messages.hpp"
#include "support/geometry_builders.hpp"
#include "support/model_invariants.hpp"

namespace kova {
namespace {

using testing::AddFrame;
using testing::AddRectangleFrame;
using testing::AddSegment;
using testing::CheckModelInvariants;
using testing::JoinViolations;
using testing::NodeAt;

constexpr Real kPi = std::numbers::pi_v<Real>;

class RebuildTest : public ::testing::Test {
protected:
    RebuildTest() {
        problem.SetReporter(&reporter);
        problem.settings.pixelLength = 0.01L;
    }
    void ExpectConsistent() {
        const auto violations = CheckModelInvariants(problem);
        EXPECT_TRUE(violations.empty()) << JoinViolations(violations);
    }
    // A frame made by hand: four corner nodes, segments with the frame on one side and
    // `outside` on the other, in the order given by `order`.
    void HandSquare(int k, Real left, Real top, Real side, int outside,
                    std::vector<int> order = {0, 1, 2, 3}) {
        const int n[4] = {NodeAt(problem, left, top), NodeAt(problem, left + side, top),
                          NodeAt(problem, left + side, top + side),
                          NodeAt(problem, left, top + side)};
        for (const int j : order) AddSegment(problem, n[j], n[(j + 1) % 4], k, outside);
        problem.frameCount = std::max(problem.frameCount, k);
    }
    Real Area(int k) const { return problem.frames[k].area; }
    Real Volume(int k) const { return problem.frames[k].volume; }

    Problem problem;
    RecordingReporter reporter;
};

// ---------------------------------------------------------------- the outline walk

TEST_F(RebuildTest, TheWalkFollowsTheSegmentsFromTheStartNodeAndMarksThem) {
    HandSquare(1, 0, 0, 10, 0, {2, 0, 3, 1});
    const int a = NodeAt(problem, 2, 2), b = NodeAt(problem, 5, 5);
    LineSegment& element = AddSegment(problem, a, b, 1, 1);
    element.elementCount = 2;
    problem.frames[1].outlineStart = 3;
    ASSERT_EQ(RebuildOutline(problem, 1), OutlineResult::Rebuilt);
    // The first segment at node 3 in list order is 3-4; the walk goes on from 4.
    EXPECT_EQ(problem.frames[1].vertices, (std::vector<std::int32_t>{3, 4, 1, 2, 3}));
    EXPECT_EQ(problem.frames[1].outlineStart, 3);
    for (const LineSegment& s : problem.lines) EXPECT_EQ(s.elementCount, &s == &element ? 0 : 1);
    RebuildFrameGeometry(problem, 1, false);
    ExpectConsistent();
}

TEST_F(RebuildTest, LumpSelectionNumbersAndUnknownFrames) {
    HandSquare(1, 0, 0, 10, 0);
    const int n = problem.nodes.Count();
    EXPECT_EQ(RebuildOutline(problem, n + 1), OutlineResult::Rebuilt);
    EXPECT_EQ(problem.frames[1].VertexCount(), 5);
    EXPECT_EQ(RebuildOutline(problem, 0), OutlineResult::Unchanged);
    EXPECT_EQ(RebuildOutline(problem, n + 2), OutlineResult::Unchanged);
}

TEST_F(RebuildTest, AFrameWithFewerThanThreeBoundarySegmentsIsEmptiedAndSelected) {
    AddRectangleFrame(problem, 0, 0, 10, 10);
    AddRectangleFrame(problem, 20, 0, 30, 10);
    // Frame 2 loses two of its sides.
    for (int removed = 0; removed < 2;) {
        auto it = std::find_if(problem.lines.begin(), problem.lines.end(),
                               [](const LineSegment& s) { return s.frameA == 2; });
        problem.RemoveLineSegment(&*it);
        ++removed;
    }
    EXPECT_EQ(RebuildOutline(problem, 2), OutlineResult::Degenerate);
    EXPECT_TRUE(problem.frames[2].vertices.empty());
    EXPECT_EQ(problem.frames[2].area, 0);
    EXPECT_TRUE(problem.frames[2].region.Empty());
    EXPECT_EQ(problem.selection.state, SelectType::Frames);
    ASSERT_EQ(problem.selection.Count(), 1);
    EXPECT_EQ(problem.selection.items[0].selectNo, 2);
    // The whole rebuild reports the same frame and leaves frame 1 whole.
    problem.selection.items.clear();
    EXPECT_EQ(RebuildAllFrames(problem), std::vector<int>{2});
    EXPECT_EQ(problem.selection.items[0].selectNo, 2);
    EXPECT_EQ(problem.frames[1].VertexCount(), 5);
    testing::InvariantOptions options;
    options.allowEmptyFrames = true;
    const auto violations = CheckModelInvariants(problem, options);
    EXPECT_TRUE(violations.empty()) << JoinViolations(violations);
}

TEST_F(RebuildTest, AFrameWithoutThreeDistinctVerticesIsDegenerate) {
    // Three segments, but two of them join the same pair of nodes in opposite order
    // once node numbers are compared: a-b, b-a (as a second record), b-c.
    const int a = NodeAt(problem, 0, 0), b = NodeAt(problem, 10, 0), c = NodeAt(problem, 5, 5);
    AddSegment(problem, a, b, 1, 0);
    AddSegment(problem, a, b, 1, 0);
    AddSegment(problem, b, c, 1, 0);
    problem.frameCount = 1;
    problem.frames[1].outlineStart = a;
    EXPECT_EQ(RebuildOutline(problem, 1), OutlineResult::Degenerate);
    EXPECT_TRUE(problem.frames[1].vertices.empty());
}

TEST_F(RebuildTest, WithoutItsStartNodeTheWalkTakesTheOuterLoopNotAnIsland) {
    // The island's segments come first in list order.
    HandSquare(2, 40, 40, 20, 1);
    HandSquare(1, 0, 0, 100, 0);
    problem.frames[1].outlineStart = 0;
    problem.frames[2].outlineStart = NodeAt(problem, 40, 40);
    ASSERT_EQ(RebuildOutline(problem, 1), OutlineResult::Rebuilt);
    ASSERT_EQ(RebuildOutline(problem, 2), OutlineResult::Rebuilt);
    const int corner = NodeAt(problem, 0, 0);
    const auto& v = problem.frames[1].vertices;
    EXPECT_EQ(v.size(), 5u);
    EXPECT_NE(std::find(v.begin(), v.end(), corner), v.end());
    EXPECT_EQ(problem.frames[1].outlineStart, v.front());  // a start node on the outline
    RebuildFrameGeometry(problem, 1, false);
    EXPECT_NEAR(static_cast<double>(Area(1)), (10000.0 - 400.0) * 1e-4, 1e-12);
    ExpectConsistent();
}

TEST_F(RebuildTest, AnIslandTouchingTheOutlineAtANodeIsNotWalkedInto) {
    // Frame 2 is a triangle inside square 1 with one corner on 1's top side. The
    // island's segments come before the top side's second half in list order.
    const int a = NodeAt(problem, 0, 0), p = NodeAt(problem, 50, 0), b = NodeAt(problem, 100, 0);
    const int c = NodeAt(problem, 100, 100), d = NodeAt(problem, 0, 100);
    const int q = NodeAt(problem, 30, 40), r = NodeAt(problem, 70, 40);
    AddSegment(problem, a, p, 1, 0);
    AddSegment(problem, p, q, 2, 1);
    AddSegment(problem, q, r, 2, 1);
    AddSegment(problem, r, p, 2, 1);
    AddSegment(problem, p, b, 1, 0);
    AddSegment(problem, b, c, 1, 0);
    AddSegment(problem, c, d, 1, 0);
    AddSegment(problem, d, a, 1, 0);
    problem.frameCount = 2;
    problem.frames[1].outlineStart = a;
    problem.frames[2].outlineStart = q;
    ASSERT_EQ(RebuildOutline(problem, 1), OutlineResult::Rebuilt);
    ASSERT_EQ(RebuildOutline(problem, 2), OutlineResult::Rebuilt);
    EXPECT_EQ(problem.frames[1].vertices, (std::vector<std::int32_t>{a, p, b, c, d, a}));
    RebuildFrameGeometry(problem, 2, false);
    EXPECT_NEAR(static_cast<double>(Area(1)), (10000.0 - 800.0) * 1e-4, 1e-12);
    EXPECT_NEAR(static_cast<double>(Area(2)), 800.0 * 1e-4, 1e-12);
    EXPECT_EQ(FrameAtPoint(problem, 50, 30), 2);
    EXPECT_EQ(FrameAtPoint(problem, 50, 60), 1);
    ExpectConsistent();
}

TEST_F(RebuildTest, AnIslandTouchingTheOutlineAtTheStartNodeIsNotTakenForTheOutline) {
    const int a = NodeAt(problem, 0, 0), b = NodeAt(problem, 400, 0);
    const int c = NodeAt(problem, 400, 400), d = NodeAt(problem, 0, 400);
    const int p = NodeAt(problem, 100, 50), q = NodeAt(problem, 50, 100);
    // The island's segments come first in list order, at the outer frame's start node.
    AddSegment(problem, a, p, 2, 1);
    AddSegment(problem, p, q, 2, 1);
    AddSegment(problem, q, a, 2, 1);
    AddSegment(problem, a, b, 1, 0);
    AddSegment(problem, b, c, 1, 0);
    AddSegment(problem, c, d, 1, 0);
    AddSegment(problem, d, a, 1, 0);
    problem.frameCount = 2;
    problem.frames[1].outlineStart = a;
    problem.frames[2].outlineStart = a;
    EXPECT_TRUE(RebuildAllFrames(problem).empty());
    EXPECT_EQ(problem.frames[1].VertexCount(), 5);
    EXPECT_EQ(problem.frames[2].VertexCount(), 4);
    EXPECT_NEAR(static_cast<double>(Area(1)), (160000.0 - 3750.0) * 1e-4, 1e-12);
    EXPECT_NEAR(static_cast<double>(Area(2)), 3750.0 * 1e-4, 1e-12);
    ExpectConsistent();
}

TEST_F(RebuildTest, ALumpWhoseNodesAreAllInactiveIsStillWalkedCompletely) {
    AddFrame(problem, {{0, 0}, {50, 0}, {60, 30}, {30, 50}, {0, 30}});
    problem.frames[1].type = FrameType::Lumped;
    problem.ClassifyNodes();
    ASSERT_EQ(problem.settings.activeNodeCount, 0);
    ASSERT_EQ(RebuildOutline(problem, 1), OutlineResult::Rebuilt);
    EXPECT_EQ(problem.frames[1].VertexCount(), 6);
    RebuildFrameGeometry(problem, 1, false);
    ExpectConsistent();
}

TEST_F(RebuildTest, AnOpenChainIsClosedAtItsLooseEnd) {
    const int a = NodeAt(problem, 0, 0), b = NodeAt(problem, 10, 0);
    const int c = NodeAt(problem, 10, 10), d = NodeAt(problem, 0, 10);
    AddSegment(problem, a, b, 1, 0);
    AddSegment(problem, b, c, 1, 0);
    AddSegment(problem, c, d, 1, 0);
    problem.frameCount = 1;
    problem.frames[1].outlineStart = a;
    ASSERT_EQ(RebuildOutline(problem, 1), OutlineResult::Rebuilt);
    EXPECT_EQ(problem.frames[1].vertices, (std::vector<std::int32_t>{a, b, c, d, a}));
}

TEST_F(RebuildTest, AWalkBeyondTheNodeLimitIsClosedWithMessageOne) {
    const int count = kNodeLimit + 5;
    std::vector<int> nodes;
    for (int j = 0; j < count; ++j) {
        const Real angle = 2 * kPi * j / count;
        nodes.push_back(
            problem.AddNode(5000 + 4000 * std::cos(angle), 5000 + 4000 * std::sin(angle)));
    }
    for (int j = 0; j < count; ++j) AddSegment(problem, nodes[j], nodes[(j + 1) % count], 1, 0);
    problem.frameCount = 1;
    problem.frames[1].outlineStart = nodes[0];
    ASSERT_EQ(RebuildOutline(problem, 1), OutlineResult::Rebuilt);
    const auto& v = problem.frames[1].vertices;
    EXPECT_EQ(static_cast<int>(v.size()), kNodeLimit);
    EXPECT_EQ(v.front(), v.back());
    ASSERT_EQ(reporter.Errors().size(), 1u);
    EXPECT_EQ(reporter.Errors()[0],
              "A problem may have at most 20000 nodes.  This action would exceed that limit.");
}

// ---------------------------------------------------------------- awkward outlines

TEST_F(RebuildTest, NodesOnTopOfEachOtherAndZeroLengthSegmentsAreWalkedSafely) {
    const int a = problem.AddNode(0, 0), b1 = problem.AddNode(10, 0), b2 = problem.AddNode(10, 0);
    const int c = problem.AddNode(10, 10), d = problem.AddNode(0, 10);
    AddSegment(problem, a, b1, 1, 0);
    LineSegment& zero = AddSegment(problem, b1, b2, 1, 0);
    AddSegment(problem, b2, c, 1, 0);
    AddSegment(problem, c, d, 1, 0);
    AddSegment(problem, d, a, 1, 0);
    problem.frameCount = 1;
    problem.frames[1].outlineStart = a;
    ASSERT_EQ(RebuildOutline(problem, 1), OutlineResult::Rebuilt);
    RebuildFrameGeometry(problem, 1, true);
    EXPECT_EQ(problem.frames[1].VertexCount(), 6);
    EXPECT_NEAR(static_cast<double>(Area(1)), 100.0 * 1e-4, 1e-15);
    ProbeSides(problem, zero);  // both test points of a point-like segment
    EXPECT_EQ(zero.frameA, 0);
    EXPECT_EQ(zero.frameB, 1);
    EXPECT_TRUE(CrossingCheck(problem, nullptr, 20, -20, 30, 30).pass);
    testing::InvariantOptions options;
    options.allowCoincidentNodes = true;
    options.allowCrossingSegments = true;  // zero-length segments lie on their neighbours
    const auto violations = CheckModelInvariants(problem, options);
    EXPECT_TRUE(violations.empty()) << JoinViolations(violations);
}

TEST_F(RebuildTest, CollinearCornersDoNotChangeTheRegionOrTheArea) {
    AddFrame(problem, {{0, 0}, {25, 0}, {50, 0}, {50, 50}, {50, 70}, {0, 70}});
    Problem plain;
    plain.settings.pixelLength = 0.01L;
    AddRectangleFrame(plain, 0, 0, 50, 70);
    EXPECT_TRUE(RegionsEqual(problem.frames[1].region, plain.frames[1].region));
    EXPECT_NEAR(static_cast<double>(Area(1)), static_cast<double>(plain.frames[1].area), 1e-15);
    ExpectConsistent();
}

TEST_F(RebuildTest, AnOutlineTouchingItselfAtANodeKeepsBothLobes) {
    // Two squares meeting at the corner (10, 10), traced as one outline through it.
    AddFrame(problem, {{0, 0}, {10, 0}, {10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}, {0, 10}});
    ASSERT_EQ(RebuildOutline(problem, 1), OutlineResult::Rebuilt);
    RebuildFrameGeometry(problem, 1, false);
    EXPECT_EQ(problem.frames[1].VertexCount(), 9);
    EXPECT_NEAR(static_cast<double>(Area(1)), 200.0 * 1e-4, 1e-15);
    EXPECT_EQ(FrameAtPoint(problem, 5, 5), 1);
    EXPECT_EQ(FrameAtPoint(problem, 15, 15), 1);
    EXPECT_EQ(FrameAtPoint(problem, 15, 5), 0);
    ExpectConsistent();
}

TEST_F(RebuildTest, ASecondPartMeetingTheOutlineAtANodeIsWalkedWhateverTheListOrder) {
    // A square, and a second square of the same frame meeting it at the corner
    // (10, 10) whose segments come after the first square's: the walk reaches (10, 10)
    // and could close the first square there.
    AddFrame(problem, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    const int corner = NodeAt(problem, 10, 10);
    const int b = NodeAt(problem, 20, 10), c = NodeAt(problem, 20, 20), d = NodeAt(problem, 10, 20);
    AddSegment(problem, corner, b, 1, 0);
    AddSegment(problem, b, c, 1, 0);
    AddSegment(problem, c, d, 1, 0);
    AddSegment(problem, d, corner, 1, 0);
    ASSERT_EQ(RebuildOutline(problem, 1), OutlineResult::Rebuilt);
    RebuildFrameGeometry(problem, 1, false);
    EXPECT_EQ(problem.frames[1].VertexCount(), 9);
    EXPECT_NEAR(static_cast<double>(Area(1)), 200.0 * 1e-4, 1e-15);
    EXPECT_EQ(FrameAtPoint(problem, 15, 15), 1);
    ExpectConsistent();
    // An island touching the outline at a node is not such a part.
    AddFrame(problem, {{0, 0}, {5, 2}, {2, 5}}, 1);
    ASSERT_EQ(RebuildOutline(problem, 1), OutlineResult::Rebuilt);
    EXPECT_EQ(problem.frames[1].VertexCount(), 9);
}

TEST_F(RebuildTest, AFrameWithoutAreaHoldsNoPointAndNoFrame) {
    AddRectangleFrame(problem, 0, 0, 100, 100);
    // A flat "frame" whose three corners lie on one line inside frame 1.
    const int a = NodeAt(problem, 20, 50), b = NodeAt(problem, 40, 50), c = NodeAt(problem, 60, 50);
    AddSegment(problem, a, b, 2, 1);
    AddSegment(problem, b, c, 2, 1);
    AddSegment(problem, a, c, 2, 1);
    problem.frameCount = 2;
    problem.frames[2].outlineStart = a;
    ASSERT_EQ(RebuildOutline(problem, 2), OutlineResult::Rebuilt);
    RebuildFrameGeometry(problem, 2, true);
    EXPECT_EQ(Area(2), 0);
    EXPECT_TRUE(problem.frames[2].region.Empty());
    EXPECT_NEAR(static_cast<double>(Area(1)), 1.0, 1e-15);
    EXPECT_EQ(FrameAtPoint(problem, 30, 50), 1);
    EXPECT_TRUE(FramesHolding(problem, 2).empty());
    testing::InvariantOptions options;
    options.allowFlatFrames = true;
    options.allowCrossingSegments = true;  // a flat outline runs along itself
    const auto violations = CheckModelInvariants(problem, options);
    EXPECT_TRUE(violations.empty()) << JoinViolations(violations);
}

// ---------------------------------------------------------------- area and volume

TEST_F(RebuildTest, AreaAndVolumeOfASquareOnTheAxisInEitherDirection) {
    const Real expectedVolume = kPi * 0.1L * 0.1L * 0.1L;
    for (const bool cylindrical : {false, true}) {
        for (const bool clockwise : {false, true}) {
            Problem p;
            p.settings.pixelLength = 0.01L;
            p.SetCylindrical(cylindrical);
            p.settings.originX = 0;
            std::vector<testing::Corner> corners{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
            if (clockwise) std::reverse(corners.begin(), corners.end());
            ASSERT_EQ(AddFrame(p, corners), 1);
            ASSERT_EQ(RebuildOutline(p, 1), OutlineResult::Rebuilt);
            RebuildFrameGeometry(p, 1, false);
            EXPECT_NEAR(static_cast<double>(p.frames[1].area), 0.01, 1e-15);
            EXPECT_NEAR(static_cast<double>(p.frames[1].volume),
                        static_cast<double>(expectedVolume), 1e-15);
            EXPECT_EQ(p.frames[1].bounds, (IntRect{0, 0, 10, 10}));
        }
    }
}

TEST_F(RebuildTest, NestedFramesAreSubtractedOnceAtEveryLevel) {
    ASSERT_EQ(AddRectangleFrame(problem, 0, 0, 100, 100), 1);
    ASSERT_EQ(AddRectangleFrame(problem, 20, 20, 60, 60, 1), 2);
    ASSERT_EQ(AddRectangleFrame(problem, 30, 30, 40, 40, 2), 3);
    // Rebuilding in any order and any number of times gives the same net measures.
    for (const int k : {3, 1, 2, 2, 3}) RebuildFrameGeometry(problem, k, false);
    EXPECT_NEAR(static_cast<double>(Area(1)), (10000.0 - 1600.0) * 1e-4, 1e-12);
    EXPECT_NEAR(static_cast<double>(Area(2)), (1600.0 - 100.0) * 1e-4, 1e-12);
    EXPECT_NEAR(static_cast<double>(Area(3)), 100.0 * 1e-4, 1e-12);
    // Every point lies in the region of its innermost frame only.
    EXPECT_EQ(FramesAtPoint(problem, 35, 35).first, 3);
    EXPECT_EQ(FramesAtPoint(problem, 35, 35).second, 0);
    EXPECT_EQ(FramesAtPoint(problem, 25, 25).first, 2);
    EXPECT_EQ(FramesAtPoint(problem, 25, 25).second, 0);
    EXPECT_EQ(FramesAtPoint(problem, 10, 10).first, 1);
    EXPECT_EQ(FramesHolding(problem, 3), (std::vector<int>{1, 2}));
    EXPECT_TRUE(FramesHolding(problem, 1).empty());
    EXPECT_EQ(EnclosingFrame(problem, 3), 2);
    EXPECT_EQ(EnclosingFrame(problem, 2), 1);
    EXPECT_EQ(EnclosingFrame(problem, 1), 0);
    // Volumes are net too: in a cylindrical problem about x = 0.
    problem.SetCylindrical(true);
    RebuildFrameGeometry(problem, 1, false);
    auto ring = [](Real r0, Real r1, Real h) { return kPi * (r1 * r1 - r0 * r0) * h * 1e-6L; };
    EXPECT_NEAR(static_cast<double>(Volume(1)),
                static_cast<double>(ring(0, 100, 100) - ring(20, 60, 40)), 1e-12);
    EXPECT_NEAR(static_cast<double>(Volume(2)),
                static_cast<double>(ring(20, 60, 40) - ring(30, 40, 10)), 1e-12);
    ExpectConsistent();
}

TEST_F(RebuildTest, AnOuterFrameDrawnAroundAnEarlierOneHoldsIt) {
    // The small frame is drawn first; the large one is drawn around it from outside.
    ASSERT_EQ(AddRectangleFrame(problem, 40, 40, 60, 60), 1);
    ASSERT_EQ(AddRectangleFrame(problem, 0, 0, 100, 100), 2);
    EXPECT_NEAR(static_cast<double>(Area(2)), (10000.0 - 400.0) * 1e-4, 1e-12);
    EXPECT_EQ(FrameAtPoint(problem, 50, 50), 1);
    EXPECT_EQ(FrameAtPoint(problem, 10, 50), 2);
    EXPECT_EQ(problem.settings.frameDrawOrder[0], 2);
    EXPECT_EQ(problem.settings.frameDrawOrder[1], 1);
    ExpectConsistent();
}

TEST_F(RebuildTest, NeighboursInsideAFrameAreBothSubtractedFromIt) {
    ASSERT_EQ(AddRectangleFrame(problem, 0, 0, 100, 100), 1);
    ASSERT_EQ(AddRectangleFrame(problem, 20, 20, 50, 60, 1), 2);
    ASSERT_EQ(AddRectangleFrame(problem, 50, 20, 80, 60, 1), 3);  // shares the side x = 50
    EXPECT_FALSE(FrameIsland(problem, 2).island);
    EXPECT_NEAR(static_cast<double>(Area(1)), (10000.0 - 2400.0) * 1e-4, 1e-12);
    EXPECT_EQ(FramesAtPoint(problem, 30, 30).first, 2);
    EXPECT_EQ(FramesAtPoint(problem, 30, 30).second, 0);
    EXPECT_EQ(FramesAtPoint(problem, 50, 40).first, 3);  // on the shared side
    EXPECT_TRUE(PointInFrame(problem, 2, 50, 40));
    const LineSegment* shared =
        FindSegment(problem, NodeAt(problem, 50, 20), NodeAt(problem, 50, 60));
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(std::min(shared->frameA, shared->frameB), 2);
    EXPECT_EQ(std::max(shared->frameA, shared->frameB), 3);
    ExpectConsistent();
}

TEST_F(RebuildTest, PropagationGivesTheOuterFramesSegmentsTheNewFrameAsSide) {
    ASSERT_EQ(AddRectangleFrame(problem, 0, 0, 100, 100), 1);
    const int c = AddRectangleFrame(problem, 50, 20, 80, 80, 1);
    LineSegment* left = FindSegment(problem, NodeAt(problem, 50, 20), NodeAt(problem, 50, 80));
    ASSERT_NE(left, nullptr);
    // Pretend the left side was an element line of frame 1 that the outline followed
    // without taking it over.
    left->frameA = left->frameB = 1;
    RebuildFrameGeometry(problem, c, false);
    EXPECT_EQ(left->frameA + left->frameB, 2);
    RebuildFrameGeometry(problem, c, true);
    EXPECT_EQ(std::min(left->frameA, left->frameB), 1);
    EXPECT_EQ(std::max(left->frameA, left->frameB), c);
    // A segment whose probe would lose frame 1 keeps its sides.
    LineSegment* top = FindSegment(problem, NodeAt(problem, 0, 0), NodeAt(problem, 100, 0));
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->frameA + top->frameB, 1);
    ExpectConsistent();
}

TEST_F(RebuildTest, ASplitSharedSideIsInBothOutlinesAfterRebuildingAll) {
    ASSERT_EQ(AddRectangleFrame(problem, 0, 0, 50, 50), 1);
    ASSERT_EQ(AddRectangleFrame(problem, 50, 0, 100, 50), 2);
    const int k = problem.AddNode(51.5L, 25);
    ASSERT_TRUE(SplitSegmentAtNode(problem, k));
    EXPECT_TRUE(RebuildAllFrames(problem).empty());
    for (const int f : {1, 2}) {
        const auto& v = problem.frames[f].vertices;
        EXPECT_EQ(v.size(), 6u);
        EXPECT_NE(std::find(v.begin(), v.end(), k), v.end()) << "frame " << f;
    }
    EXPECT_NEAR(static_cast<double>(Area(1) + Area(2)), 5000.0 * 1e-4, 1e-12);
    ExpectConsistent();
}

}  // namespace
}  // namespace kova

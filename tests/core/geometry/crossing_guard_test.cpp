// Crossings by less than a pixel: the exact test of edges against the segments they
// meet, and the commands that refuse a corner, a split or a line that would leave two
// segments crossing, with nothing of it kept.
#include "geometry/crossing_guard.hpp"
#include "editing/drawing_commands.hpp"
#include "editing_fixture.hpp"
#include "files/undo_snapshots.hpp"
#include "geometry/element_lines.hpp"
#include "geometry/outline_drawing.hpp"

namespace kova {
namespace {

using testing::AddFrame;
using testing::AddRectangleFrame;
using testing::AddSegment;
using testing::NodeAt;

class CrossingGuardTest : public EditingTest {};

TEST_F(CrossingGuardTest, EdgesAreTestedExactlyAgainstTheSegmentsTheyMeet) {
    const int a = NodeAt(problem, 100, 100), b = NodeAt(problem, 200, 100);
    const int c = NodeAt(problem, 150, 99.999L), d = NodeAt(problem, 150, 50);
    const int e = NodeAt(problem, 150, 100.001L), f = NodeAt(problem, 300, 100);
    AddSegment(problem, a, b, 1, 0);
    // Ending a thousandth of a pixel short of a-b: clear; across it: a crossing.
    EXPECT_FALSE(EdgeClashes(problem, c, d));
    EXPECT_TRUE(EdgeClashes(problem, e, d));
    // Sharing node b: meeting there is fine, running back along a-b is not.
    EXPECT_FALSE(EdgeClashes(problem, b, f));
    EXPECT_FALSE(EdgeClashes(problem, b, d));
    const int g = NodeAt(problem, 150, 100);
    EXPECT_TRUE(EdgeClashes(problem, b, g));
    EXPECT_TRUE(EdgeClashes(problem, g, d));  // touches a-b inside it
    AddSegment(problem, e, d, 0, 0);
    EXPECT_TRUE(ClashAtNodes(problem, {d}));
    EXPECT_FALSE(ClashAtNodes(problem, {f}));
}

TEST_F(CrossingGuardTest, AClosingEdgeCrossingAnEdgeNearItsEndNodeIsRefused) {
    // The third edge runs 1.5 pixels above the first corner; the closing edge comes
    // down onto that corner and crosses it 2 pixels away, where the rounded test
    // takes the meeting point for the edge's end.
    const auto clicks =
        Clicks({{200, 300}, {100, 330}, {60, 298.5L}, {400, 298.5L}, {150, 250}, {200, 300}});
    const EditResult r = DrawFreeFormOutline(problem, clicks);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, GetMessage(kMsgCheck, 1));
    EXPECT_EQ(reporter.BeepCount(), 1);
    EXPECT_EQ(problem.frameCount, 0);
    EXPECT_EQ(problem.nodes.Count(), 0);
    EXPECT_TRUE(problem.lines.Empty());
    ExpectConsistent();
}

TEST_F(CrossingGuardTest, ACircleWhosePointSnapsOntoANodeJustOutsideItsFrameIsUndone) {
    // The circle lies inside the square but for its first point, which snaps onto the
    // corner of a triangle 1.5 pixels right of the square (not inserted into the
    // square's edge: the triangle joins it to that edge's end): the two arc edges at
    // that point cross the square's edge 3 pixels from it, where the rounded test
    // takes the meeting point for the edge's end.
    AddRectangleFrame(problem, 100, 100, 400, 400);
    AddFrame(problem, {{401.5L, 250}, {400, 100}, {450, 175}});
    const std::vector<std::uint8_t> before = EncodeUndoSnapshot(problem);
    const EditResult r = DrawCircularOutline(problem, kCircle, 6, 190, 300, 250);
    EXPECT_FALSE(r.ok) << testing::DescribeModel(problem);
    EXPECT_EQ(r.message, "Execution of this command results in crossing outlines.");
    EXPECT_EQ(EncodeUndoSnapshot(problem), before);
    ExpectConsistent();
    // A circle a little further left keeps clear of the triangle.
    EXPECT_TRUE(DrawCircularOutline(problem, kCircle, 6, 190, 290, 250).ok);
    ExpectConsistent();
}

TEST_F(CrossingGuardTest, AnElementLineEndingOnANodeJustBeyondAnotherLineIsRefused) {
    // Element lines are hidden, so the node 1.5 pixels above the horizontal line does
    // not split it; the new line from below ends on that node and crosses the
    // horizontal line 1.5 pixels from its end.
    problem.settings.displayElementLines = false;
    AddRectangleFrame(problem, 100, 100, 300, 300);
    FrameNo(1).type = FrameType::Distributed;
    AddSegment(problem, NodeAt(problem, 150, 150), NodeAt(problem, 250, 150), 1, 1);
    AddSegment(problem, NodeAt(problem, 200, 148.5L), NodeAt(problem, 200, 120), 1, 1);
    ExpectConsistent();
    const int nodes = problem.nodes.Count(), lines = problem.lines.Count();
    const EditResult r = ElementLines(problem, Clicks({{200, 300}, {200, 148.5L}}));
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(r.message, GetMessage(kMsgCheck, 34));
    EXPECT_EQ(reporter.BeepCount(), 1);
    // The start node split the bottom edge; the refused line leaves nothing else.
    EXPECT_EQ(problem.nodes.Count(), nodes + 1);
    EXPECT_EQ(problem.lines.Count(), lines + 1);
    ExpectConsistent();
}

// A triangle half a pixel thin at its wide end: a point below both long edges projects
// onto the upper one at a whole pixel below the lower one.
class ThinTriangleTest : public CrossingGuardTest {
protected:
    void SetUp() override {
        ASSERT_EQ(AddFrame(problem, {{100, 100}, {300, 133}, {300, 133.5L}}), 1);
        before = EncodeUndoSnapshot(problem);
        ExpectConsistent();
    }
    std::vector<std::uint8_t> before;
    static constexpr ClickPoint kBelow{200, 120};
};

TEST_F(ThinTriangleTest, AFirstCornerWhoseSplitWouldCrossTheOtherEdgeIsRefused) {
    // The refused first click is dropped and the next one starts the outline.
    const EditResult r = DrawFreeFormOutline(
        problem, Clicks({kBelow, {400, 300}, {500, 300}, {450, 400}, {400, 300}}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.frame, 2);
    EXPECT_EQ(reporter.BeepCount(), 1);
    EXPECT_EQ(problem.nodes.Count(), 6);
    EXPECT_EQ(FrameNo(1).VertexCount(), 4);
    EXPECT_EQ(FrameNo(2).VertexCount(), 4);
    ExpectConsistent();
}

TEST_F(ThinTriangleTest, AFirstCornerRefusedAsTheLastClickLeavesTheDrawingAsItWas) {
    // The split segment comes first in the list; the one after it keeps its record,
    // which selections and groups may point at.
    LineSegment* last = problem.lines.Last();
    const LineSegment kept = *last;
    const EditResult r = DrawFreeFormOutline(problem, Clicks({kBelow}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, GetMessage(kMsgCheck, 1));
    EXPECT_EQ(EncodeUndoSnapshot(problem), before);
    EXPECT_EQ(problem.lines.Last(), last);
    EXPECT_EQ(last->node1, kept.node1);
    EXPECT_EQ(last->node2, kept.node2);
    ExpectConsistent();
}

TEST_F(ThinTriangleTest, ALaterCornerWhoseSplitWouldCrossTheOtherEdgeIsRefused) {
    // The corner below the triangle snaps onto its upper edge; the outline goes on from
    // the corner before it and closes without it.
    const EditResult r = DrawFreeFormOutline(
        problem, Clicks({{150, 200}, {250, 200}, kBelow, {200, 250}, {150, 200}}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(reporter.BeepCount(), 1);
    EXPECT_EQ(FrameNo(1).VertexCount(), 4);
    EXPECT_EQ(FrameNo(r.frame).VertexCount(), 4);
    ExpectConsistent();
}

TEST_F(ThinTriangleTest, AnElementLineStartingWhereTheSplitWouldCrossIsRefused) {
    problem.frames[1].type = FrameType::Distributed;
    const EditResult r = ElementLines(problem, Clicks({kBelow, {250, 125}}));
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(reporter.BeepCount(), 1);
    EXPECT_EQ(problem.nodes.Count(), 3);
    EXPECT_EQ(problem.lines.Count(), 3);
    ExpectConsistent();
}

}  // namespace
}  // namespace kova

// Outlines at the edges of what the drawing commands allow: corners on or beside the
// outline's own edges, corners snapped onto nodes, outlines that cut an enclosing frame,
// circular outlines in cylindrical problems, holes that touch their frame, and the
// split that refuses to make a half that already exists or has no length.
#include <cmath>
#include <numbers>

#include "editing/drawing_commands.hpp"
#include "editing/removal_commands.hpp"
#include "editing_fixture.hpp"
#include "files/undo_snapshots.hpp"
#include "geometry/deletion.hpp"
#include "geometry/frame_rebuild.hpp"
#include "geometry/mesh_removal.hpp"
#include "geometry/outline_drawing.hpp"

namespace kova {
namespace {

using testing::AddRectangleFrame;
using testing::AddSegment;

class OutlineEdgeTest : public EditingTest {
protected:
    int CountOf(const std::string& text) const {
        int n = 0;
        for (const auto& e : reporter.events) n += e.text == text ? 1 : 0;
        return n;
    }
};

TEST_F(OutlineEdgeTest, ACancelledOutlineLeavesNoSplitSegmentBehind) {
    ASSERT_TRUE(DrawFreeFormOutline(
                    problem, Clicks({{100, 100}, {300, 100}, {300, 300}, {100, 300}, {100, 100}}))
                    .ok);
    const std::vector<std::uint8_t> before = EncodeUndoSnapshot(problem);
    const int snapshots = static_cast<int>(problem.undoList.size());
    // The first corner lands on the right edge and splits it; the next corner returns to
    // it, so the outline never closes and the list runs out.
    const EditResult r = DrawFreeFormOutline(problem, Clicks({{300, 200}, {400, 200}, {300, 200}}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(problem.lines.Count(), 4);
    EXPECT_EQ(EncodeUndoSnapshot(problem), before);
    EXPECT_EQ(static_cast<int>(problem.undoList.size()), snapshots);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, ACornerOnTheOutlinesOwnEdgeIsRefusedNearOrFarFromThePreviousCorner) {
    const EditResult r = DrawFreeFormOutline(problem, Clicks({{100, 100},
                                                              {300, 100},
                                                              {296, 102},  // 6 px back
                                                              {300, 300},
                                                              {200, 102},  // on edge 1
                                                              {100, 300},
                                                              {100, 100}}));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(CountOf(kInvalidCorner), 2);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(problem.lines.Count(), 4);
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 40000.0, 1e-6);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, ClosingOnANodeBesideTheOutlinesOwnEdgeKeepsThatEdgeWhole) {
    // The first corner lies 4 pixels beside the second edge, within the split distance.
    const EditResult r =
        DrawFreeFormOutline(problem, Clicks({{104, 100}, {100, 300}, {100, 0}, {104, 100}}));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(problem.nodes.Count(), 3);
    EXPECT_EQ(problem.lines.Count(), 3);
    EXPECT_NE(SegmentBetween(100, 300, 100, 0), nullptr);
    EXPECT_EQ(NodeNear(104, 100), 1);  // not moved onto the edge
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 600.0, 1e-6);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, ACornerSnappedOntoASegmentEndTakesTheNodeThere) {
    testing::AddFrame(problem, {{200, 100}, {300, 300}, {100, 300}});
    // 4.1 pixels from the corner (300, 300), square to the steep edge that ends there:
    // the node search misses it and the end snap puts it exactly on the corner.
    const Real dx = -4.1L * 2 / std::sqrt(5.0L), dy = 4.1L / std::sqrt(5.0L);
    const EditResult r = DrawFreeFormOutline(
        problem, Clicks({{400, 200}, {300 + dx, 300 + dy}, {400, 400}, {400, 200}}));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(problem.nodes.Count(), 5);
    EXPECT_EQ(FrameNo(2).VertexCount(), 4);
    EXPECT_EQ(problem.frames[2].vertices[1], NodeNear(300, 300));
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, AnOutlineCuttingItsEnclosingFrameLeavesItTheOtherPart) {
    AddRectangleFrame(problem, 100, 100, 300, 300);
    // Along the top edge, across the diagonal, back up the left edge.
    const EditResult r =
        DrawFreeFormOutline(problem, Clicks({{100, 100}, {300, 100}, {100, 300}, {100, 100}}));
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_EQ(problem.frameCount, 2);
    EXPECT_EQ(FrameNo(1).VertexCount(), 4);
    EXPECT_EQ(FrameNo(2).VertexCount(), 4);
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 20000.0, 1e-6);
    EXPECT_NEAR(static_cast<double>(PixelArea(2)), 20000.0, 1e-6);
    EXPECT_EQ(Sides(SegmentBetween(300, 100, 100, 300)), (std::vector<int>{1, 2}));
    EXPECT_EQ(Sides(SegmentBetween(100, 100, 300, 100)), (std::vector<int>{0, 2}));
    EXPECT_EQ(Sides(SegmentBetween(300, 300, 100, 300)), (std::vector<int>{0, 1}));
    EXPECT_EQ(FrameAtPoint(problem, 150, 150), 2);
    EXPECT_EQ(FrameAtPoint(problem, 250, 250), 1);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, AnOutlineCuttingAFrameIntoSeparatePartsIsRefusedWithNothingChanged) {
    AddRectangleFrame(problem, 100, 100, 400, 200);
    const std::vector<std::uint8_t> before = EncodeUndoSnapshot(problem);
    const std::size_t snapshots = problem.undoList.size();
    // Across the top right corner, down the right edge, across to the top edge and
    // back along it: the rectangle would be left as the cut-off corner and the rest,
    // two parts with no common node, which one outline cannot describe.
    const EditResult r = DrawFreeFormOutline(
        problem, Clicks({{350, 100}, {400, 150}, {400, 200}, {150, 100}, {350, 100}}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.frame, 0);
    EXPECT_EQ(r.message, kInvalidCorner);
    EXPECT_EQ(InfoText(), kInvalidCorner);
    EXPECT_EQ(problem.frameCount, 1);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(problem.lines.Count(), 4);
    EXPECT_EQ(FrameNo(1).VertexCount(), 5);
    EXPECT_EQ(EncodeUndoSnapshot(problem), before);
    EXPECT_EQ(problem.undoList.size(), snapshots);
    ExpectConsistent();
    // The same without the run down the right edge leaves the rest in one piece: drawn.
    const EditResult inside =
        DrawFreeFormOutline(problem, Clicks({{350, 100}, {400, 150}, {150, 100}, {350, 100}}));
    ASSERT_TRUE(inside.ok) << inside.message;
    EXPECT_EQ(problem.frameCount, 2);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, AnOutlineDrawnRoundAFrameAlongOneOfItsEdgesLeavesThatEdgeOutside) {
    AddRectangleFrame(problem, 200, 200, 300, 300);
    // Up to the square's bottom edge (which settles the enclosing frame, the exterior),
    // along it, then round the square back to the start.
    const EditResult r = DrawFreeFormOutline(
        problem,
        Clicks(
            {{150, 300}, {200, 300}, {300, 300}, {350, 300}, {350, 150}, {150, 150}, {150, 300}}));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(Sides(SegmentBetween(200, 300, 300, 300)), (std::vector<int>{0, 1}));
    EXPECT_EQ(Sides(SegmentBetween(200, 200, 300, 200)), (std::vector<int>{1, 2}));
    EXPECT_EQ(FrameNo(2).VertexCount(), 9);  // the outline runs round the square
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 10000.0, 1e-6);
    EXPECT_NEAR(static_cast<double>(PixelArea(2)), 20000.0, 1e-6);
    EXPECT_EQ(FrameAtPoint(problem, 250, 250), 1);
    EXPECT_EQ(FrameAtPoint(problem, 250, 175), 2);
    EXPECT_EQ(FrameAtPoint(problem, 250, 310), 0);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, AnOutlineRetracingAFrameReplacesIt) {
    AddRectangleFrame(problem, 100, 100, 300, 300);
    FrameNo(1).material = 4;
    const EditResult r = DrawFreeFormOutline(
        problem, Clicks({{100, 100}, {300, 100}, {300, 300}, {100, 300}, {100, 100}}));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.frame, 1);
    EXPECT_EQ(problem.frameCount, 1);
    EXPECT_EQ(FrameNo(1).material, 0);
    EXPECT_EQ(problem.selection.items.front().selectNo, 1);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 40000.0, 1e-6);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, ACircleAcrossTheAxisOfACylindricalProblemKeepsItsNodesRightOfIt) {
    problem.SetCylindrical(true);
    problem.settings.originX = 100;
    const EditResult r = DrawCircularOutline(problem, kCircle, 8, 200, 100, 300);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(problem.nodes.Count(), 8);
    int onAxis = 0;
    for (int i = 1; i <= problem.nodes.Count(); ++i) {
        EXPECT_GE(problem.nodes[i].x, 100);
        onAxis += std::fabs(problem.nodes[i].x - 100) < 1e-9L ? 1 : 0;
    }
    EXPECT_EQ(onAxis, 5);
    // Half of the regular octagon of radius 100.
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 10000.0 * std::sqrt(2.0), 2.0);
    EXPECT_GT(FrameNo(1).volume, 0);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, ACircleLeftOfTheAxisIsRefusedWithNothingLeft) {
    problem.SetCylindrical(true);
    problem.settings.originX = 300;
    AddRectangleFrame(problem, 300, 100, 400, 200);
    // Every point moves onto the axis, where the edges run along each other.
    const EditResult r = DrawCircularOutline(problem, kCircle, 8, 100, 150, 150);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, kCrossing);
    EXPECT_EQ(problem.frameCount, 1);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(problem.lines.Count(), 4);
    EXPECT_TRUE(problem.undoList.empty());
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, AHoleTouchingItsFrameAtANodeIsSubtracted) {
    AddRectangleFrame(problem, 0, 0, 400, 400);
    // A triangle hanging from the middle of the top edge, inside the square.
    const EditResult r =
        DrawFreeFormOutline(problem, Clicks({{200, 0}, {250, 100}, {150, 100}, {200, 0}}));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(FrameNo(1).VertexCount(), 6);  // the touching node joined the square
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 160000.0 - 5000.0, 1e-6);
    problem.selection.items = {NumberItem(2)};
    problem.selection.state = SelectType::Frames;
    ASSERT_TRUE(SubtractFrame(problem).ok);
    EXPECT_EQ(FrameNo(2).subtracted, 1);
    EXPECT_EQ(problem.frameCount, 2);
    EXPECT_FALSE(PointInFrame(problem, 1, 200, 60));
    EXPECT_TRUE(PointInFrame(problem, 1, 200, 200));
    EXPECT_TRUE(PointInFrame(problem, 1, 100, 20));
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 160000.0 - 5000.0, 1e-6);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, ACornerOnAHiddenElementLineIsRefused) {
    AddRectangleFrame(problem, 100, 100, 300, 300);
    AddSegment(problem, NodeNear(100, 100), NodeNear(300, 300), 1, 1);
    problem.settings.displayElementLines = false;  // so the line would not be split
    const EditResult r = DrawFreeFormOutline(
        problem, Clicks({{150, 120}, {250, 120}, {200, 202}, {250, 200}, {150, 120}}));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(CountOf(kInvalidCorner), 1);
    EXPECT_EQ(problem.nodes.Count(), 7);
    EXPECT_EQ(FrameNo(2).VertexCount(), 4);
    // A circle with a point on the line is undone.
    const EditResult circle = DrawCircularOutline(problem, kCircle, 8, 80, 240, 200);
    EXPECT_FALSE(circle.ok);
    EXPECT_EQ(circle.message, kCrossing);
    EXPECT_EQ(problem.nodes.Count(), 7);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, ASemiCirclesDiameterPassingCloseToACornerBordersOnlyTheExterior) {
    testing::AddFrame(problem, {{600, 420}, {700, 420}, {650, 480}});
    // The lower half of a circle whose diameter runs 3 pixels below the triangle's tip.
    const EditResult r = DrawCircularOutline(problem, 1, 8, 200, 650, 483);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(Sides(SegmentBetween(750, 483, 550, 483)), (std::vector<int>{0, 2}));
    ExpectConsistent();
    // Deleting the triangle leaves the half circle whole.
    problem.selection.items = {NumberItem(1)};
    problem.selection.state = SelectType::Frames;
    ASSERT_TRUE(DeleteSelection(problem).ok);
    EXPECT_EQ(problem.frameCount, 1);
    EXPECT_EQ(FrameNo(1).VertexCount(), 10);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, AnElementLineBesideTheNewOutlineStaysAnElementLineOfItsFrame) {
    AddRectangleFrame(problem, 100, 100, 400, 400);
    // A loose element line from (217, 304) up to (202, 268), and one well inside the
    // triangle drawn next.
    const int tip = problem.AddNode(217, 304), loose = problem.AddNode(202, 268);
    AddSegment(problem, tip, loose, 1, 1);
    const int in1 = problem.AddNode(170, 270), in2 = problem.AddNode(190, 285);
    AddSegment(problem, in1, in2, 1, 1);
    // The triangle starts at the line's end; its edge from (199, 271) back to the start
    // runs 6 degrees beside the line, within the 3 pixels at which sides are probed.
    const EditResult r =
        DrawFreeFormOutline(problem, Clicks({{217, 304}, {124, 250}, {199, 271}, {217, 304}}));
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_EQ(r.frame, 2);
    EXPECT_EQ(Sides(FindSegment(problem, tip, loose)), (std::vector<int>{1, 1}));
    EXPECT_EQ(Sides(FindSegment(problem, in1, in2)), (std::vector<int>{2, 2}));
    EXPECT_EQ(FrameNo(2).VertexCount(), 4);
    EXPECT_EQ(FrameNo(1).VertexCount(), 5);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, ANarrowSpikeOfTheNewFrameKeepsItsEdges) {
    testing::AddFrame(problem, {{537.803825L, 254.540378L},
                                {475.627814L, 300.088458L},
                                {354.573967L, 288.653367L},
                                {302.490786L, 245.257650L},
                                {371.496645L, 118.043974L},
                                {454.623014L, 87.161055L},
                                {472.969077L, 134.981291L}});
    // The outline reaches the frame's right corner in a spike 4 degrees wide, 6 pixels
    // inside the frame's lower edge; 3 pixels beside its first edge lie frame 1 and a
    // point of neither frame. (The click at (366, 84) crosses the frame and is refused.)
    const std::vector<ClickPoint> clicks{{512.784170L, 265.650422L},
                                         {538.803825L, 253.540378L},
                                         {472.124356L, 289.155782L},
                                         {461.862358L, 272.167510L},
                                         {460.738093L, 249.126503L},
                                         {495.399568L, 235.204117L},
                                         {366, 84},
                                         {503.713959L, 244.066393L},
                                         {512.784170L, 265.650422L}};
    const EditResult r = DrawFreeFormOutline(problem, clicks);
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_EQ(r.frame, 2);
    const int tip = NodeNear(537.803825L, 254.540378L, 0.01L);
    const int start = NodeNear(512.784170L, 265.650422L, 0.01L);
    EXPECT_EQ(Sides(FindSegment(problem, tip, start)), (std::vector<int>{1, 2}));
    EXPECT_EQ(FrameNo(2).VertexCount(), 8);
    EXPECT_EQ(FrameNo(1).VertexCount(), 8);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, AnEdgeToANodeBesideAnEdgeOfAnotherFrameIsTestedToThatNode) {
    AddRectangleFrame(problem, 100, 100, 300, 300);
    // A fan around a node 2 pixels inside the right edge.
    const int centre = problem.AddNode(298, 200);
    for (const auto& [x, y] : {std::pair{100, 100}, {300, 100}, {300, 300}, {100, 300}})
        AddSegment(problem, NodeNear(x, y), centre, 1, 1);
    // The edge from (310, 120) to that node crosses the right edge 13 pixels before it
    // ends; moved onto the right edge beside the node, it would not.
    const EditResult r = DrawFreeFormOutline(
        problem, Clicks({{310, 120}, {299, 200}, {340, 250}, {370, 200}, {310, 120}}));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(CountOf(kInvalidCorner), 1);
    EXPECT_EQ(FrameNo(2).VertexCount(), 4);
    EXPECT_EQ(testing::SegmentsAtNode(problem, centre), 4);
    EXPECT_EQ(FrameNo(1).VertexCount(), 5);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, AnOutlineTouchingItsFrameAtTwoCornersIsAnIslandOfIt) {
    AddRectangleFrame(problem, 100, 100, 300, 300);
    // A triangle whose corners split the left and the top edge: it cuts the top left
    // corner off the rest of the square, to which it stays joined at two nodes.
    const EditResult r =
        DrawFreeFormOutline(problem, Clicks({{101, 200}, {200, 200}, {200, 101}, {101, 200}}));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(problem.nodes.Count(), 7);
    EXPECT_EQ(FrameNo(1).VertexCount(), 7);
    EXPECT_EQ(Sides(SegmentBetween(100, 200, 200, 100)), (std::vector<int>{1, 2}));
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 40000.0 - 5000.0, 1e-6);
    EXPECT_EQ(FrameAtPoint(problem, 120, 120), 1);
    EXPECT_EQ(FrameAtPoint(problem, 180, 180), 2);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, AnOutlineCutsOffACornerThroughAPointItPlacesOnAnEdge) {
    AddRectangleFrame(problem, 100, 100, 300, 300);
    // From the top left corner to the middle of the bottom edge, which that corner
    // splits, then along the bottom edge's left half and up the left edge.
    const EditResult r =
        DrawFreeFormOutline(problem, Clicks({{100, 100}, {200, 301}, {100, 300}, {100, 100}}));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(FrameNo(2).VertexCount(), 4);
    EXPECT_EQ(FrameNo(1).VertexCount(), 5);
    EXPECT_EQ(Sides(SegmentBetween(200, 300, 100, 300)), (std::vector<int>{0, 2}));
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 30000.0, 1e-6);
    EXPECT_NEAR(static_cast<double>(PixelArea(2)), 10000.0, 1e-6);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, AThinIslandBesideTheNewFramesCornerKeepsItsSides) {
    AddRectangleFrame(problem, 400, 50, 600, 300);
    // A sliver of a triangle, under 2 pixels wide where the new outline touches it: 3
    // pixels beside its long edge lies the new frame.
    ASSERT_EQ(testing::AddFrame(problem,
                                {{476.6566749L, 176.2956892L},
                                 {465.6092492L, 203.408283L},
                                 {492.9214962L, 107.5246114L}},
                                1),
              2);
    const std::vector<ClickPoint> clicks{{479.670427L, 140.992015L}, {466.673156L, 149.305621L},
                                         {457.760319L, 147.842317L}, {448.559283L, 133.710815L},
                                         {455.670279L, 121.068768L}, {462.500051L, 122.519690L},
                                         {473.358593L, 132.059036L}, {479.670427L, 140.992015L}};
    const EditResult r = DrawFreeFormOutline(problem, clicks);
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_EQ(r.frame, 3);
    EXPECT_EQ(Sides(SegmentBetween(476.6566749L, 176.2956892L, 492.9214962L, 107.5246114L)),
              (std::vector<int>{1, 2}));
    EXPECT_EQ(FrameNo(2).VertexCount(), 5);  // split where the new outline starts
    ExpectConsistent();
}

// ------------------------------------------------------------- refused splits

TEST_F(OutlineEdgeTest, ASplitIsRefusedWhenAHalfExistsOrWouldHaveNoLength) {
    const int a = problem.AddNode(100, 100), b = problem.AddNode(300, 100);
    AddSegment(problem, a, b, 1, 0);
    // A node 2 pixels beside the segment but already joined to its end b.
    const int joined = problem.AddNode(200, 102);
    AddSegment(problem, joined, b, 1, 0);
    EXPECT_FALSE(SplitSegmentAtNode(problem, joined));
    // Nodes whose projection falls within a pixel of an end, or just beyond it.
    const int nearEnd = problem.AddNode(100.5L, 102);
    const int beyond = problem.AddNode(99, 102);
    EXPECT_FALSE(SplitSegmentAtNode(problem, nearEnd));
    EXPECT_FALSE(SplitSegmentAtNode(problem, beyond));
    EXPECT_EQ(problem.lines.Count(), 2);
    EXPECT_EQ(problem.nodes[nearEnd].x, 100.5L);
    EXPECT_EQ(problem.nodes[beyond].y, 102);
    // Two pixels in, the split is made.
    const int inside = problem.AddNode(102, 102);
    EXPECT_TRUE(SplitSegmentAtNode(problem, inside));
    EXPECT_EQ(problem.lines.Count(), 3);
    EXPECT_EQ(problem.nodes[inside].y, 100);
}

TEST_F(OutlineEdgeTest, AFramesOwnCornerBesideItsEdgeDoesNotSplitIt) {
    // A notch reaching up to 2 pixels below the top edge: splitting the top edge at the
    // notch's corner would pinch the frame into two loops.
    testing::AddFrame(problem, {{100, 100}, {300, 100}, {300, 300}, {200, 102}, {100, 300}});
    const int lines = problem.lines.Count();
    EXPECT_FALSE(SplitSegmentAtNode(problem, NodeNear(200, 102)));
    EXPECT_EQ(problem.lines.Count(), lines);
    EXPECT_EQ(problem.nodes[NodeNear(200, 102)].y, 102);
    // A closing corner on that node leaves the frame whole too.
    const EditResult r =
        DrawFreeFormOutline(problem, Clicks({{200, 102}, {250, 250}, {200, 250}, {200, 102}}));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(FrameNo(1).VertexCount(), 6);
    ExpectConsistent();
}

TEST_F(OutlineEdgeTest, ACornerOnAnEdgeFollowedBeforeTheEnclosingFrameIsKnownIsRefused) {
    // The outline starts on the slanted edge, follows its upper half to the corner
    // (100, 100) and turns into the frame. That half keeps its old sides until the
    // outline closes, yet it is the outline's own edge: a corner placed 3 pixels beside
    // it must not split it.
    testing::AddFrame(problem, {{100, 100}, {400, 100}, {200, 400}});
    const EditResult r = DrawFreeFormOutline(
        problem, Clicks({{150, 250}, {100, 100}, {200, 150}, {127.85L, 174.68L}, {150, 250}}));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(reporter.BeepCount(), 1);
    EXPECT_EQ(CountOf(GetMessage(kMsgCheck, 1)), 1);
    EXPECT_EQ(FrameNo(r.frame).VertexCount(), 4);
    EXPECT_EQ(problem.nodes.Count(), 5);
    ExpectConsistent();
}

}  // namespace
}  // namespace kova

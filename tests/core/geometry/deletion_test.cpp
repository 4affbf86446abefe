#include "geometry/deletion.hpp"

#include "editing/drawing_commands.hpp"
#include "editing/removal_commands.hpp"
#include "editing_fixture.hpp"
#include "files/undo_snapshots.hpp"
#include "geometry/frame_rebuild.hpp"
#include "geometry/outline_drawing.hpp"

namespace kova {
namespace {

using testing::AddFrame;
using testing::AddRectangleFrame;
using testing::AddSegment;
using testing::NodeAt;

class DeletionTest : public EditingTest {
protected:
    void SelectFrames(std::initializer_list<int> frames) {
        problem.selection.items.clear();
        for (const int k : frames) problem.selection.items.push_back(NumberItem(k));
        problem.selection.state = SelectType::Frames;
    }
    void SelectNodes(std::initializer_list<int> nodes) {
        problem.selection.items.clear();
        for (const int n : nodes) problem.selection.items.push_back(NumberItem(n));
        problem.selection.state = SelectType::Points;
    }
    void SelectLines(std::initializer_list<LineSegment*> lines) {
        problem.selection.items.clear();
        for (LineSegment* s : lines) problem.selection.items.push_back(SegmentItem(s));
        problem.selection.state = SelectType::Lines;
    }
};

// ------------------------------------------------------------------ frames

TEST_F(DeletionTest, DeletingTheOnlyFrameEmptiesTheProblem) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    AddSegment(problem, NodeAt(problem, 100, 100), NodeAt(problem, 200, 200), 1, 1);
    SelectFrames({1});
    const EditResult r = DeleteSelection(problem);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(problem.frameCount, 0);
    EXPECT_EQ(problem.nodes.Count(), 0);
    EXPECT_EQ(problem.lines.Count(), 0);
    EXPECT_EQ(problem.selection.state, SelectType::None);
    EXPECT_TRUE(problem.selection.items.empty());
    EXPECT_EQ(UndoNames(), (std::vector<std::string>{"Delete Outline"}));
}

TEST_F(DeletionTest, DeletingANestedFrameGivesItsAreaBackToTheFrameAroundIt) {
    AddRectangleFrame(problem, 0, 0, 400, 400);
    AddRectangleFrame(problem, 100, 100, 200, 200, 1);
    const int centre = NodeAt(problem, 150, 150);
    AddSegment(problem, centre, NodeAt(problem, 100, 100), 2, 2);
    AddSegment(problem, centre, NodeAt(problem, 200, 200), 2, 2);
    SelectFrames({2});
    ASSERT_TRUE(DeleteSelection(problem).ok);
    EXPECT_EQ(problem.frameCount, 1);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(problem.lines.Count(), 4);
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 160000.0, 1e-6);
    EXPECT_TRUE(PointInFrame(problem, 1, 150, 150));
    ExpectConsistent();
}

TEST_F(DeletionTest, ASharedEdgeStaysAsAnExteriorEdgeOfTheNeighbourWithoutSpecs) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    ASSERT_TRUE(DrawFreeFormOutline(
                    problem, Clicks({{200, 100}, {300, 100}, {300, 200}, {200, 200}, {200, 100}}))
                    .ok);
    FrameNo(2).material = 4;
    LineSegment* shared = SegmentBetween(200, 100, 200, 200);
    shared->fluxSpec = Spec(kSpecFlux, 10);
    SelectFrames({1});
    ASSERT_TRUE(DeleteSelection(problem).ok);
    ASSERT_EQ(problem.frameCount, 1);
    EXPECT_EQ(FrameNo(1).material, 4);  // the last frame took the freed number
    shared = SegmentBetween(200, 100, 200, 200);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(Sides(shared), (std::vector<int>{0, 1}));
    EXPECT_EQ(shared->fluxSpec, 0);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(problem.lines.Count(), 4);
    EXPECT_EQ(NodeNear(100, 100), 0);
    ExpectConsistent();
}

TEST_F(DeletionTest, LumpSelectionsNameFramesAfterTheNodes) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    AddRectangleFrame(problem, 300, 100, 400, 200);
    FrameNo(2).type = FrameType::Lumped;
    problem.selection.items = {NumberItem(problem.nodes.Count() + 2)};
    problem.selection.state = SelectType::Lumps;
    ASSERT_TRUE(DeleteSelection(problem).ok);
    EXPECT_EQ(problem.frameCount, 1);
    EXPECT_EQ(FrameNo(1).type, FrameType::Distributed);
    EXPECT_NE(NodeNear(100, 100), 0);
    EXPECT_EQ(NodeNear(300, 100), 0);
    ExpectConsistent();
}

TEST_F(DeletionTest, SeveralSelectedFramesAreAllDeletedWhateverTheirRenumbering) {
    for (int k = 0; k < 4; ++k) AddRectangleFrame(problem, 100 * k, 0, 100 * k + 50, 50);
    FrameNo(2).material = 2;
    SelectFrames({4, 1, 3});
    ASSERT_TRUE(DeleteSelection(problem).ok);
    ASSERT_EQ(problem.frameCount, 1);
    EXPECT_EQ(FrameNo(1).material, 2);
    EXPECT_NE(NodeNear(100, 0), 0);
    EXPECT_EQ(problem.nodes.Count(), 4);
    ExpectConsistent();
}

// ------------------------------------------------------------------ nodes

TEST_F(DeletionTest, DeletingACornerOfASquareLeavesATriangleThenNothing) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    SegmentBetween(100, 100, 200, 100)->fluxSpec = Spec(kSpecFlux, 1);
    SelectNodes({NodeNear(200, 100)});
    const EditResult r = DeleteSelection(problem);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(UndoNames(), (std::vector<std::string>{"Delete Node"}));
    EXPECT_EQ(problem.nodes.Count(), 3);
    EXPECT_EQ(FrameNo(1).VertexCount(), 4);
    const LineSegment* joined = SegmentBetween(100, 100, 200, 200);
    ASSERT_NE(joined, nullptr);
    EXPECT_EQ(Sides(joined), (std::vector<int>{0, 1}));
    EXPECT_EQ(joined->fluxSpec, 0);
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 5000.0, 1e-6);
    ExpectConsistent();

    SelectNodes({NodeNear(100, 200)});
    ASSERT_TRUE(DeleteSelection(problem).ok);
    EXPECT_EQ(problem.frameCount, 0);
    EXPECT_EQ(problem.nodes.Count(), 0);
    EXPECT_EQ(problem.lines.Count(), 0);
}

TEST_F(DeletionTest, ACornerWhoseNeighboursCannotBeJoinedStraightStays) {
    // A square with a notch reaching up to (200, 200), and a small frame in the notch:
    // joining the notch's neighbours would run round the small frame.
    AddFrame(problem, {{100, 100}, {300, 100}, {300, 300}, {200, 200}, {100, 300}});
    AddFrame(problem, {{190, 260}, {210, 260}, {200, 290}});
    const int nodes = problem.nodes.Count();
    SelectNodes({NodeNear(200, 200)});
    const EditResult r = DeleteSelection(problem);
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(problem.nodes.Count(), nodes);
    EXPECT_EQ(FrameNo(1).VertexCount(), 6);
    EXPECT_EQ(problem.frameCount, 2);
    EXPECT_EQ(reporter.BeepCount(), 1);
    int shown = 0;
    for (const auto& e : reporter.events) shown += e.text == kBadElementLine ? 1 : 0;
    EXPECT_EQ(shown, 1);
    ExpectConsistent();
    // A corner whose neighbours can be joined goes as usual.
    SelectNodes({NodeNear(300, 300)});
    EXPECT_EQ(DeleteSelection(problem).count, 1);
    EXPECT_EQ(FrameNo(1).VertexCount(), 5);
    EXPECT_NEAR(static_cast<double>(PixelArea(1)), 20000.0, 1e-6);
    EXPECT_EQ(FrameAtPoint(problem, 200, 275), 2);
    ExpectConsistent();
}

TEST_F(DeletionTest, ACornerWhoseJoinWouldRunOverAMidpointStays) {
    // A triangle whose long edge (457.5, 486.9)-(499.7, 469.6) holds its midpoint: rounded
    // to pixels the midpoint lies just outside the triangle that the join would cut off.
    const Real x1 = 457.4669235L, y1 = 486.8502342L, x2 = 499.7275503L, y2 = 469.6471601L;
    const Real x3 = 479.1687916L, y3 = 489.4879437L;
    AddFrame(problem, {{x2, y2}, {x3, y3}, {x1, y1}, {(x1 + x2) / 2, (y1 + y2) / 2}});
    ASSERT_EQ(FrameNo(1).VertexCount(), 5);
    const int nodes = problem.nodes.Count();
    SelectNodes({NodeNear(x3, y3, 0.01L)});
    const EditResult r = DeleteSelection(problem);
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(problem.nodes.Count(), nodes);
    EXPECT_EQ(problem.frameCount, 1);
    EXPECT_EQ(FrameNo(1).VertexCount(), 5);
    EXPECT_GT(FrameNo(1).area, 0);
    EXPECT_EQ(reporter.BeepCount(), 1);
    ExpectConsistent();
}

TEST_F(DeletionTest, ACornerWhoseJoinWouldCrossASegmentPassingCloseByStays) {
    // The edge from (381.9, 124.9) down to (430, 362) passes under a pixel beside the
    // corner (383.8, 138.4); the join of that corner's neighbours would cross it, with no
    // node in the triangle cut off.
    AddFrame(problem, {{376.8844611L, 153.9153095L},
                       {383.7893483L, 138.3852633L},
                       {422, 15},
                       {381.9312067L, 124.9291378L},
                       {430, 362},
                       {356.2176732L, 135.2707966L},
                       {364.9145348L, 143.6998199L}});
    const int nodes = problem.nodes.Count();
    SelectNodes({NodeNear(383.7893483L, 138.3852633L, 0.01L)});
    EXPECT_EQ(DeleteSelection(problem).count, 0);
    EXPECT_EQ(problem.nodes.Count(), nodes);
    EXPECT_EQ(FrameNo(1).VertexCount(), 8);
    EXPECT_EQ(reporter.BeepCount(), 1);
    // The hand-made outline already crosses itself: the edge from (381.9, 124.9) cuts
    // the corner's edge up to (422, 15) a pixel from the corner. Everything else holds.
    testing::InvariantOptions options;
    options.allowCrossingSegments = true;
    const auto violations = testing::CheckModelInvariants(problem, options);
    EXPECT_TRUE(violations.empty()) << testing::JoinViolations(violations);
    EXPECT_FALSE(testing::CheckModelInvariants(problem).empty());
}

TEST_F(DeletionTest, ASecondSelectedNodeThatWasTheLastIsStillDeleted) {
    // A hexagon whose node 1 and node 6 (the last) are both selected: deleting node 1
    // moves node 6 into its place.
    AddFrame(problem, {{100, 100}, {200, 80}, {300, 100}, {300, 200}, {200, 220}, {100, 200}});
    ASSERT_EQ(problem.nodes.Count(), 6);
    SelectNodes({1, 6});
    ASSERT_TRUE(DeleteSelection(problem).ok);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(NodeNear(100, 100), 0);
    EXPECT_EQ(NodeNear(100, 200), 0);
    EXPECT_NE(NodeNear(200, 80), 0);
    EXPECT_NE(NodeNear(200, 220), 0);
    EXPECT_EQ(FrameNo(1).VertexCount(), 5);
    ExpectConsistent();
}

TEST_F(DeletionTest, ANodeOnMoreThanTwoSegmentsIsNotDeleted) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    AddSegment(problem, NodeAt(problem, 100, 100), NodeAt(problem, 200, 200), 1, 1);
    SelectNodes({NodeNear(100, 100)});
    const EditResult r = DeleteSelection(problem);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(problem.lines.Count(), 5);
    EXPECT_TRUE(problem.undoList.empty());
}

TEST_F(DeletionTest, RemovingANodeRenumbersEveryReferenceToTheLastNode) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    const int lone = problem.AddNode(50, 50);  // node 5, used by no segment
    const int last = problem.AddNode(60, 60);  // node 6
    problem.nodes[last].valueSpec = Spec(kSpecValue, 20);
    problem.nodes[last].initialValue = 12;
    problem.singularPoints.push_back({1.5L, 1, last});
    problem.singularPoints.push_back({2.5L, 1, lone});
    problem.settings.plot.nodeCount = 3;
    problem.settings.plot.nodes[0] = 2;
    problem.settings.plot.nodes[1] = lone;
    problem.settings.plot.nodes[2] = last;
    problem.groups.push_back({SelectType::Points, {NumberItem(last), NumberItem(lone)}});
    problem.groups.push_back({SelectType::Lumps, {NumberItem(6 + 1)}});
    problem.selection.items = {NumberItem(lone), NumberItem(last)};
    problem.selection.state = SelectType::Points;

    RemoveNode(problem, lone);

    ASSERT_EQ(problem.nodes.Count(), 5);
    EXPECT_EQ(problem.nodes[lone].x, 60);
    EXPECT_EQ(problem.nodes[lone].valueSpec, problem.specs.FindConstant(kSpecValue, 20));
    EXPECT_EQ(problem.nodes[lone].initialValue, 12);
    ASSERT_EQ(problem.singularPoints.size(), 1u);
    EXPECT_EQ(problem.singularPoints.front().node, lone);
    EXPECT_EQ(problem.settings.plot.nodeCount, 2);
    EXPECT_EQ(problem.settings.plot.nodes[0], 2);
    EXPECT_EQ(problem.settings.plot.nodes[1], lone);
    EXPECT_EQ(problem.groups.front().items, (std::vector<SelectRec>{NumberItem(lone)}));
    EXPECT_EQ(problem.groups.back().items, (std::vector<SelectRec>{NumberItem(5 + 1)}));
    EXPECT_EQ(problem.selection.items, (std::vector<SelectRec>{NumberItem(lone)}));
    ExpectConsistent();
}

TEST_F(DeletionTest, RemovingASegmentMovesTheLastNodeIntoAFreedEnd) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    const int a = NodeAt(problem, 120, 150), b = NodeAt(problem, 180, 150);
    LineSegment& line = AddSegment(problem, a, b, 1, 1);
    const int c = NodeAt(problem, 150, 120);
    AddSegment(problem, c, NodeAt(problem, 100, 100), 1, 1);
    RemoveSegment(problem, &line);
    EXPECT_EQ(problem.nodes.Count(), 5);
    EXPECT_EQ(problem.lines.Count(), 5);
    const int moved = NodeNear(150, 120);
    EXPECT_EQ(moved, a);  // the last node took the first freed number
    EXPECT_NE(SegmentBetween(150, 120, 100, 100), nullptr);
    int number = 0;
    for (const LineSegment& s : problem.lines) EXPECT_EQ(s.number, ++number);
}

// ------------------------------------------------------------------ segments

TEST_F(DeletionTest, DeletingAnElementLineKeepsTheFrameAndDropsAStrayNode) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    LineSegment& diagonal =
        AddSegment(problem, NodeAt(problem, 100, 100), NodeAt(problem, 200, 200), 1, 1);
    LineSegment& spoke =
        AddSegment(problem, NodeAt(problem, 100, 200), NodeAt(problem, 130, 170), 1, 1);
    SelectLines({&diagonal, &spoke});
    const EditResult r = DeleteSelection(problem);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(UndoNames(), (std::vector<std::string>{"Delete Line"}));
    EXPECT_EQ(problem.lines.Count(), 4);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(problem.frameCount, 1);
    ExpectConsistent();
}

TEST_F(DeletionTest, DeletingAnOutlineSegmentDeletesTheFrameItOpened) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    AddRectangleFrame(problem, 300, 100, 400, 200);
    SelectLines({SegmentBetween(100, 100, 200, 100)});
    ASSERT_TRUE(DeleteSelection(problem).ok);
    EXPECT_EQ(problem.frameCount, 1);
    EXPECT_NE(NodeNear(300, 100), 0);
    EXPECT_EQ(problem.nodes.Count(), 4);
    ExpectConsistent();
}

TEST_F(DeletionTest, OpeningOnePartOfAPinchedFrameDeletesTheFrame) {
    // Frame 1: two triangles meeting at (200, 200); frame 2 touches the right one at its
    // corner (300, 150) from outside.
    ASSERT_EQ(
        AddFrame(problem, {{200, 200}, {100, 150}, {100, 250}, {200, 200}, {300, 250}, {300, 150}}),
        1);
    ASSERT_EQ(AddFrame(problem, {{300, 150}, {400, 100}, {400, 200}}), 2);
    ASSERT_TRUE(testing::CheckModelInvariants(problem).empty());
    // The right triangle's far edge goes; its corner (300, 250) is left on a spur, and
    // the edge to (300, 150) would hang between two frames' nodes. The left triangle
    // still closes a walk, but the frame's boundary is open.
    SelectLines({SegmentBetween(300, 250, 300, 150)});
    ASSERT_TRUE(DeleteSelection(problem).ok);
    EXPECT_EQ(problem.frameCount, 1);
    EXPECT_EQ(FrameNo(1).VertexCount(), 4);
    EXPECT_EQ(problem.nodes.Count(), 3);
    EXPECT_EQ(problem.lines.Count(), 3);
    EXPECT_EQ(NodeNear(200, 200), 0);
    ExpectConsistent();
}

TEST_F(DeletionTest, AnOutlineFollowingAnEdgeTwiceIsNotClosedBySegments) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    EXPECT_TRUE(OutlineClosedBySegments(problem, 1));
    const int a = NodeNear(100, 100);
    const int spur = NodeAt(problem, 50, 50);
    AddSegment(problem, a, spur, 1, 0);
    // A walk that runs out at the spur's end and closes back along it.
    std::vector<std::int32_t>& v = FrameNo(1).vertices;
    v.pop_back();
    v.push_back(a);
    v.push_back(spur);
    v.push_back(a);
    EXPECT_FALSE(OutlineClosedBySegments(problem, 1));
    const std::vector<bool> stray = FramesWithStrayBoundary(problem);
    ASSERT_EQ(stray.size(), 2U);
    EXPECT_FALSE(stray[1]);  // every segment is on the (broken) list
    ASSERT_EQ(RebuildOutline(problem, 1), OutlineResult::Rebuilt);
    EXPECT_EQ(SettleFrames(problem), 1);
    EXPECT_EQ(problem.frameCount, 0);
}

TEST_F(DeletionTest, NothingDeletableChangesNothing) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    problem.selection.state = SelectType::None;
    EXPECT_FALSE(DeleteSelection(problem).ok);
    SelectFrames({5});
    EXPECT_FALSE(DeleteSelection(problem).ok);
    EXPECT_TRUE(problem.undoList.empty());
    EXPECT_EQ(problem.frameCount, 1);
}

TEST_F(DeletionTest, UndoAfterDeleteBringsTheFrameBack) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    FrameNo(1).material = 6;
    SelectFrames({1});
    ASSERT_TRUE(DeleteSelection(problem).ok);
    ASSERT_TRUE(RestoreUndoSnapshot(problem, true));
    RebuildFrameGeometry(problem, 1, false);
    EXPECT_EQ(problem.frameCount, 1);
    EXPECT_EQ(FrameNo(1).material, 6);
    EXPECT_EQ(problem.nodes.Count(), 4);
    ExpectConsistent();
}

}  // namespace
}  // namespace kova

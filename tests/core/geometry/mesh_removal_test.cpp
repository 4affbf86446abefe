#include "geometry/mesh_removal.hpp"

#include "editing/drawing_commands.hpp"
#include "editing/mesh_commands.hpp"
#include "editing/removal_commands.hpp"
#include "editing_fixture.hpp"
#include "geometry/outline_drawing.hpp"

namespace kova {
namespace {

using testing::AddFrame;
using testing::AddRectangleFrame;
using testing::AddSegment;
using testing::NodeAt;

class MeshRemovalTest : public EditingTest {
protected:
    // A fan mesh of frame k around an interior node at (cx, cy): one line to every
    // vertex of its outline.
    void Fan(int k, Real cx, Real cy) {
        const int centre = NodeAt(problem, cx, cy);
        const auto vertices = FrameNo(k).vertices;
        for (std::size_t j = 0; j + 1 < vertices.size(); ++j)
            AddSegment(problem, centre, vertices[j], k, k);
    }
    void SelectFrame(int k) {
        problem.selection.items = {NumberItem(k)};
        problem.selection.state = SelectType::Frames;
    }
};

// ------------------------------------------------------------------ Subtract

TEST_F(MeshRemovalTest, SubtractMakesANestedFrameAHoleWithoutMesh) {
    AddRectangleFrame(problem, 0, 0, 400, 400);
    AddRectangleFrame(problem, 100, 100, 200, 200, 1);
    Fan(2, 150, 150);
    FrameNo(2).lumpInitialValue = 5;
    SelectFrame(2);
    const EditResult r = SubtractFrame(problem);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.frame, 2);
    const Frame& hole = FrameNo(2);
    EXPECT_EQ(hole.subtracted, 1);
    EXPECT_EQ(hole.type, FrameType::Lumped);
    EXPECT_EQ(hole.lumpInitialValue, kUnspecified);
    EXPECT_EQ(problem.nodes.Count(), 8);
    EXPECT_EQ(problem.lines.Count(), 8);
    EXPECT_FALSE(PointInFrame(problem, 1, 150, 150));
    EXPECT_EQ(problem.selection.state, SelectType::None);
    EXPECT_EQ(UndoNames(), (std::vector<std::string>{"Subtract Outline"}));
    ExpectConsistent();
    // A subtracted frame cannot be subtracted again.
    SelectFrame(2);
    EXPECT_FALSE(SubtractFrame(problem).ok);
}

TEST_F(MeshRemovalTest, SubtractOnAFrameTouchingTheExteriorDeletesIt) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    AddRectangleFrame(problem, 300, 100, 400, 200);
    SelectFrame(1);
    const EditResult r = SubtractFrame(problem);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.frame, 0);
    EXPECT_EQ(problem.frameCount, 1);
    EXPECT_EQ(NodeNear(100, 100), 0);
    ExpectConsistent();
}

TEST_F(MeshRemovalTest, SubtractNeedsAFrameSelectionAndAnotherFrame) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    SelectFrame(1);
    EXPECT_FALSE(SubtractFrame(problem).ok);
    EXPECT_EQ(problem.frameCount, 1);
    EXPECT_TRUE(problem.undoList.empty());
}

// ------------------------------------------------------------------ Remove Mesh

TEST_F(MeshRemovalTest, RemoveMeshLeavesOutlinesAndJoinsStraightHalves) {
    // A square with a vertex in the middle of its top edge (as AutoMesh adds them) and
    // a fan mesh around an interior node.
    AddFrame(problem, {{100, 100}, {200, 100}, {300, 100}, {300, 300}, {100, 300}});
    Fan(1, 200, 200);
    ASSERT_EQ(problem.nodes.Count(), 6);
    reporter.answers = {Answer::Yes};
    const EditResult r = RemoveMeshCommand(problem);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(reporter.Questions(), (std::vector<std::string>{std::string(kRemoveMeshQuestion)}));
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(problem.lines.Count(), 4);
    EXPECT_NE(SegmentBetween(100, 100, 300, 100), nullptr);
    EXPECT_EQ(FrameNo(1).VertexCount(), 5);
    EXPECT_EQ(UndoNames(), (std::vector<std::string>{"Remove Mesh"}));
    for (int i = 1; i <= problem.nodes.Count(); ++i) EXPECT_EQ(problem.nodes[i].nodeMark, 0);
    ExpectConsistent();
}

TEST_F(MeshRemovalTest, AVertexWhereAThirdSegmentMeetsTheStraightEdgeStays) {
    AddFrame(problem, {{0, 100}, {100, 100}, {200, 100}, {200, 200}, {0, 200}});
    ASSERT_TRUE(DrawFreeFormOutline(
                    problem, Clicks({{100, 100}, {100, 0}, {200, 0}, {200, 100}, {100, 100}}))
                    .ok);
    const int nodes = problem.nodes.Count();
    ASSERT_TRUE(RemoveMesh(problem).ok);
    EXPECT_EQ(problem.nodes.Count(), nodes);
    EXPECT_NE(NodeNear(100, 100), 0);
    ExpectConsistent();
}

TEST_F(MeshRemovalTest, HalvesWithDifferentBoundaryConditionsAreNotJoined) {
    AddFrame(problem, {{100, 100}, {200, 100}, {300, 100}, {300, 300}, {100, 300}});
    SegmentBetween(100, 100, 200, 100)->fluxSpec = Spec(kSpecFlux, 7);
    ASSERT_TRUE(RemoveMesh(problem).ok);
    EXPECT_EQ(problem.nodes.Count(), 5);
    EXPECT_NE(SegmentBetween(100, 100, 200, 100), nullptr);
    ExpectConsistent();
}

TEST_F(MeshRemovalTest, AnsweringNoRemovesNothing) {
    AddRectangleFrame(problem, 100, 100, 300, 300);
    Fan(1, 200, 200);
    reporter.answers = {Answer::No};
    EXPECT_FALSE(RemoveMeshCommand(problem).ok);
    EXPECT_EQ(problem.nodes.Count(), 5);
    EXPECT_TRUE(problem.undoList.empty());
}

}  // namespace
}  // namespace kova

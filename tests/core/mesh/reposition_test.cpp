// Reposition Nodes: the command's state, and moving a node with the checks that keep the
// drawing valid.
#include "mesh/reposition.hpp"
#include "editing/mesh_commands.hpp"

#include <gtest/gtest.h>

#include "mesh/auto_mesh.hpp"
#include "model/messages.hpp"
#include "support/geometry_builders.hpp"
#include "support/mesh_builder.hpp"
#include "support/model_invariants.hpp"
#include "support/triangulation_check.hpp"

namespace kova {
namespace {

using testing::AddRectangleFrame;
using testing::AddSegment;
using testing::CheckModelInvariants;
using testing::CheckTriangulation;
using testing::JoinViolations;
using testing::NodeAt;

class RepositionTest : public ::testing::Test {
protected:
    RepositionTest() { problem.SetReporter(&reporter); }

    // A square from (100, 100) to (300, 300) cut by the diagonal 1-3.
    void SquareWithDiagonal() {
        AddRectangleFrame(problem, 100, 100, 300, 300);
        AddSegment(problem, 1, 3, 1, 1);
    }
    // Moves node k and expects the refusal: message 101 in the error box, node unmoved.
    void ExpectRefused(int k, Real x, Real y) {
        const Real oldX = problem.nodes[k].x, oldY = problem.nodes[k].y;
        const std::size_t errors = reporter.Errors().size();
        EXPECT_FALSE(MoveNode(problem, k, x, y)) << "to " << x << ", " << y;
        ASSERT_EQ(reporter.Errors().size(), errors + 1);
        EXPECT_EQ(reporter.Errors().back(), "The new node position is invalid.  ");
        EXPECT_EQ(problem.nodes[k].x, oldX);
        EXPECT_EQ(problem.nodes[k].y, oldY);
    }

    Problem problem;
    RecordingReporter reporter;
};

TEST_F(RepositionTest, TheCommandTakesItsSnapshotShowsTheNodesAndThePrompt) {
    SquareWithDiagonal();
    problem.settings.displayNodes = false;
    RepositionMClick(problem);
    ASSERT_FALSE(problem.undoList.empty());
    EXPECT_EQ(problem.undoList.back().name, "Reposition Nodes");
    EXPECT_TRUE(problem.settings.displayNodes);
    EXPECT_EQ(reporter.StatusText(StatusPanel::Info),
              "Hold the mouse button down on a node while dragging it to a new location.");
}

TEST_F(RepositionTest, AValidMoveKeepsTheMeshAndRebuildsTheFrames) {
    AddRectangleFrame(problem, 100, 100, 300, 300);
    ASSERT_EQ(AutoMesh(problem).meshed, std::vector<int>{1});
    const int centre = NodeAt(problem, 200, 200);
    ASSERT_NE(centre, 0);
    problem.settings.problemSaved = true;
    EXPECT_TRUE(MoveNode(problem, centre, 230, 180));
    EXPECT_EQ(problem.nodes[centre].x, 230);
    EXPECT_FALSE(problem.settings.problemSaved);
    const auto report = CheckTriangulation(problem);
    EXPECT_TRUE(report.Valid()) << JoinViolations(report.violations);
    EXPECT_EQ(report.triangles.size(), 4u);

    // A corner moved outward: the frame's area follows.
    const Real area = problem.frames[1].area;
    EXPECT_TRUE(MoveNode(problem, 1, 80, 80));
    EXPECT_GT(problem.frames[1].area, area);
    EXPECT_TRUE(CheckModelInvariants(problem).empty())
        << JoinViolations(CheckModelInvariants(problem));
}

TEST_F(RepositionTest, ANodeOfAFineMeshMovesByAPixelAlongItsOwnLines) {
    // Cells of about 9.4 by 10 pixels, nodes between whole pixels: a one-pixel drag of
    // an interior node ends near its own segments, which must not count against it.
    test::MeshBuilder b(problem, 100);
    test::MeshRectangle(b, 0, 0, 1.79L, 0.99L, 19, 9, 1);
    b.Finish();
    int moved = 0;
    for (int k = 1; k <= problem.nodes.Count(); ++k) {
        const Node& n = problem.nodes[k];
        if (n.x < 5 || n.x > 170 || n.y > -5 || n.y < -94) continue;  // interior nodes
        const Real x = n.x, y = n.y;
        ASSERT_TRUE(MoveNode(problem, k, x + 1, y)) << k << " at " << x << ", " << y;
        ASSERT_TRUE(MoveNode(problem, k, x, y - 1)) << k;
        ASSERT_TRUE(MoveNode(problem, k, x, y));
        ++moved;
    }
    EXPECT_GT(moved, 100);
    EXPECT_TRUE(reporter.Errors().empty());
    const auto report = CheckTriangulation(problem);
    EXPECT_TRUE(report.Valid()) << JoinViolations(report.violations);
}

TEST_F(RepositionTest, MovesOntoANodeAcrossASegmentOrOntoASegmentAreRefused) {
    AddRectangleFrame(problem, 100, 100, 300, 300);
    ASSERT_EQ(AutoMesh(problem).meshed, std::vector<int>{1});
    const int centre = NodeAt(problem, 200, 200);
    ExpectRefused(centre, 102, 98);   // within 4 pixels of corner 1
    ExpectRefused(centre, 350, 200);  // out through the right side
    ExpectRefused(centre, 300, 200);  // onto the right side
    EXPECT_TRUE(CheckTriangulation(problem).Valid());
}

TEST_F(RepositionTest, ATriangleThatWouldTurnOverIsRefusedThoughNoLineCrosses) {
    SquareWithDiagonal();
    // Node 2 (300, 100) pulled over the diagonal into the other triangle: its two lines
    // end on the diagonal's ends and cross nothing, but its triangle would lie on top of
    // its neighbour.
    ExpectRefused(2, 150, 250);
    EXPECT_TRUE(CheckTriangulation(problem).Valid());
}

TEST_F(RepositionTest, InACylindricalProblemANodeLeftOfTheAxisIsRefused) {
    problem.settings.originX = 50;
    problem.SetCylindrical(true);
    AddRectangleFrame(problem, 100, 100, 300, 300);
    ExpectRefused(1, 40, 100);
    EXPECT_TRUE(MoveNode(problem, 1, 60, 100));
}

}  // namespace
}  // namespace kova

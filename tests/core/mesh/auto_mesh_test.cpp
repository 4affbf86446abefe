#include "mesh/auto_mesh.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "editing/mesh_commands.hpp"
#include "editing/restore.hpp"
#include "files/undo_snapshots.hpp"
#include "geometry/frame_rebuild.hpp"
#include "geometry/primitives.hpp"
#include "mesh/mesh_segments.hpp"
#include "mesh/restore_points.hpp"
#include "support/geometry_builders.hpp"
#include "support/model_invariants.hpp"
#include "support/triangulation_check.hpp"

namespace kova {
namespace {

using testing::AddFrame;
using testing::AddRectangleFrame;
using testing::AddSegment;
using testing::CheckModelInvariants;
using testing::CheckTriangulation;
using testing::CompareWithElementBuilder;
using testing::ElementLinesIn;
using testing::JoinViolations;
using testing::NodeAt;

class AutoMeshTest : public ::testing::Test {
protected:
    AutoMeshTest() {
        problem.SetReporter(&reporter);
        problem.settings.pixelLength = 0.01L;
    }
    // The mesh of `frames` is a valid triangulation the element builder agrees with;
    // returns its number of triangles.
    std::size_t ExpectValidMesh(const std::vector<int>& frames = {}, bool everyFrameMeshed = true) {
        const auto invariants = CheckModelInvariants(problem);
        EXPECT_TRUE(invariants.empty()) << JoinViolations(invariants);
        const auto report = CheckTriangulation(problem, frames);
        EXPECT_TRUE(report.Valid()) << JoinViolations(report.violations);
        if (everyFrameMeshed) {
            const auto differences = CompareWithElementBuilder(problem, report);
            EXPECT_TRUE(differences.empty()) << JoinViolations(differences);
        }
        return report.triangles.size();
    }
    std::vector<const LineSegment*> OutlineSegments(int f) const {
        std::vector<const LineSegment*> out;
        for (const LineSegment& s : problem.lines)
            if ((s.frameA == f) != (s.frameB == f)) out.push_back(&s);
        return out;
    }
    Real Length(const LineSegment& s) const {
        const Node& a = problem.nodes[s.node1];
        const Node& b = problem.nodes[s.node2];
        return std::hypot(b.x - a.x, b.y - a.y);
    }

    Problem problem;
    RecordingReporter reporter;
};

// ---------------------------------------------------------------- the fan

TEST_F(AutoMeshTest, ASquareBecomesAFanOfFourTrianglesAroundANewCentreNode) {
    AddRectangleFrame(problem, 100, 100, 200, 180);
    problem.nodes[1].initialValue = 37;
    const std::size_t undoBefore = problem.undoList.size();

    const AutoMeshResult result = AutoMesh(problem);

    EXPECT_EQ(result.meshed, std::vector<int>{1});
    ASSERT_EQ(problem.nodes.Count(), 5);
    const int centre = NodeAt(problem, 150, 140);
    EXPECT_EQ(centre, 5);
    EXPECT_EQ(problem.nodes[centre].currentValue, 100);
    EXPECT_EQ(problem.nodes[centre].initialValue, 37);
    EXPECT_EQ(ElementLinesIn(problem, 1), 4);
    for (int corner = 1; corner <= 4; ++corner)
        EXPECT_NE(FindSegment(problem, corner, centre), nullptr) << corner;
    EXPECT_EQ(ExpectValidMesh(), 4u);
    // One undo step for the whole command; the restore points are gone.
    ASSERT_EQ(problem.undoList.size(), undoBefore + 1);
    EXPECT_EQ(problem.undoList.back().name, "AutoMesh");
    EXPECT_TRUE(reporter.Errors().empty());
    EXPECT_FALSE(problem.settings.problemSaved);
}

TEST_F(AutoMeshTest, FramesOutsideTheFanWindowOrWithTheirCentreOutsideAreEarClipped) {
    // Three times as tall as wide: two triangles, no centre node.
    AddRectangleFrame(problem, 100, 100, 160, 280);
    AutoMesh(problem);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(ElementLinesIn(problem, 1), 1);
    EXPECT_EQ(ExpectValidMesh(), 2u);

    // An L whose boundary nodes' mean lies in the missing quarter.
    Problem l;
    l.SetReporter(&reporter);
    l.settings.pixelLength = 0.01L;
    AddFrame(l, {{100, 100}, {300, 100}, {300, 140}, {140, 140}, {140, 300}, {100, 300}});
    const AutoMeshResult result = AutoMesh(l);
    EXPECT_EQ(result.meshed, std::vector<int>{1});
    Real x = 173.33L, y = 173.33L;
    EXPECT_EQ(FindNodeNear(l, x, y, 30), 0) << "no node near the mean of the corners";
    const auto report = CheckTriangulation(l);
    EXPECT_TRUE(report.Valid()) << JoinViolations(report.violations);
    EXPECT_TRUE(CompareWithElementBuilder(l, report).empty());
}

// Restore points of the test's own, held outside the undo list.
class ImageRestorePoints : public RestorePoints {
public:
    explicit ImageRestorePoints(Problem& problem) : m_problem(problem) {
        m_images.push_back(EncodeUndoSnapshot(problem));
    }
    void Push(const std::string&) override { m_images.push_back(EncodeUndoSnapshot(m_problem)); }
    void Restore(bool drop) override {
        DecodeUndoSnapshot(m_problem, m_images.back());
        if (m_problem.frameCount >= 1) RebuildFrameGeometry(m_problem, 1, false);
        if (drop) m_images.pop_back();
        ++restores;
    }
    void DropAll() override { m_images.resize(1); }
    std::size_t Held() const { return m_images.size(); }
    int restores = 0;

private:
    Problem& m_problem;
    std::vector<std::vector<std::uint8_t>> m_images;
};

TEST_F(AutoMeshTest, TheMeshOperationTakesItsStepsBackOnlyThroughThePointsItIsHanded) {
    // A fan; a frame ear-clipped after its long sides were halved; an L; and a square
    // notched from one side, whose fan is begun and taken back (a spoke crosses the
    // notch) before it is ear-clipped.
    auto build = [this](Problem& p) {
        p.SetReporter(&reporter);
        p.settings.pixelLength = 0.01L;
        AddRectangleFrame(p, 100, 100, 200, 180);
        AddRectangleFrame(p, 300, 100, 330, 400);
        AddFrame(p, {{500, 100}, {700, 100}, {700, 140}, {540, 140}, {540, 300}, {500, 300}});
        AddFrame(p, {{800, 100},
                     {1000, 100},
                     {1000, 120},
                     {900, 120},
                     {900, 140},
                     {1000, 140},
                     {1000, 300},
                     {800, 300}});
    };
    Problem viaCommand;
    build(viaCommand);
    const AutoMeshResult expected = AutoMesh(viaCommand);
    build(problem);

    ImageRestorePoints points(problem);
    const AutoMeshResult result = AutoMeshFrames(problem, points);

    EXPECT_EQ(result.meshed, expected.meshed);
    EXPECT_EQ(result.failed, expected.failed);
    EXPECT_TRUE(problem.undoList.empty());
    EXPECT_EQ(points.Held(), 1u) << "every point the operation pushed is dropped";
    EXPECT_GT(points.restores, 0);
    EXPECT_EQ(problem.nodes.Count(), viaCommand.nodes.Count());
    EXPECT_EQ(problem.lines.Count(), viaCommand.lines.Count());
    ExpectValidMesh();
}

TEST_F(AutoMeshTest, AFrameWithElementLinesIsNeverGivenACentreNode) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    AddSegment(problem, 1, 3, 1, 1);
    AutoMesh(problem);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(ExpectValidMesh(), 2u);
}

// ---------------------------------------------------------------- splitting long segments

TEST_F(AutoMeshTest, WithAllFramesChosenASegmentTenTimesTheShortestEndsInFourPieces) {
    AddRectangleFrame(problem, 100, 100, 200, 110);  // sides 100 and 10
    const AutoMeshResult result = AutoMesh(problem);
    ASSERT_EQ(result.meshed, std::vector<int>{1});
    const auto outline = OutlineSegments(1);
    ASSERT_EQ(outline.size(), 10u);
    int quarters = 0;
    for (const LineSegment* s : outline) {
        EXPECT_LE(Length(*s), 40);
        quarters += std::fabs(Length(*s) - 25) < 1e-12L ? 1 : 0;
    }
    EXPECT_EQ(quarters, 8);
    EXPECT_EQ(problem.nodes[NodeAt(problem, 125, 100)].currentValue, 100);
    EXPECT_EQ(ExpectValidMesh(), 8u);
}

TEST_F(AutoMeshTest, WithAFrameSelectionNoSegmentIsSplit) {
    AddRectangleFrame(problem, 100, 100, 200, 110);
    AddRectangleFrame(problem, 300, 100, 400, 200);
    problem.selection.state = SelectType::Frames;
    problem.selection.items = {NumberItem(1)};
    const AutoMeshResult result = AutoMesh(problem);
    EXPECT_EQ(result.meshed, std::vector<int>{1});
    EXPECT_EQ(OutlineSegments(1).size(), 4u);
    EXPECT_EQ(ElementLinesIn(problem, 2), 0) << "frame 2 was not chosen";
    EXPECT_EQ(ExpectValidMesh({1}, false), 2u);
}

TEST_F(AutoMeshTest, SplitPiecesKeepTheBoundaryConditionsOfTheirSegment) {
    AddRectangleFrame(problem, 100, 100, 200, 110);
    const int hot = FindOrAddSpecValue(problem, kSpecValue, 300);
    const int flux = FindOrAddSpecValue(problem, kSpecFlux, 5);
    LineSegment* top = FindSegment(problem, 1, 2);
    LineSegment* bottom = FindSegment(problem, 3, 4);
    top->valueSpec = hot;
    problem.nodes[1].valueSpec = problem.nodes[2].valueSpec = static_cast<std::int16_t>(hot);
    bottom->fluxSpec = flux;
    bottom->transferSpec = 7;
    bottom->ambientSpec = 8;

    AutoMesh(problem);

    int topPieces = 0, bottomPieces = 0;
    for (const LineSegment* s : OutlineSegments(1)) {
        const Real y1 = problem.nodes[s->node1].y, y2 = problem.nodes[s->node2].y;
        if (y1 == 100 && y2 == 100) {
            ++topPieces;
            EXPECT_EQ(s->valueSpec, hot);
            EXPECT_EQ(problem.nodes[s->node1].valueSpec, hot);
            EXPECT_EQ(problem.nodes[s->node2].valueSpec, hot);
        } else if (y1 == 110 && y2 == 110) {
            ++bottomPieces;
            EXPECT_EQ(s->fluxSpec, flux);
            EXPECT_EQ(s->transferSpec, 7);
            EXPECT_EQ(s->ambientSpec, 8);
            EXPECT_EQ(s->valueSpec, 0);
            EXPECT_EQ(problem.nodes[s->node1].valueSpec, 0);
        }
    }
    EXPECT_EQ(topPieces, 4);
    EXPECT_EQ(bottomPieces, 4);
}

// ---------------------------------------------------------------- holes

TEST_F(AutoMeshTest, AnAnnulusIsMeshedAsTwoHalvesJoinedByBridges) {
    AddRectangleFrame(problem, 100, 100, 300, 300);
    const int hole = AddRectangleFrame(problem, 170, 160, 230, 240, 1);
    problem.frames[hole].type = FrameType::Lumped;
    const std::vector<int> holes = HolesOf(problem, 1);
    EXPECT_EQ(holes, std::vector<int>{hole});

    const AutoMeshResult result = AutoMesh(problem);

    EXPECT_EQ(result.meshed, std::vector<int>{1});
    EXPECT_EQ(ElementLinesIn(problem, hole), 0);
    const int first = problem.frames[1].vertices.front();
    EXPECT_NE(FindSegment(problem, first, Nearest(problem, first, hole)), nullptr)
        << "the bridge from the frame's first node to the nearest hole node";
    EXPECT_EQ(problem.nodes.Count(), 8) << "no centre node in a holed frame";
    EXPECT_EQ(ExpectValidMesh({1}), 8u);
}

TEST_F(AutoMeshTest, NearestTakesTheFirstOfEquallyNearHoleNodes) {
    AddRectangleFrame(problem, 100, 100, 300, 300);
    AddRectangleFrame(problem, 180, 180, 220, 220, 1);
    const int p = NodeAt(problem, 200, 100);  // on the outer frame's top side
    problem.AddNode(0, 0);
    EXPECT_EQ(Nearest(problem, p, 2), NodeAt(problem, 180, 180));
    EXPECT_EQ(Nearest(problem, 1, 2), NodeAt(problem, 180, 180));
    EXPECT_EQ(Nearest(problem, 3, 2), NodeAt(problem, 220, 220));
}

TEST_F(AutoMeshTest, AFrameWithTwoHolesIsReportedAndLeftAsItWas) {
    AddRectangleFrame(problem, 100, 100, 400, 300);
    AddRectangleFrame(problem, 150, 150, 200, 200, 1);
    AddRectangleFrame(problem, 300, 150, 350, 200, 1);
    problem.frames[2].type = problem.frames[3].type = FrameType::Lumped;
    const int nodes = problem.nodes.Count(), lines = problem.lines.Count();

    const AutoMeshResult result = AutoMesh(problem);

    EXPECT_EQ(result.failed, std::vector<int>{1});
    ASSERT_EQ(reporter.Errors().size(), 1u);
    EXPECT_EQ(reporter.Errors()[0],
              "Unable to automesh frame 1.  Use the Element Lines menu item in the Draw menu to "
              "manually break the frame into triangles.");
    EXPECT_EQ(problem.nodes.Count(), nodes);
    EXPECT_EQ(problem.lines.Count(), lines);
    const auto invariants = CheckModelInvariants(problem);
    EXPECT_TRUE(invariants.empty()) << JoinViolations(invariants);
}

TEST_F(AutoMeshTest, AHoleTouchingItsFrameAtACornerGivesAValidMeshOrTheMessage) {
    AddRectangleFrame(problem, 100, 100, 300, 300);
    const int hole = AddFrame(problem, {{100, 100}, {190, 140}, {140, 190}}, 1);
    problem.frames[hole].type = FrameType::Lumped;
    const int lines = problem.lines.Count();

    const AutoMeshResult result = AutoMesh(problem);

    if (result.failed.empty()) {
        EXPECT_GT(ExpectValidMesh({1}), 0u);
    } else {
        EXPECT_EQ(reporter.Errors(), std::vector<std::string>{UnableToAutomeshMessage(1)});
        EXPECT_EQ(problem.lines.Count(), lines);
    }
    const auto invariants = CheckModelInvariants(problem);
    EXPECT_TRUE(invariants.empty()) << JoinViolations(invariants);
}

// ---------------------------------------------------------------- the command

TEST_F(AutoMeshTest, LumpedFramesAreSkippedSilently) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    problem.frames[1].type = FrameType::Lumped;
    const AutoMeshResult result = AutoMesh(problem);
    EXPECT_TRUE(result.meshed.empty());
    EXPECT_TRUE(result.failed.empty());
    EXPECT_EQ(problem.lines.Count(), 4);
    EXPECT_TRUE(reporter.events.empty());
}

TEST_F(AutoMeshTest, UndoRestoresTheDrawingExactlyWhateverTheNumberOfFramesMeshed) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    AddFrame(problem, {{200, 100}, {260, 100}, {260, 300}, {200, 300}, {200, 200}});  // tall
    AddFrame(problem, {{300, 100}, {500, 100}, {500, 140}, {340, 140}, {340, 300}, {300, 300}});
    AddRectangleFrame(problem, 120, 350, 400, 500);
    AddRectangleFrame(problem, 200, 400, 260, 450, 4);
    problem.frames[5].type = FrameType::Lumped;
    SaveUndoSnapshot(problem, "Outline");
    const auto before = EncodeUndoSnapshot(problem);
    const std::size_t undoBefore = problem.undoList.size();

    const AutoMeshResult result = AutoMesh(problem);
    EXPECT_EQ(result.meshed, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(ExpectValidMesh(), ExpectValidMesh());
    ASSERT_EQ(problem.undoList.size(), undoBefore + 1);

    ASSERT_TRUE(RestoreSnapshotWithGeometry(problem, true));
    EXPECT_EQ(EncodeUndoSnapshot(problem), before);
    EXPECT_EQ(problem.undoList.back().name, "Outline");
}

TEST_F(AutoMeshTest, TheFirstUseAsksForBoundaryConditionsFirstAndNoCancels) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    AutoMeshPrompt prompt;
    reporter.answers = {Answer::No};
    EXPECT_FALSE(AutoMeshClick(problem, prompt));
    EXPECT_EQ(reporter.Questions(),
              std::vector<std::string>{"It is recommended that you set the boundary conditions "
                                       "before reducing the mesh. Continue with automesh?"});
    EXPECT_EQ(problem.lines.Count(), 4);
    EXPECT_TRUE(problem.undoList.empty());

    // Asked once per run: the second use meshes without asking.
    EXPECT_TRUE(AutoMeshClick(problem, prompt));
    EXPECT_EQ(reporter.Questions().size(), 1u);
    EXPECT_EQ(ElementLinesIn(problem, 1), 4);

    // With two specifications in the table there is no question at all.
    Problem other;
    RecordingReporter quiet;
    other.SetReporter(&quiet);
    AddRectangleFrame(other, 100, 100, 200, 200);
    FindOrAddSpecValue(other, kSpecValue, 1);
    FindOrAddSpecValue(other, kSpecValue, 2);
    AutoMeshPrompt fresh;
    AutoMeshResult result;
    EXPECT_TRUE(AutoMeshClick(other, fresh, &result));
    EXPECT_TRUE(quiet.Questions().empty());
    EXPECT_EQ(result.meshed, std::vector<int>{1});
}

}  // namespace
}  // namespace kova

namespace kova {
namespace {

using testing::AddFrame;
using testing::CheckTriangulation;
using testing::JoinViolations;

// A notched pentagon whose centre lies 2.5 pixels below the notch's edge: the drawing
// commands' crossing test forgives a crossing that close to an end, a spoke must not.
TEST(AutoMeshGeometryTest, NoSpokeCrossesAnEdgeNearTheCentre) {
    Problem problem;
    RecordingReporter reporter;
    problem.SetReporter(&reporter);
    ASSERT_EQ(AddFrame(problem, {{442, 218}, {358, 74}, {383, 180}, {199, 79}, {175, 165}}), 1);
    const AutoMeshResult r = AutoMesh(problem);
    ASSERT_EQ(r.meshed, std::vector<int>{1});
    const auto report = CheckTriangulation(problem);
    EXPECT_TRUE(report.Valid()) << JoinViolations(report.violations);
    EXPECT_EQ(report.triangles.size(), 3u) << "ear-clipped, without a centre node";
}

// A segment a thousandth of a pixel long beside sides of hundreds of pixels: halving the
// long sides down to four times its length would take millions of nodes.
TEST(AutoMeshGeometryTest, ATinySegmentDoesNotSetOffEndlessSplitting) {
    Problem problem;
    RecordingReporter reporter;
    problem.SetReporter(&reporter);
    ASSERT_EQ(AddFrame(problem, {{100, 100}, {100.001L, 100}, {400, 120}, {380, 400}, {90, 380}}),
              1);
    AutoMesh(problem);
    EXPECT_LT(problem.nodes.Count(), 20);
    const auto invariants = testing::CheckModelInvariants(problem);
    EXPECT_TRUE(invariants.empty()) << JoinViolations(invariants);
}

}  // namespace
}  // namespace kova

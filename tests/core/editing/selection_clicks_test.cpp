// Selecting by clicks: the click rules by state, the group lookup, the rectangle, and
// the information texts as the status bar shows them.
#include "editing/selection_clicks.hpp"

#include "core/geometry/editing_fixture.hpp"
#include "editing/drawing_commands.hpp"
#include "model/selection.hpp"

namespace kova {
namespace {

using testing::AddRectangleFrame;

// Frame 1, distributed (100..300 square, "Copper", two element lines from its top left
// corner); frame 2, a lump (400..500 square, "Water").
class SelectionClicksTest : public EditingTest {
protected:
    SelectionClicksTest() {
        problem.materials[1].name = "Copper";
        problem.materials[2].name = "Water";
        AddRectangleFrame(problem, 100, 100, 300, 300);
        AddRectangleFrame(problem, 400, 100, 500, 200);
        FrameNo(1).material = 1;
        FrameNo(2).material = 2;
        FrameNo(2).type = FrameType::Lumped;
        ElementLines(problem, Clicks({{100, 100}, {300, 300}, {100, 100}, {200, 300}}));
        problem.undoList.clear();
        problem.ClassifyNodes();
        reporter.Clear();
    }

    ClickReply Click(Real x, Real y, bool ctrl = false, int window = kInputWindowType) {
        return ClickAt(problem, state, ClickInput{x, y, window, ctrl});
    }

    std::string TimeText() const { return reporter.StatusText(StatusPanel::Time); }
    const Selection& Sel() const { return problem.selection; }

    ClickState state;
};

TEST_F(SelectionClicksTest, ANodeOfALumpIsPickedOnlyInRepositionMode) {
    const int corner = NodeNear(500, 200);
    ASSERT_EQ(problem.nodes[corner].active, 0);
    Click(500, 200);
    EXPECT_NE(Sel().state, SelectType::Points);
    ClearSelection(problem);
    state.repositionMode = true;
    const ClickReply reply = Click(501, 201);
    EXPECT_EQ(reply.next, NextStep::DragNode);
    EXPECT_EQ(reply.node, corner);
    EXPECT_EQ(Sel().state, SelectType::Points);
    EXPECT_TRUE(state.repositionMode);
    // A click on no node ends Reposition mode.
    Click(200, 102);
    EXPECT_FALSE(state.repositionMode);
}

TEST_F(SelectionClicksTest, SegmentClicksToggleTheirKindAndReplaceTheOther) {
    Click(200, 200);  // on the diagonal element line
    EXPECT_EQ(Sel().state, SelectType::Lines);
    Click(150, 200);  // the second element line, (100,100)-(200,300)
    EXPECT_EQ(Sel().Count(), 2);
    EXPECT_EQ(InfoText(), "Internal element line  Area = 223.6 cm2/cm");
    Click(200, 102);  // the top edge replaces both
    EXPECT_EQ(Sel().state, SelectType::Bounds);
    ASSERT_EQ(Sel().Count(), 1);
    EXPECT_EQ(Sel().items[0].segment, SegmentBetween(100, 100, 300, 100));
    EXPECT_EQ(InfoText(), "Unspecified boundary  Area = 200.0 cm2/cm");
    Click(300, 150);  // the right edge joins it
    EXPECT_EQ(Sel().Count(), 2);
    EXPECT_EQ(InfoText(), "Unspecified boundary  Area = 200.0 cm2/cm   Tot. Area = 400.0 cm2/cm");
    Click(300, 150);  // and leaves again
    EXPECT_EQ(Sel().Count(), 1);
    EXPECT_EQ(TimeText(), "Line " + std::to_string(SegmentBetween(100, 100, 300, 100)->node1) +
                              "-" + std::to_string(SegmentBetween(100, 100, 300, 100)->node2));
}

TEST_F(SelectionClicksTest, ALumpClickedWhileNodesAreSelectedJoinsThemAndIsDescribed) {
    Click(300, 100);
    ASSERT_EQ(Sel().state, SelectType::Points);
    EXPECT_EQ(InfoText(), "T=Unspec.");
    EXPECT_EQ(TimeText(), "Node " + std::to_string(NodeNear(300, 100)));
    Click(450, 150);
    EXPECT_EQ(Sel().state, SelectType::Points);
    ASSERT_EQ(Sel().Count(), 2);
    EXPECT_EQ(Sel().items[1].selectNo, problem.nodes.Count() + 2);
    EXPECT_EQ(InfoText(), "(Lump A) Temp.=Unspec.  Area[2]=10000 cm2  Tot. Area=10000 cm2");
    EXPECT_EQ(TimeText(), "2. Water");
}

TEST_F(SelectionClicksTest, TheBalanceWindowAddsNodesAndLumpsAndRectanglesBesideThem) {
    Click(300, 100, false, kNodalWindowType);
    ASSERT_EQ(Sel().state, SelectType::Nodal);
    Click(450, 150, false, kNodalWindowType);  // inside the lump: its entry N + 2
    ASSERT_EQ(Sel().Count(), 2);
    EXPECT_EQ(Sel().items[1].selectNo, problem.nodes.Count() + 2);
    // Inside the distributed frame, beside every node: a rectangle starts.
    EXPECT_EQ(Click(250, 130, false, kNodalWindowType).next, NextStep::RubberRectangle);
    EXPECT_EQ(Sel().Count(), 2);
}

TEST_F(SelectionClicksTest, AFrameClickMovesTheLabelEvenWhenItDeselects) {
    Click(250, 130);
    ASSERT_EQ(Sel().state, SelectType::Frames);
    EXPECT_EQ(InfoText(), "  Area[1]=40000 cm2");
    EXPECT_EQ(TimeText(), "1. Copper");
    Click(270.4L, 150.6L);
    EXPECT_EQ(Sel().Count(), 0);
    EXPECT_EQ(FrameNo(1).labelX, 270);
    EXPECT_EQ(FrameNo(1).labelY, 151);
}

TEST_F(SelectionClicksTest, ARectangleTakesTheBoundarySegmentsInsideItAndNoElementLine) {
    // Both ends of the top, right and bottom edges; the diagonal lies inside too.
    const ClickReply reply = Click(320, 60);
    ASSERT_EQ(reply.next, NextStep::RubberRectangle);
    SelectInRectangle(problem, kInputWindowType, 320, 60, 90, 310);
    EXPECT_EQ(Sel().state, SelectType::Bounds);
    // The left edge is split by nothing; the bottom edge is split at (200, 300).
    EXPECT_EQ(Sel().Count(), 5);
    for (const SelectRec& r : Sel().items) EXPECT_NE(r.segment->frameA, r.segment->frameB);
    ClearSelection(problem);
    SelectInRectangle(problem, kInputWindowType, 95, 95, 305, 120);
    ASSERT_EQ(Sel().Count(), 1);
    EXPECT_EQ(Sel().items[0].segment, SegmentBetween(100, 100, 300, 100));
    SelectInRectangle(problem, kInputWindowType, 600, 600, 700, 700);
    EXPECT_EQ(Sel().state, SelectType::None);
}

TEST_F(SelectionClicksTest, AGroupIsPickedWholeUnlessCtrlIsHeldAndUngroupForgetsIt) {
    Click(200, 102);
    Click(300, 150);
    GroupSelection(problem, state);
    ASSERT_EQ(problem.groups.size(), 1u);
    ClearSelection(problem);
    Click(300, 150);
    EXPECT_EQ(Sel().Count(), 2);
    EXPECT_EQ(state.currentGroup, &problem.groups.front());
    ClearSelection(problem);
    Click(300, 150, true);
    ASSERT_EQ(Sel().Count(), 1);
    EXPECT_EQ(Sel().items[0].segment, SegmentBetween(300, 100, 300, 300));
    Click(300, 150);  // finds the group again
    UngroupSelection(problem, state);
    EXPECT_TRUE(problem.groups.empty());
    EXPECT_EQ(Sel().state, SelectType::None);
    Click(300, 150);
    EXPECT_EQ(Sel().Count(), 1);
}

TEST_F(SelectionClicksTest, TransientAndCylindricalTextsFollowTheirRules) {
    problem.settings.transient = true;
    Click(300, 100);
    EXPECT_EQ(InfoText(), "Initial T = unspecified");
    problem.nodes[NodeNear(300, 100)].initialValue = 37.5L;
    ShowSelectionInfo(problem);
    EXPECT_EQ(InfoText(), "  Initial T=37.50 °C");
    problem.nodes[NodeNear(300, 100)].valueSpec = Spec(kSpecValue, 20);
    problem.specs[problem.nodes[NodeNear(300, 100)].valueSpec].text = "20";
    ShowSelectionInfo(problem);
    EXPECT_EQ(InfoText(), "T=20 °C  Initial T=37.50 °C");
    problem.settings.cylindrical = true;
    Click(250, 130);
    EXPECT_EQ(InfoText().rfind("  Volume[1]=", 0), 0u) << InfoText();
    EXPECT_NE(InfoText().find(" cm3"), std::string::npos);
}

TEST_F(SelectionClicksTest, ABoundaryWithConditionsListsThemAndTheAmbient) {
    LineSegment* top = SegmentBetween(100, 100, 300, 100);
    top->transferSpec = Spec(kSpecTransfer, 10);
    problem.specs[top->transferSpec].text = "10";
    top->ambientSpec = Spec(kSpecValue, 25);
    problem.specs[top->ambientSpec].text = "25";
    Click(200, 102);
    EXPECT_EQ(InfoText(), " h=10 W/m2-K  To=25 °C  Area = 200.0 cm2/cm");
    problem.settings.subject = ProbTypeA::ElecFieldC;
    top->transferSpec = 0;
    top->fluxSpec = Spec(kSpecFlux, 3);
    problem.specs[top->fluxSpec].text = "3";
    ShowSelectionInfo(problem);
    EXPECT_EQ(InfoText().rfind("Current density=3 ", 0), 0u) << InfoText();
}

}  // namespace
}  // namespace kova

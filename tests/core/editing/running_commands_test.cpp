// The drawing commands as the input window runs them, one click at a time: what each
// click did, what Cancel leaves behind, and what one Undo takes back.
#include <cstdint>
#include <vector>

#include "core/geometry/editing_fixture.hpp"
#include "editing/drawing_commands.hpp"
#include "editing/restore.hpp"
#include "files/undo_snapshots.hpp"

namespace kova {
namespace {

using testing::AddRectangleFrame;

class RunningCommandsTest : public EditingTest {
protected:
    RunningCommandsTest() { AddRectangleFrame(problem, 100, 100, 300, 300); }

    std::vector<std::uint8_t> Image() { return EncodeUndoSnapshot(problem); }
};

TEST_F(RunningCommandsTest, ACancelledOutlineLeavesProblemAndUndoListAsBeforeBegin) {
    // Two corners, the first on the frame's top edge (which it splits), the second in
    // the empty drawing: cancelling must take the split back too.
    SaveUndoSnapshot(problem, "Earlier");
    const auto before = Image();
    const auto undo = UndoNames();
    FreeFormOutlineCommand command(problem);
    ASSERT_TRUE(command.Begin());
    EXPECT_EQ(command.Click({200, 100}), ClickStep::Placed);
    EXPECT_EQ(InfoText(), GetMessage(MessageId::ClickOnCorner));
    EXPECT_EQ(command.Click({200, 30}), ClickStep::Placed);
    EXPECT_EQ(command.Vertices().size(), 2u);
    EXPECT_GT(problem.nodes.Count(), 4);
    command.Cancel();
    EXPECT_TRUE(command.Over());
    EXPECT_TRUE(command.Vertices().empty());
    EXPECT_EQ(Image(), before);
    EXPECT_EQ(UndoNames(), undo);
    ExpectConsistent();
}

TEST_F(RunningCommandsTest, RefusedCornersKeepTheDrawingGoingAndOneUndoTakesTheOutlineBack) {
    problem.settings.displayNodeNumbers = true;
    const auto before = Image();
    FreeFormOutlineCommand command(problem);
    ASSERT_TRUE(command.Begin());
    EXPECT_FALSE(problem.settings.displayNodeNumbers);  // hidden while drawing
    EXPECT_EQ(command.Click({400, 50}), ClickStep::Placed);
    EXPECT_EQ(command.Click({400, 200}), ClickStep::Placed);
    // An edge into the existing frame crosses its right edge.
    reporter.Clear();
    EXPECT_EQ(command.Click({250, 250}), ClickStep::Refused);
    EXPECT_EQ(InfoText(), kInvalidCorner);
    EXPECT_EQ(command.Vertices().size(), 2u);
    EXPECT_EQ(command.Click({500, 200}), ClickStep::Placed);
    EXPECT_EQ(command.Click({401, 51}), ClickStep::Closed);
    EXPECT_TRUE(command.Over());
    EXPECT_TRUE(command.Result().ok);
    EXPECT_EQ(command.Result().frame, 2);
    EXPECT_TRUE(problem.settings.displayNodeNumbers);
    EXPECT_EQ(UndoNames(), (std::vector<std::string>{"Outline"}));
    ExpectConsistent();
    ASSERT_TRUE(RestoreSnapshotWithGeometry(problem, true));
    EXPECT_EQ(Image(), before);
}

TEST_F(RunningCommandsTest, ClosingAfterOneCornerEndsTheCommandWithNothingLeft) {
    const auto before = Image();
    FreeFormOutlineCommand command(problem);
    ASSERT_TRUE(command.Begin());
    EXPECT_EQ(command.Click({400, 50}), ClickStep::Placed);
    EXPECT_EQ(command.Click({400, 200}), ClickStep::Placed);
    EXPECT_EQ(command.Click({400, 50}), ClickStep::Ended);
    EXPECT_FALSE(command.Result().ok);
    EXPECT_EQ(Image(), before);
    EXPECT_TRUE(UndoNames().empty());
    // Further clicks and a late Cancel change nothing.
    EXPECT_EQ(command.Click({450, 50}), ClickStep::Ended);
    command.Cancel();
    EXPECT_EQ(Image(), before);
}

TEST_F(RunningCommandsTest, AnOutlineDroppedMidwayEndsAsItsCancelDoes) {
    const auto before = Image();
    {
        FreeFormOutlineCommand command(problem);
        ASSERT_TRUE(command.Begin());
        command.Click({100, 200});  // splits the left edge
        command.Click({30, 200});
    }
    EXPECT_EQ(Image(), before);
    EXPECT_TRUE(UndoNames().empty());
}

TEST_F(RunningCommandsTest, ElementLinesMadeStayOnCancelAndOneUndoTakesThemAllBack) {
    const auto before = Image();
    ElementLinesCommand command(problem);
    command.Begin();
    EXPECT_EQ(command.Click({100, 100}), ClickStep::Placed);
    EXPECT_EQ(InfoText(), GetMessage(MessageId::ClickOnLineEndpoint));
    ASSERT_EQ(command.Vertices().size(), 1u);
    EXPECT_EQ(command.Click({103, 102}), ClickStep::Ignored);  // within 6 pixels
    EXPECT_EQ(command.Click({400, 300}), ClickStep::Refused);  // midpoint outside
    EXPECT_EQ(InfoText(), kBadElementLine);
    EXPECT_EQ(command.Click({300, 300}), ClickStep::Closed);
    EXPECT_TRUE(command.Vertices().empty());
    EXPECT_EQ(command.Click({100, 200}), ClickStep::Placed);  // splits the left edge
    // The second line would cross the first.
    EXPECT_EQ(command.Click({300, 100}), ClickStep::Refused);
    EXPECT_EQ(command.Click({200, 300}), ClickStep::Closed);  // splits the bottom edge
    EXPECT_EQ(command.Click({150, 200}), ClickStep::Ended);   // a start on nothing
    EXPECT_TRUE(command.Over());
    EXPECT_EQ(command.Result().count, 2);
    EXPECT_EQ(problem.selection.state, SelectType::None);
    EXPECT_EQ(InfoText(), "");
    EXPECT_EQ(UndoNames(), (std::vector<std::string>{"Lines"}));
    ExpectConsistent();
    ASSERT_TRUE(RestoreSnapshotWithGeometry(problem, true));
    EXPECT_EQ(Image(), before);
}

TEST_F(RunningCommandsTest, ACancelledLineRunKeepsItsLinesAndSettlesTheSplitOutline) {
    ElementLinesCommand command(problem);
    command.Begin();
    command.Click({100, 100});
    command.Click({200, 300});  // ends on the bottom edge, which it splits
    command.Click({300, 100});
    const EditResult& r = command.Cancel();  // waiting for an end: that line is dropped
    EXPECT_EQ(r.count, 1);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(FrameNo(1).vertices.size(), 6u);  // the split node is an outline vertex
    ExpectConsistent();
}

}  // namespace
}  // namespace kova

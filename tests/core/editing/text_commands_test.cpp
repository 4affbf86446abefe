// Text items and the template picture: creation, clicks, the dialog's OK rules, the
// template's placement and stretching, and that each change is one undo step.
#include "editing/text_commands.hpp"

#include <gtest/gtest.h>

#include "editing/restore.hpp"
#include "editing/selection_clicks.hpp"
#include "files/undo_snapshots.hpp"
#include "model/problem.hpp"
#include "support/geometry_builders.hpp"

namespace kova {
namespace {

class TextCommandsTest : public ::testing::Test {
protected:
    TextCommandsTest() { problem.SetReporter(&reporter); }

    TextItem& Item(int i) { return *TextAt(problem, i); }
    // A press in the middle of an item's drawn rectangle.
    bool ClickOn(int i, bool shift = false) {
        const IntRect r = TextRectangle(Item(i), metrics, 1);
        return TextClick(problem, state, 1, (r.left + r.right) / 2.0L, (r.top + r.bottom) / 2.0L,
                         shift, metrics);
    }

    // A bitmap file image of the given size (header only; enough for its size).
    static std::vector<std::uint8_t> Bitmap(int w, int h) {
        std::vector<std::uint8_t> d(54, 0);
        d[0] = 'B';
        d[1] = 'M';
        for (int i = 0; i < 4; ++i) {
            d[18 + i] = static_cast<std::uint8_t>(w >> (8 * i));
            d[22 + i] = static_cast<std::uint8_t>(h >> (8 * i));
        }
        return d;
    }

    Problem problem;
    RecordingReporter reporter;
    FixedTextMetrics metrics;
    TextState state;
};

TEST_F(TextCommandsTest, NewTextsStartAsArialAndCascadeCopyingTheLastLook) {
    TextItem& first = NewTextCommand(problem, state, 1);
    EXPECT_EQ(first.theText, "new text");
    EXPECT_EQ(first.fontName, "Arial");
    EXPECT_EQ(first.fSize, 12);
    EXPECT_EQ(first.mode, TextMode::trans);
    EXPECT_EQ(first.theRect.left, 100);
    EXPECT_EQ(first.theRect.top, 50);
    first.fontName = "Courier";
    first.fSize = 20;
    first.color = 255;
    const TextItem& second = NewTextItem(problem, std::string(100, 'x'), 1);
    EXPECT_EQ(second.fontName, "Courier");
    EXPECT_EQ(second.fSize, 20);
    EXPECT_EQ(second.color, 255);
    EXPECT_EQ(second.theRect.left, 125);
    EXPECT_EQ(second.theRect.top, 75);
    EXPECT_EQ(second.nt, 80);
    EXPECT_EQ(state.current, 0);
}

TEST_F(TextCommandsTest, ShiftAddsTextsToTheSelectionAndASecondClickDeselects) {
    NewTextItem(problem, "one", 1);
    NewTextItem(problem, "two", 1);
    NewTextItem(problem, "other window", 3);
    EXPECT_TRUE(ClickOn(0));
    EXPECT_TRUE(ClickOn(1, true));
    EXPECT_EQ(Item(0).selected + Item(1).selected, 2);
    EXPECT_EQ(state.current, 1);
    EXPECT_TRUE(ClickOn(1, true));
    EXPECT_EQ(Item(1).selected, 0);
    EXPECT_TRUE(ClickOn(1));  // without Shift the others go
    EXPECT_EQ(Item(0).selected, 0);
    EXPECT_EQ(Item(1).selected, 1);
    EXPECT_FALSE(TextClick(problem, state, 1, 600, 600, false, metrics));
    EXPECT_EQ(state.current, -1);
    EXPECT_EQ(Item(1).selected, 0);
    // A text of another window, and any text while texts are hidden, is never hit.
    const IntRect r = TextRectangle(Item(2), metrics, 1);
    EXPECT_FALSE(TextClick(problem, state, 1, r.left + 1, r.top + 1, false, metrics));
    problem.settings.displayText = false;
    EXPECT_FALSE(ClickOn(0));
}

TEST_F(TextCommandsTest, OkWithSeveralItemsCopiesOnlyTheChangedAttributes) {
    for (const char* t : {"a", "b", "c"}) NewTextItem(problem, t, 1);
    Item(0).fontName = "Courier";
    Item(1).fSize = 30;
    for (int i = 0; i < 3; ++i) Item(i).selected = 1;
    state.current = 2;
    TextItem backup;
    TextDialogValues v = OpenTextDialog(problem, state, backup);
    EXPECT_FALSE(v.textEnabled);
    EXPECT_EQ(v.text, "Selected text items");
    v.color = 0x00ff00;
    TextDialogOk(problem, state, backup, v);
    EXPECT_EQ(Item(0).fontName, "Courier");
    EXPECT_EQ(Item(1).fSize, 30);
    EXPECT_EQ(Item(2).fSize, 12);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Item(i).color, 0x00ff00);
    EXPECT_EQ(Item(0).theText, "a");
    EXPECT_EQ(problem.undoList.back().name, "Text");
}

TEST_F(TextCommandsTest, AnEmptiedTextGoesAndUndoBringsItBack) {
    NewTextCommand(problem, state, 1);
    const auto before = EncodeUndoSnapshot(problem);
    TextItem backup;
    TextDialogValues v = OpenTextDialog(problem, state, backup);
    EXPECT_TRUE(v.textEnabled);
    EXPECT_FALSE(v.deleteEnabled);  // nothing selected
    v.text = "";
    TextDialogOk(problem, state, backup, v);
    EXPECT_TRUE(problem.texts.empty());
    EXPECT_EQ(state.current, -1);
    ASSERT_TRUE(RestoreSnapshotWithGeometry(problem, true));
    EXPECT_EQ(EncodeUndoSnapshot(problem), before);
    // One item's OK takes the text (80 characters at most), font and angle.
    v.text = std::string(90, 'y');
    v.inclined = true;
    v.angle = 120;
    state.current = 0;
    TextDialogOk(problem, state, backup, v);
    EXPECT_EQ(Item(0).nt, 80);
    EXPECT_EQ(Item(0).angle, 90);
}

TEST_F(TextCommandsTest, DraggingMovesTheSelectedTextsOfTheWindowAsOneUndoStep) {
    NewTextItem(problem, "a", 1);
    NewTextItem(problem, "b", 1);
    NewTextItem(problem, "c", 1);
    Item(2).selected = 1;
    state.current = 0;
    BeginTextDrag(problem, state);
    TextDrag(problem, 1, 5, -3);
    TextDrag(problem, 1, 5, -3);
    EXPECT_EQ(Item(0).theRect.left, 110);
    EXPECT_EQ(Item(1).theRect.left, 125);
    EXPECT_EQ(Item(2).theRect.top, 94);
    EXPECT_EQ(problem.undoList.size(), 1u);
    Item(0).selected = Item(2).selected = 1;
    TextDialogDelete(problem, state);
    ASSERT_EQ(problem.texts.size(), 1u);
    EXPECT_EQ(Item(0).theText, "b");
    EXPECT_EQ(state.current, -1);
}

TEST_F(TextCommandsTest, ATemplateIsFittedCentredMovedAndStretchedInProportion) {
    EXPECT_FALSE(PasteTemplate(problem, 2, {}, {200, 100}, 800, 600));
    EXPECT_TRUE(problem.undoList.empty());
    ASSERT_TRUE(PasteTemplate(problem, 2, Bitmap(200, 100), {200, 100}, 800, 600));
    const IntRect placed{300, 250, 500, 350};
    EXPECT_EQ(problem.templatePicture.rect, placed);
    EXPECT_TRUE(problem.settings.displayTemplate);
    EXPECT_EQ(TemplateHit(problem, 400, 300), TemplateGrip::Move);
    EXPECT_EQ(TemplateHit(problem, 495, 345), TemplateGrip::Resize);
    EXPECT_EQ(TemplateHit(problem, 600, 300), TemplateGrip::None);
    const auto before = EncodeUndoSnapshot(problem);
    BeginTemplateChange(problem);
    ResizeTemplateTo(problem, 600, 420, true);  // width 300: height 150
    EXPECT_EQ(problem.templatePicture.rect.bottom, 250 + 150);
    MoveTemplateBy(problem, -1, 0);
    EXPECT_EQ(problem.templatePicture.rect.left, 299);
    ASSERT_TRUE(RestoreSnapshotWithGeometry(problem, true));
    EXPECT_EQ(EncodeUndoSnapshot(problem), before);
    // A bitmap larger than the window is fitted into it.
    ASSERT_TRUE(PasteTemplate(problem, 2, Bitmap(2000, 500), {2000, 500}, 820, 600));
    EXPECT_EQ(problem.templatePicture.rect.right - problem.templatePicture.rect.left, 800);
    EXPECT_EQ(problem.templatePicture.rect.bottom - problem.templatePicture.rect.top, 200);
    EXPECT_TRUE(DeleteTemplate(problem));
    EXPECT_FALSE(problem.templatePicture.Present());
    EXPECT_FALSE(DeleteTemplate(problem));
}

TEST_F(TextCommandsTest, GroupAndUngroupAreUndoSteps) {
    ClickState clicks;
    testing::AddRectangleFrame(problem, 100, 100, 200, 200);
    problem.selection.items = {NumberItem(1)};
    problem.selection.state = SelectType::Frames;
    GroupSelection(problem, clicks);
    ASSERT_EQ(problem.undoList.size(), 1u);
    EXPECT_EQ(problem.undoList.back().name, "Group");
    UngroupSelection(problem, clicks);
    EXPECT_EQ(problem.undoList.back().name, "Ungroup");
    EXPECT_TRUE(problem.groups.empty());
    ASSERT_TRUE(RestoreSnapshotWithGeometry(problem, true));
    EXPECT_EQ(problem.groups.size(), 1u);
}

}  // namespace
}  // namespace kova

// The menu rules without a window: what each selection state, subject, flag and window
// enables, checks and captions.
#include "shell/menu_state.hpp"

#include <gtest/gtest.h>

#include <set>

#include "files/undo_snapshots.hpp"
#include "support/geometry_builders.hpp"
#include "units/unit_labels.hpp"

namespace kova::ui {
namespace {

using enum Cmd;

struct MenuFixture : ::testing::Test {
    Problem p;
    MenuInputs in;
    MenuState state = InitialMenuState();
    void SetUp() override {
        testing::AddRectangleFrame(p, 100, 100, 200, 200);
        testing::AddRectangleFrame(p, 200, 100, 300, 200);
        p.ClassifyNodes();
        in.problem = &p;
        in.maskUnbuilt = false;  // the rules themselves, before unbuilt commands are masked
    }
    MenuState Update() {
        state = UpdateMenu(state, in);
        return state;
    }
    void Select(SelectType kind, std::vector<SelectRec> items) {
        p.selection.state = kind;
        p.selection.items = std::move(items);
    }
};

TEST(MenuItems, EveryItemHasItsMenuCaptionAndDistinctKeys) {
    std::set<std::string> keys;
    int shared = 0;
    for (const MenuItemSpec& item : MenuItems()) {
        EXPECT_EQ(&ItemSpec(item.cmd), &item);
        EXPECT_NE(std::string(item.caption).find('&'), std::string::npos) << item.caption;
        if (*item.key != '\0' && !keys.insert(item.key).second) ++shared;
    }
    EXPECT_EQ(shared, 1);  // only Undo and Ungroup share Ctrl+U
    EXPECT_STREQ(ItemSpec(ReduceMesh).key, "Ctrl+W");
    EXPECT_STREQ(ItemSpec(Calculate).key, "F2");
    EXPECT_STREQ(ItemSpec(Open).key, "");
}

TEST_F(MenuFixture, AnEmptyProblemDisablesRunAndUnbuiltCommands) {
    Problem empty;
    in.problem = &empty;
    in.maskUnbuilt = true;
    empty.selection.state = SelectType::None;
    const MenuState s = Update();
    EXPECT_FALSE(s.menu(Menu::Run));
    EXPECT_FALSE(s[Undo].enabled);
    EXPECT_FALSE(s[Print].enabled);  // later work, never a dead end
    EXPECT_FALSE(s[HelpIndex].enabled);
    EXPECT_FALSE(s[ViewContours].enabled);
    EXPECT_TRUE(s[Open].enabled);
    EXPECT_TRUE(s[Zoom].enabled);
    EXPECT_EQ(s[Zoom].caption, "&Zoom");
}

TEST_F(MenuFixture, SelectionStatesEnableTheirCommands) {
    Select(SelectType::Frames, {NumberItem(1)});
    MenuState s = Update();
    EXPECT_TRUE(s.menu(Menu::Specify));
    EXPECT_TRUE(s[MaterialProperties].enabled);
    EXPECT_TRUE(s[Generation].enabled);
    EXPECT_FALSE(s[BoundaryConditions].enabled);
    EXPECT_TRUE(s[Delete].enabled);
    EXPECT_TRUE(s[Subtract].enabled);  // two frames, the first selected one solid

    Select(SelectType::Lumps, {NumberItem(p.nodes.Count() + 1)});
    s = Update();
    EXPECT_EQ(s[BoundaryConditions].caption, "&Lump Information");
    EXPECT_TRUE(s[BoundaryConditions].enabled);

    // A corner shared by both frames ends three segments: it cannot be deleted.
    int shared = 0;
    for (int n = 1; n <= p.nodes.Count(); ++n)
        if (testing::SegmentsAtNode(p, n) == 3) shared = n;
    ASSERT_NE(shared, 0);
    Select(SelectType::Points, {NumberItem(shared)});
    s = Update();
    EXPECT_EQ(s[BoundaryConditions].caption, "&Node Information");
    EXPECT_FALSE(s[Delete].enabled);
    EXPECT_FALSE(s[MaterialProperties].enabled);

    Select(SelectType::Lines, {SegmentItem(p.lines.First())});
    s = Update();
    EXPECT_FALSE(s.menu(Menu::Specify));
    EXPECT_TRUE(s[Delete].enabled);

    Select(SelectType::Contours, {});
    s = Update();
    EXPECT_FALSE(s.menu(Menu::Subject));
    EXPECT_FALSE(s.menu(Menu::Run));
    EXPECT_FALSE(s[ShowNodeNumbers].enabled);
    EXPECT_FALSE(s[ShowAxes].enabled);

    // Null keeps the last state's rule; the next real state brings the items back.
    Select(SelectType::Frames, {NumberItem(1)});
    Update();
    Select(SelectType::Null, {});
    s = Update();
    EXPECT_TRUE(s[MaterialProperties].enabled);
    Select(SelectType::None, {});
    s = Update();
    EXPECT_FALSE(s.menu(Menu::Specify));
    EXPECT_TRUE(s[ShowNodeNumbers].enabled);
    EXPECT_FALSE(s[Delete].enabled);
}

TEST_F(MenuFixture, CaptionsFollowFlagsSubjectAndUndoList) {
    p.settings.displayGrid = true;
    p.settings.displayPatterns = false;
    in.zoomed = true;
    SaveUndoSnapshot(p, "Scale and Size");
    MenuState s = Update();
    EXPECT_EQ(s[ShowGrid].caption, "Hide &Grid");
    EXPECT_EQ(s[HidePatterns].caption, "Show &Patterns");
    EXPECT_EQ(s[Zoom].caption, "Normal &Size");
    EXPECT_EQ(s[Undo].caption, "&Undo Scale and Size");
    EXPECT_TRUE(s[Undo].enabled);
    EXPECT_TRUE(s[HeatTransfer].checked);
    EXPECT_EQ(s[InitialConditions].caption, "G&uess Temperatures");
    p.settings.transient = true;
    p.settings.unitSystem = Unittype::Eng;
    s = Update();
    EXPECT_EQ(s[InitialConditions].caption, "&Initial Temperatures");
    EXPECT_EQ(s[TemperaturesRelative].caption, "Temperatures in &F");
    EXPECT_TRUE(s[Transient].checked);

    SetSubjectLabels(p, ProbTypeA::ElecFieldNC, false);
    s = Update();
    EXPECT_TRUE(s[Electrostatics].checked);
    EXPECT_FALSE(s[HeatTransfer].checked);
    EXPECT_FALSE(s[Transient].enabled);
    EXPECT_FALSE(s[TemperaturesAbsolute].visible);
    EXPECT_EQ(s[ViewValues].caption, "&Voltages");
    EXPECT_EQ(s[Generation].caption, "&Volume Charge Density");
    EXPECT_FALSE(s[ViewFlowVsTime].visible);
    EXPECT_TRUE(s[Cylindrical].enabled);
    SetSubjectLabels(p, ProbTypeA::ThinFins, false);
    s = Update();
    EXPECT_FALSE(s[Cylindrical].enabled);
    EXPECT_EQ(s[BloodProperties].caption, "&Surface Conditions");
    SetSubjectLabels(p, ProbTypeA::Potential, false);
    s = Update();
    EXPECT_FALSE(s[Cylindrical].enabled);
}

TEST_F(MenuFixture, ResultItemsFollowTheResultsAndTheWindowInFront) {
    Select(SelectType::None, {});
    MenuState s = Update();
    EXPECT_FALSE(s[ViewContours].enabled);
    p.resultsCurrent = true;
    s = Update();
    EXPECT_TRUE(s[ViewContours].enabled);
    EXPECT_TRUE(s[ViewTable].enabled);
    EXPECT_FALSE(s[ViewValuesVsTime].enabled);  // steady
    p.settings.transient = true;
    s = Update();
    EXPECT_TRUE(s[ViewValuesVsTime].enabled);
    EXPECT_FALSE(s[ViewBalances].enabled);  // no flow table
    in.hasFlowTable = true;
    in.frontWindow = 3;
    s = Update();
    EXPECT_TRUE(s[ViewBalances].enabled);
    EXPECT_TRUE(s[ViewContours].checked);
    EXPECT_FALSE(s[Undo].enabled);  // Draw commands only in the input window
    in.frontWindow = 1;
    s = Update();
    EXPECT_FALSE(s[ViewContours].checked);
}

// Group is offered for a selection that the window in front looks groups up for: the
// input window's frames, nodes and segments, the balance window's nodes; never a
// heat-flow path, nor items left selected behind a result window. New Text stays.
TEST_F(MenuFixture, GroupFollowsTheSelectionAndTheWindowInFront) {
    p.resultsCurrent = true;
    Select(SelectType::Frames, {NumberItem(1), NumberItem(2)});
    EXPECT_TRUE(Update()[Group].enabled);
    in.frontWindow = 3;
    EXPECT_FALSE(Update()[Group].enabled);
    EXPECT_TRUE(state[NewText].enabled);
    in.frontWindow = 5;
    Select(SelectType::Flow, {SegmentItem(&*p.lines.begin())});
    EXPECT_FALSE(Update()[Group].enabled);
    EXPECT_TRUE(state.menu(Menu::Draw));
    in.frontWindow = 6;
    Select(SelectType::Nodal, {NumberItem(1), NumberItem(2)});
    EXPECT_TRUE(Update()[Group].enabled);
    EXPECT_FALSE(state[Ungroup].enabled);
    in.groupCurrent = true;
    EXPECT_FALSE(Update()[Group].enabled);
    EXPECT_TRUE(state[Ungroup].enabled);
}

TEST_F(MenuFixture, WhileRunningOnlyQuitIsOffered) {
    const MenuState before = Update();
    in.running = true;
    MenuState s = kova::ui::UpdateMenu(before, in);
    for (const MenuItemSpec& item : MenuItems())
        EXPECT_EQ(s[item.cmd].enabled, item.cmd == Quit) << item.caption;
    EXPECT_FALSE(s.menu(Menu::Run));
    // After the run every item is offered as before it, also those no rule sets again.
    s = kova::ui::UpdateMenu(s, in);
    in.running = false;
    s = kova::ui::UpdateMenu(s, in);
    for (const MenuItemSpec& item : MenuItems())
        EXPECT_EQ(s[item.cmd].enabled, before[item.cmd].enabled) << item.caption;
    EXPECT_TRUE(s[Zoom].enabled);
}

TEST_F(MenuFixture, MenuOpenRules) {
    in.maskUnbuilt = true;
    MenuState s = Update();
    OnDisplayMenuOpen(s, in);
    EXPECT_TRUE(s[CenterAndSetDisplaySize].enabled);
    in.zoomed = true;
    OnDisplayMenuOpen(s, in);
    EXPECT_FALSE(s[CenterAndSetDisplaySize].enabled);
    OnViewMenuOpen(s, in, true);
    EXPECT_TRUE(s[ProblemDescription].enabled);
    OnViewMenuOpen(s, in, false);
    EXPECT_FALSE(s[ProblemDescription].enabled);
}

}  // namespace
}  // namespace kova::ui

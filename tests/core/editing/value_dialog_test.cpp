#include "editing/value_dialog_logic.hpp"

#include <gtest/gtest.h>

#include "dialog_test_support.hpp"
#include "editing/subject_dialog_logic.hpp"
#include "expressions/compiler.hpp"
#include "files/undo_snapshots.hpp"
#include "model/number_format.hpp"
#include "solver/result_table.hpp"
#include "units/drawing_transform.hpp"

namespace kova {
namespace {

using test::BuildTwoFrames;
using test::SelectNumbers;

struct ValueDialogs : ::testing::Test {
    Problem p;
    RecordingReporter rec;
    test::TwoFrames t;
    void Build(ProbTypeA subject) { t = BuildTwoFrames(p, subject, rec); }
};

TEST_F(ValueDialogs, GenerationCaptionNoteAndLumpRule) {
    Build(ProbTypeA::HeatTrans);
    SelectNumbers(p, SelectType::Frames, {1, 2});
    GenerationDialogState s = OpenGenerationDialog(p);
    EXPECT_EQ(s.caption, "Enter Internal Generation [" + UnitLabel(p, Quantity::Generation) + "]");
    EXPECT_EQ(
        s.note,
        "The value may be a entered as a function of Time, T, X, Y, FLUX, DT\\DX, and/or DT\\DY");
    s.gen.text = "1000*X";
    ASSERT_TRUE(ApplyGenerationDialog(p, s).ok);
    EXPECT_EQ(p.frames[2].generationSpec, p.frames[1].generationSpec);
    EXPECT_EQ(p.undoList.back().name, "Generation");

    p.frames[2].type = FrameType::Lumped;
    s = OpenGenerationDialog(p);
    EXPECT_TRUE(s.hasLumps);
    EXPECT_EQ(s.gen.text, "1000*X");
    EXPECT_EQ(s.note, "The value may be a entered as a function of Time, and/or T");
    const int before = p.frames[1].generationSpec;
    DialogResult r = ApplyGenerationDialog(p, s);
    EXPECT_EQ(r.field, "GenEdit");
    EXPECT_EQ(r.message, "This specification can not be a function of X and/or Y");
    EXPECT_EQ(p.frames[1].generationSpec, before);
    s.gen.text = "  ";  // an empty text removes the generation
    ASSERT_TRUE(ApplyGenerationDialog(p, s).ok);
    EXPECT_EQ(p.frames[1].generationSpec, 0);

    Problem f;
    BuildTwoFrames(f, ProbTypeA::Potential, rec);
    f.bernoulliConstant = kUnspecified;
    s = OpenGenerationDialog(f);
    EXPECT_EQ(s.caption, "Enter the Bernoulli Constant [Pa]");
    EXPECT_EQ(s.gen.text, "");
    s.gen.text = "1.5e3";
    ASSERT_TRUE(ApplyGenerationDialog(f, s).ok);
    EXPECT_EQ(f.bernoulliConstant, 1500);
}

TEST_F(ValueDialogs, NodeValuesMarkSegmentsBetweenValuedNodes) {
    Build(ProbTypeA::HeatTrans);
    SelectNumbers(p, SelectType::Points, {1, 7});
    NodeDialogState s = OpenNodeDialog(p);
    EXPECT_EQ(s.temp.field.label, "T = ");
    EXPECT_EQ(s.info, "T may be a function of X, Y and/or Time");
    EXPECT_FALSE(s.xyVisible);
    EXPECT_EQ(s.x.text, "not applicable");
    s.temp.ClickIntoField();
    s.temp.field.text = "40";
    ASSERT_TRUE(ApplyNodeDialog(p, s).ok);
    const int e = p.nodes[1].valueSpec;
    EXPECT_GT(e, 0);
    EXPECT_EQ(p.nodes[7].initialValue, 40);
    EXPECT_EQ(test::FindSegment(p, 1, 7)->valueSpec, e);
    EXPECT_EQ(test::FindSegment(p, 7, 2)->valueSpec, 0);  // node 2 has no value
    // Removing one node's value clears the markers at it.
    SelectNumbers(p, SelectType::Points, {7});
    s = OpenNodeDialog(p);
    EXPECT_TRUE(s.temp.ticked);
    s.temp.SetTicked(false);
    ASSERT_TRUE(ApplyNodeDialog(p, s).ok);
    EXPECT_EQ(test::FindSegment(p, 1, 7)->valueSpec, 0);
    EXPECT_EQ(p.nodes[1].valueSpec, e);
    EXPECT_EQ(p.nodes[7].valueSpec, 0);
    EXPECT_EQ(p.nodes[7].initialValue, 40);  // not turned into 0
}

TEST_F(ValueDialogs, LumpValuesAreEvaluatedAtTheDrawingOrigin) {
    Build(ProbTypeA::HeatTrans);
    p.frames[2].type = FrameType::Lumped;
    p.ClassifyNodes();
    const int n = p.nodes.Count();
    SelectNumbers(p, SelectType::Lumps, {n + 2});
    NodeDialogState s = OpenNodeDialog(p);
    EXPECT_FALSE(s.xyVisible);
    s.temp.ticked = true;
    s.temp.field.text = "X+5";
    ASSERT_TRUE(ApplyNodeDialog(p, s).ok);
    EXPECT_GT(p.frames[2].lumpValueSpec, 0);
    EXPECT_EQ(p.frames[2].lumpInitialValue, DrawingToProblem(p, 0, 0).first + 5);
}

TEST_F(ValueDialogs, NodePositionMovesOnlyWhenTypedAndValid) {
    Build(ProbTypeA::HeatTrans);
    p.nodes[7].x = 50.00004L;  // shown as the same four decimals as a round value
    SelectNumbers(p, SelectType::Points, {7});
    NodeDialogState s = OpenNodeDialog(p);
    ASSERT_TRUE(s.xyVisible);
    EXPECT_EQ(s.x.label, "X =");
    s.temp.ticked = true;
    s.temp.field.text = "1";
    ASSERT_TRUE(ApplyNodeDialog(p, s).ok);
    EXPECT_EQ(p.nodes[7].x, 50.00004L);  // untouched text: not moved

    // A position across another segment is refused, and the value with it.
    s = OpenNodeDialog(p);
    const Coordinates far = DrawingToProblem(p, 150, 0);
    s.x.text = FormatGeneral(far.first, 10);
    s.temp.field.text = "99";
    DialogResult r = ApplyNodeDialog(p, s);
    EXPECT_EQ(r.field, "XEdit");
    EXPECT_EQ(r.message, "The new node position is invalid.  ");
    EXPECT_EQ(p.nodes[7].x, 50.00004L);
    EXPECT_EQ(p.specs[p.nodes[7].valueSpec].value, 1);

    // A valid position with a value that does not compile: the node stays too.
    const Coordinates near = DrawingToProblem(p, 40, 0);
    s.x.text = FormatGeneral(near.first, 12);
    s.temp.field.text = "2*(";
    r = ApplyNodeDialog(p, s);
    EXPECT_EQ(r.field, "TempEdit");
    EXPECT_EQ(p.nodes[7].x, 50.00004L);

    // Both valid: the node moves and takes the value.
    s.temp.field.text = "99";
    ASSERT_TRUE(ApplyNodeDialog(p, s).ok);
    EXPECT_NEAR(static_cast<double>(p.nodes[7].x), 40.0, 1e-6);
    EXPECT_EQ(p.specs[p.nodes[7].valueSpec].value, 99);
}

TEST_F(ValueDialogs, InitialValuesReachElementLinesAndAllNodes) {
    Build(ProbTypeA::HeatTrans);
    p.settings.transient = true;
    SelectNumbers(p, SelectType::Frames, {2});
    InitialDialogState s = OpenInitialDialog(p);
    EXPECT_EQ(s.caption, "Set Initial Temperatures");
    EXPECT_TRUE(s.allNodesOffered);
    EXPECT_EQ(s.value.text, "");
    s.value.text = "abc";
    DialogResult r = ApplyInitialDialog(p, s);  // stays open
    EXPECT_EQ(r.field, "TempEdit");
    EXPECT_EQ(r.message, "Illegal entry.");
    s.value.text = "12.5";
    ASSERT_TRUE(ApplyInitialDialog(p, s).ok);
    EXPECT_EQ(p.nodes[3].initialValue, 12.5L);
    EXPECT_EQ(p.nodes[7].initialValue, kUnspecified);
    EXPECT_EQ(p.undoList.back().name, "Initial Conditions");

    SelectNumbers(p, SelectType::Frames, {1});
    s = OpenInitialDialog(p);
    EXPECT_EQ(s.value.text, "12.5");  // node 2 borders frame 1
    s.value.text = "3";
    ASSERT_TRUE(ApplyInitialDialog(p, s).ok);
    EXPECT_EQ(p.nodes[7].initialValue, 3);  // an element-line node
    EXPECT_EQ(p.nodes[3].initialValue, 12.5L);

    // Untouched, a value with more digits than shown stays exact.
    p.nodes[1].initialValue = 1.0L / 3.0L;
    SelectNumbers(p, SelectType::Points, {1, 4});
    s = OpenInitialDialog(p);
    EXPECT_FALSE(s.allNodesOffered);
    ASSERT_TRUE(ApplyInitialDialog(p, s).ok);
    EXPECT_EQ(p.nodes[4].initialValue, 1.0L / 3.0L);

    p.frames[2].type = FrameType::Lumped;
    SelectNumbers(p, SelectType::Frames, {1});
    s = OpenInitialDialog(p);
    s.allNodes = true;
    s.value.text = "-1";
    ASSERT_TRUE(ApplyInitialDialog(p, s).ok);
    for (int n = 1; n <= p.nodes.Count(); ++n) EXPECT_EQ(p.nodes[n].initialValue, -1);
    EXPECT_EQ(p.frames[2].lumpInitialValue, -1);
}

TEST_F(ValueDialogs, FrameListsAndOutlineChoice) {
    Build(ProbTypeA::HeatTrans);
    p.materials[2].name = "Brick";
    const std::vector<std::string> texts = FrameListTexts(p);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], "2. Brick");
    ResultTable balances;
    ASSERT_TRUE(balances.Allocate(3, ResultTable::ValuesFor(p)));
    balances.Level(1)[1] = 2;
    balances.Level(2)[1] = 5;
    DialogResult r = ApplySelectOutline(p, balances, {});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.field, "FrameBox");
    ASSERT_TRUE(ApplySelectOutline(p, balances, {1, 2}).ok);
    EXPECT_EQ(balances.Level(0)[1], 7);
    EXPECT_EQ(PreselectedFrames(p), (std::vector<int>{1, 2}));
}

TEST_F(ValueDialogs, BloodStoresBothOrNeither) {
    Build(ProbTypeA::Bio);
    const BloodSettings before = p.blood;
    BloodDialogState s = OpenBloodDialog(p);
    EXPECT_EQ(s.specHeat.text, "4200");
    s.temp.text = "36.5";
    s.specHeat.text = "0";
    DialogResult r = ApplyBloodDialog(p, s);
    EXPECT_EQ(r.field, "SpecHeatEdit");
    EXPECT_EQ(r.message, "Value must be > 0");
    EXPECT_EQ(p.blood.arterialSpec, before.arterialSpec);
    s.specHeat.text = "3900";
    ASSERT_TRUE(ApplyBloodDialog(p, s).ok);
    EXPECT_EQ(p.specs[p.blood.arterialSpec].value, 36.5L);
    EXPECT_EQ(p.blood.specificHeat, 3900);

    // Untouched, a specific heat with more digits than shown stays exact.
    p.blood.specificHeat = 4186.123456L;
    s = OpenBloodDialog(p);
    EXPECT_EQ(s.specHeat.text, "4186");
    ASSERT_TRUE(ApplyBloodDialog(p, s).ok);
    EXPECT_EQ(p.blood.specificHeat, 4186.123456L);

    p.settings.unitSystem = Unittype::Eng;
    p.blood.specificHeat = 1;
    EXPECT_EQ(OpenBloodDialog(p).specHeat.text, "1.000");
}

TEST_F(ValueDialogs, FinConditionsGoToEverySelectedFrame) {
    Build(ProbTypeA::ThinFins);
    SelectNumbers(p, SelectType::Frames, {1, 2});
    FinDialogState s = OpenFinDialog(p);
    EXPECT_EQ(s.coef.label, "Convection  coef.");
    s.coef.text = "10";
    s.temp.text = "T";  // a fluid temperature may not refer to the potential
    DialogResult r = ApplyFinDialog(p, s);
    EXPECT_EQ(r.field, "TempEdit");
    EXPECT_EQ(p.frames[1].finTransferSpec, 0);
    s.temp.text = "";
    s.flux.text = "100*X";
    ASSERT_TRUE(ApplyFinDialog(p, s).ok);
    EXPECT_GT(p.frames[2].finTransferSpec, 0);
    EXPECT_EQ(p.frames[2].finFluidSpec, 0);
    EXPECT_EQ(p.frames[2].finFluxSpec, p.frames[1].finFluxSpec);
}

TEST_F(ValueDialogs, SingularPointsInOrderAndExact) {
    Build(ProbTypeA::Potential);
    p.singularPoints.push_back({0.00002L, 3, 1});
    p.singularPoints.push_back({7, 1, 4});
    SelectNumbers(p, SelectType::Points, {1});
    SingularDialogState s = OpenSingularDialog(p);
    EXPECT_TRUE(s.rows[2].ticked);
    EXPECT_EQ(s.rows[2].field.text, "0.0000");
    EXPECT_FALSE(s.rows[0].ticked);
    ASSERT_TRUE(ApplySingularDialog(p, s).ok);
    EXPECT_EQ(p.singularPoints.back().strength, 0.00002L);  // shown as 0.0000, kept

    SelectNumbers(p, SelectType::Points, {2, 3});
    s = OpenSingularDialog(p);
    s.rows[0].ClickIntoField();
    s.rows[0].field.text = "2";
    s.rows[2].ClickIntoField();
    s.rows[2].field.text = "1";
    s.rows[4].ClickIntoField();
    s.rows[4].LeaveField();  // left empty: unticked again
    EXPECT_FALSE(s.rows[4].ticked);
    s.rows[1].ticked = true;
    s.rows[1].field.text = "x";
    DialogResult r = ApplySingularDialog(p, s);
    EXPECT_EQ(r.field, "SinkEdit");
    EXPECT_EQ(p.singularPoints.size(), 2u);
    s.rows[1].SetTicked(false);
    ASSERT_TRUE(ApplySingularDialog(p, s).ok);
    std::vector<std::pair<int, int>> order;
    for (const SingularPoint& q : p.singularPoints) order.emplace_back(q.node, q.type);
    EXPECT_EQ(order,
              (std::vector<std::pair<int, int>>{{4, 1}, {1, 3}, {2, 1}, {2, 3}, {3, 1}, {3, 3}}));

    // Every box unticked removes the selected nodes' points only.
    for (TickedField& row : s.rows) row.SetTicked(false);
    ASSERT_TRUE(ApplySingularDialog(p, s).ok);
    EXPECT_EQ(p.singularPoints.size(), 2u);
}

}  // namespace
}  // namespace kova

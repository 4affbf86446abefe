#include "editing/boundary_dialog_logic.hpp"

#include <gtest/gtest.h>

#include "dialog_test_support.hpp"
#include "expressions/compiler.hpp"
#include "files/undo_snapshots.hpp"

namespace kova {
namespace {

using test::BuildTwoFrames;
using test::SelectSegments;

struct BoundaryDialog : ::testing::Test {
    Problem p;
    RecordingReporter rec;
    test::TwoFrames t;
    void Build(ProbTypeA subject) { t = BuildTwoFrames(p, subject, rec); }
};

TEST_F(BoundaryDialog, CaptionsFollowTheSubject) {
    Build(ProbTypeA::ElecFieldC);
    SelectSegments(p, {t.outer});
    BoundaryDialogState s = OpenBoundaryDialog(p);
    EXPECT_EQ(s.temp.field.label, "Voltage");
    EXPECT_EQ(s.flux.field.label, "Normal Current");
    EXPECT_EQ(s.densityLabel, "Density");
    EXPECT_EQ(s.coef.field.label, "Lin. Rate Const.");
    EXPECT_EQ(s.ambient.label, "Electrode Pot.");
    EXPECT_EQ(s.temp.field.unit, UnitLabel(p, Quantity::Potential));
    EXPECT_EQ(s.info, "Boundary information may be a function of Time and/or V");
    EXPECT_TRUE(s.ambient.visible);

    Problem q;
    BuildTwoFrames(q, ProbTypeA::Potential, rec);
    SelectSegments(q, {&*q.lines.begin()});
    s = OpenBoundaryDialog(q);
    EXPECT_EQ(s.valueLabel, "Value");
    EXPECT_EQ(s.flux.field.label, "Tangential");
    EXPECT_EQ(s.densityLabel, "Velocity");
    EXPECT_FALSE(s.coef.field.visible || s.ambient.visible);
    // A coefficient ticked by a stray click is never stored where the subject has none.
    s.coef.ticked = true;
    s.coef.field.text = "5";
    ASSERT_TRUE(ApplyBoundaryDialog(q, s).ok);
    EXPECT_EQ(q.lines.begin()->transferSpec, 0);
}

TEST_F(BoundaryDialog, AValueGoesToTheEndNodesAndLeavesWithTheTick) {
    Build(ProbTypeA::HeatTrans);
    LineSegment* top = test::FindSegment(p, 5, 8);
    SelectSegments(p, {t.shared, top});
    BoundaryDialogState s = OpenBoundaryDialog(p);
    s.temp.ClickIntoField();
    s.temp.field.text = "20+5*TIME";
    ASSERT_TRUE(ApplyBoundaryDialog(p, s).ok);
    const int a = t.shared->valueSpec;
    ASSERT_GT(a, 0);
    EXPECT_EQ(top->valueSpec, a);
    for (int n : {2, 5, 8}) {
        EXPECT_EQ(p.nodes[n].valueSpec, a);
        EXPECT_EQ(p.nodes[n].initialValue, 20);  // the value at time 0
    }
    EXPECT_EQ(p.undoList.back().name, "Boundary Conditions");

    // Reopened on the top segment alone: unticking removes the value from both its ends,
    // though node 5 is shared with a segment that keeps its marker.
    SelectSegments(p, {top});
    s = OpenBoundaryDialog(p);
    EXPECT_TRUE(s.temp.ticked);
    EXPECT_EQ(s.temp.field.text, "20+5*TIME");
    s.temp.SetTicked(false);
    EXPECT_TRUE(s.temp.field.text.empty());
    ASSERT_TRUE(ApplyBoundaryDialog(p, s).ok);
    EXPECT_EQ(top->valueSpec, 0);
    EXPECT_EQ(p.nodes[5].valueSpec, 0);
    EXPECT_EQ(p.nodes[8].valueSpec, 0);
    EXPECT_EQ(t.shared->valueSpec, a);
}

TEST_F(BoundaryDialog, AmbientOnlyOutsideAndFluxNotOnElementLines) {
    Build(ProbTypeA::HeatTrans);
    // Between two frames: no ambient row, and a coefficient goes in with ambient 0.
    SelectSegments(p, {t.shared});
    BoundaryDialogState s = OpenBoundaryDialog(p);
    EXPECT_FALSE(s.showFluidTemp);
    s.coef.ClickIntoField();
    s.coef.field.text = "10";
    ASSERT_TRUE(ApplyBoundaryDialog(p, s).ok);
    EXPECT_GT(t.shared->transferSpec, 0);
    EXPECT_EQ(t.shared->ambientSpec, 0);

    // On the outside a coefficient needs its ambient value.
    SelectSegments(p, {t.outer});
    s = OpenBoundaryDialog(p);
    EXPECT_TRUE(s.showFluidTemp);
    s.coef.ClickIntoField();
    s.coef.field.text = "10";
    DialogResult r = ApplyBoundaryDialog(p, s);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.field, "FTempEdit");
    EXPECT_FALSE(r.message.empty());
    EXPECT_EQ(t.outer->transferSpec, 0);
    // Coordinates are refused in the coefficient and the ambient, joined by " or ".
    s.ambient.text = "20";
    s.coef.field.text = "10*X";
    r = ApplyBoundaryDialog(p, s);
    EXPECT_EQ(r.field, "CoefEdit");
    EXPECT_EQ(r.message, "This specification can not be a function of X or Y");
    s.coef.field.text = "10";
    s.ambient.text = "T";
    r = ApplyBoundaryDialog(p, s);
    EXPECT_EQ(r.field, "FTempEdit");
    EXPECT_EQ(r.message, "This specification can not be a function of T");
    EXPECT_EQ(t.outer->transferSpec, 0);
    s.ambient.text = "20";
    ASSERT_TRUE(ApplyBoundaryDialog(p, s).ok);
    EXPECT_EQ(p.specs[t.outer->ambientSpec].value, 20);
    // Unticking the coefficient empties its field and the ambient.
    s.SetCoefTicked(false);
    EXPECT_TRUE(s.coef.field.text.empty() && s.ambient.text.empty());

    // The last segment decides the flux row: an element line disables it, and its
    // hidden text is not read.
    SelectSegments(p, {t.outer, t.elementLine});
    s = OpenBoundaryDialog(p);
    EXPECT_FALSE(s.fluxEnabled);
    EXPECT_FALSE(s.flux.field.enabled);
    s.flux.ticked = true;
    s.flux.field.text = "bad(";
    EXPECT_TRUE(ApplyBoundaryDialog(p, s).ok);
    EXPECT_EQ(t.elementLine->fluxSpec, 0);
}

TEST_F(BoundaryDialog, ARefusalChangesNothingButTheSpecTable) {
    Build(ProbTypeA::HeatTrans);
    SelectSegments(p, {t.outer});
    BoundaryDialogState s = OpenBoundaryDialog(p);
    s.temp.ticked = true;
    s.temp.field.text = "55";
    s.flux.ticked = true;
    s.flux.field.text = "3+";
    // The value read before the failing flux shares an entry made beforehand, so that
    // the table too is as it was.
    ASSERT_GT(FindOrAddSpec(p, kSpecValue, false, "55", 0), 0);
    const std::vector<std::uint8_t> before = EncodeUndoSnapshot(p);
    DialogResult r = ApplyBoundaryDialog(p, s);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.field, "HeatFluxEdit");
    EXPECT_FALSE(r.message.empty());
    EXPECT_EQ(t.outer->valueSpec, 0);
    EXPECT_EQ(EncodeUndoSnapshot(p), before);
    EXPECT_TRUE(p.undoList.empty());
}

TEST_F(BoundaryDialog, AFullSpecTableIsRefusedWithOneBeep) {
    Build(ProbTypeA::HeatTrans);
    while (!p.specs.Full()) FindOrAddSpecValue(p, kSpecFlux, p.specs.Count() + 0.5L);
    SelectSegments(p, {t.outer});
    BoundaryDialogState s = OpenBoundaryDialog(p);
    s.temp.ticked = true;
    s.temp.field.text = "123";
    rec.Clear();
    const DialogResult r = ApplyBoundaryDialog(p, s);
    EXPECT_EQ(r.field, "TempEdit");
    EXPECT_EQ(r.message, "Error 41");
    EXPECT_EQ(rec.Errors(), std::vector<std::string>{"Error 41"});
    EXPECT_EQ(rec.BeepCount(), 1);
    EXPECT_EQ(t.outer->valueSpec, 0);
}

}  // namespace
}  // namespace kova

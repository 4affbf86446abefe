#include "editing/property_dialog_logic.hpp"

#include <gtest/gtest.h>

#include "dialog_test_support.hpp"
#include "model/messages.hpp"

namespace kova {
namespace {

using test::BuildTwoFrames;
using test::SelectNumbers;

struct PropertyDialog : ::testing::Test {
    Problem p;
    RecordingReporter rec;
    test::TwoFrames t;
    void Build(ProbTypeA subject) { t = BuildTwoFrames(p, subject, rec); }
    std::string Info() const { return rec.StatusText(StatusPanel::Info); }
};

TEST_F(PropertyDialog, OpensWithTheSubjectsRowsUnitsAndHint) {
    Build(ProbTypeA::HeatTrans);
    SelectNumbers(p, SelectType::Frames, {2});
    PropertyDialogState s = OpenPropertyDialog(p);
    EXPECT_EQ(s.propNo, 2);
    ASSERT_EQ(s.names.size(), 20u);
    EXPECT_EQ(s.names[1], p.materials[2].name);
    EXPECT_EQ(s.name, p.materials[2].name);
    EXPECT_EQ(s.conduct.label, "Conductivity = ");
    EXPECT_EQ(s.conduct.unit, UnitLabel(p, Quantity::Conductivity));
    EXPECT_EQ(s.specHeat.label, "Specific heat = ");
    EXPECT_FALSE(s.perfusion.visible);
    EXPECT_EQ(s.conduct.text, p.materials[2].conductivity.text);
    EXPECT_EQ(s.typeCaption, "Distributed");
    EXPECT_EQ(s.hint, "Properties may be entered as a function of T, X, Y and/or Time");

    // Other subjects move the blocks between the rows.
    Problem q;
    RecordingReporter r2;
    BuildTwoFrames(q, ProbTypeA::Hydrodynamics, r2);
    SelectNumbers(q, SelectType::Frames, {1});
    s = OpenPropertyDialog(q);
    EXPECT_EQ(s.density.label, "Storage = ");
    EXPECT_EQ(s.density.text, q.materials[1].specificHeat.text);
    EXPECT_FALSE(s.specHeat.visible);
    Problem e;
    BuildTwoFrames(e, ProbTypeA::ElecFieldC, r2);
    s = OpenPropertyDialog(e);
    EXPECT_EQ(s.specHeat.label, " Capacitance = ");
    EXPECT_FALSE(s.density.visible);
}

TEST_F(PropertyDialog, NumbersAreConstantsAndASignMakesAnExpression) {
    Build(ProbTypeA::HeatTrans);
    SelectNumbers(p, SelectType::Frames, {1});
    PropertyDialogState s = OpenPropertyDialog(p);
    s.conduct.text = "-5";
    s.density.text = "5";
    s.specHeat.text = "1.5E-3";
    ASSERT_TRUE(ApplyPropertyDialog(p, s).ok);
    const Material& m = p.materials[static_cast<std::size_t>(s.propNo)];
    EXPECT_EQ(m.conductivity.constant, 0);
    EXPECT_EQ(m.conductivity.value, -5);
    EXPECT_EQ(m.density.constant, 1);
    EXPECT_EQ(m.density.value, 5);
    EXPECT_EQ(m.specificHeat.constant, 1);
    EXPECT_EQ(m.specificHeat.value, 1.5E-3L);
    EXPECT_EQ(p.undoList.back().name, "Properties");
}

TEST_F(PropertyDialog, TypePanelCyclesAndCylindricalHasNoAnisotropy) {
    Build(ProbTypeA::ElecFieldNC);
    PropertyDialogState s = OpenPropertyDialog(p);
    ClickType(p, s);
    EXPECT_EQ(s.typeCaption, "Anisotropic ky/kx=");
    EXPECT_TRUE(s.kykx.visible);
    EXPECT_EQ(s.conduct.label, "x-Conductivity = ");
    ClickType(p, s);
    EXPECT_EQ(s.typeCaption, "Ideal Conductor");
    EXPECT_FALSE(s.conduct.visible);
    EXPECT_EQ(s.hint, "Properties may be entered as a function of V and/or Time");
    ClickType(p, s);
    EXPECT_EQ(s.typeCaption, "Distributed");
    EXPECT_EQ(s.conduct.label, " Permittivity = ");

    // A stored anisotropy opens as Distributed in cylindrical geometry.
    Problem c;
    RecordingReporter r2;
    BuildTwoFrames(c, ProbTypeA::HeatTrans, r2);
    c.SetCylindrical(true);
    c.materials[1].anisotropic = 1;
    c.materials[1].kyOverKx = 2;
    SelectNumbers(c, SelectType::Frames, {1});
    s = OpenPropertyDialog(c);
    EXPECT_EQ(s.type, FrameType::Distributed);
    EXPECT_FALSE(s.kykx.visible);
    ClickType(c, s);
    EXPECT_EQ(s.typeCaption, "Fluid/Lump");
    ASSERT_TRUE(ApplyPropertyDialog(c, s).ok);
    EXPECT_EQ(c.materials[1].anisotropic, 0);
}

TEST_F(PropertyDialog, AnisotropyStoresTheRatioWithADistributedFrame) {
    Build(ProbTypeA::MagField);
    SelectNumbers(p, SelectType::Frames, {1});
    PropertyDialogState s = OpenPropertyDialog(p);
    ClickType(p, s);
    s.kykx.text = "2.5";
    ASSERT_TRUE(ApplyPropertyDialog(p, s).ok);
    EXPECT_EQ(p.frames[1].type, FrameType::Distributed);
    EXPECT_EQ(p.materials[1].anisotropic, 1);
    EXPECT_EQ(p.materials[1].kyOverKx, 2.5L);
    // Reopened, the material shows its ratio; untouched, an odd ratio stays exact.
    p.materials[1].kyOverKx = 1.0L / 3.0L;
    s = OpenPropertyDialog(p);
    EXPECT_EQ(s.type, FrameType::Anisotropic);
    ASSERT_TRUE(ApplyPropertyDialog(p, s).ok);
    EXPECT_EQ(p.materials[1].kyOverKx, 1.0L / 3.0L);
}

TEST_F(PropertyDialog, ARefusedFieldStoresNothing) {
    Build(ProbTypeA::HeatTrans);
    SelectNumbers(p, SelectType::Frames, {1});
    const Material before = p.materials[1];
    PropertyDialogState s = OpenPropertyDialog(p);
    EditName(s, "Changed");
    EXPECT_EQ(s.names[0], "Changed");
    s.pattern = 3;
    s.colorIndex = 4;
    s.colorPicked = true;
    ClickType(p, s);
    s.kykx.text = "0";
    DialogResult r = ApplyPropertyDialog(p, s);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.field, "kykxedit");
    EXPECT_EQ(r.message, "Value must be > 0");
    EXPECT_EQ(Info(), "Value must be > 0");
    const Material& after = p.materials[1];
    EXPECT_EQ(after.name, before.name);
    EXPECT_EQ(after.fillPattern, before.fillPattern);
    EXPECT_EQ(after.kyOverKx, before.kyOverKx);
    EXPECT_EQ(after.anisotropic, before.anisotropic);
    EXPECT_TRUE(p.undoList.empty());

    // A later field failing leaves the earlier blocks alone too; each compile error
    // class has its message.
    s = OpenPropertyDialog(p);
    s.conduct.text = "7";
    for (auto [text, message] : {std::pair<std::string, std::string>{"1.2.3", "Illegal entry."},
                                 {"2*(T", "Unmatched parentheses in equation."},
                                 {"2*$", "Illegal character in equation: 2*$"}}) {
        s.specHeat.text = text;
        rec.Clear();
        r = ApplyPropertyDialog(p, s);
        EXPECT_FALSE(r.ok) << text;
        EXPECT_EQ(r.field, "SpecHeatEdit");
        EXPECT_EQ(r.message.rfind(message.substr(0, 20), 0), 0u) << r.message;
        EXPECT_GE(rec.BeepCount(), 1);
        EXPECT_EQ(p.materials[1].conductivity, before.conductivity);
    }
    // A text over 128 characters without its spaces is refused, not cut.
    s.specHeat.text = std::string(60, '1') + " + " + std::string(70, '2');
    r = ApplyPropertyDialog(p, s);
    EXPECT_EQ(r.message, GetMessage(MessageId::EquationTooLong));
}

TEST_F(PropertyDialog, LumpsRefuseCoordinatesButNotInTheirHiddenRow) {
    Build(ProbTypeA::HeatTrans);
    SelectNumbers(p, SelectType::Frames, {1});
    t.outer->valueSpec = FindOrAddSpecValue(p, kSpecValue, 20);
    for (int n : {t.outer->node1, t.outer->node2})
        p.nodes[n].valueSpec = static_cast<std::int16_t>(t.outer->valueSpec);
    PropertyDialogState s = OpenPropertyDialog(p);
    ClickType(p, s);
    ClickType(p, s);       // Lumped
    s.conduct.text = "X";  // hidden for a lump: not read
    s.density.text = "2*Y";
    DialogResult r = ApplyPropertyDialog(p, s);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.field, "DensityEdit");
    EXPECT_EQ(r.message, "This specification can not be a function of X and/or Y");
    EXPECT_EQ(p.frames[1].type, FrameType::Distributed);
    s.density.text = "2*T";
    ASSERT_TRUE(ApplyPropertyDialog(p, s).ok);
    EXPECT_EQ(p.frames[1].type, FrameType::Lumped);
    EXPECT_EQ(t.outer->valueSpec, 0);
    // The end nodes keep their values (their numbers may have changed with the lump).
    EXPECT_NE(p.nodes[t.outer->node1].valueSpec, 0);
    EXPECT_NE(p.nodes[t.outer->node2].valueSpec, 0);
}

TEST_F(PropertyDialog, PorousMediaKeepsUnitDensity) {
    Build(ProbTypeA::Hydrodynamics);
    p.materials[1].density.value = 7;
    SelectNumbers(p, SelectType::Frames, {1});
    PropertyDialogState s = OpenPropertyDialog(p);
    s.density.text = "0.25";
    ASSERT_TRUE(ApplyPropertyDialog(p, s).ok);
    EXPECT_EQ(p.materials[1].density.value, 1);
    EXPECT_EQ(p.materials[1].density.constant, 1);
    EXPECT_EQ(p.materials[1].specificHeat.value, 0.25L);
}

TEST_F(PropertyDialog, AHoleBecomesSolidOnlyAtOk) {
    Build(ProbTypeA::HeatTrans);
    p.frames[2].subtracted = 1;
    SelectNumbers(p, SelectType::Lumps, {p.nodes.Count() + 2});
    PropertyDialogState s = OpenPropertyDialog(p);
    EXPECT_EQ(s.name, "hole");
    EXPECT_FALSE(s.conduct.visible || s.density.visible || s.specHeat.visible);
    DialogResult r = ApplyPropertyDialog(p, s);
    EXPECT_EQ(r.field, "PropertiesBox");
    EXPECT_EQ(r.message, "Click on property name at left.");
    SelectMaterial(p, s, 4);
    EXPECT_TRUE(s.conduct.visible);
    EXPECT_EQ(p.frames[2].subtracted, 1);  // a click alone changes nothing
    ASSERT_TRUE(ApplyPropertyDialog(p, s).ok);
    EXPECT_EQ(p.frames[2].subtracted, 0);
    EXPECT_EQ(p.frames[2].material, 5);
}

TEST_F(PropertyDialog, NamesColoursAndThickness) {
    Build(ProbTypeA::ThinFins);
    p.materials[1].colorGridIndex = 37;  // a library index beyond the grid
    const std::int32_t libraryColor = p.materials[1].color;
    SelectNumbers(p, SelectType::Frames, {1, 2});
    p.frames[1].finThickness = 0.0123456789L;
    PropertyDialogState s = OpenPropertyDialog(p);
    EXPECT_EQ(s.perfusion.label, "Thickness = ");
    EXPECT_EQ(s.perfusion.unit, UnitLabel(p, Quantity::Length));
    std::string name;
    for (int i = 0; i < 30; ++i) name += "\xC3\xA9";  // 30 × "é"
    EditName(s, name);
    ASSERT_TRUE(ApplyPropertyDialog(p, s).ok);
    EXPECT_EQ(p.materials[1].name.size(), 50u);  // 25 characters of two bytes
    EXPECT_EQ(p.materials[1].colorGridIndex, 37);
    EXPECT_EQ(p.materials[1].color, libraryColor);
    EXPECT_EQ(p.frames[1].finThickness, 0.0123456789L);  // untouched text: exact
    EXPECT_EQ(p.frames[2].finThickness, 0.01L);          // and not copied
    s = OpenPropertyDialog(p);
    s.colorIndex = 15;
    s.colorPicked = true;
    s.perfusion.text = "2.5";  // above 1 is accepted
    ASSERT_TRUE(ApplyPropertyDialog(p, s).ok);
    EXPECT_EQ(p.materials[1].colorGridIndex, 15);
    EXPECT_EQ(p.materials[1].color, 0x00FFFFFF);
    EXPECT_EQ(p.frames[2].finThickness, 2.5L);
}

}  // namespace
}  // namespace kova

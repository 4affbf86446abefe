#include "model/subjects.hpp"
#include "units/unit_labels.hpp"

#include <gtest/gtest.h>

#include "model/messages.hpp"
#include "model/problem.hpp"

namespace kova {
namespace {

TEST(SetSubjectLabels, ForcedSettingsApplyToSteadyOnlySubjects) {
    Problem p;
    p.settings.transient = true;
    p.settings.unitSystem = Unittype::Eng;
    SetSubjectLabels(p, ProbTypeA::ElecFieldNC, true);
    EXPECT_FALSE(p.settings.transient);
    EXPECT_EQ(p.settings.unitSystem, Unittype::SI);
    EXPECT_EQ(p.vocabulary.variableLetter, 'V');
    EXPECT_EQ(p.vocabulary.generationLabel, "rho=");

    // Heat transfer and porous media flow keep both settings.
    for (ProbTypeA s :
         {ProbTypeA::HeatTrans, ProbTypeA::Hydrodynamics, ProbTypeA::Bio, ProbTypeA::ThinFins}) {
        p.settings.transient = true;
        p.settings.unitSystem = Unittype::Eng;
        SetSubjectLabels(p, s, false);
        EXPECT_TRUE(p.settings.transient);
        EXPECT_EQ(p.settings.unitSystem, Unittype::Eng);
    }
}

TEST(SetSubjectLabels, VocabularyAndContourKindFollowTheSubject) {
    struct Case {
        ProbTypeA subject;
        char letter;
        const char* gradient;
        const char* lineEnd;
        const char* lump;
        int contour;
    };
    for (const Case& c : {Case{ProbTypeA::HeatTrans, 'T', "DT\\DX", "T(", "Fluid/Lump", 0},
                          Case{ProbTypeA::ElecFieldC, 'V', "DV\\DX", "V(", "Ideal Conductor", 0},
                          Case{ProbTypeA::MagField, 'M', "DM\\DX", "M(", "Infinite mu", 0},
                          Case{ProbTypeA::Potential, 'S', "DS\\DX", "Psi(", "Lump", 2},
                          Case{ProbTypeA::Hydrodynamics, 'H', "DH\\DX", "H(", "Mixed Fluid", 2},
                          Case{ProbTypeA::ThinFins, 'T', "DT\\DX", "T(", "Fluid/Lump", 0}}) {
        Problem p;
        SetSubjectLabels(p, c.subject, false);
        EXPECT_EQ(p.vocabulary.variableLetter, c.letter);
        EXPECT_EQ(p.vocabulary.gradientX, c.gradient);
        EXPECT_EQ(p.vocabulary.lineEndLabel, c.lineEnd);
        EXPECT_EQ(p.vocabulary.lumpCaption, c.lump);
        EXPECT_EQ(p.vocabulary.fluxName, "FLUX");
        EXPECT_EQ(p.contourKind, c.contour);
    }
    EXPECT_FALSE(VocabularyOf(ProbTypeA::ThinFins).cylindricalEnabled);
    EXPECT_EQ(VocabularyOf(ProbTypeA::ThinFins).bloodItem, "Surface Conditions");
    EXPECT_EQ(VocabularyOf(ProbTypeA::Potential).gradientsItem, "Pressure Contours");
    EXPECT_TRUE(VocabularyOf(ProbTypeA::ElecFieldNC).flowVsTimeItem.empty());
}

TEST(SetSubjectLabels, WithoutLoadingTheLibraryMaterialsStay) {
    Problem p;
    p.materials[3].name = "Mine";
    p.materials[0].name = "changed";
    p.materials[0].conductivity.text = "5";
    SetSubjectLabels(p, ProbTypeA::MagField, false);
    EXPECT_EQ(p.materials[3].name, "Mine");
    EXPECT_EQ(p.materials[0].name, "unspecified");
    EXPECT_TRUE(p.materials[0].conductivity.text.empty());
    EXPECT_EQ(p.materials[0].colorGridIndex, 15);
    EXPECT_EQ(p.materials[0].color, 0x00FFFFFF);
    SetSubjectLabels(p, ProbTypeA::MagField, true);
    EXPECT_EQ(p.materials[1].name, "Nickel");
}

TEST(MaterialLibrary, LoadsNamesColoursAndPropertyBlocks) {
    Problem p;
    SetSubjectLabels(p, ProbTypeA::HeatTrans, true);
    const Material& air = p.materials[1];
    EXPECT_EQ(air.name, "Air");
    EXPECT_EQ(air.fillPattern, -1);
    EXPECT_EQ(air.colorGridIndex, 15);
    EXPECT_EQ(air.color, 15);
    EXPECT_EQ(air.conductivity.value, 2.599e-2L);
    EXPECT_EQ(air.density.value, 1.177L);
    EXPECT_EQ(air.specificHeat.value, 1006.0L);
    EXPECT_EQ(air.perfusion.value, 0.0L);
    for (const BoundarySpec* b : {&air.conductivity, &air.density, &air.specificHeat}) {
        EXPECT_EQ(b->kind, kSpecProperty);
        EXPECT_EQ(b->constant, 1);
        EXPECT_EQ(b->compiled[0], 1.0L);
    }
    EXPECT_EQ(air.conductivity.text, "0.02599");
    EXPECT_EQ(air.specificHeat.text, "1006");
    EXPECT_EQ(p.materials[16].name, "not specified");
}

TEST(MaterialLibrary, ExtendedSurfacesSilverAndSteelDifferFromHeatTransfer) {
    Problem heat;
    SetSubjectLabels(heat, ProbTypeA::HeatTrans, true);
    Problem fins;
    SetSubjectLabels(fins, ProbTypeA::ThinFins, true);
    EXPECT_EQ(heat.materials[10].name, "Silver");
    EXPECT_EQ(heat.materials[10].color, 7);
    EXPECT_EQ(fins.materials[10].color, 77);
    EXPECT_EQ(heat.materials[11].name, "Steel");
    EXPECT_EQ(heat.materials[11].conductivity.value, 60.5L);
    EXPECT_EQ(fins.materials[11].conductivity.value, 0.52L);
    // The trailing blank of the colour field reads as the number before it.
    EXPECT_EQ(heat.materials[11].color, 8);
}

TEST(MaterialLibrary, ColourGridIndicesAboveFifteenWrap) {
    Material m;
    LoadLibraryMaterial(m, "X|20|20|1|1|1|1", ProbTypeA::ElecFieldC);
    EXPECT_EQ(m.colorGridIndex, 5);
    LoadLibraryMaterial(m, "X|35|35|1|1|1|1", ProbTypeA::ElecFieldC);
    EXPECT_EQ(m.colorGridIndex, 20);
    EXPECT_EQ(m.color, 35);
    LoadLibraryMaterial(m, "X|15|15|1|1|1|1", ProbTypeA::ElecFieldC);
    EXPECT_EQ(m.colorGridIndex, 15);
}

TEST(MaterialLibrary, PotentialFlowConductivityIsTheDensityBlock) {
    Problem p;
    SetSubjectLabels(p, ProbTypeA::Potential, true);
    EXPECT_EQ(p.materials[2].name, "Water");
    EXPECT_EQ(p.materials[2].conductivity.value, 1000.0L);
    EXPECT_EQ(p.materials[2].conductivity, p.materials[2].density);
}

TEST(MaterialLibrary, MalformedEntriesGiveZerosNotACrash) {
    Material m;
    LoadLibraryMaterial(m, "", ProbTypeA::HeatTrans);
    EXPECT_EQ(m.name, "");
    EXPECT_EQ(m.conductivity.value, 0);
    LoadLibraryMaterial(m, "A very long material name that goes on|x|y|z", ProbTypeA::HeatTrans);
    EXPECT_EQ(m.name.size(), 25u);
    EXPECT_EQ(m.colorGridIndex, 0);
    EXPECT_EQ(m.density.value, 0);
}

}  // namespace
}  // namespace kova

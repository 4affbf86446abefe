#include "units/unit_labels.hpp"

#include <gtest/gtest.h>

#include "model/length_units.hpp"
#include "model/problem.hpp"

namespace kova {
namespace {

struct Row {
    Quantity quantity;
    UnitLabelPair labels;
};

void ExpectRows(ProbTypeA subject, std::initializer_list<Row> rows) {
    for (const Row& r : rows) {
        SCOPED_TRACE(static_cast<int>(r.quantity));
        EXPECT_EQ(UnitLabels(subject, r.quantity), r.labels);
    }
}

TEST(UnitLabels, HeatTransferAndBioHeatTransferInBothSystems) {
    for (ProbTypeA s : {ProbTypeA::HeatTrans, ProbTypeA::Bio}) {
        SCOPED_TRACE(static_cast<int>(s));
        ExpectRows(s, {{Quantity::Density, {"kg/m3", "lbm/ft3"}},
                       {Quantity::SpecificHeat, {"J/kg-K", "Btu/lbm-R"}},
                       {Quantity::Conductivity, {"W/m-K", "Btu/hr-ft-R"}},
                       {Quantity::Perfusion, {"kg/m3-s", "lb/ft3-hr"}},
                       {Quantity::Volume, {"m3", "ft3"}},
                       {Quantity::Generation, {"W/m3", "Btu/hr-ft3"}},
                       {Quantity::Flux, {"W/m2", "Btu/hr-ft2"}},
                       {Quantity::Flow, {"W", "Btu/hr"}},
                       {Quantity::FlowPerDepth, {"W/m", "Btu/ft-hr"}},
                       {Quantity::Energy, {"J", "Btu"}},
                       {Quantity::EnergyPerDepth, {"J/m", "Btu/ft"}},
                       {Quantity::TransferCoefficient, {"W/m2-K", "Btu/hr-ft2-R"}},
                       {Quantity::Area, {"m2", "ft2"}},
                       {Quantity::Length, {"", ""}},
                       {Quantity::Time, {"sec", "sec"}}});
    }
}

TEST(UnitLabels, ExtendedSurfacesHaveASurfaceCoefficientAndALength) {
    ExpectRows(ProbTypeA::ThinFins, {{Quantity::Perfusion, {"W/m2-K", "Btu/hr-ft2-R"}},
                                     {Quantity::Length, {"m", "ft"}},
                                     {Quantity::Conductivity, {"W/m-K", "Btu/hr-ft-R"}},
                                     {Quantity::Flow, {"W", "Btu/hr"}}});
}

TEST(UnitLabels, PorousMediaFlowInBothSystems) {
    ExpectRows(ProbTypeA::Hydrodynamics, {{Quantity::Density, {"kg/m3", "lbm/ft3"}},
                                          {Quantity::SpecificHeat, {"1/m", "1/ft"}},
                                          {Quantity::Conductivity, {"m/sec", "ft/hr"}},
                                          {Quantity::Perfusion, {"", ""}},
                                          {Quantity::Volume, {"m3", "ft3"}},
                                          {Quantity::Generation, {"m3/sec", "ft3/hr"}},
                                          {Quantity::Flux, {"m/sec", "ft/hr"}},
                                          {Quantity::Flow, {"m3/sec", "ft3/hr"}},
                                          {Quantity::FlowPerDepth, {"m3/sec-m", "ft3/hr-ft"}},
                                          {Quantity::Energy, {"m3", "ft3"}},
                                          {Quantity::EnergyPerDepth, {"m3/m", "ft3/ft"}},
                                          {Quantity::TransferCoefficient, {"", ""}},
                                          {Quantity::Area, {"m2", "ft2"}},
                                          {Quantity::Length, {"", ""}}});
}

TEST(UnitLabels, SIOnlySubjectsUseOneLabelInBothSystems) {
    ExpectRows(ProbTypeA::ElecFieldC, {{Quantity::SpecificHeat, {"F/m", "F/m"}},
                                       {Quantity::Conductivity, {"S/m", "S/m"}},
                                       {Quantity::Generation, {" ", " "}},
                                       {Quantity::Flux, {"A/m2", "A/m2"}},
                                       {Quantity::Flow, {"A", "A"}},
                                       {Quantity::FlowPerDepth, {"A/m", "A/m"}},
                                       {Quantity::Energy, {"Coul", "Coul"}},
                                       {Quantity::EnergyPerDepth, {"Coul/m", "Coul/m"}},
                                       {Quantity::TransferCoefficient, {"S/m2", "S/m2"}}});
    ExpectRows(ProbTypeA::ElecFieldNC, {{Quantity::SpecificHeat, {"Farad", "Farad"}},
                                        {Quantity::Conductivity, {"F/m", "F/m"}},
                                        {Quantity::Generation, {"Coul/m3", "Coul/m3"}},
                                        {Quantity::Flux, {"Coul/m2", "Coul/m2"}},
                                        {Quantity::Flow, {"Coul", "Coul"}},
                                        {Quantity::FlowPerDepth, {"Coul/m", "Coul/m"}},
                                        {Quantity::Energy, {"Coul", "Coul"}},
                                        {Quantity::EnergyPerDepth, {"Coul/m", "Coul/m"}},
                                        {Quantity::TransferCoefficient, {"", ""}},
                                        {Quantity::Volume, {"m3", "ft3"}}});
    ExpectRows(ProbTypeA::MagField, {{Quantity::SpecificHeat, {"", ""}},
                                     {Quantity::Conductivity, {"H/m", "H/m"}},
                                     {Quantity::Generation, {"A/m3", "A/m3"}},
                                     {Quantity::Flux, {"Wb/m2", "Wb/m2"}},
                                     {Quantity::Flow, {"Wb", "Wb"}},
                                     {Quantity::EnergyPerDepth, {"Wb/m", "Wb/m"}}});
    ExpectRows(ProbTypeA::Potential, {{Quantity::Conductivity, {"kg/m3", "kg/m3"}},
                                      {Quantity::Generation, {" ", " "}},
                                      {Quantity::Flux, {"m/s", "m/s"}},
                                      {Quantity::Flow, {"", ""}},
                                      {Quantity::Energy, {"", ""}}});
}

TEST(UnitLabels, PotentialLabelsInTheFourScaleAndSystemCombinations) {
    struct Case {
        ProbTypeA subject;
        const char* relSI;
        const char* relEng;
        const char* absSI;
        const char* absEng;
    };
    for (const Case& c : {Case{ProbTypeA::HeatTrans,
                               "\xC2\xB0"
                               "C",
                               "\xC2\xB0"
                               "F",
                               "K", "R"},
                          Case{ProbTypeA::Bio,
                               "\xC2\xB0"
                               "C",
                               "\xC2\xB0"
                               "F",
                               "K", "R"},
                          Case{ProbTypeA::ThinFins,
                               "\xC2\xB0"
                               "C",
                               "\xC2\xB0"
                               "F",
                               "K", "R"},
                          Case{ProbTypeA::ElecFieldC, "V", "V", "V", "V"},
                          Case{ProbTypeA::ElecFieldNC, "V", "V", "V", "V"},
                          Case{ProbTypeA::MagField, "A", "A", "A", "A"},
                          Case{ProbTypeA::Potential, "m2/s", "m2/s", "m2/s", "m2/s"},
                          Case{ProbTypeA::Hydrodynamics, "m", "ft", "m", "ft"}}) {
        SCOPED_TRACE(static_cast<int>(c.subject));
        EXPECT_EQ(PotentialLabel(c.subject, Unittype::SI, false), c.relSI);
        EXPECT_EQ(PotentialLabel(c.subject, Unittype::Eng, false), c.relEng);
        EXPECT_EQ(PotentialLabel(c.subject, Unittype::SI, true), c.absSI);
        EXPECT_EQ(PotentialLabel(c.subject, Unittype::Eng, true), c.absEng);
        EXPECT_EQ(UnitLabels(c.subject, Quantity::Potential, false, true),
                  (UnitLabelPair{c.absSI, c.absEng}));
    }
}

// Counts characters, not bytes, so that a degree sign counts once.
std::size_t Characters(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char ch : s) n += (ch & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

TEST(UnitLabels, EveryLabelFitsItsField) {
    for (int s = 0; s <= 8; ++s) {
        for (int q = 0; q < kQuantityCount; ++q) {
            for (bool flag : {false, true}) {
                const UnitLabelPair p =
                    UnitLabels(static_cast<ProbTypeA>(s), static_cast<Quantity>(q), flag, flag);
                EXPECT_LE(Characters(p.si), kMaxUnitLabelLength);
                EXPECT_LE(Characters(p.eng), kMaxUnitLabelLength);
                if (static_cast<Quantity>(q) == Quantity::Potential) {
                    EXPECT_LE(Characters(p.si), kMaxPotentialLabelLength);
                    EXPECT_LE(Characters(p.eng), kMaxPotentialLabelLength);
                }
            }
        }
    }
}

TEST(UnitLabel, FollowsTheProblemsSystemTimeUnitAndScale) {
    Problem p;
    EXPECT_EQ(UnitLabel(p, Quantity::Flux), "W/m2");
    EXPECT_EQ(UnitLabel(p, Quantity::Time), "sec");
    EXPECT_EQ(UnitLabel(p, Quantity::Potential),
              "\xC2\xB0"
              "C");
    p.settings.unitSystem = Unittype::Eng;
    p.settings.timeInHours = true;
    p.settings.absoluteTemperatures = true;
    EXPECT_EQ(UnitLabel(p, Quantity::Flux), "Btu/hr-ft2");
    EXPECT_EQ(UnitLabel(p, Quantity::Time), "hr");
    EXPECT_EQ(UnitLabel(p, Quantity::Potential), "R");
    // A subject change is enough to change the labels: nothing is cached.
    p.settings.subject = ProbTypeA::Hydrodynamics;
    EXPECT_EQ(UnitLabel(p, Quantity::Flux), "ft/hr");
    EXPECT_EQ(UnitLabel(p, Quantity::Potential), "ft");
}

TEST(TimeFactor, SolverTimeIsInTheSystemsBaseUnit) {
    EXPECT_EQ(TimeFactor(Unittype::SI, false), 1.0L);
    EXPECT_EQ(TimeFactor(Unittype::SI, true), 3600.0L);
    EXPECT_EQ(TimeFactor(Unittype::Eng, false), 1.0L / 3600.0L);
    EXPECT_EQ(TimeFactor(Unittype::Eng, true), 1.0L);
    Problem p;
    p.settings.unitSystem = Unittype::Eng;
    // 7200 s of solver time in English units is 2 hr, shown as 7200 sec.
    EXPECT_NEAR(2.0L / TimeFactor(p), 7200.0L, 1e-12L);
    p.settings.timeInHours = true;
    EXPECT_EQ(2.0L / TimeFactor(p), 2.0L);
}

TEST(SetUnitLabels, SubjectThatForcesSIBringsThePixelLengthAlong) {
    Problem p;
    p.settings.unitSystem = Unittype::Eng;
    p.RecomputePixelLength();
    EXPECT_NEAR(p.settings.pixelLength, 2.54L / 96.0L * 1.0L, 1e-15L);  // index 2 is ft
    SetSubjectLabels(p, ProbTypeA::ElecFieldNC, true);
    EXPECT_EQ(p.settings.unitSystem, Unittype::SI);
    EXPECT_NEAR(p.settings.pixelLength, 2.54L / 96.0L * 0.01L, 1e-17L);  // now cm
}

TEST(UnitSystemSelectable, OnlyTheThermalSubjects) {
    EXPECT_TRUE(UnitSystemSelectable(ProbTypeA::ThinFins));
    EXPECT_TRUE(UnitSystemSelectable(ProbTypeA::Bio));
    EXPECT_FALSE(UnitSystemSelectable(ProbTypeA::Hydrodynamics));  // keeps English, no choice
    EXPECT_FALSE(UnitSystemSelectable(ProbTypeA::MagField));
}

TEST(SetUnitLabels, LengthUnitOutsideTheTableBecomesTheStartUnit) {
    Problem p;
    for (int bad : {0, 6, -3}) {
        p.settings.lengthUnitIndex = bad;
        SetUnitLabels(p);
        EXPECT_EQ(p.settings.lengthUnitIndex, 2);
        EXPECT_EQ(LengthLabel(p.settings.unitSystem, p.settings.lengthUnitIndex), "cm");
    }
}

}  // namespace
}  // namespace kova

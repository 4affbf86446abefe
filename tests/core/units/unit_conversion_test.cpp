#include "units/unit_conversion.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <vector>

#include "model/problem.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

constexpr const char* kMessage42 =
    "Unit conversion was made for all constant value specifications, but not for "
    "specifications made with equations.  Check your specifications.   ";

int AddConstant(Problem& p, int kind, Real value, const std::string& text) {
    BoundarySpec s;
    s.kind = static_cast<std::uint8_t>(kind);
    s.value = value;
    s.text = text;
    return p.specs.Append(s);
}

int AddExpression(Problem& p, int kind, const std::string& text, Real trialValue) {
    BoundarySpec s;
    s.kind = static_cast<std::uint8_t>(kind);
    s.constant = 0;
    s.dependsOnPosition = 1;
    s.value = trialValue;
    s.text = text;
    s.compiled[0] = 3;
    s.compiled[1] = 20;
    return p.specs.Append(s);
}

// A problem with a recording reporter, two nodes and a distributed and a lumped frame.
struct Fixture {
    RecordingReporter reporter;
    Problem p;
    Fixture() {
        p.SetReporter(&reporter);
        p.AddNode(10, 10);
        p.AddNode(50, 10);
        p.frameCount = 2;
        p.frames[1].type = FrameType::Distributed;
        p.frames[2].type = FrameType::Lumped;
    }
};

TEST(SetAbsoluteTemperatures, AddsAndRemovesTheExactOffsets) {
    for (Unittype system : {Unittype::SI, Unittype::Eng}) {
        Fixture f;
        f.p.settings.unitSystem = system;
        const int t = AddConstant(f.p, kSpecValue, 20, "20");
        ASSERT_TRUE(SetAbsoluteTemperatures(f.p, true));
        const Real expected = system == Unittype::SI ? 293.0L : 480.0L;  // not 293.15
        EXPECT_EQ(f.p.specs[t].value, expected);
        EXPECT_EQ(f.p.specs[t].text, system == Unittype::SI ? "293" : "480");
        EXPECT_TRUE(f.p.settings.absoluteTemperatures);
        // Asking for the scale in force changes nothing.
        f.p.resultsCurrent = true;
        EXPECT_FALSE(SetAbsoluteTemperatures(f.p, true));
        EXPECT_EQ(f.p.specs[t].value, expected);
        EXPECT_TRUE(f.p.resultsCurrent);
        ASSERT_TRUE(SetAbsoluteTemperatures(f.p, false));
        EXPECT_EQ(f.p.specs[t].value, 20.0L);
        EXPECT_EQ(f.p.specs[t].text, "20");
        EXPECT_FALSE(f.p.settings.absoluteTemperatures);
        EXPECT_FALSE(f.p.resultsCurrent);
        EXPECT_FALSE(f.p.settings.problemSaved);
        EXPECT_TRUE(f.reporter.Errors().empty());
    }
}

TEST(SetAbsoluteTemperatures, ConvertsEveryStoredTemperatureButUnspecifiedOnes) {
    Fixture f;
    const int unspecified = AddConstant(f.p, kSpecValue, kUnspecified, "-999");
    const int flux = AddConstant(f.p, kSpecFlux, 20, "20");
    f.p.settings.contourScaleMin = kUnspecified;
    f.p.settings.contourScaleMax = 100;
    f.p.nodes[1].initialValue = 20;
    f.p.nodes[1].currentValue = 30;
    f.p.frames[2].lumpInitialValue = 25;
    SetAbsoluteTemperatures(f.p, true);
    EXPECT_EQ(f.p.specs[unspecified].value, kUnspecified);
    EXPECT_EQ(f.p.specs[unspecified].text, "-999");
    EXPECT_EQ(f.p.specs[flux].value, 20.0L);
    EXPECT_EQ(f.p.settings.contourScaleMin, kUnspecified);
    EXPECT_EQ(f.p.settings.contourScaleMax, 373.0L);
    EXPECT_EQ(f.p.nodes[1].initialValue, 293.0L);
    EXPECT_EQ(f.p.nodes[2].initialValue, kUnspecified);
    EXPECT_EQ(f.p.nodes[1].currentValue, 303.0L);
    EXPECT_EQ(f.p.frames[2].lumpInitialValue, 298.0L);
    EXPECT_EQ(f.p.frames[1].lumpInitialValue, kUnspecified);
}

TEST(SetAbsoluteTemperatures, ExpressionsStayAndAreReportedOnce) {
    Fixture f;
    const int a = AddExpression(f.p, kSpecValue, "20+X", 20);
    AddExpression(f.p, kSpecValue, "30+Y", 30);
    SetAbsoluteTemperatures(f.p, true);
    EXPECT_EQ(f.p.specs[a].text, "20+X");
    EXPECT_EQ(f.p.specs[a].value, 20.0L);
    EXPECT_EQ(f.reporter.Errors(), std::vector<std::string>{kMessage42});
}

// Results kept as the solver keeps them: per level, entry 0 the time, 1..N the nodes,
// N + k lump frame k.
struct Results {
    std::vector<std::vector<Real>> levels;
    int calls = 0;
    ResultLevelAccess Access() {
        return [this](int level) -> std::span<Real> {
            ++calls;
            if (level < 0 || level >= static_cast<int>(levels.size())) return {};
            return levels[static_cast<std::size_t>(level)];
        };
    }
};

Results FourLevels() {
    Results r;
    for (int level = 0; level < 4; ++level)  // time, node 1, node 2, frame 1, frame 2
        r.levels.push_back({5.0L * level, 20, kUnspecified, 7, 30});
    return r;
}

TEST(ConvertPotentialValues, ConvertsNodeAndLumpResultsOfTheRunsLevels) {
    Fixture f;
    f.p.settings.transient = true;
    f.p.settings.transientStart = 0;
    f.p.settings.transientStop = 10;
    f.p.settings.transientStep = 5;  // levels 0, 1, 2
    f.p.resultsCurrent = true;
    Results r = FourLevels();
    SetAbsoluteTemperatures(f.p, true, r.Access());
    for (int level = 0; level < 3; ++level) {
        const std::vector<Real> expected = {5.0L * level, 293, kUnspecified, 7, 303};
        EXPECT_EQ(r.levels[static_cast<std::size_t>(level)], expected);
    }
    EXPECT_EQ(r.levels[3], (std::vector<Real>{15, 20, kUnspecified, 7, 30}));
}

TEST(ConvertPotentialValues, SteadyResultsHaveOneLevelAndStaleResultsNone) {
    Fixture f;
    f.p.resultsCurrent = true;
    Results r = FourLevels();
    ConvertPotentialValues(f.p, 1, 273, r.Access());
    EXPECT_EQ(r.levels[0][1], 293.0L);
    EXPECT_EQ(r.levels[1][1], 20.0L);

    f.p.resultsCurrent = false;
    ConvertPotentialValues(f.p, 1, 273, r.Access());
    EXPECT_EQ(r.levels[0][1], 293.0L);
}

TEST(ConvertPotentialValues, OddTimeSettingsNeitherHangNorOverrun) {
    for (Real stop : {1e30L, 10.0L}) {
        for (Real step : {1.0L, 0.0L, -1.0L}) {
            Fixture f;
            f.p.settings.transient = true;
            f.p.settings.transientStop = stop;
            f.p.settings.transientStep = step;
            f.p.resultsCurrent = true;
            Results r = FourLevels();
            r.levels[1].resize(2);  // a short vector: node 1 only
            ConvertPotentialValues(f.p, 1, 273, r.Access());
            EXPECT_EQ(r.levels[0][1], 293.0L);
            EXPECT_LE(r.calls, 5);  // stops at the first level that is not stored
            if (step > 0) {
                EXPECT_EQ(r.levels[1], (std::vector<Real>{5, 293}));
                EXPECT_EQ(r.levels[3][4], 303.0L);
            } else {
                EXPECT_EQ(r.levels[1][1], 20.0L);
            }
        }
    }
}

TEST(ConvertUnitSystem, ConvertsConstantSpecificationsByKindAndBack) {
    Fixture f;
    const int value = AddConstant(f.p, kSpecValue, 100, "100");
    const int flux = AddConstant(f.p, kSpecFlux, 100, "100");
    const int transfer = AddConstant(f.p, kSpecTransfer, 10, "10");
    const int generation = AddConstant(f.p, kSpecGeneration, 1000, "1000");
    const int property = AddConstant(f.p, kSpecProperty, 5, "5");
    const int unspecified = AddConstant(f.p, kSpecValue, kUnspecified, "-999");

    EXPECT_FALSE(ConvertUnitSystem(f.p, Unittype::SI, Unittype::Eng));
    EXPECT_EQ(f.p.settings.unitSystem, Unittype::Eng);
    EXPECT_NEAR(f.p.specs[value].value, 212.0L, 1e-15L);
    EXPECT_EQ(f.p.specs[value].text, "212");
    EXPECT_NEAR(f.p.specs[flux].value, 31.7L, 1e-15L);
    EXPECT_EQ(f.p.specs[flux].text, "31.7");
    EXPECT_NEAR(f.p.specs[transfer].value, 1.761L, 1e-15L);
    EXPECT_EQ(f.p.specs[transfer].text, "1.761");
    EXPECT_NEAR(f.p.specs[generation].value, 96.623L, 1e-15L);
    EXPECT_EQ(f.p.specs[generation].text, "96.62");
    EXPECT_EQ(f.p.specs[property].value, 5.0L);
    EXPECT_EQ(f.p.specs[unspecified].value, kUnspecified);

    EXPECT_FALSE(ConvertUnitSystem(f.p, Unittype::Eng, Unittype::SI));
    EXPECT_EQ(f.p.settings.unitSystem, Unittype::SI);
    EXPECT_NEAR(f.p.specs[flux].value, 100.0L, 1e-13L);
    EXPECT_EQ(f.p.specs[flux].text, "100");
    EXPECT_NEAR(f.p.specs[transfer].value, 10.0L, 1e-14L);
    EXPECT_NEAR(f.p.specs[generation].value, 1000.0L, 1e-12L);
    EXPECT_EQ(f.p.specs[generation].text, "1000");
    EXPECT_EQ(f.p.specs[value].text, "100");  // the value is inexact, see below
    EXPECT_EQ(f.p.specs[unspecified].value, kUnspecified);
    EXPECT_TRUE(f.reporter.Errors().empty());
}

TEST(ConvertUnitSystem, SameSystemChangesNothing) {
    Fixture f;
    const int flux = AddConstant(f.p, kSpecFlux, 100, "100");
    AddExpression(f.p, kSpecValue, "20+X", 20);
    f.p.blood.specificHeat = 4200;
    EXPECT_FALSE(ConvertUnitSystem(f.p, Unittype::SI, Unittype::SI));
    EXPECT_EQ(f.p.specs[flux].value, 100.0L);
    EXPECT_EQ(f.p.blood.specificHeat, 4200.0L);
    EXPECT_TRUE(f.reporter.Errors().empty());
}

TEST(ConvertUnitSystem, AbsoluteTemperaturesConvertWithoutOffset) {
    Fixture f;
    f.p.settings.absoluteTemperatures = true;
    const int t = AddConstant(f.p, kSpecValue, 373, "373");
    ConvertUnitSystem(f.p, Unittype::SI, Unittype::Eng);
    EXPECT_NEAR(f.p.specs[t].value, 671.4L, 1e-13L);
    EXPECT_EQ(f.p.specs[t].text, "671.4");
    ConvertUnitSystem(f.p, Unittype::Eng, Unittype::SI);
    EXPECT_NEAR(f.p.specs[t].value, 373.0L, 1e-13L);
}

TEST(ConvertUnitSystem, ExpressionsAreLeftAloneAndReportedOnce) {
    Fixture f;
    const int t = AddExpression(f.p, kSpecValue, "20+X", 20);
    const int q = AddExpression(f.p, kSpecFlux, "5*Y", 5);
    const int h = AddConstant(f.p, kSpecTransfer, 10, "10");
    Material& m = f.p.materials[2];
    m.conductivity.constant = 0;
    m.conductivity.text = "1+T/100";
    m.conductivity.value = 2;
    EXPECT_TRUE(ConvertUnitSystem(f.p, Unittype::SI, Unittype::Eng));
    EXPECT_EQ(f.p.specs[t].text, "20+X");
    EXPECT_EQ(f.p.specs[t].value, 20.0L);
    EXPECT_EQ(f.p.specs[q].text, "5*Y");
    EXPECT_EQ(f.p.specs[q].value, 5.0L);
    EXPECT_NEAR(f.p.specs[h].value, 1.761L, 1e-15L);
    EXPECT_EQ(m.conductivity.text, "1+T/100");
    EXPECT_EQ(m.conductivity.value, 2.0L);
    EXPECT_EQ(f.reporter.Errors(), std::vector<std::string>{kMessage42});
}

TEST(ConvertUnitSystem, MaterialExpressionIsReportedWhenItDependsOnThePotential) {
    // A property in position only keeps its meaning; one in T would mean another
    // property on the new scale, like any other expression in the potential.
    Fixture f;
    Material& m = f.p.materials[2];
    m.conductivity.constant = 0;
    m.conductivity.text = "1+X/100";
    m.conductivity.dependsOnPosition = 1;
    EXPECT_FALSE(ConvertUnitSystem(f.p, Unittype::SI, Unittype::Eng));
    EXPECT_TRUE(f.reporter.Errors().empty());
    m.specificHeat.constant = 0;
    m.specificHeat.text = "900+T";
    m.specificHeat.dependsOnPotential = 1;
    EXPECT_TRUE(ConvertUnitSystem(f.p, Unittype::Eng, Unittype::SI));
    EXPECT_EQ(f.reporter.Errors(), std::vector<std::string>{kMessage42});
    f.reporter.Clear();
    EXPECT_TRUE(SetAbsoluteTemperatures(f.p, true));
    EXPECT_EQ(f.reporter.Errors(), std::vector<std::string>{kMessage42});
}

TEST(ConvertUnitSystem, MaterialsBloodAndAreaFactors) {
    Fixture f;  // Heat Transfer: material 9 of the library is copper
    Material& copper = f.p.materials[9];
    ASSERT_EQ(copper.name, "Copper");
    copper.perfusion.value = 300;
    f.p.blood.specificHeat = 4200;
    f.p.SetCylindrical(true);
    LineSegment* s = f.p.NewLineSegment(1);
    ASSERT_NE(s, nullptr);
    s->areaFactor = 2;

    ConvertUnitSystem(f.p, Unittype::SI, Unittype::Eng);
    EXPECT_NEAR(copper.conductivity.value, 385.9L * 0.5778L, 1e-13L);
    EXPECT_EQ(copper.conductivity.text, "222.97");
    EXPECT_NEAR(copper.density.value, 558.99822L, 1e-12L);
    EXPECT_EQ(copper.density.text, "559");
    EXPECT_EQ(copper.specificHeat.text, "0.0915");
    EXPECT_EQ(copper.perfusion.value, 300.0L);  // converted in Bio-Heat Transfer only
    EXPECT_NEAR(f.p.blood.specificHeat, 1.002372L, 1e-15L);
    EXPECT_NEAR(s->areaFactor, 2.0L * std::sqrt(10.7639L), 1e-15L);  // a length ratio
    EXPECT_NEAR(f.p.settings.pixelLength, 2.54L / 96.0L, 1e-15L);    // now ft

    ConvertUnitSystem(f.p, Unittype::Eng, Unittype::SI);
    EXPECT_NEAR(copper.conductivity.value, 385.9L, 1e-13L);
    EXPECT_EQ(copper.conductivity.text, "385.9");
    EXPECT_NEAR(copper.density.value, 8954.0L, 1e-11L);
    EXPECT_NEAR(copper.specificHeat.value, 383.1L, 1e-12L);
    EXPECT_NEAR(f.p.blood.specificHeat, 4200.0L, 1e-6L);
    EXPECT_NEAR(s->areaFactor, 2.0L, 1e-5L);  // the two roots are not exact reciprocals

    f.p.SetCylindrical(false);
    s->areaFactor = 7;
    ConvertUnitSystem(f.p, Unittype::SI, Unittype::Eng);
    EXPECT_EQ(s->areaFactor, 1.0L);
}

TEST(ConvertUnitSystem, PerfusionFollowsInBioHeatTransfer) {
    Fixture f;
    SetSubjectLabels(f.p, ProbTypeA::Bio, true);
    Material& fat = f.p.materials[1];
    ASSERT_EQ(fat.name, "Fat");
    ConvertUnitSystem(f.p, Unittype::SI, Unittype::Eng);
    EXPECT_NEAR(fat.perfusion.value, 300.0L * 224.7407L, 1e-10L);
    EXPECT_EQ(fat.perfusion.text, "67422");
    ConvertUnitSystem(f.p, Unittype::Eng, Unittype::SI);
    EXPECT_NEAR(fat.perfusion.value, 300.0L, 1e-12L);
}

TEST(ConvertUnitSystem, ConvertsCurrentResults) {
    Fixture f;
    f.p.resultsCurrent = true;
    Results r = FourLevels();
    ConvertUnitSystem(f.p, Unittype::SI, Unittype::Eng, r.Access());
    EXPECT_NEAR(r.levels[0][1], 68.0L, 1e-15L);
    EXPECT_NEAR(r.levels[0][4], 86.0L, 1e-15L);
    EXPECT_EQ(r.levels[0][2], kUnspecified);
    EXPECT_EQ(r.levels[0][3], 7.0L);
    EXPECT_FALSE(f.p.resultsCurrent);
    EXPECT_FALSE(f.p.settings.problemSaved);
}

TEST(TemperatureScales, RoundTripsThroughAllFourScales) {
    Fixture f;
    const int t = AddConstant(f.p, kSpecValue, 20, "20");
    // °C -> K -> °C and °F -> R -> °F are exact.
    SetAbsoluteTemperatures(f.p, true);
    SetAbsoluteTemperatures(f.p, false);
    EXPECT_EQ(f.p.specs[t].value, 20.0L);

    // °C -> K -> R -> °F -> °C: the offsets 273 and 460 do not match the 32 of the
    // relative scales, so 20 °C arrives as 67.4 °F rather than 68 °F ...
    SetAbsoluteTemperatures(f.p, true);
    ConvertUnitSystem(f.p, Unittype::SI, Unittype::Eng);
    EXPECT_EQ(f.p.specs[t].text, "527.4");
    SetAbsoluteTemperatures(f.p, false);
    EXPECT_NEAR(f.p.specs[t].value, 67.4L, 1e-13L);
    EXPECT_EQ(f.p.specs[t].text, "67.4");
    // ... and comes back to 19.67 °C.
    ConvertUnitSystem(f.p, Unittype::Eng, Unittype::SI);
    EXPECT_NEAR(f.p.specs[t].value, 67.4L * 5 / 9 - 17.77778L, 1e-13L);
    EXPECT_EQ(f.p.specs[t].text, "19.67");

    // °C -> °F -> °C is off by the rounding of 17.77778: 100 °C comes back 2.2e-6 short,
    // which the four-digit text hides.
    f.p.specs[t].value = 100;
    ConvertUnitSystem(f.p, Unittype::SI, Unittype::Eng);
    EXPECT_NEAR(f.p.specs[t].value, 212.0L, 1e-15L);
    ConvertUnitSystem(f.p, Unittype::Eng, Unittype::SI);
    EXPECT_NEAR(f.p.specs[t].value, 100.0L - 2.2e-6L, 1e-7L);
    EXPECT_EQ(f.p.specs[t].text, "100");
}

TEST(ConvertLibraryMaterials, LibraryLoadedInEnglishUnitsIsConverted) {
    Problem p;
    p.settings.unitSystem = Unittype::Eng;
    SetSubjectLabels(p, ProbTypeA::HeatTrans, true);
    EXPECT_NEAR(p.materials[9].conductivity.value, 385.9L * 0.5778L, 1e-13L);
    EXPECT_EQ(p.materials[9].conductivity.text, "222.97");

    // A problem read from a file keeps its materials as stored.
    p.materials[9].conductivity.value = 5;
    SetSubjectLabels(p, ProbTypeA::HeatTrans, false);
    EXPECT_EQ(p.materials[9].conductivity.value, 5.0L);

    // In SI the library values stay as listed.
    p.settings.unitSystem = Unittype::SI;
    SetSubjectLabels(p, ProbTypeA::HeatTrans, true);
    EXPECT_EQ(p.materials[9].conductivity.value, 385.9L);
}

TEST(ConvertLibraryMaterials, NonThermalSubjectsKeepTheirLibraryValues) {
    Problem p;
    p.settings.unitSystem = Unittype::Eng;
    SetSubjectLabels(p, ProbTypeA::Hydrodynamics, true);
    EXPECT_EQ(p.settings.unitSystem, Unittype::Eng);
    EXPECT_EQ(p.materials[3].name, "Sandy Gravel");
    EXPECT_EQ(p.materials[3].conductivity.value, 5e-3L);
}

}  // namespace
}  // namespace kova

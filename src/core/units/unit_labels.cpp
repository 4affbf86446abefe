#include "units/unit_labels.hpp"

#include <array>

#include "model/length_units.hpp"
#include "model/problem.hpp"
#include "model/subjects.hpp"
#include "units/unit_conversion.hpp"

namespace kova {
namespace {

// Subjects that share a column of the label table.
enum Group : std::uint8_t {
    kThermal,
    kCurrents,
    kElectrostatic,
    kMagnetic,
    kPotentialFlow,
    kPorous
};
inline constexpr int kGroupCount = 6;

Group GroupOf(ProbTypeA subject) {
    switch (subject) {
        case ProbTypeA::ElecFieldC:
            return kCurrents;
        case ProbTypeA::ElecFieldNC:
            return kElectrostatic;
        case ProbTypeA::MagField:
            return kMagnetic;
        case ProbTypeA::Potential:
            return kPotentialFlow;
        case ProbTypeA::Hydrodynamics:
            return kPorous;
        default:  // Heat Transfer, Bio-Heat Transfer, Extended Surfaces, Nada
            return kThermal;
    }
}

// One cell: the SI and English label. A null SI label marks a quantity the subject does
// not have; a null English label means the subject uses the SI label in both systems.
struct Cell {
    const char* si = nullptr;
    const char* eng = nullptr;
};
using Row = std::array<Cell, kGroupCount>;

// Quantities from Density to TransferCoefficient; the remaining ones are handled below.
// Porous Media Flow's rates are per second in SI and per hour in English units, the base
// time units in which the solver's clock runs.
// Columns: thermal, electric currents, electrostatics, magnetostatics, potential flow,
// porous media flow.
const std::array<Row, 12> kTable = {{
    // Density
    {{{"kg/m3", "lbm/ft3"},
      {"kg/m3", "lbm/ft3"},
      {"kg/m3", "lbm/ft3"},
      {"kg/m3", "lbm/ft3"},
      {"kg/m3", "lbm/ft3"},
      {"kg/m3", "lbm/ft3"}}},
    // SpecificHeat
    {{{"J/kg-K", "Btu/lbm-R"}, {"F/m"}, {"Farad"}, {}, {}, {"1/m", "1/ft"}}},
    // Conductivity
    {{{"W/m-K", "Btu/hr-ft-R"}, {"S/m"}, {"F/m"}, {"H/m"}, {"kg/m3"}, {"m/sec", "ft/hr"}}},
    // Perfusion (the thermal column is Heat and Bio-Heat Transfer's; see below)
    {{{"kg/m3-s", "lb/ft3-hr"}, {}, {}, {}, {}, {}}},
    // Volume
    {{{"m3", "ft3"}, {"m3", "ft3"}, {"m3", "ft3"}, {"m3", "ft3"}, {"m3", "ft3"}, {"m3", "ft3"}}},
    // Generation
    {{{"W/m3", "Btu/hr-ft3"}, {" "}, {"Coul/m3"}, {"A/m3"}, {" "}, {"m3/sec", "ft3/hr"}}},
    // Flux
    {{{"W/m2", "Btu/hr-ft2"}, {"A/m2"}, {"Coul/m2"}, {"Wb/m2"}, {"m/s"}, {"m/sec", "ft/hr"}}},
    // Flow
    {{{"W", "Btu/hr"}, {"A"}, {"Coul"}, {"Wb"}, {}, {"m3/sec", "ft3/hr"}}},
    // FlowPerDepth
    {{{"W/m", "Btu/ft-hr"}, {"A/m"}, {"Coul/m"}, {"Wb/m"}, {}, {"m3/sec-m", "ft3/hr-ft"}}},
    // Energy
    {{{"J", "Btu"}, {"Coul"}, {"Coul"}, {"Wb"}, {}, {"m3", "ft3"}}},
    // EnergyPerDepth
    {{{"J/m", "Btu/ft"}, {"Coul/m"}, {"Coul/m"}, {"Wb/m"}, {}, {"m3/m", "ft3/ft"}}},
    // TransferCoefficient
    {{{"W/m2-K", "Btu/hr-ft2-R"}, {"S/m2"}, {}, {}, {}, {}}},
}};

UnitLabelPair FromCell(const Cell& c) {
    if (c.si == nullptr) return {};
    return {c.si, c.eng != nullptr ? c.eng : c.si};
}

// Potential labels: relative SI, relative English, absolute SI, absolute English.
const std::array<std::array<const char*, 4>, kGroupCount> kPotential = {{
    {"\xC2\xB0"
     "C",
     "\xC2\xB0"
     "F",
     "K", "R"},
    {"V", "V", "V", "V"},
    {"V", "V", "V", "V"},
    {"A", "A", "A", "A"},
    {"m2/s", "m2/s", "m2/s", "m2/s"},
    {"m", "ft", "m", "ft"},
}};

}  // namespace

UnitLabelPair UnitLabels(ProbTypeA subject, Quantity quantity, bool timeInHours, bool absolute) {
    const Group group = GroupOf(subject);
    switch (quantity) {
        case Quantity::Area:
            return {"m2", "ft2"};
        case Quantity::Time:
            return timeInHours ? UnitLabelPair{"hr", "hr"} : UnitLabelPair{"sec", "sec"};
        case Quantity::Length:
            if (subject == ProbTypeA::ThinFins) return {"m", "ft"};
            return {};
        case Quantity::Perfusion:
            // An extended surface exchanges heat with its surroundings through the
            // coefficient that the other thermal subjects use as perfusion.
            if (subject == ProbTypeA::ThinFins) return {"W/m2-K", "Btu/hr-ft2-R"};
            break;
        case Quantity::Potential:
            return {PotentialLabel(subject, Unittype::SI, absolute),
                    PotentialLabel(subject, Unittype::Eng, absolute)};
        default:
            break;
    }
    const auto row = static_cast<std::size_t>(quantity);
    if (row >= kTable.size()) return {};
    return FromCell(kTable[row][group]);
}

std::string PotentialLabel(ProbTypeA subject, Unittype system, bool absolute) {
    const std::size_t column = (absolute ? 2u : 0u) + (system == Unittype::Eng ? 1u : 0u);
    return kPotential[GroupOf(subject)][column];
}

std::string UnitLabel(const Problem& problem, Quantity quantity) {
    const ProblemSettings& s = problem.settings;
    return UnitLabels(s.subject, quantity, s.timeInHours, s.absoluteTemperatures).For(s.unitSystem);
}

void SetSubjectLabels(Problem& problem, ProbTypeA subject, bool loadLibrary) {
    ApplySubject(problem, subject, loadLibrary);
    if (loadLibrary && IsSubject(static_cast<int>(subject))) ConvertLibraryMaterials(problem);
    SetUnitLabels(problem);
}

void SetUnitLabels(Problem& problem) {
    ProblemSettings& s = problem.settings;
    if (s.lengthUnitIndex < 1 || s.lengthUnitIndex > kLengthUnitCount) s.lengthUnitIndex = 2;
    problem.RecomputePixelLength();
}

bool UnitSystemSelectable(ProbTypeA subject) {
    return subject == ProbTypeA::HeatTrans || subject == ProbTypeA::Bio ||
           subject == ProbTypeA::ThinFins;
}

Real TimeFactor(Unittype system, bool timeInHours) {
    if (system == Unittype::SI) return timeInHours ? 3600.0L : 1.0L;
    return timeInHours ? 1.0L : 1.0L / 3600.0L;
}

Real TimeFactor(const Problem& problem) {
    return TimeFactor(problem.settings.unitSystem, problem.settings.timeInHours);
}

}  // namespace kova

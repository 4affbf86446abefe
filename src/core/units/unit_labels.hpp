// Unit labels of every quantity per subject and unit system, and the time factor.
//
// The labels are not stored in the problem: they follow from the subject, the unit
// system, the time unit and the temperature scale, so they are computed whenever they
// are asked for. Nothing can then go stale when a file is loaded or a setting changes.
#pragma once

#include <string>

#include "model/types.hpp"

namespace kova {

class Problem;

// The quantities that carry a unit label.
enum class Quantity : std::uint8_t {
    Density,
    SpecificHeat,  // the capacity property
    Conductivity,
    Perfusion,  // blood perfusion; the surface coefficient of extended surfaces
    Volume,
    Generation,
    Flux,
    Flow,
    FlowPerDepth,
    Energy,  // the quantity a flow carries over time
    EnergyPerDepth,
    TransferCoefficient,
    Area,
    Length,  // extended-surface thickness
    Time,
    Potential,
};
inline constexpr int kQuantityCount = 16;

// The longest label of a quantity, and of a potential, in characters.
inline constexpr std::size_t kMaxUnitLabelLength = 15;
inline constexpr std::size_t kMaxPotentialLabelLength = 4;

// One label per unit system. An empty label means the subject has no such quantity, so
// the label is never shown for it.
struct UnitLabelPair {
    std::string si;
    std::string eng;
    const std::string& For(Unittype system) const { return system == Unittype::Eng ? eng : si; }
    bool operator==(const UnitLabelPair&) const = default;
};

// The labels of a quantity in a subject (Nada gives Heat Transfer's). The time label
// follows timeInHours ("sec" or "hr" in both systems); the potential label follows the
// temperature scale (relative or absolute).
UnitLabelPair UnitLabels(ProbTypeA subject, Quantity quantity, bool timeInHours = false,
                         bool absolute = false);

// The potential label: "°C", "°F", "K", "R" for the thermal subjects, "V", "A", "m2/s",
// and "m"/"ft" for porous media flow.
std::string PotentialLabel(ProbTypeA subject, Unittype system, bool absolute);

// The label of a quantity for the problem's subject, unit system, time unit and scale.
std::string UnitLabel(const Problem& problem, Quantity quantity);

// Stores the subject, applies its forced settings and vocabulary, resets material 0 and,
// with loadLibrary, loads materials 1..20 from the subject's library (converted to the
// problem's unit system); then the unit labels follow the subject and unit system.
void SetSubjectLabels(Problem& problem, ProbTypeA subject, bool loadLibrary);

// Brings the unit-dependent settings in line with the subject and unit system after the
// subject changes or a problem is loaded: a length unit index outside 1..5 becomes 2
// (the unit the length table falls back to), and the pixel length is recomputed, since
// a subject may have forced the unit system to SI. The labels themselves need no set-up.
void SetUnitLabels(Problem& problem);

// Whether the user may choose the unit system: only in Heat Transfer, Bio-Heat Transfer
// and Extended Surfaces. The subjects that force SI cannot leave it; Porous Media Flow
// keeps the system it was given but offers no choice.
bool UnitSystemSelectable(ProbTypeA subject);

// The solver's time is in the base unit of the system (sec in SI, hr in English); the
// time the user sees is the solver's time divided by this factor: 3600 in SI with times
// in hours, 1/3600 in English with times in seconds, 1 otherwise.
Real TimeFactor(Unittype system, bool timeInHours);
Real TimeFactor(const Problem& problem);

}  // namespace kova

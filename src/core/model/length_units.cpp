#include "model/length_units.hpp"

#include <array>

namespace kova {
namespace {

struct LengthUnit {
    const char* siLabel;
    Real siFactor;
    const char* engLabel;
    Real engFactor;
};

const std::array<LengthUnit, kLengthUnitCount> kUnits = {{
    {"mm", 0.001L, "in", 1.0L / 12.0L},
    {"cm", 0.01L, "ft", 1.0L},
    {"m", 1.0L, "yd", 3.0L},
    {"km", 1000.0L, "mi", 5280.0L},
    {"\xC2\xB5m", 0.000001L, "mil", 1.0L / 12000.0L},
}};

const LengthUnit& UnitAt(int index) {
    if (index < 1 || index > kLengthUnitCount) index = 2;
    return kUnits[static_cast<std::size_t>(index - 1)];
}

}  // namespace

Real LengthFactor(Unittype system, int index) {
    const LengthUnit& u = UnitAt(index);
    return system == Unittype::SI ? u.siFactor : u.engFactor;
}

std::string LengthLabel(Unittype system, int index) {
    const LengthUnit& u = UnitAt(index);
    return system == Unittype::SI ? u.siLabel : u.engLabel;
}

}  // namespace kova

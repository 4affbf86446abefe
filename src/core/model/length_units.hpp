// The length units of the drawing scale: five per unit system.
#pragma once

#include <string>

#include "model/types.hpp"

namespace kova {

inline constexpr int kLengthUnitCount = 5;

// Factor from length unit `index` (1..5) of `system` to the base unit (m or ft). An index
// outside 1..5 gives the factor of the start-up unit (index 2).
Real LengthFactor(Unittype system, int index);

// "mm", "cm", "m", "km", "µm" in SI; "in", "ft", "yd", "mi", "mil" in English units.
std::string LengthLabel(Unittype system, int index);

}  // namespace kova

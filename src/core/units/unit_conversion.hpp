// The conversions that change stored numbers: switching between the relative and the
// absolute temperature scale, switching the unit system, and bringing a freshly loaded
// material library (whose values are SI) into English units.
#pragma once

#include <functional>
#include <span>

#include "model/types.hpp"

namespace kova {

class Problem;

// Offsets of the absolute scales: K = °C + 273 and R = °F + 460 (these exact values).
inline constexpr Real kAbsoluteOffsetSI = 273.0L;
inline constexpr Real kAbsoluteOffsetEng = 460.0L;
Real AbsoluteOffset(Unittype system);

// Gives the stored result vector of a result level (entry 0 the level's time, entries
// 1..N the node values, entry N + k the value of lump frame k), or an empty span when
// the level is not stored. The results live beside the problem; whoever owns them passes
// an accessor so that their potential values follow a conversion. Levels are stored
// without gaps, so the conversion stops at the first empty level.
using ResultLevelAccess = std::function<std::span<Real>(int level)>;

// Applies v := v·factor + offset to every potential-valued number the problem holds:
// - constant value specifications (kind 1) other than -999, whose texts are rewritten
//   with four significant digits; an expression is left alone and makes the result true;
// - the contour scale ends, each unless -999;
// - node initial and current values and lump initial values, each unless -999;
// - when the results are current and an accessor is given: the node and lump values of
//   every stored level from 0 to the last (round((stop - start) / step) in a transient
//   problem, 0 in a steady one), each unless it is the -999 marker.
// Returns whether a value specification given by an expression was met.
bool ConvertPotentialValues(Problem& problem, Real factor, Real offset,
                            const ResultLevelAccess& results = {});

// Switches the temperature scale: on = absolute (K, R), off = relative (°C, °F), adding or
// subtracting the offset of the unit system. Does nothing and returns false when the scale
// already is the one requested. Otherwise the results are marked not current and the
// problem not saved, and when a value specification given by an expression could not be
// converted the user is told so (message 42). Returns true when the scale changed.
bool SetAbsoluteTemperatures(Problem& problem, bool on, const ResultLevelAccess& results = {});

// Converts every stored number that depends on the unit system from `oldSystem` to
// `newSystem` and makes `newSystem` the problem's unit system (with its pixel length);
// nothing happens when the two are equal. Constant specifications, material property
// blocks, the blood specific heat, the segments' area factors and the potential values
// (see ConvertPotentialValues) are converted; specifications given by expressions are left
// alone, and when one of kind 1 to 4 was met the user is told so once (message 42).
// The drawing scale, grid and origin are not touched. Afterwards the results are marked
// not current (their flows are not converted) and the problem not saved. Returns whether
// such an expression was met.
bool ConvertUnitSystem(Problem& problem, Unittype oldSystem, Unittype newSystem,
                       const ResultLevelAccess& results = {});

// A material library is stored in SI units. When materials 1..20 have just been loaded
// into a problem in English units, this converts their constant property blocks as a
// switch from SI to English would. Only the thermal subjects (Heat Transfer, Bio-Heat
// Transfer, Extended Surfaces) have English material units; the others are left alone.
void ConvertLibraryMaterials(Problem& problem);

}  // namespace kova

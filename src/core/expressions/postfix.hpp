// The compiled form of an expression: a postfix program of at most 50 items in entries
// 1..n of a 51-entry array, with n in entry 0 (0 marks a constant). Problem files store
// these arrays, so the item values below are fixed.
#pragma once

#include "model/types.hpp"

namespace kova {

inline constexpr int kMaxProgramEntries = kCompiledSize - 1;  // 50 items
inline constexpr int kEvaluationStackSize = kMaxProgramEntries;

// Operand markers. An item is classified by the integer nearest to it, so these read as
// -1 .. -8; the fractional parts are part of the stored values.
inline constexpr Real kMarkerConstant = -1.0L;  // the next entry holds a number
inline constexpr Real kMarkerPotential = -2.001L;
inline constexpr Real kMarkerFirstCoordinate = -3.001L;   // X, or R
inline constexpr Real kMarkerSecondCoordinate = -4.001L;  // Y, or Z
inline constexpr Real kMarkerTime = -5.01L;
inline constexpr Real kMarkerFlux = -6.01L;
inline constexpr Real kMarkerGradientX = -7.01L;
inline constexpr Real kMarkerGradientY = -8.02L;

// Operator codes, stored as exact integers.
enum OperatorCode : int {
    kOpMultiply = 1,
    kOpDivide = 2,
    kOpAdd = 3,
    kOpSubtract = 4,
    kOpPower = 5,
    kOpNegate = 11,
    kOpExp = 12,
    kOpLog = 13,
    kOpSin = 14,
    kOpCos = 15,
    kOpLn = 16,
    kOpSqrt = 17,
    kOpAbs = 18,
    kOpMax = 19,
    kOpMin = 20,
    kOpSquareWave = 21,
    kOpIf = 22,
    kOpStep = 23,
    kOpFile = 24,
    kOpMod = 25,
    kOpTrunc = 26,
};

}  // namespace kova

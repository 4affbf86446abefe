// A compiled form decoded once into a compact program for the evaluator, and a small
// per-thread cache of decoded programs.
//
// Decoding classifies every item of the stored form (nearest integer of an 80-bit value),
// resolves operands to value slots (the field variable, the coordinates, TIME, and the
// numbers of the form), fuses an operand with a following +, -, * or /, and tracks the
// stack depth, which does not depend on the values. Everything that is wrong with the
// structure of a form (an unknown item, too few operands, a number cut off, not exactly
// one value at the end) becomes a Fail step at the place where evaluation would find it,
// so that errors met earlier at run time (a division by zero, say) keep their precedence.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "model/records.hpp"

namespace kova {

enum class StepKind : std::uint8_t {
    Push,      // push slots[slot]
    MulSlot,   // top = top * slots[slot]
    DivSlot,   // top = top / slots[slot], checked
    AddSlot,   // top = top + slots[slot]
    SubSlot,   // top = top - slots[slot]
    Multiply,  // top = A * top, A = stack[at]
    Divide,    // checked
    Add,
    Subtract,
    Negate,
    Power,     // A ^ top, checked
    Function,  // the functions of one or two arguments (code), checked
    If,        // IF(stack[at], stack[at+1], stack[at+2], stack[at+3], top)
    File,      // FILE(stack[at], stack[at+1], stack[at+2], top)
    Variable,  // slots[slot] = FLUX, DT\DX or DT\DY (code: -6, -7, -8)
    Fail,      // malformed program: error 7
    End,       // exactly one value left: the result, if finite
    // An operand pushed and a second one applied to it at once: push slots[slot] op
    // slots[slot2] (the operators in the order of their codes).
    PushMul,
    PushDiv,
    PushAdd,
    PushSub,
    // Such a pair applied at once to the top: top = top op1 (slots[slot] op2 slots[slot2]),
    // named op1 then op2. Sums of products and the like are chains of these.
    MulMul,
    MulDiv,
    MulAdd,
    MulSub,
    DivMul,
    DivDiv,
    DivAdd,
    DivSub,
    AddMul,
    AddDiv,
    AddAdd,
    AddSub,
    SubMul,
    SubDiv,
    SubAdd,
    SubSub,
};

struct Step {
    StepKind kind = StepKind::End;
    std::uint8_t slot = 0;   // operand slot
    std::uint8_t at = 0;     // stack position of the first operand below the top
    std::int8_t code = 0;    // operator code of Function, marker of Variable
    std::uint8_t slot2 = 0;  // second operand slot of the pair steps
};

// Value slots: the per-call inputs first, then the numbers of the form and the values of
// FLUX and the gradient variables in the order they occur.
inline constexpr int kSlotPotential = 0;
inline constexpr int kSlotFirstCoordinate = 1;
inline constexpr int kSlotSecondCoordinate = 2;
inline constexpr int kSlotTime = 3;
inline constexpr int kFirstFreeSlot = 4;

struct DecodedProgram {
    // An item gives at most two steps (FLUX: Variable and Push), and one more ends it.
    std::array<Step, 2 * kCompiledSize> steps{};  // ends with End or Fail
    std::array<Real, kFirstFreeSlot + kCompiledSize> slots{};
    int stepCount = 0;
    bool usesCoordinates = false;
    bool usesTime = false;
    // FLUX, a gradient or FILE: evaluating the program may evaluate other expressions,
    // so it must not run in place inside a cache that a nested evaluation may refill.
    bool reentrant = false;
};

// The integer nearest to a program item (halves to the even neighbour), or 1000 for
// magnitudes of 128 and above, infinities and NaNs.
// Every decoding classifies every item, so this reads the bits of the 80-bit value with
// integer operations: a floating-point conversion (or the library's nearbyint, which
// saves and restores the floating-point environment) would cost more.
inline int ItemCode(const Real& item) {
    if constexpr (std::numeric_limits<Real>::digits == 64 && sizeof(Real) >= 10) {
        std::uint64_t mantissa;  // explicit integer bit at bit 63
        std::uint16_t signAndExponent;
        std::memcpy(&mantissa, &item, 8);
        std::memcpy(&signAndExponent, reinterpret_cast<const unsigned char*>(&item) + 8, 2);
        const int exponent = (signAndExponent & 0x7FFF) - 16383;
        if (exponent < -1) return 0;  // |v| < 0.5, zero and subnormals
        if (exponent > 6) return 1000;
        const std::uint64_t twice = mantissa >> (62 - exponent);  // floor(2|v|)
        int n = static_cast<int>((twice + 1) >> 1);               // halves away from zero
        const bool half = (twice & 1) != 0 && (mantissa << (exponent + 2)) == 0;
        if (half && (n & 1) != 0) --n;
        return (signAndExponent & 0x8000) != 0 ? -n : n;
    } else {
        if (!(item > -128 && item < 128)) return 1000;
        const Real r = std::round(item);
        int n = static_cast<int>(r);
        if (std::fabs(item - r) == 0.5L && (n & 1) != 0) n += item < r ? -1 : 1;
        return n;
    }
}

// The number of leading entries of a form that decoding reads: entry 0 and, when it is a
// valid count, the items after it.
inline int UsedEntries(const CompiledForm& compiled) {
    const int n = ItemCode(compiled[0]);
    return n >= 0 && n <= kCompiledSize - 1 ? n + 1 : 1;
}

// Decodes `compiled` into `program` (the per-call slots are left for the caller).
void DecodeProgram(const CompiledForm& compiled, DecodedProgram& program);

// Decoded programs of recently evaluated forms. An entry is found by the address of the
// form and accepted only if the form's entries 0..n still equal, byte for byte, those it
// was decoded from, so a form that was changed, replaced or copied elsewhere is decoded
// anew: a stale program can never be returned. Two-way set-associative, least recently
// used way replaced. Not shared between threads.
class ProgramCache {
public:
    constexpr ProgramCache() = default;

    // The decoded program of `compiled`; valid until the next call of Find.
    DecodedProgram& Find(const CompiledForm& compiled) {
        // The set from the address; the low bits of an address of Real arrays are zero.
        const auto address = reinterpret_cast<std::uintptr_t>(&compiled);
        const std::size_t set = ((address >> 4) ^ (address >> 9)) % kSets;
        const int used = UsedEntries(compiled);
        const std::size_t bytes = static_cast<std::size_t>(used) * sizeof(Real);
        for (std::size_t w = 0; w < kWays; ++w) {
            Entry& e = m_entries[set * kWays + w];
            if (e.key == &compiled && e.entries == used &&
                std::memcmp(e.image.data(), compiled.data(), bytes) == 0) {
                m_recentWay[set] = static_cast<std::uint8_t>(w);
                return e.program;
            }
        }
        return Refill(compiled, set, used);
    }

    // How many forms were decoded so far (for tests of the cache).
    long Decodes() const { return m_decodes; }

private:
    static constexpr std::size_t kSets = 16;
    static constexpr std::size_t kWays = 2;

    // Decodes `compiled` into the least recently used way of `set`.
    DecodedProgram& Refill(const CompiledForm& compiled, std::size_t set, int used);

    struct Entry {
        const CompiledForm* key = nullptr;
        int entries = 0;  // how many leading entries of the form `image` holds
        CompiledForm image{};
        DecodedProgram program{};
    };

    std::array<Entry, kSets * kWays> m_entries{};
    std::array<std::uint8_t, kSets> m_recentWay{};
    long m_decodes = 0;
};

}  // namespace kova

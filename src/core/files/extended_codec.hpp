// The 10-byte little-endian image of an 80-bit extended real: bytes 0..7 the 64-bit
// significand with its explicit integer bit (bit 63), bytes 8..9 the 15-bit biased
// exponent with the sign in the top bit. The conversion is done arithmetically, so it
// does not depend on how the compiler lays out long double in memory.
#pragma once

#include <array>
#include <cstdint>

#include "model/types.hpp"

namespace kova {

inline constexpr int kExtendedSize = 10;
using ExtendedImage = std::array<std::uint8_t, kExtendedSize>;

// The image of a value. Every finite value, ±0, the denormals and ±infinity are encoded
// exactly; a NaN becomes the quiet NaN image with the value's sign.
ExtendedImage EncodeExtended(Real value);

// How an image is to be understood.
enum class ExtendedClass {
    Zero,
    Normal,
    Denormal,
    PseudoDenormal,  // exponent 0 with the integer bit set: read as its value
    Unnormal,        // exponent 1..32766 without the integer bit: invalid, read as NaN
    Infinity,
    NaN,
    PseudoInfinityOrNaN,  // exponent 32767 without the integer bit: invalid, read as NaN
};
ExtendedClass ClassifyExtended(const ExtendedImage& image);

// The value of an image. Canonical images give their exact value. A pseudo-denormal
// gives the value it denotes (the same as with exponent 1); the invalid encodings
// (unnormals, pseudo-infinities and pseudo-NaNs) give a quiet NaN with the image's sign,
// which is what the arithmetic would make of them. Never traps.
Real DecodeExtended(const ExtendedImage& image);

}  // namespace kova

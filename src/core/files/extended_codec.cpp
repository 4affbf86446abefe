#include "files/extended_codec.hpp"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace kova {
namespace {

constexpr int kExponentBias = 16383;
constexpr std::uint16_t kExponentMax = 0x7FFF;
constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
constexpr std::uint64_t kQuietNaN = kIntegerBit | (std::uint64_t{1} << 62);

ExtendedImage Pack(bool negative, std::uint16_t exponent, std::uint64_t significand) {
    ExtendedImage image{};
    for (int i = 0; i < 8; ++i) {
        image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(significand >> (8 * i));
    }
    const std::uint16_t top = static_cast<std::uint16_t>(exponent | (negative ? 0x8000u : 0u));
    image[8] = static_cast<std::uint8_t>(top & 0xFF);
    image[9] = static_cast<std::uint8_t>(top >> 8);
    return image;
}

std::uint64_t SignificandOf(const ExtendedImage& image) {
    std::uint64_t significand = 0;
    for (int i = 7; i >= 0; --i)
        significand = (significand << 8) | image[static_cast<std::size_t>(i)];
    return significand;
}

std::uint16_t ExponentOf(const ExtendedImage& image) {
    return static_cast<std::uint16_t>((image[8] | (image[9] << 8)) & kExponentMax);
}

bool NegativeOf(const ExtendedImage& image) {
    return (image[9] & 0x80) != 0;
}

Real QuietNaN(bool negative) {
    const Real nan = std::numeric_limits<Real>::quiet_NaN();
    return negative ? -nan : nan;
}

}  // namespace

ExtendedImage EncodeExtended(Real value) {
    const bool negative = std::signbit(value);
    switch (std::fpclassify(value)) {
        case FP_NAN:
            return Pack(negative, kExponentMax, kQuietNaN);
        case FP_INFINITE:
            return Pack(negative, kExponentMax, kIntegerBit);
        case FP_ZERO:
            return Pack(negative, 0, 0);
        default:
            break;
    }
    const Real magnitude = std::fabs(value);
    int exponent = 0;
    // magnitude = fraction · 2^exponent with fraction in [0.5, 1).
    const Real fraction = std::frexp(magnitude, &exponent);
    int biased = exponent - 1 + kExponentBias;
    std::uint64_t significand = 0;
    if (biased >= 1) {
        // Normal: fraction · 2^64 lies in [2^63, 2^64) and is a whole number because the
        // significand has at most 64 bits.
        significand = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
    } else {
        // Denormal: the value is significand · 2^(1 - bias - 63).
        significand = static_cast<std::uint64_t>(std::ldexp(magnitude, kExponentBias - 1 + 63));
        biased = 0;
    }
    return Pack(negative, static_cast<std::uint16_t>(biased), significand);
}

ExtendedClass ClassifyExtended(const ExtendedImage& image) {
    const std::uint16_t exponent = ExponentOf(image);
    const std::uint64_t significand = SignificandOf(image);
    const bool integerBit = (significand & kIntegerBit) != 0;
    if (exponent == 0) {
        if (significand == 0) return ExtendedClass::Zero;
        return integerBit ? ExtendedClass::PseudoDenormal : ExtendedClass::Denormal;
    }
    if (exponent == kExponentMax) {
        if (!integerBit) return ExtendedClass::PseudoInfinityOrNaN;
        return (significand & ~kIntegerBit) == 0 ? ExtendedClass::Infinity : ExtendedClass::NaN;
    }
    return integerBit ? ExtendedClass::Normal : ExtendedClass::Unnormal;
}

Real DecodeExtended(const ExtendedImage& image) {
    // Where Real is this very format in memory, a normal value is its own ten bytes.
    if constexpr (std::numeric_limits<Real>::digits == 64 &&
                  std::numeric_limits<Real>::max_exponent == 16384 &&
                  std::endian::native == std::endian::little && sizeof(Real) >= 10) {
        if (ClassifyExtended(image) == ExtendedClass::Normal) {
            Real value = 0;
            std::memcpy(&value, image.data(), image.size());
            return value;
        }
    }
    const bool negative = NegativeOf(image);
    const std::uint64_t significand = SignificandOf(image);
    Real magnitude = 0;
    switch (ClassifyExtended(image)) {
        case ExtendedClass::Zero:
            magnitude = 0;
            break;
        case ExtendedClass::Infinity:
            magnitude = std::numeric_limits<Real>::infinity();
            break;
        case ExtendedClass::NaN:
        case ExtendedClass::Unnormal:
        case ExtendedClass::PseudoInfinityOrNaN:
            return QuietNaN(negative);
        case ExtendedClass::Denormal:
        case ExtendedClass::PseudoDenormal:
            // Exponent 0 scales like exponent 1.
            magnitude = std::ldexp(static_cast<Real>(significand), 1 - kExponentBias - 63);
            break;
        case ExtendedClass::Normal:
            magnitude = std::ldexp(static_cast<Real>(significand),
                                   static_cast<int>(ExponentOf(image)) - kExponentBias - 63);
            break;
    }
    return negative ? -magnitude : magnitude;
}

}  // namespace kova

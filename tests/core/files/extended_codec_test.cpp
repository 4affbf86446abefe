#include "files/extended_codec.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace kova {
namespace {

ExtendedImage Image(std::uint64_t significand, std::uint16_t signAndExponent) {
    ExtendedImage image{};
    for (int i = 0; i < 8; ++i)
        image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(significand >> (8 * i));
    image[8] = static_cast<std::uint8_t>(signAndExponent & 0xFF);
    image[9] = static_cast<std::uint8_t>(signAndExponent >> 8);
    return image;
}

bool SameBits(Real a, Real b) {
    return EncodeExtended(a) == EncodeExtended(b) && std::signbit(a) == std::signbit(b);
}

TEST(ExtendedCodec, KnownImages) {
    EXPECT_EQ(EncodeExtended(-999.0L),
              (ExtendedImage{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0xF9, 0x08, 0xC0}));
    EXPECT_EQ(
        DecodeExtended(ExtendedImage{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0xF9, 0x08, 0xC0}),
        -999.0L);
    EXPECT_EQ(EncodeExtended(1.0L), Image(0x8000000000000000ULL, 0x3FFF));
    EXPECT_EQ(EncodeExtended(0.5L), Image(0x8000000000000000ULL, 0x3FFE));
    EXPECT_EQ(EncodeExtended(-3.0L), Image(0xC000000000000000ULL, 0xC000));
    EXPECT_EQ(EncodeExtended(0.0L), Image(0, 0x0000));
    EXPECT_EQ(EncodeExtended(-0.0L), Image(0, 0x8000));
    EXPECT_EQ(EncodeExtended(std::numeric_limits<Real>::infinity()),
              Image(0x8000000000000000ULL, 0x7FFF));
    EXPECT_EQ(EncodeExtended(-std::numeric_limits<Real>::infinity()),
              Image(0x8000000000000000ULL, 0xFFFF));
}

TEST(ExtendedCodec, EveryCanonicalImageRoundTripsExactly) {
    std::mt19937_64 random(12345);
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t bits = random();
        const bool negative = (bits & 1) != 0;
        std::uint16_t exponent = static_cast<std::uint16_t>((bits >> 1) % 0x7FFF);
        std::uint64_t significand = random();
        if (exponent == 0) {
            significand &= ~(std::uint64_t{1} << 63);  // denormal
        } else {
            significand |= std::uint64_t{1} << 63;  // normal
        }
        if (i % 7 == 0) significand &= 0xFFFF000000000000ULL;  // short significands too
        const ExtendedImage image =
            Image(significand, static_cast<std::uint16_t>(exponent | (negative ? 0x8000 : 0)));
        const Real value = DecodeExtended(image);
        ASSERT_EQ(EncodeExtended(value), image) << "exponent " << exponent;
    }
}

TEST(ExtendedCodec, EdgeValuesRoundTrip) {
    using L = std::numeric_limits<Real>;
    const Real values[] = {L::min(),         L::max(),        -L::max(),    L::denorm_min(),
                           -L::denorm_min(), L::min() / 3,    L::epsilon(), 1.0L / 3.0L,
                           kUnspecified,     kInfinityMarker, -0.0L,        0.0L,
                           L::infinity(),    -L::infinity(),  9.99e-4900L,  1e4900L};
    for (Real v : values) {
        const Real back = DecodeExtended(EncodeExtended(v));
        EXPECT_TRUE(SameBits(back, v)) << static_cast<double>(v);
        EXPECT_EQ(std::signbit(back), std::signbit(v));
    }
}

TEST(ExtendedCodec, EveryDoubleIsExact) {
    std::mt19937_64 random(99);
    for (int i = 0; i < 100000; ++i) {
        const std::uint64_t bits = random();
        double d = 0;
        std::memcpy(&d, &bits, sizeof d);
        if (std::isnan(d)) continue;
        const Real back = DecodeExtended(EncodeExtended(static_cast<Real>(d)));
        ASSERT_EQ(static_cast<double>(back), d);
        ASSERT_EQ(std::signbit(back), std::signbit(d));
    }
    // Every exponent of a double (denormals and infinity included), with the smallest,
    // the largest and a scattered significand, of both signs.
    for (std::uint64_t exponent = 0; exponent < 0x7FF + 1; ++exponent) {
        for (const std::uint64_t fraction :
             {std::uint64_t{0}, std::uint64_t{1}, (std::uint64_t{1} << 52) - 1,
              std::uint64_t{0x5A5A5A5A5A5A5}}) {
            if (exponent == 0x7FF && fraction != 0) continue;  // NaN
            for (const std::uint64_t sign : {std::uint64_t{0}, std::uint64_t{1} << 63}) {
                const std::uint64_t bits = sign | (exponent << 52) | fraction;
                double d = 0;
                std::memcpy(&d, &bits, sizeof d);
                const Real back = DecodeExtended(EncodeExtended(static_cast<Real>(d)));
                const double narrowed = static_cast<double>(back);
                std::uint64_t backBits = 0;
                std::memcpy(&backBits, &narrowed, sizeof backBits);
                ASSERT_EQ(backBits, bits) << "exponent " << exponent << " fraction " << fraction;
            }
        }
    }
}

TEST(ExtendedCodec, MatchesTheHardwareLayoutWhereItIsTheSame) {
    if constexpr (std::numeric_limits<long double>::digits != 64) {
        GTEST_SKIP() << "long double is not the 80-bit format here";
    } else {
        std::mt19937_64 random(7);
        for (int i = 0; i < 20000; ++i) {
            const Real value = std::ldexp(static_cast<Real>(random()) + 0.25L,
                                          static_cast<int>(random() % 32000) - 16000);
            const Real signedValue = (i % 2) ? -value : value;
            ExtendedImage memoryImage{};
            std::memcpy(memoryImage.data(), &signedValue, kExtendedSize);
            ASSERT_EQ(EncodeExtended(signedValue), memoryImage);
        }
    }
}

TEST(ExtendedCodec, NaNKeepsItsSignAndStaysNaN) {
    const Real nan = std::numeric_limits<Real>::quiet_NaN();
    const Real back = DecodeExtended(EncodeExtended(nan));
    EXPECT_TRUE(std::isnan(back));
    EXPECT_EQ(EncodeExtended(nan), Image(0xC000000000000000ULL, 0x7FFF));
    const Real negative = DecodeExtended(EncodeExtended(-nan));
    EXPECT_TRUE(std::isnan(negative));
    EXPECT_TRUE(std::signbit(negative));
    // A signalling NaN image reads as a NaN as well.
    EXPECT_TRUE(std::isnan(DecodeExtended(Image(0x8000000000000001ULL, 0x7FFF))));
}

TEST(ExtendedCodec, NonCanonicalImagesAreClassifiedAndReadSafely) {
    // Pseudo-denormal: exponent 0 with the integer bit; it denotes the same value as the
    // image with exponent 1.
    const ExtendedImage pseudoDenormal = Image(0x8000000000000123ULL, 0x0000);
    EXPECT_EQ(ClassifyExtended(pseudoDenormal), ExtendedClass::PseudoDenormal);
    EXPECT_EQ(DecodeExtended(pseudoDenormal), DecodeExtended(Image(0x8000000000000123ULL, 0x0001)));
    EXPECT_GT(DecodeExtended(pseudoDenormal), 0);

    const ExtendedImage unnormal = Image(0x4000000000000000ULL, 0x3FFF);
    EXPECT_EQ(ClassifyExtended(unnormal), ExtendedClass::Unnormal);
    EXPECT_TRUE(std::isnan(DecodeExtended(unnormal)));

    const ExtendedImage pseudoInfinity = Image(0, 0xFFFF);
    EXPECT_EQ(ClassifyExtended(pseudoInfinity), ExtendedClass::PseudoInfinityOrNaN);
    EXPECT_TRUE(std::isnan(DecodeExtended(pseudoInfinity)));
    EXPECT_TRUE(std::signbit(DecodeExtended(pseudoInfinity)));
    EXPECT_TRUE(std::isnan(DecodeExtended(Image(0x0000000000000001ULL, 0x7FFF))));

    EXPECT_EQ(ClassifyExtended(Image(1, 0)), ExtendedClass::Denormal);
    EXPECT_EQ(ClassifyExtended(Image(0x8000000000000000ULL, 0x7FFF)), ExtendedClass::Infinity);
    EXPECT_EQ(ClassifyExtended(Image(0xC000000000000000ULL, 0x7FFF)), ExtendedClass::NaN);
}

}  // namespace
}  // namespace kova

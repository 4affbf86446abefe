// Reading and patching fields of file images in tests, and finding the sections of a
// current-layout problem file by walking its counts.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "files/extended_codec.hpp"

namespace kova::test {

using Bytes = std::vector<std::uint8_t>;

inline std::int32_t I32At(const Bytes& b, std::size_t at) {
    return static_cast<std::int32_t>(b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) |
                                     (static_cast<std::uint32_t>(b.at(at + 3)) << 24));
}
inline std::int16_t I16At(const Bytes& b, std::size_t at) {
    return static_cast<std::int16_t>(b.at(at) | (b.at(at + 1) << 8));
}
inline Real ExtAt(const Bytes& b, std::size_t at) {
    ExtendedImage image{};
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = b.at(at + i);
    return DecodeExtended(image);
}
inline void PutI32At(Bytes& b, std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i)
        b.at(at + static_cast<std::size_t>(i)) =
            static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
}
inline void PutI16At(Bytes& b, std::size_t at, std::int16_t v) {
    b.at(at) = static_cast<std::uint8_t>(v & 0xFF);
    b.at(at + 1) = static_cast<std::uint8_t>((static_cast<std::uint16_t>(v) >> 8) & 0xFF);
}
inline void PutExtAt(Bytes& b, std::size_t at, Real v) {
    const ExtendedImage image = EncodeExtended(v);
    std::copy(image.begin(), image.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

// The first offset where two images differ, for failure messages.
inline std::size_t FirstDifference(const Bytes& a, const Bytes& b) {
    const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return static_cast<std::size_t>(ia - a.begin());
}

inline constexpr std::size_t kNodeCountAt = 348;
inline constexpr std::size_t kNodesAt = 356;

// Where each section of a current-layout file starts (at its count).
struct Sections {
    std::size_t lines, frames, specs, materials, texts, picture, groups, singular, order, blood,
        contour;
};

inline Sections Walk(const Bytes& b) {
    Sections s{};
    s.lines = kNodesAt + 46 * static_cast<std::size_t>(I32At(b, kNodeCountAt));
    s.frames = s.lines + 4 + 74 * static_cast<std::size_t>(I32At(b, s.lines));
    std::size_t at = s.frames + 4;
    for (int k = 0; k < I32At(b, s.frames); ++k) {
        at += 135 + 4 * static_cast<std::size_t>(I32At(b, at + 4));
    }
    s.specs = at;
    s.materials = s.specs + 4 + 655 * static_cast<std::size_t>(I32At(b, s.specs));
    s.texts = s.materials + 4 + 20 * 2680;
    s.picture = s.texts + 4 + 166 * static_cast<std::size_t>(I32At(b, s.texts));
    const auto pictureSize = static_cast<std::size_t>(I32At(b, s.picture));
    s.groups = s.picture + 4 + (pictureSize > 0 ? 4 + 16 + pictureSize : 0);
    at = s.groups + 4;
    for (int g = 0; g < I32At(b, s.groups); ++g) {
        at += 1 + 4 + 4 * static_cast<std::size_t>(I32At(b, at + 1));
    }
    s.singular = at;
    s.order = s.singular + 4 + 18 * static_cast<std::size_t>(I32At(b, s.singular)) + 10;
    s.blood = s.order + 4 + 4 * 60 + 20;
    s.contour = s.blood + 14;
    return s;
}

}  // namespace kova::test

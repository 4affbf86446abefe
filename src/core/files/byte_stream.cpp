#include "files/byte_stream.hpp"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "files/extended_codec.hpp"
#include "files/text_encoding.hpp"

namespace kova {

void ByteWriter::I16(std::int16_t v) {
    const auto u = static_cast<std::uint16_t>(v);
    U8(static_cast<std::uint8_t>(u & 0xFF));
    U8(static_cast<std::uint8_t>(u >> 8));
}

void ByteWriter::I32(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) U8(static_cast<std::uint8_t>(u >> (8 * i)));
}

void ByteWriter::Int(std::int32_t v) {
    if (m_width == IntegerWidth::Wide) {
        I32(v);
        return;
    }
    if (v < std::numeric_limits<std::int16_t>::min() ||
        v > std::numeric_limits<std::int16_t>::max()) {
        throw std::range_error("integer does not fit the legacy layout");
    }
    I16(static_cast<std::int16_t>(v));
}

void ByteWriter::Ext(Real v) {
    const ExtendedImage image = EncodeExtended(v);
    m_bytes.insert(m_bytes.end(), image.begin(), image.end());
}

void ByteWriter::Str(const std::string& utf8, int capacity) {
    const std::string bytes = Utf8ToWindows1252(utf8, static_cast<std::size_t>(capacity));
    U8(static_cast<std::uint8_t>(bytes.size()));
    for (char c : bytes) U8(static_cast<std::uint8_t>(c));
    Zeros(static_cast<std::size_t>(capacity) - bytes.size());
}

const std::uint8_t* ByteReader::Take(std::size_t n) {
    if (n > Remaining()) Fail("unexpected end of input");
    const std::uint8_t* p = m_bytes.data() + m_offset;
    m_offset += n;
    return p;
}

std::uint8_t ByteReader::U8() {
    return *Take(1);
}

std::int16_t ByteReader::I16() {
    const std::uint8_t* p = Take(2);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

std::int32_t ByteReader::I32() {
    const std::uint8_t* p = Take(4);
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i) u = (u << 8) | p[i];
    return static_cast<std::int32_t>(u);
}

std::int32_t ByteReader::Int() {
    return m_width == IntegerWidth::Wide ? I32() : I16();
}

Real ByteReader::Ext() {
    const std::uint8_t* p = Take(kExtendedSize);
    ExtendedImage image{};
    std::copy(p, p + kExtendedSize, image.begin());
    return DecodeExtended(image);
}

std::string ByteReader::Str(int capacity) {
    const std::size_t start = m_offset;
    const std::uint8_t* p = Take(static_cast<std::size_t>(capacity) + 1);
    if (p[0] > capacity) FailAt(start, "string length beyond its capacity");
    return Windows1252ToUtf8(std::string_view(reinterpret_cast<const char*>(p + 1), p[0]));
}

std::span<const std::uint8_t> ByteReader::Bytes(std::size_t n) {
    const std::uint8_t* p = Take(n);
    return {p, n};
}

void ByteReader::CheckCount(std::int64_t count, std::size_t bytesEach, const char* what) const {
    if (count < 0) Fail(std::string("negative ") + what);
    if (bytesEach > 0 && static_cast<std::uint64_t>(count) > Remaining() / bytesEach) {
        Fail(std::string(what) + " beyond the end of the input");
    }
}

}  // namespace kova

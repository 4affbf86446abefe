// Field-by-field little-endian writing and reading of record images. The reader works
// over bytes in memory and checks every read against what is left, so a truncated or
// hostile input ends in a FileFormatError instead of a read beyond the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "files/file_format_error.hpp"
#include "model/types.hpp"

namespace kova {

// The width of the fields that the file layouts store as "integers": 4 bytes in the
// current layout, 2 bytes in the legacy layout. Fields of a fixed width (the int16 and
// int32 fields of the records that never changed) use I16/I32 instead.
enum class IntegerWidth { Wide, Legacy };

inline constexpr std::size_t IntegerSize(IntegerWidth w) {
    return w == IntegerWidth::Wide ? 4 : 2;
}

class ByteWriter {
public:
    explicit ByteWriter(IntegerWidth width = IntegerWidth::Wide) : m_width(width) {}

    IntegerWidth Width() const { return m_width; }

    void U8(std::uint8_t v) { m_bytes.push_back(v); }
    void Bool(bool v) { U8(v ? 1 : 0); }
    void I16(std::int16_t v);
    void I32(std::int32_t v);
    // A field of the layout's integer width. In the legacy layout a value outside the
    // 16-bit range cannot be stored and throws std::range_error.
    void Int(std::int32_t v);
    void Ext(Real v);
    // A short string of capacity n: a length byte and n bytes of Windows-1252 text, the
    // unused bytes zero. Longer texts are cut at a character boundary.
    void Str(const std::string& utf8, int capacity);
    void Zeros(std::size_t n) { m_bytes.insert(m_bytes.end(), n, 0); }
    void Bytes(std::span<const std::uint8_t> bytes) {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    }

    std::size_t Size() const { return m_bytes.size(); }
    const std::vector<std::uint8_t>& Data() const { return m_bytes; }
    std::vector<std::uint8_t> Take() { return std::move(m_bytes); }

private:
    IntegerWidth m_width;
    std::vector<std::uint8_t> m_bytes;
};

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes,
                        IntegerWidth width = IntegerWidth::Wide)
        : m_bytes(bytes), m_width(width) {}

    IntegerWidth Width() const { return m_width; }
    std::size_t IntSize() const { return IntegerSize(m_width); }

    std::uint8_t U8();
    bool Bool() { return U8() != 0; }
    std::int16_t I16();
    std::int32_t I32();
    std::int32_t Int();  // 4 or 2 bytes by the layout, widened
    Real Ext();
    // A short string of capacity n; a length byte above n is refused.
    std::string Str(int capacity);
    std::span<const std::uint8_t> Bytes(std::size_t n);
    void Skip(std::size_t n) { (void)Bytes(n); }

    std::size_t Offset() const { return m_offset; }
    std::size_t Remaining() const { return m_bytes.size() - m_offset; }
    bool AtEnd() const { return m_offset == m_bytes.size(); }

    // Refuses a count that is negative or whose items (at least bytesEach each) cannot
    // all be in the rest of the input, before anything is allocated for them.
    void CheckCount(std::int64_t count, std::size_t bytesEach, const char* what) const;

    [[noreturn]] void Fail(const std::string& what) const { throw FileFormatError(m_offset, what); }
    [[noreturn]] void FailAt(std::size_t offset, const std::string& what) const {
        throw FileFormatError(offset, what);
    }

private:
    const std::uint8_t* Take(std::size_t n);

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_offset = 0;
    IntegerWidth m_width;
};

}  // namespace kova

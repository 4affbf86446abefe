// Shared by the fuzz targets: reading an input's bytes as a stream of small numbers,
// and stopping the run at a broken invariant.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kova::fuzz {

// The input's bytes one at a time; past the end every read gives 0.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    unsigned Next() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    unsigned Next16() { return Next() | (Next() << 8); }
    bool Done() const { return m_pos >= m_size; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// A broken invariant ends the run as a crash, so the fuzzer keeps the input.
inline void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace kova::fuzz

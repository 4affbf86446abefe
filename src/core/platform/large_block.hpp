// Large zero-filled blocks of memory (band matrices of tens of megabytes). A released
// block is kept for the next calculation, up to a limit: the first writes to fresh
// memory cost a page fault per 4 KiB, which for two band matrices of 45 MB takes about
// as long as assembling the system, and a problem is calculated again and again while
// it is refined.
#pragma once

#include <cstddef>
#include <utility>

namespace kova {

class LargeBlock {
public:
    LargeBlock() = default;
    ~LargeBlock() { Release(); }
    // A copy holds the same bytes; it throws std::bad_alloc when it cannot be had.
    LargeBlock(const LargeBlock& other);
    LargeBlock& operator=(const LargeBlock& other);
    LargeBlock(LargeBlock&& other) noexcept { Swap(other); }
    LargeBlock& operator=(LargeBlock&& other) noexcept {
        LargeBlock moved(std::move(other));
        Swap(moved);
        return *this;
    }

    // Holds `bytes` zero bytes; false (and holds nothing) when the memory cannot be had.
    bool Allocate(std::size_t bytes);
    void Release() noexcept;
    void Zero() noexcept;
    void Swap(LargeBlock& other) noexcept;

    void* Data() const { return m_data; }
    std::size_t Size() const { return m_bytes; }

    // Gives the kept blocks back to the system.
    static void ReleaseKept() noexcept;

private:
    void* m_data = nullptr;
    std::size_t m_bytes = 0;
    std::size_t m_capacity = 0;
};

}  // namespace kova

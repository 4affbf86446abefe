#include "platform/large_block.hpp"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace kova {
namespace {

// Blocks from this size on are kept when released, up to kKeptBytes in all.
constexpr std::size_t kKeptFrom = std::size_t{1} << 20;
constexpr std::size_t kKeptBytes = std::size_t{320} << 20;

struct KeptBlock {
    void* data;
    std::size_t capacity;
};

class KeptBlocks {
public:
    ~KeptBlocks() { Clear(); }

    // A kept block of at least `bytes` and at most twice that, or null.
    KeptBlock Take(std::size_t bytes) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (std::size_t i = 0; i < m_blocks.size(); ++i) {
            const KeptBlock block = m_blocks[i];
            if (block.capacity < bytes || block.capacity / 2 > bytes) continue;
            m_blocks.erase(m_blocks.begin() + static_cast<std::ptrdiff_t>(i));
            m_bytes -= block.capacity;
            return block;
        }
        return {nullptr, 0};
    }

    // Keeps the block, dropping the oldest ones beyond the limit; frees it if it is too
    // large to keep.
    void Put(KeptBlock block) noexcept {
        if (block.capacity < kKeptFrom || block.capacity > kKeptBytes) {
            std::free(block.data);
            return;
        }
        const std::lock_guard<std::mutex> lock(m_mutex);
        try {
            m_blocks.push_back(block);
        } catch (...) {
            std::free(block.data);
            return;
        }
        m_bytes += block.capacity;
        while (m_bytes > kKeptBytes) {
            m_bytes -= m_blocks.front().capacity;
            std::free(m_blocks.front().data);
            m_blocks.erase(m_blocks.begin());
        }
    }

    void Clear() noexcept {
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (const KeptBlock& block : m_blocks) std::free(block.data);
        m_blocks.clear();
        m_bytes = 0;
    }

private:
    std::mutex m_mutex;
    std::vector<KeptBlock> m_blocks;
    std::size_t m_bytes = 0;
};

KeptBlocks& Kept() {
    static KeptBlocks kept;
    return kept;
}

}  // namespace

LargeBlock::LargeBlock(const LargeBlock& other) {
    if (!Allocate(other.m_bytes)) throw std::bad_alloc();
    if (m_bytes != 0) std::memcpy(m_data, other.m_data, m_bytes);
}

LargeBlock& LargeBlock::operator=(const LargeBlock& other) {
    if (this != &other) {
        LargeBlock copy(other);
        Swap(copy);
    }
    return *this;
}

bool LargeBlock::Allocate(std::size_t bytes) {
    Release();
    if (bytes == 0) return true;
    KeptBlock block{nullptr, 0};
    try {
        if (bytes >= kKeptFrom) block = Kept().Take(bytes);
    } catch (...) {
        block = {nullptr, 0};
    }
    if (block.data == nullptr) block = {std::malloc(bytes), bytes};
    if (block.data == nullptr) return false;
    m_data = block.data;
    m_bytes = bytes;
    m_capacity = block.capacity;
    Zero();
    return true;
}

void LargeBlock::Release() noexcept {
    if (m_data != nullptr) Kept().Put({m_data, m_capacity});
    m_data = nullptr;
    m_bytes = 0;
    m_capacity = 0;
}

void LargeBlock::Zero() noexcept {
    if (m_data != nullptr) std::memset(m_data, 0, m_bytes);
}

void LargeBlock::Swap(LargeBlock& other) noexcept {
    std::swap(m_data, other.m_data);
    std::swap(m_bytes, other.m_bytes);
    std::swap(m_capacity, other.m_capacity);
}

void LargeBlock::ReleaseKept() noexcept {
    Kept().Clear();
}

}  // namespace kova

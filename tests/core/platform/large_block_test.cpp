// Large blocks are handed out zero-filled whether they are fresh or kept from an
// earlier calculation, and copies do not share memory.
#include "platform/large_block.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace kova {
namespace {

bool AllZero(const LargeBlock& block) {
    const auto* bytes = static_cast<const unsigned char*>(block.Data());
    return std::all_of(bytes, bytes + block.Size(), [](unsigned char b) { return b == 0; });
}

TEST(LargeBlock, AKeptBlockComesBackZeroFilled) {
    constexpr std::size_t kBytes = std::size_t{3} << 20;
    LargeBlock first;
    ASSERT_TRUE(first.Allocate(kBytes));
    EXPECT_TRUE(AllZero(first));
    void* const kept = first.Data();
    std::memset(first.Data(), 0x5a, kBytes);
    first.Release();
    EXPECT_EQ(first.Data(), nullptr);

    // A slightly smaller request reuses the kept block, zero-filled again.
    LargeBlock second;
    ASSERT_TRUE(second.Allocate(kBytes - 4096));
    EXPECT_EQ(second.Data(), kept);
    EXPECT_EQ(second.Size(), kBytes - 4096);
    EXPECT_TRUE(AllZero(second));

    // Far smaller requests do not take a kept block more than twice their size.
    second.Release();
    LargeBlock small;
    ASSERT_TRUE(small.Allocate(kBytes / 4));
    EXPECT_NE(small.Data(), kept);
    EXPECT_TRUE(AllZero(small));
    LargeBlock::ReleaseKept();
}

TEST(LargeBlock, CopiesAndMovesOwnTheirBytes) {
    LargeBlock a;
    ASSERT_TRUE(a.Allocate(std::size_t{2} << 20));
    static_cast<unsigned char*>(a.Data())[17] = 42;
    LargeBlock b(a);
    ASSERT_NE(b.Data(), a.Data());
    EXPECT_EQ(static_cast<unsigned char*>(b.Data())[17], 42);
    static_cast<unsigned char*>(b.Data())[17] = 7;
    EXPECT_EQ(static_cast<unsigned char*>(a.Data())[17], 42);

    LargeBlock c(std::move(a));
    EXPECT_EQ(a.Data(), nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(c.Data())[17], 42);
    c = b;
    EXPECT_EQ(static_cast<unsigned char*>(c.Data())[17], 7);

    LargeBlock empty;
    EXPECT_TRUE(empty.Allocate(0));
    EXPECT_EQ(empty.Data(), nullptr);
    LargeBlock::ReleaseKept();
}

}  // namespace
}  // namespace kova

#include "platform/Memory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

// Every backend: the count is -1 where the allocator cannot tell, else it holds a large block while
// the block lives.
TEST(HeapInUse, IsUnknownOrHoldsALargeBlockWhileItLives)
{
    System::Platform::limitHeapGrowth();
    const long long before = System::Platform::heapInUse();
    if (before == -1) {
        void* block = std::malloc(4u << 20);
        std::memset(block, 1, 4u << 20);
        EXPECT_EQ(System::Platform::heapInUse(), -1) << "unknown stays unknown";
        std::free(block);
        return;
    }
    ASSERT_GE(before, 0);
    void* block = std::malloc(4u << 20);
    std::memset(block, 1, 4u << 20);
    const long long holding = System::Platform::heapInUse();
    EXPECT_GE(holding - before, 4LL << 20);
    std::free(block);
    EXPECT_LT(System::Platform::heapInUse(), holding);
}

#if defined(__GLIBC__)
#include <malloc.h>

namespace {

// Whether a fresh block of this size got pages of its own rather than a place in the heap.
bool mappedOnItsOwn(std::size_t size)
{
    const std::size_t before = mallinfo2().hblks;
    void* block = std::malloc(size);
    std::memset(block, 1, 64);
    asm volatile("" : : "r"(block) : "memory");
    const bool mapped = mallinfo2().hblks == before + 1;
    std::free(block);
    return mapped;
}

} // namespace

TEST(HeapGrowth, LargeBlocksKeepPagesOfTheirOwnAfterABiggerOneWasFreed)
{
    System::Platform::limitHeapGrowth();
    // Left to itself, the C library would raise its threshold to this block's size once it is freed,
    // and the blocks below would then be carved from the heap.
    void* picture = std::malloc(16u << 20);
    std::memset(picture, 1, 64);
    asm volatile("" : : "r"(picture) : "memory");
    std::free(picture);

    EXPECT_TRUE(mappedOnItsOwn(1u << 20));
    EXPECT_TRUE(mappedOnItsOwn(512u << 10));
    EXPECT_FALSE(mappedOnItsOwn(64u << 10));
}

TEST(HeapGrowth, SmallBlocksFreedAtTheTopStayInTheHeapForReuse)
{
    System::Platform::limitHeapGrowth();
    // A megabyte of 64 KiB blocks, freed again: the heap keeps its size rather than handing the pages
    // back, which a renderer freeing and retaking such blocks every frame would pay for in page faults.
    void* blocks[16];
    for (void*& block : blocks) {
        block = std::malloc(64u << 10);
        std::memset(block, 1, 64);
        asm volatile("" : : "r"(block) : "memory");
    }
    const std::size_t grown = mallinfo2().arena;
    for (int i = 15; i >= 0; --i)
        std::free(blocks[i]);
    EXPECT_EQ(mallinfo2().arena, grown);
}

TEST(HeapInUse, CountsSmallAndLargeBlocksUntilTheyAreFreed)
{
    System::Platform::limitHeapGrowth();
    const long long before = System::Platform::heapInUse();
    ASSERT_GE(before, 0);
    // Ten thousand small blocks from the heap and one large block with pages of its own.
    void* small[10000];
    for (void*& block : small)
        block = std::malloc(64);
    void* large = std::malloc(4u << 20);
    asm volatile("" : : "r"(large), "r"(small) : "memory");
    const long long holding = System::Platform::heapInUse();
    EXPECT_GE(holding - before, 10000LL * 64 + (4LL << 20));
    EXPECT_LT(holding - before, 10000LL * 96 + (4LL << 20) + (64LL << 10));
    for (void* block : small)
        std::free(block);
    std::free(large);
    EXPECT_LT(System::Platform::heapInUse() - before, 64LL << 10);
}
#endif

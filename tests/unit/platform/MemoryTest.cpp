#include "platform/Memory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

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
    // A free at the heap's top hands back what lies free there.
    void* small = std::malloc(100u << 10);
    std::memset(small, 1, 64);
    asm volatile("" : : "r"(small) : "memory");
    std::free(small);
    // Left to itself, the C library would raise its threshold to this block's size once it is freed,
    // and the blocks below would then be carved from the heap.
    void* picture = std::malloc(16u << 20);
    std::memset(picture, 1, 64);
    asm volatile("" : : "r"(picture) : "memory");
    std::free(picture);

    EXPECT_TRUE(mappedOnItsOwn(1u << 20));
    EXPECT_TRUE(mappedOnItsOwn(200u << 10));
    EXPECT_FALSE(mappedOnItsOwn(64u << 10));
}
#endif

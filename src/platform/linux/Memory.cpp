// Linux platform layer: heap tuning for long runs, and the heap's size in use.
// Depends on: glibc's mallopt and mallinfo2 (elsewhere the calls do nothing, or answer -1).
#include "platform/Memory.h"

#include <cstddef>  // defines __GLIBC__ where glibc is the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace System::Platform {

void limitHeapGrowth()
{
#if defined(__GLIBC__)
    // Fixed values switch off glibc's dynamic threshold adjustment. The heap keeps up to 8 MiB free at
    // its top: the GL driver frees and takes back 64 KiB blocks thousands of times a second, and
    // handing them to the system each time costs tens of thousands of page faults a second.
    constexpr int LargeBlock = 128 * 1024;
    constexpr int KeptFreeTop = 8 * 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, LargeBlock);
    mallopt(M_TRIM_THRESHOLD, KeptFreeTop);
#endif
}

long long heapInUse()
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
#else
    return -1;
#endif
}

} // namespace System::Platform

// Linux platform layer: heap tuning for long runs.
// Depends on: glibc's mallopt (elsewhere the call does nothing).
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

} // namespace System::Platform

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
    // Fixed values switch off glibc's dynamic threshold adjustment.
    constexpr int LargeBlock = 128 * 1024;
    mallopt(M_MMAP_THRESHOLD, LargeBlock);
    mallopt(M_TRIM_THRESHOLD, LargeBlock);
#endif
}

} // namespace System::Platform

// Win32 platform layer: the process heap. The Windows heap returns large blocks to the system on its
// own (anything above its virtual-allocation threshold), so there is nothing to tune.
#include "platform/Memory.h"

namespace System::Platform {

void limitHeapGrowth()
{
}

long long heapInUse()
{
    return -1;
}

} // namespace System::Platform

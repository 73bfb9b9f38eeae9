#pragma once
// How the process's heap behaves over a run of many hours.

namespace System::Platform {

// Large blocks (128 KiB and up) get pages of their own that go back to the system when freed; the
// heap keeps a few megabytes of free space for reuse. Left alone, the C library raises its threshold
// after the first large block is freed (a decoded picture), and the GL driver's later transient blocks
// leave holes in the heap that ratchet the resident size up a megabyte at a time. Called once start-up's
// large blocks are done with: during start-up the raised threshold spares fresh pages for every picture.
void limitHeapGrowth();

// Bytes the C library's allocator has handed out and not had back, all threads' arenas together; -1
// where the library cannot tell. Walks the allocator's arenas: for occasional samples, not per frame.
long long heapInUse();

} // namespace System::Platform

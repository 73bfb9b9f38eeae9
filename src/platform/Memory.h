#pragma once
// How the process's heap behaves over a run of many hours.

namespace System::Platform {

// Large blocks (128 KiB and up) get pages of their own that go back to the system when freed; the
// heap itself keeps a few megabytes of free space for reuse. Without this the C library raises its threshold after the
// first large block is freed (a decoded picture), and later transient blocks of the GL
// driver leave holes that ratchet the resident size up a megabyte at a time. Call before anything
// allocates much.
void limitHeapGrowth();

} // namespace System::Platform

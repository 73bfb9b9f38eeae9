#pragma once
// The quit message as a latch, shared by every backend's message pump: posting it is safe from any
// thread, and a termination signal is noted from its handler (async-signal-safe) and taken as a quit
// with code 0. A latched quit is taken before any message still queued.
#include "platform/MessagePump.h"

namespace System::Platform::Common {

// Async-signal-safe: only sets a flag.
void noteTermination();
bool terminationNoted();
void latchQuit(int exitCode);
// True, with out set to the quit message, once per latched quit (a noted termination latches one).
bool takeQuit(Message& out);

} // namespace System::Platform::Common

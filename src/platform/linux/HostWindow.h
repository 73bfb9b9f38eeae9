#pragma once
// Internal to the Linux platform layer, free of X11 headers (their macros clash with our names):
// whether the host's window that we draw into has been destroyed (see X11Connection.h).
namespace System::Platform::Linux {

bool hostWindowDestroyed();

} // namespace System::Platform::Linux

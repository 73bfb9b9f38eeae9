#pragma once
// Test hook of the display's power state: neither Xvfb nor Xorg's dummy driver has DPMS, so with
// FERNHOLLOW_DISPLAY_POWER_FILE=<file> the state is read from that file instead ("on", "off" or
// "dimmed"; a missing or unreadable file reads as on).
#include "platform/Power.h"

namespace System::Platform::Linux {

// True when the hook is in force; `state` is then what the file says.
bool hookedDisplayPower(DisplayPower& state);

} // namespace System::Platform::Linux

#pragma once
// What the machine's power state asks of a program that only draws for show: whether anyone can see
// the display, and whether it runs on battery. Nothing here keeps a display or the machine awake;
// no backend may do that anywhere (no screen-saver inhibit, no simulated activity).

namespace System::Platform {

enum class DisplayPower {
    On,
    Dimmed,  // still shows a picture
    Off,
};

// The monitors' power state as the platform tells it now; On where it cannot tell (no DPMS on the
// X server, no notification on Windows yet). May ask the window system: callers ask about once a
// second, never every frame.
DisplayPower displayPower();

// True when the machine runs on its battery; false on mains and where the platform cannot tell.
// Reads the system's state each time (a few small files or one call): ask every few seconds.
bool runsOnBattery();

} // namespace System::Platform

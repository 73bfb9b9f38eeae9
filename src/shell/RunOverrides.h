#pragma once
#include <optional>

// Choices given on the command line for one run (the X11 hosts' switches). Each one that is set
// replaces the stored setting for this run only; nothing here is ever written back.
struct RunOverrides {
    std::optional<bool> showTime;         // -clock, -no-clock
    std::optional<bool> twelveHourClock;  // -12-hour, -24-hour
    std::optional<bool> showFps;          // -fps, -no-fps
    std::optional<bool> soundEnabled;     // -sound, -no-sound
    std::optional<int> volume;            // -volume 0..100 (percent)
};

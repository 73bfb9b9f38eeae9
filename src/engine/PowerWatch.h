#pragma once
#include "platform/Power.h"

#include <functional>

namespace System {

// Decides, once per turn of the frame loop, whether a frame is worth drawing: not while the display
// is powered off (dimmed still shows it) and not while the window drawn into is unmapped or wholly
// covered. The display's state costs a round trip to the window system and the battery's a few file
// reads, so each is asked only when due; the window's state is the window system's last word and
// is asked every turn. Free of GL and of any window, so the frame loop's decisions can be tested
// with sources of the test's own.
class PowerWatch {
public:
    struct Sources {
        std::function<double()> now;  // monotonic seconds
        std::function<Platform::DisplayPower()> displayPower;
        std::function<bool()> windowShown;
        std::function<bool()> onBattery;
    };
    enum class Hold {
        None,          // draw
        DisplayOff,    // the monitors are powered off
        WindowHidden,  // the window is unmapped or covered
    };
    static constexpr double DisplayPollSeconds = 1.0;
    static constexpr double BatteryPollSeconds = 5.0;

    // The platform's own sources and the steady clock.
    PowerWatch();
    explicit PowerWatch(Sources sources);

    // Asks the sources that are due; what holds drawing back now.
    Hold update();
    Hold getHold() const { return current; }
    bool isOnBattery() const { return battery; }
    // True once after update() saw the battery state change (and after the first update on battery).
    bool takeBatteryChange();

    // The words for the log.
    static const char* describe(Hold hold);

private:
    Sources sources;
    Hold current = Hold::None;
    bool displayOff = false;
    bool battery = false;
    bool batteryChanged = false;
    double nextDisplayPoll = -1.0;
    double nextBatteryPoll = -1.0;
};

} // namespace System

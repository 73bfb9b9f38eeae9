#pragma once
#include <functional>
#include <string>

namespace System {

// The frame ceiling: buffer swaps at most `ceiling` times a second. The scene's per-frame motions were
// made for 60 frames a second, so faster displays (or ones whose refresh is unknown) are paced to 60,
// and a software renderer, which pays for every frame on the processor, to 30, as is a machine running
// on its battery. A frame that runs late
// starts a new schedule instead of being caught up by a burst.
class FramePacer {
public:
    // Seconds on a monotonic clock, and a wait until such a time; tests give their own.
    struct Clock {
        std::function<double()> now;
        std::function<void(double)> sleepUntil;
    };
    static constexpr int MaxRate = 60;
    static constexpr int SoftwareRate = 30;

    FramePacer();
    explicit FramePacer(Clock clock);

    // The ceiling for a display refreshing `refreshHz` times a second (0: unknown), a renderer that
    // is or is not a software one, on battery or not; and the words saying why, for the log.
    static int ceilingFor(int refreshHz, bool softwareRenderer, bool onBattery = false);
    static std::string reasonFor(int refreshHz, bool softwareRenderer, bool onBattery = false);

    // refreshHz 0 when unknown; vsync true when the swap already waits for the display's refresh.
    void configure(int refreshHz, bool softwareRenderer, bool vsync);
    // Changes the ceiling for running on battery or on mains; false when it stays as it was.
    bool setOnBattery(bool onBattery);
    int getCeiling() const { return rate; }
    // Why the ceiling in force is what it is, for the log.
    std::string getReason() const { return reasonFor(refresh, software, battery); }
    // Benchmarks switch the waiting off to measure what the renderer can do.
    void setEnabled(bool on) { enabled = on; }
    bool isEnabled() const { return enabled; }
    // Called after each swap: waits until the next frame may start.
    void pace();

private:
    Clock clock;
    int rate = MaxRate;
    int refresh = 0;
    bool software = false;
    bool vsync = false;
    bool battery = false;
    bool waits = true;  // false when the display's own refresh already keeps under the ceiling
    bool enabled = true;
    double next = -1.0;
};

} // namespace System

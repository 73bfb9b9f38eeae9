#include "engine/FramePacer.h"

#include <chrono>
#include <thread>

namespace System {

namespace {

FramePacer::Clock steadyClock()
{
    using Steady = std::chrono::steady_clock;
    return FramePacer::Clock{
        [] { return std::chrono::duration<double>(Steady::now().time_since_epoch()).count(); },
        [](double until) {
            std::this_thread::sleep_until(
                Steady::time_point(std::chrono::duration_cast<Steady::duration>(std::chrono::duration<double>(until))));
        }};
}

} // namespace

FramePacer::FramePacer() : FramePacer(steadyClock())
{
}

FramePacer::FramePacer(Clock clock) : clock(std::move(clock))
{
}

int FramePacer::ceilingFor(int refreshHz, bool softwareRenderer, bool onBattery)
{
    const int cap = softwareRenderer || onBattery ? SoftwareRate : MaxRate;
    return refreshHz > 0 && refreshHz < cap ? refreshHz : cap;
}

std::string FramePacer::reasonFor(int refreshHz, bool softwareRenderer, bool onBattery)
{
    if ((softwareRenderer || onBattery) && !(refreshHz > 0 && refreshHz < SoftwareRate)) {
        if (softwareRenderer && onBattery)
            return "software renderer, on battery";
        return softwareRenderer ? "software renderer" : "on battery";
    }
    if (refreshHz <= 0)
        return "display refresh unknown";
    return "display refresh " + std::to_string(refreshHz) + " Hz";
}

void FramePacer::configure(int refreshHz, bool softwareRenderer, bool vsyncOn)
{
    refresh = refreshHz;
    software = softwareRenderer;
    vsync = vsyncOn;
    rate = ceilingFor(refresh, software, battery);
    // A swap that waits for a refresh at or below the ceiling needs no more waiting.
    waits = !(vsync && refresh > 0 && refresh <= rate);
    next = -1.0;
}

bool FramePacer::setOnBattery(bool onBattery)
{
    if (onBattery == battery)
        return false;
    battery = onBattery;
    const int before = rate;
    configure(refresh, software, vsync);
    return rate != before;
}

void FramePacer::pace()
{
    if (!enabled || !waits || rate <= 0)
        return;
    const double period = 1.0 / rate;
    const double now = clock.now();
    if (next >= 0.0 && now < next) {
        clock.sleepUntil(next);
        next += period;
    } else {
        next = now + period;
    }
}

} // namespace System

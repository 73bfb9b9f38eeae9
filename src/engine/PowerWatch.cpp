#include "engine/PowerWatch.h"

#include <chrono>

namespace System {

namespace {

double steadySeconds()
{
    using Steady = std::chrono::steady_clock;
    return std::chrono::duration<double>(Steady::now().time_since_epoch()).count();
}

} // namespace

PowerWatch::PowerWatch()
    : PowerWatch(Sources{steadySeconds, Platform::displayPower, [] { return true; }, Platform::runsOnBattery})
{
}

PowerWatch::PowerWatch(Sources given) : sources(std::move(given))
{
}

PowerWatch::Hold PowerWatch::update()
{
    const double now = sources.now ? sources.now() : 0.0;
    if (sources.displayPower && (nextDisplayPoll < 0.0 || now >= nextDisplayPoll)) {
        displayOff = sources.displayPower() == Platform::DisplayPower::Off;
        nextDisplayPoll = now + DisplayPollSeconds;
    }
    if (sources.onBattery && (nextBatteryPoll < 0.0 || now >= nextBatteryPoll)) {
        const bool was = battery;
        battery = sources.onBattery();
        // The first look counts as a change only on battery: on mains the ceiling is already right.
        if (battery != was)
            batteryChanged = true;
        nextBatteryPoll = now + BatteryPollSeconds;
    }
    if (displayOff)
        current = Hold::DisplayOff;
    else if (sources.windowShown && !sources.windowShown())
        current = Hold::WindowHidden;
    else
        current = Hold::None;
    return current;
}

bool PowerWatch::takeBatteryChange()
{
    const bool changed = batteryChanged;
    batteryChanged = false;
    return changed;
}

const char* PowerWatch::describe(Hold hold)
{
    switch (hold) {
    case Hold::DisplayOff:
        return "the display is off";
    case Hold::WindowHidden:
        return "the window is hidden or covered";
    case Hold::None:
        break;
    }
    return "nothing holds it";
}

} // namespace System

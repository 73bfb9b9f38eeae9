// The clock's test overrides, the same for every backend: with one set, the counter or the local
// time comes from it instead of the backend's clock.
#include "platform/common/ClockSource.h"

#include <utility>

namespace System::Platform {

namespace {
CounterOverride g_override;
std::function<LocalTime()> g_timeOverride;
} // namespace

void setLocalTimeOverride(std::function<LocalTime()> source)
{
    g_timeOverride = std::move(source);
}

void setCounterOverride(CounterOverride source)
{
    g_override = std::move(source);
}

bool performanceFrequency(std::int64_t& ticksPerSecond)
{
    if (g_override.frequency)
        return g_override.frequency(ticksPerSecond);
    return Common::systemPerformanceFrequency(ticksPerSecond);
}

std::int64_t performanceCounter()
{
    if (g_override.counter)
        return g_override.counter();
    return Common::systemPerformanceCounter();
}

LocalTime localTime()
{
    if (g_timeOverride)
        return g_timeOverride();
    return Common::systemLocalTime();
}

} // namespace System::Platform

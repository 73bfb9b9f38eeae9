// Linux platform layer: the high-resolution counter (CLOCK_MONOTONIC through SDL) and local time
// with English texts built here, so the process locale (GTK sets one) never changes them.
// Depends on: SDL2 timer functions, POSIX time.
#include "platform/common/ClockSource.h"

#include <SDL.h>

#include <cstdio>
#include <ctime>

namespace System::Platform {

bool Common::systemPerformanceFrequency(std::int64_t& ticksPerSecond)
{
    ticksPerSecond = static_cast<std::int64_t>(SDL_GetPerformanceFrequency());
    return ticksPerSecond > 0;
}

std::int64_t Common::systemPerformanceCounter()
{
    return static_cast<std::int64_t>(SDL_GetPerformanceCounter());
}

double monotonicSeconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

LocalTime Common::systemLocalTime()
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm parts{};
    localtime_r(&now.tv_sec, &parts);
    LocalTime result;
    result.year = parts.tm_year + 1900;
    result.month = parts.tm_mon + 1;
    result.day = parts.tm_mday;
    result.dayOfWeek = parts.tm_wday;
    result.hour = parts.tm_hour;
    result.minute = parts.tm_min;
    result.second = parts.tm_sec;
    result.milliseconds = static_cast<int>(now.tv_nsec / 1000000);
    return result;
}

std::string timeText(const LocalTime& time)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.hour, time.minute, time.second);
    return text;
}

std::string dateText(const LocalTime& time)
{
    static const char* const days[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                       "Thursday", "Friday", "Saturday"};
    static const char* const months[] = {"January", "February", "March",     "April",
                                         "May",     "June",     "July",      "August",
                                         "September", "October", "November", "December"};
    const char* day = time.dayOfWeek >= 0 && time.dayOfWeek < 7 ? days[time.dayOfWeek] : "";
    const char* month = time.month >= 1 && time.month <= 12 ? months[time.month - 1] : "";
    char text[64];
    std::snprintf(text, sizeof text, "%s,%02d %s %04d", day, time.day, month, time.year);
    return text;
}

} // namespace System::Platform

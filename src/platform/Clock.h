#pragma once
// The high-resolution counter and local time with English texts.
#include <cstdint>
#include <functional>
#include <string>

namespace System::Platform {

// False when the machine has no high-resolution counter.
bool performanceFrequency(std::int64_t& ticksPerSecond);
std::int64_t performanceCounter();

// Tests drive time by hand through this; an empty override restores the real counter.
struct CounterOverride {
    std::function<bool(std::int64_t&)> frequency;
    std::function<std::int64_t()> counter;
};
void setCounterOverride(CounterOverride source);

// Seconds on the system's monotonic clock (CLOCK_MONOTONIC on Linux), the clock other processes
// read too: start-up traces compare it with the time a launcher started the process.
double monotonicSeconds();

struct LocalTime {
    int year = 0;
    int month = 0;      // 1..12
    int day = 0;        // 1..31
    int dayOfWeek = 0;  // 0 Sunday .. 6 Saturday
    int hour = 0;       // 0..23
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
};

LocalTime localTime();
// Tests fix the local time through this; an empty function restores the real clock.
void setLocalTimeOverride(std::function<LocalTime()> source);
// "21:05:09": 24-hour, two digits each.
std::string timeText(const LocalTime& time);
// "Monday,07 December 2026": full English day name, comma, two-digit day, month name, year.
std::string dateText(const LocalTime& time);

} // namespace System::Platform

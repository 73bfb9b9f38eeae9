#pragma once
// The high-resolution counter and local time with English texts.
#include <cstdint>
#include <string>

namespace System::Platform {

// False when the machine has no high-resolution counter.
bool performanceFrequency(std::int64_t& ticksPerSecond);
std::int64_t performanceCounter();

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
// "21:05:09": 24-hour, two digits each.
std::string timeText(const LocalTime& time);
// "Monday,07 December 2026": full English day name, comma, two-digit day, month name, year.
std::string dateText(const LocalTime& time);

} // namespace System::Platform

// Win32 platform layer: the performance counter (QueryPerformanceCounter/Frequency), the local time
// (GetLocalTime) and its texts from GetTimeFormatA/GetDateFormatA with locale 9 (English), so the clock
// reads the same whatever the user's language.
// Depends on: KERNEL32.
#include "platform/common/ClockSource.h"

#include "platform/win32/Win32.h"

namespace System::Platform {

namespace {
constexpr LCID englishLocale = 9;

SYSTEMTIME toSystemTime(const LocalTime& time)
{
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(time.year);
    st.wMonth = static_cast<WORD>(time.month);
    st.wDay = static_cast<WORD>(time.day);
    st.wDayOfWeek = static_cast<WORD>(time.dayOfWeek);
    st.wHour = static_cast<WORD>(time.hour);
    st.wMinute = static_cast<WORD>(time.minute);
    st.wSecond = static_cast<WORD>(time.second);
    st.wMilliseconds = static_cast<WORD>(time.milliseconds);
    return st;
}
} // namespace

bool Common::systemPerformanceFrequency(std::int64_t& ticksPerSecond)
{
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency))
        return false;
    ticksPerSecond = frequency.QuadPart;
    return ticksPerSecond > 0;
}

std::int64_t Common::systemPerformanceCounter()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double monotonicSeconds()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

LocalTime Common::systemLocalTime()
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    LocalTime result;
    result.year = st.wYear;
    result.month = st.wMonth;
    result.day = st.wDay;
    result.dayOfWeek = st.wDayOfWeek;
    result.hour = st.wHour;
    result.minute = st.wMinute;
    result.second = st.wSecond;
    result.milliseconds = st.wMilliseconds;
    return result;
}

std::string timeText(const LocalTime& time)
{
    SYSTEMTIME st = toSystemTime(time);
    char text[32] = {};
    if (!GetTimeFormatA(englishLocale, 0, &st, "HH':'mm':'ss", text, sizeof text))
        return std::string();
    return text;
}

std::string dateText(const LocalTime& time)
{
    SYSTEMTIME st = toSystemTime(time);
    char text[64] = {};
    if (!GetDateFormatA(englishLocale, 0, &st, "dddd','dd MMMM yyyy", text, sizeof text))
        return std::string();
    return text;
}

} // namespace System::Platform

#include "scene/policies/TextPolicies.h"

#include "engine/Timer.h"
#include "platform/Clock.h"

#include <iomanip>
#include <locale>
#include <sstream>

namespace System {

namespace {

// Hours unpadded, minutes and seconds two digits; the classic locale so no digit grouping or other
// digits ever appear.
void writeTime(std::ostringstream& out, int hour, const Platform::LocalTime& time)
{
    out.imbue(std::locale::classic());
    out << hour << ':' << std::setw(2) << std::setfill('0') << time.minute << ':' << std::setw(2)
        << std::setfill('0') << time.second;
}

// The text of the last second shown: a clock asked every frame builds its text once a second.
struct SecondText {
    int hour = -1, minute = -1, second = -1;
    std::string text;

    bool current(const Platform::LocalTime& time) const
    {
        return time.hour == hour && time.minute == minute && time.second == second;
    }
    void keep(const Platform::LocalTime& time, std::string value)
    {
        hour = time.hour, minute = time.minute, second = time.second;
        text = std::move(value);
    }
};

} // namespace

std::string time_12h::text()
{
    static SecondText last;
    const Platform::LocalTime time = Platform::localTime();
    if (!last.current(time)) {
        const int shown = time.hour % 12 == 0 ? 12 : time.hour % 12;
        std::ostringstream out;
        writeTime(out, shown, time);
        out << (time.hour < 12 ? " Am" : " Pm");
        last.keep(time, out.str());
    }
    return last.text;
}

std::string time_24h::text()
{
    static SecondText last;
    const Platform::LocalTime time = Platform::localTime();
    if (!last.current(time)) {
        std::ostringstream out;
        writeTime(out, time.hour, time);
        last.keep(time, out.str());
    }
    return last.text;
}

std::string fpsometer::text()
{
    return Timer::instance().fpsText();
}

} // namespace System

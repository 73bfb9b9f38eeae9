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

} // namespace

std::string time_12h::text()
{
    const Platform::LocalTime time = Platform::localTime();
    const int shown = time.hour % 12 == 0 ? 12 : time.hour % 12;
    std::ostringstream out;
    writeTime(out, shown, time);
    out << (time.hour < 12 ? " Am" : " Pm");
    return out.str();
}

std::string time_24h::text()
{
    const Platform::LocalTime time = Platform::localTime();
    std::ostringstream out;
    writeTime(out, time.hour, time);
    return out.str();
}

std::string fpsometer::text()
{
    return Timer::instance().fpsText();
}

} // namespace System

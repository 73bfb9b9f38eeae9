#include "engine/Timer.h"

#include "base/Exception.h"
#include "engine/Log.h"
#include "platform/Clock.h"

#include <memory>
#include <sstream>

namespace System {

Timer& Timer::instance()
{
    // Never destroyed. A failed creation stores nothing, so the next call tries again.
    static Timer* timer = nullptr;
    if (!timer)
        timer = new Timer();
    return *timer;
}

Timer::Timer()
{
    Log::instance().write("Initializing timer\n");
    if (!Platform::performanceFrequency(frequency) || frequency <= 0) {
        Log::instance().write("High pf timer not found!");
        throw Exception("High pf timer not found!");
    }
    creationCounter = Platform::performanceCounter();
    markCounter = creationCounter;
    Log::instance().write("Timer initialized\n");
}

void Timer::update()
{
    tick(elapsed());
}

double Timer::elapsed() const
{
    std::int64_t difference = Platform::performanceCounter() - markCounter;
    return static_cast<double>(difference) / static_cast<double>(frequency);
}

void Timer::mark()
{
    markCounter = Platform::performanceCounter();
}

void Timer::markAgo(double seconds)
{
    markCounter = Platform::performanceCounter() - static_cast<std::int64_t>(seconds * static_cast<double>(frequency));
}

std::string Timer::fpsText()
{
    double now = static_cast<double>(Platform::performanceCounter()) / static_cast<double>(frequency);
    frameCount += 1.0;
    if (now - lastRenewal > 1.0) {
        lastRenewal = now;
        std::ostringstream out;
        out.width(2);
        out.fill('0');
        out << frameCount;
        text = out.str();
        frameCount = 0.0;
    }
    return text;
}

} // namespace System

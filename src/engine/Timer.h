#pragma once
#include "engine/Signal.h"

#include <cstdint>
#include <string>

namespace System {

// Frame time from the high-resolution counter, and the frames-per-second text.
class Timer {
public:
    // Throws Exception "High pf timer not found!" when there is no counter; a later call tries again.
    static Timer& instance();

    // Tests may make their own; the engine uses instance().
    Timer();

    void update();
    double elapsed() const;
    void mark();
    // Moves the mark so that elapsed() reads `seconds` now: a step after a long pause is taken as a
    // single frame instead of the whole pause.
    void markAgo(double seconds);
    std::string fpsText();

    Signal<void(double)> tick;

private:
    std::int64_t creationCounter = 0;
    std::int64_t frequency = 0;
    std::int64_t markCounter = 0;
    std::string text;
    double frameCount = 0.0;
    double lastRenewal = 0.0;
};

} // namespace System

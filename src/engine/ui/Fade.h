#pragma once
#include "engine/ui/FX.h"

#include <boost/function.hpp>
#include <cstdint>

namespace System::FX {

// A linear ramp of a byte value from `from` to `to` over `duration` seconds; every level goes to
// the setter, and `finished` fires once the ramp has arrived.
class Fade : public FX {
public:
    Fade(double duration, unsigned char from, unsigned char to, boost::function<void(int)> setter);

    void render(GLDriver& driver) override;
    void prepare(GLDriver& driver) override;
    void start() override;
    void update(double seconds) override;

    bool isRunning() const { return running; }
    std::uint32_t getCurrent() const { return current; }

private:
    double elapsed = 0.0;
    double duration;
    double rate;
    unsigned char from;
    unsigned char to;
    std::uint32_t current;
    boost::function<void(int)> setter;
    bool running = false;
};

} // namespace System::FX

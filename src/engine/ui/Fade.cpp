#include "engine/ui/Fade.h"

#include <algorithm>
#include <cmath>

namespace System::FX {

Fade::Fade(double duration, unsigned char from, unsigned char to, boost::function<void(int)> setter)
    : duration(duration),
      rate(duration > 0.0 ? (static_cast<int>(to) - static_cast<int>(from)) / duration : 0.0),
      from(from),
      to(to),
      current(from),
      setter(std::move(setter))
{
}

void Fade::render(GLDriver&)
{
}

void Fade::prepare(GLDriver&)
{
}

void Fade::start()
{
    elapsed = 0.0;
    running = true;
    current = from;
}

void Fade::update(double seconds)
{
    if (!running)
        return;
    // Fail before advancing, so a fade without a setter is left exactly as it was.
    if (!setter)
        throw boost::bad_function_call();
    elapsed += seconds;
    // Clamped before the conversion so a huge step cannot overflow the integer.
    double step = std::clamp(std::trunc(elapsed * rate), -1.0e6, 1.0e6);
    // Without a positive duration there is no ramp: the fade arrives at once.
    int level = duration > 0.0 ? from + static_cast<int>(step) : to;
    current = static_cast<std::uint32_t>(level);
    int clamped = rate < 0 ? std::max(level, static_cast<int>(to)) : std::min(level, static_cast<int>(to));
    setter(clamped);
    if (elapsed >= duration) {
        setter(to);
        running = false;
        finished();
    }
}

} // namespace System::FX

#pragma once

#include <cmath>

namespace System {

// One step of a value that travels between lo and hi and rests at each end. Each moving step goes
// e^seconds x speed (so also on a zero-length frame); a bound reached exactly does not turn, the step
// that passes it turns, rests and clamps. The step that ends a rest does not move the value.
inline float pausedStep(double seconds, float lo, float hi, float speed, float pauseTime, float& value,
                        float& pauseTimer, bool& paused, int& direction)
{
    if (paused) {
        pauseTimer += seconds;
        if (pauseTimer > pauseTime) {
            paused = false;
            pauseTimer = 0.0f;
        }
        return value;
    }
    value += std::exp(seconds) * (direction * speed);
    if (value > hi) {
        direction = -direction;
        paused = true;
        value = hi;
    }
    if (value < lo) {
        direction = -direction;
        paused = true;
        value = lo;
    }
    return value;
}

} // namespace System

#pragma once
#include "engine/Signal.h"
#include "scene/policies/PicturePolicy.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace System {

// Rests on a frame, then plays `sequence` in a burst of at least burstTime seconds, one step every
// frameTime seconds, ending on the first step after that which lands on sequence[0]. The first rest
// is idleTime; each later one idleTime plus a random extra below idleTime. burstStarted is emitted
// as each burst starts. The step counter is one for the whole policy.
struct animated_sprite : picture_policy {
    static inline unsigned sequencePosition = 0;

    animated_sprite() { std::srand(static_cast<unsigned>(std::time(nullptr))); }

    std::vector<Texture*> frames;
    float frameTimer = 0.0f;
    unsigned currentFrame = 0;
    bool idle = true;
    bool stopping = false;
    float idleTimer = 0.0f;
    float burstTimer = 0.0f;
    float extraIdle = 0.0f;
    float burstTime = 0.0f;
    float idleTime = 0.0f;
    float frameTime = 0.0f;
    std::vector<unsigned> sequence;
    Signal<void()> burstStarted;

    void update(double seconds)
    {
        if (idle) {
            idleTimer += seconds;
            if (idleTimer > idleTime + extraIdle) {
                stopping = false;
                idle = false;
                idleTimer = 0.0f;
                burstTimer = 0.0f;
                // In double: glibc's rand() reaches 2^31, where a float keeps only multiples of 128 and
                // the remainder by 8 would always be 0. fmod by zero would be NaN and no rest would end.
                extraIdle = idleTime > 0.0f
                                ? static_cast<float>(std::fmod(static_cast<double>(std::rand()), idleTime))
                                : 0.0f;
                burstStarted();
            }
            return;
        }
        frameTimer += seconds;
        burstTimer += seconds;
        if (burstTimer > burstTime)
            stopping = true;
        if (!(frameTimer > frameTime))
            return;
        frameTimer = 0.0f;
        const std::size_t n = sequence.size();
        if (n == 0) {
            // No frame to land on: the burst just ends.
            if (stopping)
                idle = true;
            return;
        }
        sequencePosition = static_cast<unsigned>((sequencePosition + 1) % n);
        currentFrame = sequence[sequencePosition];
        if (stopping && currentFrame == sequence[0])
            idle = true;
    }

    void render(GLDriver& driver, const Types::Rect& rect, Texture*)
    {
        // A frame index past the list draws nothing rather than an untextured quad.
        if (currentFrame < frames.size())
            drawPicture(driver, rect, frames[currentFrame]);
    }
};

} // namespace System

#pragma once
#include "scene/policies/PicturePolicy.h"

#include <utility>
#include <vector>

namespace System {

// Cross-fades over fadeTime seconds from frames[fromFrame] to frames[toFrame], then moves one step
// along `sequence`. The step counter is one for the whole policy: every sprite of it advances it.
// setSequence starts the first cross-fade from the current entry towards the next, as every later
// one starts, so the picture never jumps.
struct blended_animation_sprite : picture_policy {
    static inline unsigned sequencePosition = 0;

    float fadeThreshold = 1.0f;
    float blend = 0.0f;
    unsigned fromFrame = 0;
    unsigned toFrame = 0;
    std::vector<Texture*> frames;
    float fadeTime = 0.0f;
    std::vector<unsigned> sequence;

    void setSequence(std::vector<unsigned> entries)
    {
        sequence = std::move(entries);
        const std::size_t n = sequence.size();
        if (n == 0)
            return;
        fromFrame = sequence[sequencePosition % n];
        toFrame = sequence[(sequencePosition + 1) % n];
    }

    void update(double seconds)
    {
        blend += seconds / fadeTime;
        if (!(blend > fadeThreshold))
            return;
        blend = 0.0f;
        const std::size_t n = sequence.size();
        if (n == 0)
            return;  // nothing to step along
        sequencePosition = static_cast<unsigned>((sequencePosition + 1) % n);
        fromFrame = sequence[sequencePosition];
        toFrame = sequence[(sequencePosition + 1) % n];
    }

    // Both frames over the same rectangle, alpha 1 - blend then blend; the alpha stays at blend.
    void render(GLDriver& driver, const Types::Rect& rect, Texture*)
    {
        colour.a = 1.0f - blend;
        drawFrame(driver, rect, fromFrame);
        colour.a = blend;
        drawFrame(driver, rect, toFrame);
    }

private:
    // A frame index past the list draws nothing rather than an untextured quad.
    void drawFrame(GLDriver& driver, const Types::Rect& rect, unsigned index)
    {
        if (index < frames.size())
            drawPicture(driver, rect, frames[index]);
    }
};

} // namespace System

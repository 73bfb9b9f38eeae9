#pragma once
#include "scene/policies/PausedStep.h"
#include "scene/policies/PicturePolicy.h"

#include <GL/gl.h>

#include <cmath>

namespace System {

// Angle policy of a swaying plant: a sine swing from minAngle towards minAngle + (maxAngle -
// minAngle) x swingScale, one radian of phase per second (a negative scale swings to the other side).
struct sine_update {
    float phase = 0.0f;
    float swingScale = 0.0f;

    float step(double seconds, float lo, float hi)
    {
        phase += seconds;
        // A float phase that only grew would lose the frame steps after a day or so; sin repeats.
        const float turn = 6.2831853f;
        if (phase >= turn)
            phase = std::fmod(phase, turn);
        return lo + (hi - lo) * swingScale * (std::sin(phase) + 1.0f) / 2.0f;
    }
};

// Angle policy of the deer: from 0 up to maxAngle, rest pauseTime seconds, down to minAngle, rest,
// and so on (see pausedStep).
struct paused_update {
    float pauseTimer = 0.0f;
    bool paused = false;
    int direction = +1;
    float value = 0.0f;
    float pauseTime = 0.0f;
    float speed = 0.0f;

    float step(double seconds, float lo, float hi)
    {
        return pausedStep(seconds, lo, hi, speed, pauseTime, value, pauseTimer, paused, direction);
    }
};

// A picture turned by `angle` degrees (clockwise on screen) about rect's corner + pivot, the angle
// given each frame by the policy U.
template <class U>
struct rotated_sprite : picture_policy, U {
    float angle = 0.0f;
    float minAngle = 0.0f;
    float maxAngle = 0.0f;
    Types::PointF pivot;  // pixels from the rectangle's top-left corner

    void update(double seconds) { angle = U::step(seconds, minAngle, maxAngle); }

    void render(GLDriver& driver, const Types::Rect& rect, Texture* texture)
    {
        const float cx = static_cast<float>(rect.x) + pivot.x;
        const float cy = static_cast<float>(rect.y) + pivot.y;
        glPushMatrix();
        glLoadIdentity();
        glTranslatef(cx, cy, 0.0f);
        glRotatef(angle, 0.0f, 0.0f, 1.0f);
        glTranslatef(-cx, -cy, 0.0f);
        drawPicture(driver, rect, texture);
        glPopMatrix();
    }
};

} // namespace System

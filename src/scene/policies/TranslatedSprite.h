#pragma once
#include "scene/policies/PausedStep.h"
#include "scene/policies/PicturePolicy.h"

#include <GL/gl.h>

namespace System {

// A picture that moves `distance` pixels along `axis`, from 0 out to maxDistance and back, resting
// pauseTime seconds at each end (see pausedStep).
struct translated_sprite : picture_policy {
    float pauseTimer = 0.0f;
    int direction = +1;
    bool paused = false;
    float distance = 0.0f;
    float maxDistance = 0.0f;
    Types::PointF axis;
    float speed = 0.0f;
    float pauseTime = 0.0f;

    void update(double seconds)
    {
        pausedStep(seconds, 0.0f, maxDistance, speed, pauseTime, distance, pauseTimer, paused, direction);
    }

    void render(GLDriver& driver, const Types::Rect& rect, Texture* texture)
    {
        glPushMatrix();
        glLoadIdentity();
        glTranslatef(axis.x * distance, axis.y * distance, 0.0f);
        drawPicture(driver, rect, texture);
        glPopMatrix();
    }
};

} // namespace System

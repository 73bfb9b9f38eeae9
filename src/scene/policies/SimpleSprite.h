#pragma once
#include "scene/policies/PicturePolicy.h"

namespace System {

// A still picture.
struct simple_sprite : picture_policy {
    void update(double) {}
    void render(GLDriver& driver, const Types::Rect& rect, Texture* texture) { drawPicture(driver, rect, texture); }
};

} // namespace System

#pragma once

namespace System {
class GLDriver;

// Anything the scene draws. Owners destroy sprites through this interface.
class BaseSprite {
public:
    virtual void update(double seconds) = 0;
    virtual void render(GLDriver& driver) = 0;
    virtual ~BaseSprite() = default;
};

} // namespace System

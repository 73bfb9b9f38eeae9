#pragma once

namespace System {
class GLDriver;

// Something the engine draws (render) after a one-time preparation with the driver (prepare).
class IRenderableObject {
public:
    virtual void render(GLDriver& driver) = 0;
    virtual void prepare(GLDriver& driver) = 0;
    virtual ~IRenderableObject() = default;
};

} // namespace System

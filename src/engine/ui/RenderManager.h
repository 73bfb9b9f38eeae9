#pragma once
#include "engine/ui/Object.h"

#include <list>

namespace System {

// The root the engine updates, prepares and renders each frame. Registered 2D children are updated
// and prepared in registration order; drawing goes through the window manager's current window.
class RenderManager : public Object {
public:
    RenderManager();
    ~RenderManager() override;

    void add(Object* child) override;
    void add2DChild(Object* child);

    void update(double seconds) override;
    void render(GLDriver& driver) override;
    void prepare(GLDriver& driver) override;

    const std::list<Object*>& getChildren2D() const { return children2D; }

private:
    std::list<Object*> children2D;
};

} // namespace System

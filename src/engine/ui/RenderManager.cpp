#include "engine/ui/RenderManager.h"

#include "engine/Log.h"
#include "engine/ui/FXManager.h"
#include "engine/ui/WindowManager.h"

namespace System {

RenderManager::RenderManager() : Object("Render manager")
{
}

RenderManager::~RenderManager() = default;

void RenderManager::add(Object* child)
{
    Object::add(child);
}

void RenderManager::add2DChild(Object* child)
{
    children2D.push_back(child);
    add(child);
    Log::instance().write("[RenderManager] Added 2D child " + child->getName() + "\n");
}

void RenderManager::update(double seconds)
{
    for (Object* child : children2D)
        child->update(seconds);
}

void RenderManager::prepare(GLDriver& driver)
{
    for (Object* child : children2D) {
        child->prepare(driver);
        Log::instance().write("[RenderManager] Inited 2D child " + child->getName() + "\n");
    }
    FXManager::instance().prepare(driver);
}

void RenderManager::render(GLDriver& driver)
{
    WindowManager::instance().render(driver);
    FXManager::instance().render(driver);
}

} // namespace System

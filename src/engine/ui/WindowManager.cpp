#include "engine/ui/WindowManager.h"

#include "engine/Log.h"
#include "engine/ui/Form.h"

namespace System {

WindowManager& WindowManager::instance()
{
    static WindowManager manager;
    return manager;
}

WindowManager::WindowManager() : Object("WindowManager")
{
}

WindowManager::~WindowManager() = default;

void WindowManager::addWindow(UI::Form* form)
{
    currentWindow = form;
    Log::instance().write("[WindowManager] Added window " + form->getName() + "\n");
}

void WindowManager::render(GLDriver& driver)
{
    if (currentWindow)
        static_cast<IRenderableObject*>(currentWindow)->render(driver);
}

void WindowManager::keyDown(unsigned long code)
{
    if (currentWindow)
        currentWindow->keyDown(code);
}

void WindowManager::keyUp(unsigned long code)
{
    if (currentWindow)
        currentWindow->keyUp(code);
}

void WindowManager::mouseMove(Types::Point motion)
{
    if (currentWindow)
        currentWindow->mouseMove(motion);
}

void WindowManager::keyReleased(unsigned long code, char character)
{
    if (currentWindow)
        currentWindow->keyReleased(code, character);
}

void WindowManager::keyPressed(unsigned long code, char character)
{
    if (currentWindow)
        currentWindow->keyPressed(code, character);
}

} // namespace System

// Interim: the buffered devices and event delivery come with the input work.
#include "engine/services/InputManager.h"

#include "engine/Log.h"
#include "platform/InputDevices.h"

namespace System {

InputManager& InputManager::instance()
{
    static InputManager manager;
    return manager;
}

InputManager::~InputManager() = default;

void InputManager::init(Platform::NativeHandle)
{
    Log::instance().write("Initializing Direct Input\n");
    Log::instance().write("Direct Input initialized\n");
}

void InputManager::addListener(IO::KeyListener* listener)
{
    listeners.push_back(listener);
}

void InputManager::poll()
{
}

void InputManager::acquire()
{
}

void InputManager::release()
{
}

char InputManager::translateKey(unsigned long)
{
    return 0;
}

void InputManager::readDevice(Platform::InputDevice*, bool)
{
}

} // namespace System

#include "engine/services/InputManager.h"

#include "base/Exception.h"
#include "engine/Log.h"
#include "engine/ui/KeyListener.h"
#include "platform/InputDevices.h"

namespace System {

using Platform::DeviceEvent;
using Platform::DeviceKind;
using Platform::DeviceResult;
using Platform::InputDevice;

namespace {

[[noreturn]] void fail(const char* text)
{
    Log::instance().write(text);
    throw Exception(text);
}

// DirectInput never answers an acquisition with "input lost"; should a device do so, a few tries
// are enough.
constexpr int MaxAcquireTries = 4;

} // namespace

InputManager& InputManager::instance()
{
    static InputManager manager([](DeviceKind kind) { return InputDevice::create(kind); });
    return manager;
}

InputManager::InputManager(DeviceFactory factory) : factory(std::move(factory))
{
}

InputManager::~InputManager()
{
    release();
    listeners.clear();
}

void InputManager::init(Platform::NativeHandle window)
{
    release();
    Log::instance().write("Initializing Direct Input\n");
    if (!window) {
        Log::instance().write("Input is left to the host window\n");
        return;
    }
    keyboard = createKeyboard(window);
    mouse = createMouse(window);
    Log::instance().write("Direct Input initialized\n");
}

std::unique_ptr<InputDevice> InputManager::createKeyboard(Platform::NativeHandle window)
{
    Log::instance().write("Initializing keyboard\n");
    std::unique_ptr<InputDevice> device = factory(DeviceKind::Keyboard);
    if (!device)
        fail("Failed to create keyboard device\n");
    if (device->setDataFormat() != DeviceResult::Ok)
        fail("Failed to set keyboard format\n");
    if (device->setWindow(window) != DeviceResult::Ok)
        Log::instance().write("Failed to set keyboard cooperative level\n");
    if (device->setBufferSize(BufferSize) != DeviceResult::Ok)
        fail("Failed to set keyboard buffer\n");
    // The window may not have the focus yet; activation or the next poll acquires it then.
    device->acquire();
    Log::instance().write("Keyboard initialized\n");
    return device;
}

std::unique_ptr<InputDevice> InputManager::createMouse(Platform::NativeHandle window)
{
    Log::instance().write("Initializing mouse\n");
    std::unique_ptr<InputDevice> device = factory(DeviceKind::Mouse);
    if (!device)
        fail("Failed to create mouse device\n");
    if (device->setDataFormat() != DeviceResult::Ok)
        fail("Failed to set mouse format\n");
    if (device->setWindow(window) != DeviceResult::Ok)
        Log::instance().write("Failed to set mouse cooperative level\n");
    if (device->setBufferSize(BufferSize) != DeviceResult::Ok)
        fail("Failed to set mouse buffer\n");
    device->acquire();
    Log::instance().write("Mouse initialized\n");
    return device;
}

void InputManager::addListener(IO::KeyListener* listener)
{
    listeners.push_back(listener);
}

void InputManager::poll()
{
    readDevice(keyboard.get(), true);
    readDevice(mouse.get(), false);
}

void InputManager::readDevice(InputDevice* device, bool isKeyboard)
{
    if (!device)
        return;
    DeviceEvent events[BufferSize];
    std::size_t count = BufferSize;
    DeviceResult result = device->read(events, count);
    if (result != DeviceResult::Ok) {
        DeviceResult acquired = device->acquire();
        for (int tries = 1; acquired == DeviceResult::InputLost && tries < MaxAcquireTries; ++tries)
            acquired = device->acquire();
        if (acquired != DeviceResult::Ok)
            return;
        // Only an overflowing read delivered events; a failed one delivered none.
        if (result != DeviceResult::BufferOverflow)
            return;
    }
    if (count > BufferSize)
        count = BufferSize;
    for (std::size_t i = 0; i < count; ++i) {
        if (isKeyboard)
            dispatchKey(events[i]);
        else
            dispatchMouse(events[i]);
    }
}

void InputManager::dispatchKey(const DeviceEvent& event)
{
    unsigned long code = event.offset;
    char character = translateKey(code);
    bool down = (event.data & 0x80) != 0;
    for (IO::KeyListener* listener : listeners) {
        if (!listener->acceptsInput())
            continue;
        if (down)
            listener->keyPressed(code, character);
        else
            listener->keyReleased(code, character);
    }
}

void InputManager::dispatchMouse(const DeviceEvent& event)
{
    auto data = static_cast<std::int32_t>(event.data);
    Types::Point motion;
    switch (event.offset) {
    case Platform::MouseOffset::X:
        motion.x = data;
        break;
    case Platform::MouseOffset::Y:
        motion.y = data;
        break;
    case Platform::MouseOffset::Z:
        break;
    default:
        return;  // buttons
    }
    for (IO::KeyListener* listener : listeners) {
        if (!listener->acceptsInput())
            continue;
        if (event.offset == Platform::MouseOffset::Z)
            listener->mouseWheel(data);
        else
            listener->mouseMove(motion);
    }
}

void InputManager::acquire()
{
    if (keyboard && mouse) {
        keyboard->acquire();
        mouse->acquire();
    }
}

void InputManager::release()
{
    if (keyboard) {
        keyboard->unacquire();
        keyboard.reset();
    }
    if (mouse) {
        mouse->unacquire();
        mouse.reset();
    }
}

char InputManager::translateKey(unsigned long code)
{
    return Platform::keyCharacter(static_cast<std::uint32_t>(code));
}

} // namespace System

#pragma once
#include "platform/Handle.h"

#include <cstddef>
#include <functional>
#include <list>
#include <memory>

namespace System {
namespace IO {
class KeyListener;
}
namespace Platform {
class InputDevice;
enum class DeviceKind;
struct DeviceEvent;
} // namespace Platform

// Reads the buffered keyboard and mouse once per frame and hands each event to every listener that
// accepts input: keyboard events first, then mouse events, at most 16 per device per frame.
class InputManager {
public:
    static InputManager& instance();
    ~InputManager();

    // Creates both devices bound to the display window; throws Exception when the keyboard or the
    // mouse cannot be set up. A null window (drawing into a host's window) creates no device: the
    // host has the input.
    void init(Platform::NativeHandle window);
    void addListener(IO::KeyListener* listener);
    void poll();
    void acquire();
    void release();
    char translateKey(unsigned long code);

    const std::list<IO::KeyListener*>& getListeners() const { return listeners; }

    static constexpr std::size_t BufferSize = 16;

protected:
    using DeviceFactory = std::function<std::unique_ptr<Platform::InputDevice>(Platform::DeviceKind)>;
    // The process's manager makes platform devices; a test hands in its own.
    explicit InputManager(DeviceFactory factory);

private:
    std::unique_ptr<Platform::InputDevice> createKeyboard(Platform::NativeHandle window);
    std::unique_ptr<Platform::InputDevice> createMouse(Platform::NativeHandle window);
    void readDevice(Platform::InputDevice* device, bool keyboard);
    void dispatchKey(const Platform::DeviceEvent& event);
    void dispatchMouse(const Platform::DeviceEvent& event);

    std::list<IO::KeyListener*> listeners;
    DeviceFactory factory;
    std::unique_ptr<Platform::InputDevice> keyboard;
    std::unique_ptr<Platform::InputDevice> mouse;
};

} // namespace System

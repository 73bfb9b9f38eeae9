#pragma once
#include "platform/Handle.h"

#include <list>
#include <memory>

namespace System {
namespace IO {
class KeyListener;
}
namespace Platform {
class InputDevice;
}

// Reads the buffered keyboard and mouse once per frame and hands each event to every listener that
// accepts input: keyboard events first, then mouse events, at most 16 per device per frame.
class InputManager {
public:
    static InputManager& instance();
    ~InputManager();

    // Creates both devices bound to the display window; throws Exception when the mouse cannot be
    // set up (or the keyboard: the same pattern).
    void init(Platform::NativeHandle window);
    void addListener(IO::KeyListener* listener);
    void poll();
    void acquire();
    void release();
    char translateKey(unsigned long code);

    const std::list<IO::KeyListener*>& getListeners() const { return listeners; }

private:
    InputManager() = default;
    void readDevice(Platform::InputDevice* device, bool keyboard);

    std::list<IO::KeyListener*> listeners;
    std::unique_ptr<Platform::InputDevice> keyboard;
    std::unique_ptr<Platform::InputDevice> mouse;
    bool directInput = false;
};

} // namespace System

#pragma once
#include "engine/Signal.h"
#include "base/Types.h"

namespace System::IO {

// Receives input events; by default each one is republished on its signal.
class KeyListener {
public:
    KeyListener() = default;
    KeyListener(const KeyListener&) = delete;
    KeyListener& operator=(const KeyListener&) = delete;

    Signal<void(unsigned long)> onKeyDown;
    Signal<void(unsigned long)> onKeyUp;
    Signal<void(Types::Point)> onMouseMove;
    Signal<void(int)> onMouseWheel;
    Signal<void(unsigned long, char)> onKeyReleased;
    Signal<void(unsigned long, char)> onKeyPressed;

    virtual void keyDown(unsigned long code);
    virtual void keyUp(unsigned long code);
    virtual void mouseMove(Types::Point motion);
    virtual void mouseWheel(int motion);
    virtual void keyReleased(unsigned long code, char character);
    virtual void keyPressed(unsigned long code, char character);
    // The input service delivers events only to listeners that answer true.
    virtual bool acceptsInput();
    virtual void inputHook(unsigned long value);

protected:
    // Listeners are destroyed as their concrete class, never through this base.
    ~KeyListener() = default;
};

} // namespace System::IO

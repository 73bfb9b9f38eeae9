#include "engine/ui/KeyListener.h"

namespace System::IO {

void KeyListener::keyDown(unsigned long code)
{
    onKeyDown(code);
}

void KeyListener::keyUp(unsigned long code)
{
    onKeyUp(code);
}

void KeyListener::mouseMove(Types::Point motion)
{
    onMouseMove(motion);
}

void KeyListener::mouseWheel(int motion)
{
    onMouseWheel(motion);
}

void KeyListener::keyReleased(unsigned long code, char character)
{
    onKeyReleased(code, character);
}

void KeyListener::keyPressed(unsigned long code, char character)
{
    onKeyPressed(code, character);
}

bool KeyListener::acceptsInput()
{
    return false;
}

void KeyListener::inputHook(unsigned long)
{
}

} // namespace System::IO

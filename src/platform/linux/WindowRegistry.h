#pragma once
// Internal to the Linux platform layer: display windows by SDL window id, so the pump can hand each
// window event to its window's procedure.
#include "platform/DisplayWindow.h"

#include <SDL.h>

#include <cstdint>

namespace System::Platform::Linux {

struct RegisteredWindow {
    SDL_Window* window = nullptr;
    WindowProcedure procedure;
};

void registerWindow(std::uint32_t id, SDL_Window* window, WindowProcedure procedure);
void unregisterWindow(std::uint32_t id);
// Null when no such window is registered.
const RegisteredWindow* findWindow(std::uint32_t id);
SDL_Window* findWindowByHandle(NativeHandle handle);

} // namespace System::Platform::Linux

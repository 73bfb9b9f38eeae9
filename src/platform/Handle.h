#pragma once
// Opaque handles of the platform layer. On X11 a NativeHandle is a window id.
#include <cstdint>

namespace System::Platform {

using NativeHandle = std::uintptr_t;

class DisplayWindow;
// What the Windows code calls a device context: the drawable a GL context renders into.
using DeviceContext = DisplayWindow*;
// An OpenGL rendering context; null when there is none.
using GLContextHandle = void*;

} // namespace System::Platform

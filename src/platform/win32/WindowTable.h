#pragma once
// Shared by the Win32 backend files only: display windows by handle and by id, so the pump and the
// window procedure find the platform's procedure for a window.
#include "platform/DisplayWindow.h"
#include "platform/win32/Win32.h"

namespace System::Platform::Win32 {

// The window's procedure and id; null procedure for windows of other programs.
struct TableEntry {
    std::uint32_t id = 0;
    WindowProcedure procedure;
};

const TableEntry* findWindow(HWND window);
const TableEntry* findWindowById(std::uint32_t id);

} // namespace System::Platform::Win32

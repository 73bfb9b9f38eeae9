// Win32 platform layer: display modes of the primary display (EnumDisplaySettingsA,
// ChangeDisplaySettingsA with CDS_FULLSCREEN, which Windows undoes by itself when the process ends).
// A switch is only asked for a mode the display enumerates. Modes and monitor rectangles are physical
// pixels: the process is per-monitor DPI aware (its manifest), so Windows scales none of them.
// Depends on: USER32.
#include "platform/DisplayModes.h"

#include "platform/win32/Win32.h"

#include <cstdlib>

namespace System::Platform {

namespace {
bool g_switched = false;
std::string g_lastError;

VideoMode toMode(const DEVMODEA& mode)
{
    VideoMode result;
    result.width = static_cast<int>(mode.dmPelsWidth);
    result.height = static_cast<int>(mode.dmPelsHeight);
    result.bitsPerPixel = static_cast<int>(mode.dmBitsPerPel);
    result.refreshRate = mode.dmDisplayFrequency > 1 ? static_cast<int>(mode.dmDisplayFrequency) : 0;
    return result;
}
} // namespace

bool enumDisplayMode(int index, VideoMode& mode)
{
    DEVMODEA settings{};
    settings.dmSize = sizeof settings;
    if (index < 0 || !EnumDisplaySettingsA(nullptr, static_cast<DWORD>(index), &settings))
        return false;
    mode = toMode(settings);
    return true;
}

bool currentDisplayMode(VideoMode& mode)
{
    DEVMODEA settings{};
    settings.dmSize = sizeof settings;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &settings)) {
        g_lastError = "Could not read the current display mode: " + Win32::errorText(GetLastError());
        return false;
    }
    mode = toMode(settings);
    return true;
}

std::string lastDisplayModeError()
{
    return g_lastError;
}

namespace {
// Whether the primary display lists the mode. Windows (and Wine) may accept a switch to a mode it
// does not list, 0 pixels wide or taller than any monitor, and show a window nobody can use.
bool offered(int width, int height, int bitsPerPixel)
{
    VideoMode mode;
    for (int index = 0; enumDisplayMode(index, mode); ++index)
        if (mode.width == width && mode.height == height && mode.bitsPerPixel == bitsPerPixel)
            return true;
    return false;
}
} // namespace

bool changeDisplayMode(int width, int height, int bitsPerPixel)
{
    if (!offered(width, height, bitsPerPixel)) {
        g_lastError = "The display offers no mode " + std::to_string(width) + "x" + std::to_string(height) + "x" +
                      std::to_string(bitsPerPixel);
        return false;
    }
    DEVMODEA settings{};
    settings.dmSize = sizeof settings;
    settings.dmPelsWidth = static_cast<DWORD>(width);
    settings.dmPelsHeight = static_cast<DWORD>(height);
    settings.dmBitsPerPel = static_cast<DWORD>(bitsPerPixel);
    settings.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    LONG result = ChangeDisplaySettingsA(&settings, CDS_FULLSCREEN);
    if (result != DISP_CHANGE_SUCCESSFUL) {
        g_lastError = "ChangeDisplaySettings refused " + std::to_string(width) + "x" + std::to_string(height) +
                      "x" + std::to_string(bitsPerPixel) + " (" + std::to_string(result) + ")";
        return false;
    }
    static bool restoredAtExit = false;
    if (!restoredAtExit)
        std::atexit(restoreDisplayMode);
    restoredAtExit = true;
    g_switched = true;
    return true;
}

namespace {
BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info))
        return TRUE;
    auto& areas = *reinterpret_cast<std::vector<MonitorArea>*>(list);
    MonitorArea area{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right - info.rcMonitor.left,
                     info.rcMonitor.bottom - info.rcMonitor.top};
    for (const MonitorArea& known : areas)
        if (known.x == area.x && known.y == area.y && known.width == area.width && known.height == area.height)
            return TRUE;
    // The primary monitor first.
    if (info.dwFlags & MONITORINFOF_PRIMARY)
        areas.insert(areas.begin(), area);
    else
        areas.push_back(area);
    return TRUE;
}
} // namespace

std::vector<MonitorArea> monitorAreas()
{
    std::vector<MonitorArea> areas;
    EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&areas));
    return areas;
}

void restoreDisplayMode()
{
    if (!g_switched)
        return;
    g_switched = false;
    ChangeDisplaySettingsA(nullptr, 0);
}

} // namespace System::Platform

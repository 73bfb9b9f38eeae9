#pragma once
// Shared by the Win32 backend files only: the power settings Windows reports to the display window
// (WM_POWERBROADCAST with PBT_POWERSETTINGCHANGE), kept for displayPower and runsOnBattery.
#include "platform/win32/Win32.h"

namespace System::Platform::Win32 {

// Asks Windows to report the console display's state and the power source to the window (it
// reports each once at once). Undone by forgetPowerSettings before the window goes.
void registerPowerSettings(HWND window);
void forgetPowerSettings(HWND window);
// Takes a WM_POWERBROADCAST's lParam for PBT_POWERSETTINGCHANGE; true when it was one we follow.
bool notePowerSetting(LPARAM setting);

// Test hook: with FERNHOLLOW_DISPLAY_POWER_FILE=<file> ("on", "off" or "dimmed"), a thread sends the
// window the power-setting message Windows would send whenever the file's word changes.
void startPowerHook(HWND window);
void stopPowerHook();

} // namespace System::Platform::Win32

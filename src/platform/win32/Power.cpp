// Win32 platform layer: the display's power and the power source, as Windows reports them to the
// display window through RegisterPowerSettingNotification (GUID_CONSOLE_DISPLAY_STATE: 0 off, 1 on,
// 2 dimmed; GUID_ACDC_POWER_SOURCE: 0 mains, 1 battery, 2 a short-term source such as a UPS).
// Before any report the display reads as on and the power source is GetSystemPowerStatus's.
// Depends on: USER32, KERNEL32.
#include "platform/Power.h"

#include "platform/win32/PowerState.h"

#include <atomic>
#include <map>

namespace System::Platform {

namespace {

// Spelled out: MinGW-w64 declares them without a definition unless INITGUID is set for the whole file.
const GUID ConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
const GUID AcDcPowerSource = {0x5d3e9a59, 0xe9d5, 0x4b00, {0xa6, 0xbd, 0xff, 0x34, 0xff, 0x51, 0x65, 0x48}};

std::atomic<int> g_display{1};
std::atomic<int> g_source{-1};  // not reported yet

std::map<HWND, std::pair<HPOWERNOTIFY, HPOWERNOTIFY>>& registrations()
{
    static std::map<HWND, std::pair<HPOWERNOTIFY, HPOWERNOTIFY>> table;
    return table;
}

} // namespace

namespace Win32 {

void registerPowerSettings(HWND window)
{
    HPOWERNOTIFY display = RegisterPowerSettingNotification(window, &ConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
    HPOWERNOTIFY source = RegisterPowerSettingNotification(window, &AcDcPowerSource, DEVICE_NOTIFY_WINDOW_HANDLE);
    registrations()[window] = {display, source};
}

void forgetPowerSettings(HWND window)
{
    auto found = registrations().find(window);
    if (found == registrations().end())
        return;
    if (found->second.first)
        UnregisterPowerSettingNotification(found->second.first);
    if (found->second.second)
        UnregisterPowerSettingNotification(found->second.second);
    registrations().erase(found);
}

bool notePowerSetting(LPARAM value)
{
    const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(value);
    if (!setting || setting->DataLength < sizeof(DWORD))
        return false;
    DWORD data = 0;
    memcpy(&data, setting->Data, sizeof data);
    if (IsEqualGUID(setting->PowerSetting, ConsoleDisplayState)) {
        g_display = static_cast<int>(data);
        return true;
    }
    if (IsEqualGUID(setting->PowerSetting, AcDcPowerSource)) {
        g_source = static_cast<int>(data);
        return true;
    }
    return false;
}

} // namespace Win32

DisplayPower displayPower()
{
    switch (g_display.load()) {
    case 0:
        return DisplayPower::Off;
    case 2:
        return DisplayPower::Dimmed;
    default:
        return DisplayPower::On;
    }
}

bool runsOnBattery()
{
    const int source = g_source.load();
    if (source >= 0)
        return source != 0;
    SYSTEM_POWER_STATUS status{};
    return GetSystemPowerStatus(&status) && status.ACLineStatus == 0;
}

} // namespace System::Platform

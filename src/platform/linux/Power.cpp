// Linux (X11) platform layer: the display's power state from the DPMS extension, asked on the
// private Xlib connection, and the battery from the kernel's power-supply class
// (/sys/class/power_supply, or FERNHOLLOW_POWER_SUPPLY_DIR in tests).
// Limits: a server without DPMS (Xvfb, Xorg's dummy driver, most remote displays) always reads as on.
// Depends on: Xlib, Xext (DPMS), sysfs.
#include "platform/Power.h"

#include "platform/linux/PowerHook.h"
#include "platform/linux/X11Connection.h"

#include <X11/extensions/dpms.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace System::Platform {

namespace {

std::string firstLine(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

} // namespace

DisplayPower displayPower()
{
    DisplayPower hooked;
    if (Linux::hookedDisplayPower(hooked))
        return hooked;
    Display* display = Linux::x11Connection();
    if (!display)
        return DisplayPower::On;
    static int capable = -1;
    if (capable < 0) {
        int eventBase = 0, errorBase = 0;
        capable = DPMSQueryExtension(display, &eventBase, &errorBase) && DPMSCapable(display) ? 1 : 0;
    }
    if (!capable)
        return DisplayPower::On;
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    if (!DPMSInfo(display, &level, &enabled) || !enabled)
        return DisplayPower::On;
    // Standby and suspend are dark too; DPMS has no dimmed level.
    return level == DPMSModeOn ? DisplayPower::On : DisplayPower::Off;
}

// On battery: no mains (or USB) supply is online and a system battery is discharging. Batteries of
// devices (a wireless mouse: scope "Device") say nothing about the machine.
bool runsOnBattery()
{
    namespace fs = std::filesystem;
    const char* override = std::getenv("FERNHOLLOW_POWER_SUPPLY_DIR");
    const fs::path root = override && *override ? fs::path(override) : fs::path("/sys/class/power_supply");
    std::error_code error;
    fs::directory_iterator entries(root, error);
    if (error)
        return false;
    bool discharging = false;
    for (const fs::directory_entry& entry : entries) {
        const fs::path supply = entry.path();
        const std::string type = firstLine(supply / "type");
        if (firstLine(supply / "scope") == "Device")
            continue;
        if (type == "Battery") {
            if (firstLine(supply / "status") == "Discharging")
                discharging = true;
        } else if (type == "Mains" || type.rfind("USB", 0) == 0) {
            if (firstLine(supply / "online") == "1")
                return false;
        }
    }
    return discharging;
}

} // namespace System::Platform

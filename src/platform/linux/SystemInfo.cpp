// Linux platform layer: the kernel's version, the current directory, the desktop's active window
// (_NET_ACTIVE_WINDOW of the root window), opening an address with the desktop's default handler
// (GIO), and the screen-saver-running notice.
// Depends on: POSIX (uname, getcwd), Xlib, GIO.
#include "platform/SystemInfo.h"

#include "platform/linux/X11Connection.h"

#include <X11/Xatom.h>
#include <gio/gio.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace System::Platform {

namespace {
bool g_saverRunning = false;
}

OsVersion osVersion()
{
    OsVersion version;
    utsname names{};
    if (uname(&names) != 0)
        return version;
    version.name = names.sysname;
    std::sscanf(names.release, "%u.%u.%u", &version.major, &version.minor, &version.build);
    version.extra = names.version;
    return version;
}

std::string currentDirectory()
{
    std::vector<char> buffer(256);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

NativeHandle rootWindow()
{
    Display* display = Linux::x11Connection();
    return display ? static_cast<NativeHandle>(DefaultRootWindow(display)) : 0;
}

NativeHandle foregroundWindow()
{
    Display* display = Linux::x11Connection();
    if (!display)
        return 0;
    Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", True);
    if (active == None)
        return 0;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    NativeHandle result = 0;
    if (XGetWindowProperty(display, DefaultRootWindow(display), active, 0, 1, False, XA_WINDOW, &type,
                           &format, &count, &remaining, &data) == Success &&
        type == XA_WINDOW && format == 32 && count == 1 && data)
        result = static_cast<NativeHandle>(*reinterpret_cast<unsigned long*>(data));
    if (data)
        XFree(data);
    return result;
}

void openUrl(const std::string& address)
{
    if (address.empty())
        return;
    g_app_info_launch_default_for_uri(address.c_str(), nullptr, nullptr);
}

bool claimSaverRun()
{
    return true;
}

void setScreenSaverRunning(bool running)
{
    // SDL keeps the desktop's own blanking away while the saver's display is open; the flag is kept
    // for symmetry with the desktop hosts that ask.
    g_saverRunning = running;
}

} // namespace System::Platform

// Win32 platform layer: the version record (GetVersionExA, the narrow 148-byte record), the current
// directory, the desktop's windows, the shell's "open" (ShellExecuteA) and the running-saver notice
// (SystemParametersInfoA with SPI_SCREENSAVERRUNNING), and the named mutex of the one full-screen run.
// Depends on: KERNEL32, USER32, SHELL32.
#include "platform/SystemInfo.h"

#include "platform/win32/Win32.h"

#include <shellapi.h>

namespace System::Platform {

OsVersion osVersion()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    OsVersion version;
    version.name = "Windows";
    // Deprecated, and since Windows 8.1 it reports 6.2 to programs whose manifest does not list the
    // running version among its supportedOS; the saver's manifest lists Windows 7 to 11, so this is
    // the real version.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info))
        return version;
#pragma GCC diagnostic pop
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.build = info.dwBuildNumber;
    version.extra = info.szCSDVersion;
    return version;
}

// A Windows GUI program starts without console handles and the C runtime keeps descriptors 0 to 2
// reserved for them, so a file opened later never takes their numbers: nothing to fill in.
void openClosedStandardStreams() {}

std::string currentDirectory()
{
    char path[MAX_PATH + 1] = {};
    DWORD length = GetCurrentDirectoryA(sizeof path, path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

NativeHandle rootWindow()
{
    return Win32::fromWindow(GetDesktopWindow());
}

NativeHandle foregroundWindow()
{
    return Win32::fromWindow(GetForegroundWindow());
}

void openUrl(const std::string& address)
{
    ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool claimSaverRun()
{
    // Held (never closed) until the process ends, when Windows releases it.
    static HANDLE run = nullptr;
    if (run)
        return true;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Local\\Fernhollow Screensaver run");
    if (!mutex)
        return true;  // no mutex to be had: run, as before there was one
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    run = mutex;
    return true;
}

void setScreenSaverRunning(bool running)
{
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running ? TRUE : FALSE, nullptr, 0);
}

} // namespace System::Platform

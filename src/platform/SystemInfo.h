#pragma once
// The operating system, the process and the desktop around it.
#include "platform/Handle.h"

#include <string>

namespace System::Platform {

struct OsVersion {
    std::string name;  // "Linux"
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;
    std::string extra;  // the kernel's own version text
};

OsVersion osVersion();
// Puts /dev/null on any of standard input, output and error that is closed, so no file or connection
// opened later takes its number (a library's diagnostics would otherwise land in it). Called first.
void openClosedStandardStreams();
std::string currentDirectory();
// The root window of the default screen (0 without a display).
NativeHandle rootWindow();
// The window that has the input focus on the desktop (0 when unknown or no display).
NativeHandle foregroundWindow();
// Asks the desktop to open an address with its default handler; failures are silent.
void openUrl(const std::string& address);
// Tells the desktop a screen saver is running (keeps its own blanking away while it is true).
void setScreenSaverRunning(bool running);
// Makes this process the one that runs the saver full screen in this session, until it exits; false
// when another process already does (on Windows a named mutex; a second "Preview" must not take the
// keyboard from the first). Linux hosts start one saver at a time and every claim succeeds.
bool claimSaverRun();

} // namespace System::Platform

#pragma once
#include "platform/Handle.h"
#include "shell/RunOverrides.h"

#include <stdexcept>
#include <string>
#include <vector>

// What the command line asks for. The Windows-style letters (c, s, p with an optional decimal
// window handle) are read from the arguments joined by spaces; the X11 hosts' -root and
// -window-id <id> are read from the arguments as given, and so are the per-run switches (-fps,
// -no-clock, -volume 50, ...), which may stand anywhere and count for the saver and hosted runs.
struct Invocation {
    enum class Mode { None, Settings, Saver, Preview, Hosted };
    Mode mode = Mode::None;
    System::Platform::NativeHandle handle = 0;
    bool ownerFromForeground = false;  // "c" without a handle
    bool hostIsRoot = false;           // -root without $XSCREENSAVER_WINDOW
    RunOverrides overrides;
};

// A handle token that is not a 32-bit unsigned decimal number, a host window id that is not a
// number, or a switch without its value or with a bad one; the message names the token.
class BadArgument : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

Invocation parseCommandLine(const std::string& commandLine);
Invocation parseArguments(const std::vector<std::string>& arguments);

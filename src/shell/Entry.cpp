#include "shell/Entry.h"

#include "config/SaverConfig.h"
#include "base/Exception.h"
#include "engine/FatalError.h"
#include "platform/MessagePump.h"
#include "platform/SystemInfo.h"
#include "shell/CommandLine.h"
#include "shell/Modes.h"

#include <cstdio>

int runEntry(const std::vector<std::string>& arguments)
{
    using namespace System;
    try {
        SaverConfig::instance();
        Invocation invocation;
        try {
            invocation = parseArguments(arguments);
        } catch (const BadArgument& bad) {
            std::fprintf(stderr, "fernhollow: %s\n", bad.what());
            return 2;
        }
        switch (invocation.mode) {
        case Invocation::Mode::Settings:
            showSettingsDialog(invocation.ownerFromForeground ? Platform::foregroundWindow()
                                                              : invocation.handle);
            break;
        case Invocation::Mode::Saver:
            // A second /s while one runs (a host's "Preview" pressed twice) leaves the screen and
            // the keys to the first.
            if (!Platform::claimSaverRun())
                break;
            Platform::installTerminationHandlers();
            Platform::setScreenSaverRunning(true);
            runSaver(0, invocation.overrides);
            Platform::setScreenSaverRunning(false);
            break;
        case Invocation::Mode::Hosted: {
            Platform::installTerminationHandlers();
            Platform::NativeHandle host =
                invocation.hostIsRoot ? Platform::rootWindow() : invocation.handle;
            if (!host)
                throw Exception("No display: there is no root window to draw into");
            runSaver(host, invocation.overrides);
            break;
        }
        case Invocation::Mode::Preview:
            Platform::installTerminationHandlers();
            runPreview(invocation.handle);
            break;
        case Invocation::Mode::None:
            break;
        }
    } catch (const Exception& e) {
        fatalError(e.message());
    } catch (const std::exception& e) {
        // Not one of the program's own errors (an allocation failure, a library's error): still a
        // clear box and status 1 rather than an abort; exit-time clean-up restores the display.
        fatalError(e.what());
    }
    return 0;
}

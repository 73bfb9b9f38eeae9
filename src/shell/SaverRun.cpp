#include "config/SaverConfig.h"
#include "engine/CommandRegistry.h"
#include "engine/Engine.h"
#include "base/Exception.h"
#include "engine/GLWindow.h"
#include "engine/Log.h"
#include "engine/Trace.h"
#include "platform/Cursor.h"
#include "platform/Memory.h"
#include "platform/SystemInfo.h"
#include "scene/Forest.h"
#include "scene/SSLevelFactory.h"
#include "shell/DisplayModeText.h"
#include "shell/FatalError.h"
#include "shell/MessageLoop.h"
#include "shell/Modes.h"

using namespace System;

namespace {

DisplayMode chooseDisplayMode(SaverConfig& config)
{
    DisplayMode mode = config.options.UseDesktop ? currentDesktopMode() : config.displayMode();
    mode.fullScreen = true;
    return mode;
}

} // namespace

void runSaver(Platform::NativeHandle host)
{
    trace("saver run starts");
    Log::instance().writeSystemInfo(Platform::osVersion());
    SaverConfig& config = SaverConfig::instance();
    // Inside a host's window the host's size rules; the stored mode is left as it is.
    if (!host)
        config.setDisplayMode(chooseDisplayMode(config));

    auto* factory = new SSLevelFactory();
    Engine* engine = nullptr;
    try {
        engine = new Engine(*factory);
        engine->settings = &config;
        engine->start(host);
    } catch (const Exception& e) {
        if (engine)
            engine->stop();
        fatalError(e.message());
    }

    engine->window()->setGamma(config.options.Gamma);
    Types::Rect area = engine->windowRect();
    auto* form = new Windows::Forest(area.x, area.y, area.width, area.height);
    form->setShowFps(config.options.ShowFps);
    form->setShowTime(config.options.ShowTime);
    form->setTwelveHourClock(config.options.TimeStyle);
    form->setExitOnMouseMove(config.options.ExitOnMM);
    form->quitRequested.connect([] { CommandRegistry::instance().execute("quit"); });
    engine->addForm(form);
    trace("scene built");
    // Start-up's large blocks (decoded pictures) are done with; the hours that follow must stay flat.
    Platform::limitHeapGrowth();
    Platform::showCursor(false);

    MessageLoop loop;
    loop.frame = [engine] { engine->frame(); };
    loop.run();

    engine->stop();
    delete factory;
    delete form;
    delete engine;
    Platform::showCursor(true);
    Platform::showCursor(true);
}

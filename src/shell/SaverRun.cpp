#include "config/SaverConfig.h"
#include "engine/CommandRegistry.h"
#include "engine/Engine.h"
#include "base/Exception.h"
#include "engine/FatalError.h"
#include "engine/GLWindow.h"
#include "engine/Log.h"
#include "engine/Trace.h"
#include "engine/services/SoundManager.h"
#include "platform/ChildWindow.h"
#include "platform/Cursor.h"
#include "platform/Memory.h"
#include "platform/SystemInfo.h"
#include "scene/Forest.h"
#include "scene/SSLevelFactory.h"
#include "shell/DisplayModeText.h"
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

void runSaver(Platform::NativeHandle host, const RunOverrides& overrides)
{
    trace("saver run starts");
    Log::instance().writeSystemInfo(Platform::osVersion());
    SaverConfig& config = SaverConfig::instance();
    // A host's window shows the scene laid out in this mode too, scaled into the window.
    config.setDisplayMode(chooseDisplayMode(config));

    // A window that is there now and gone after a failed start was taken away by its host meanwhile.
    int width = 0, height = 0;
    bool hostWasThere = host && Platform::windowSize(host, width, height);

    auto* factory = new SSLevelFactory();
    Engine* engine = nullptr;
    try {
        engine = new Engine(*factory);
        engine->settings = &config;
        engine->start(host);
    } catch (const Exception& e) {
        if (engine)
            engine->stop();
        // A host that took its window away while we started in it has ended the run, as it would
        // have later: nothing to report.
        if (hostWasThere && !Platform::windowSize(host, width, height))
            return;
        fatalError(e.message());
    }

    // The run's own switches replace the stored choices; the settings object keeps the stored ones,
    // so the end-of-life save writes nothing of them.
    if (overrides.volume)
        SoundManager::instance().setVolume(*overrides.volume);
    if (overrides.soundEnabled)
        SoundManager::instance().setEnabled(*overrides.soundEnabled);

    engine->window()->setGamma(config.options.Gamma);
    Types::Rect area = engine->windowRect();
    auto* form = new Windows::Forest(area.x, area.y, area.width, area.height);
    form->setShowFps(overrides.showFps.value_or(config.options.ShowFps));
    form->setShowTime(overrides.showTime.value_or(config.options.ShowTime));
    form->setTwelveHourClock(overrides.twelveHourClock.value_or(config.options.TimeStyle));
    form->setExitOnMouseMove(config.options.ExitOnMM);
    form->setPictureScale(SSLevelFactory::pictureScale(area, engine->framesOnScreen()));
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

#include "config/Config.h"
#include "config/RegistryReader.h"
#include "config/RegistryWriter.h"
#include "engine/CommandRegistry.h"
#include "engine/Engine.h"
#include "base/Exception.h"
#include "engine/GLDriver.h"
#include "engine/LevelFactory.h"
#include "engine/ui/Form.h"
#include "engine/ui/RenderManager.h"
#include "engine/ui/WindowManager.h"
#include "engine/services/SoundManager.h"
#include "platform/Audio.h"
#include "platform/Clock.h"
#include "platform/Power.h"

#include "LogCapture.h"
#include "ScratchConfigHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace System;

namespace {

class CountingForm : public UI::Form {
public:
    using Form::Form;
    void update(double seconds) override { ++updates; Form::update(seconds); }
    void render(GLDriver& driver) override { ++renders; Form::render(driver); }
    void prepare(GLDriver& driver) override { ++prepares; Form::prepare(driver); }
    int updates = 0, renders = 0, prepares = 0;
};

// A started engine on a window of side x side pixels. Kept to process exit: the input service and the
// console commands keep pointing at the engine.
Engine* startEngine(Config<RegistryReader, RegistryWriter>& settings, int side)
{
    settings.setDisplayMode(DisplayMode{side, side, 32, false});
    struct PlainFactory : LevelFactory {};
    auto* engine = new Engine(*new PlainFactory);
    engine->settings = &settings;
    engine->start(0);
    return engine;
}

} // namespace

TEST(StartedEngine, TakesAFormWiresTheWireframeCommandAndRunsFrames)
{
    LogCapture log;
    ScratchConfigHome home;
    Config<RegistryReader, RegistryWriter> settings("Software\\Fernhollow tests");
    Engine* engine = startEngine(settings, 256);
    GLDriver* driver = engine->getDriver();
    ASSERT_TRUE(driver && driver->getContext());
    std::vector<int> order;
    for (const char* line : {"Starting engine\n", "Initializing engine\n", "Engine initialized\n",
                             "[GL] Frame ceiling 30 frames/s (software renderer)\n", "[GL] OpenGL driver started\n",
                             "Engine started\n"})
        order.push_back(log.indexOf(line));
    EXPECT_GE(order.front(), 0);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));

    CountingForm form("forest");
    engine->addForm(&form);
    int window = log.indexOf("[WindowManager] Added window forest\n");
    EXPECT_GE(window, 0);
    EXPECT_EQ(log.indexOf("[RenderManager] Added 2D child forest\n"), window + 1);
    EXPECT_EQ(WindowManager::instance().getCurrentWindow(), &form);
    EXPECT_EQ(engine->getRenderManager()->getChildren2D().back(), &form);
    EXPECT_EQ(form.prepares, 1);

    CommandRegistry& commands = CommandRegistry::instance();
    commands.execute("wf_mode yes");
    EXPECT_TRUE(driver->getWireframe());
    try {
        commands.execute("wf_mode YES");
        ADD_FAILURE() << "YES is not a wireframe word";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Invalid parameter - YES");
    }
    EXPECT_TRUE(driver->getWireframe());
    commands.execute("  wf_mode   0 ");
    EXPECT_FALSE(driver->getWireframe());

    engine->frame();
    engine->frame();
    EXPECT_EQ(form.updates, 2);
    EXPECT_EQ(form.renders, 2);
    EXPECT_EQ(driver->getMode2D(), 2);

    engine->stop();
    EXPECT_EQ(driver->getContext(), nullptr);
    static UI::Form idle("idle");
    WindowManager::instance().addWindow(&idle);
}

namespace {

class FailingForm : public UI::Form {
public:
    using Form::Form;
    void update(double) override { throw Exception("A leaf fell into the frame"); }
};

// A started engine whose form fails in its first frame; never returns.
void runAFailingFrame()
{
    setenv("FERNHOLLOW_LOG", "stderr", 1);
    ScratchConfigHome home;
    Config<RegistryReader, RegistryWriter> settings("Software\\Fernhollow tests");
    Engine* engine = startEngine(settings, 128);
    auto* form = new FailingForm("forest");
    engine->addForm(form);
    engine->frame();
}

} // namespace

TEST(StartedEngineDeathTest, AFailureDuringAFrameStopsTheEngineAndEndsInTheFatalErrorBox)
{
    // A fresh process of its own: the display and the GL context are not shared with a fork.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(runAFailingFrame(), ::testing::ExitedWithCode(1),
                "Engine stopped\n(.*\n)?ERROR: A leaf fell into the frame\nThe program will now exit\n");
}

namespace {

std::int64_t g_counter = 1000000;  // a counter at 1000 ticks a second, moved by hand

class SteppedForm : public UI::Form {
public:
    using Form::Form;
    void update(double seconds) override
    {
        steps.push_back(seconds);
        Form::update(seconds);
    }
    std::vector<double> steps;
};

void check(bool good, const char* what)
{
    if (!good) {
        std::fprintf(stderr, "CHECK FAILED: %s\n", what);
        std::fflush(stderr);
        std::_Exit(3);
    }
}

// A started engine whose display goes dark for an hour and whose window is then covered; exits 0
// when every check held.
void runThroughADarkHour()
{
    setenv("FERNHOLLOW_LOG", "stderr", 1);
    Platform::CounterOverride counter;
    counter.frequency = [](std::int64_t& f) {
        f = 1000;
        return true;
    };
    counter.counter = [] { return g_counter; };
    Platform::setCounterOverride(counter);
    ScratchConfigHome home;
    Config<RegistryReader, RegistryWriter> settings("Software\\Fernhollow tests");
    Engine* engine = startEngine(settings, 128);
    double now = 50.0;
    Platform::DisplayPower display = Platform::DisplayPower::On;
    bool shown = true;
    engine->setPowerSources(PowerWatch::Sources{[&] { return now; }, [&] { return display; },
                                                [&] { return shown; }, [] { return false; }});
    auto* form = new SteppedForm("forest");
    engine->addForm(form);
    auto turn = [&](double seconds) {
        now += seconds;
        g_counter += static_cast<std::int64_t>(seconds * 1000);
        engine->frame();
    };
    for (int i = 0; i < 3; ++i)
        turn(0.033);
    check(form->steps.size() == 3 && engine->getFramesDrawn() == 3, "three frames drawn");

    display = Platform::DisplayPower::Off;
    turn(1.0);
    check(engine->isDrawingHeld(), "drawing held once the display is off");
    check(SoundManager::instance().isPaused() || !Platform::AudioDevice::openDefault()->isOpen(),
          "sounds paused while the display is off");
    for (int i = 0; i < 20; ++i)
        turn(180.0);  // an hour in all
    check(form->steps.size() == 3 && engine->getFramesDrawn() == 3, "no frame drawn into the dark display");

    display = Platform::DisplayPower::Dimmed;
    turn(1.0);
    check(!engine->isDrawingHeld() && !SoundManager::instance().isPaused(), "a dimmed display is drawn");
    check(form->steps.size() == 4, "the first frame after the dark hour is drawn");
    check(std::fabs(form->steps.back() - 1.0 / 30) < 0.002, "the hour is stepped as one frame at 30 frames/s");
    turn(0.5);
    check(std::fabs(form->steps.back() - 0.5) < 0.002, "a step under a second is taken as measured");

    shown = false;
    turn(0.033);
    check(engine->isDrawingHeld() && form->steps.size() == 5, "a covered window is not drawn at once");
    shown = true;
    turn(0.033);
    check(!engine->isDrawingHeld() && form->steps.size() == 6, "drawn again once it shows");
    std::fprintf(stderr, "ALL CHECKS HELD\n");
    std::fflush(stderr);
    std::_Exit(0);
}

} // namespace

TEST(StartedEngineDeathTest, NothingIsDrawnIntoADarkDisplayAndTheDarkHourIsOneStep)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(runThroughADarkHour(), ::testing::ExitedWithCode(0),
                "Drawing paused: the display is off\n(.*\n)*.*Drawing resumes after [0-9.]+ s\n(.*\n)*"
                ".*Paused for 3602\\.0 s: the step is taken as one frame\n(.*\n)*"
                ".*Drawing paused: the window is hidden or covered\n(.*\n)*ALL CHECKS HELD\n");
}

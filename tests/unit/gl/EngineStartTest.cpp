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

#include "LogCapture.h"
#include "ScratchConfigHome.h"

#include <gtest/gtest.h>

#include <algorithm>

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

} // namespace

TEST(StartedEngine, TakesAFormWiresTheWireframeCommandAndRunsFrames)
{
    LogCapture log;
    ScratchConfigHome home;
    Config<RegistryReader, RegistryWriter> settings("Software\\Fernhollow tests");
    settings.setDisplayMode(DisplayMode{256, 256, 32, false});
    // Kept to process exit: the input service and the console commands keep pointing at the engine.
    struct PlainFactory : LevelFactory {};
    auto* engine = new Engine(*new PlainFactory);
    engine->settings = &settings;
    engine->start(0);
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
    settings.setDisplayMode(DisplayMode{128, 128, 32, false});
    struct PlainFactory : LevelFactory {};
    auto* engine = new Engine(*new PlainFactory);
    engine->settings = &settings;
    engine->start(0);
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

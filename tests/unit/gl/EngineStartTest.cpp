#include "config/Config.h"
#include "engine/CommandRegistry.h"
#include "engine/Engine.h"
#include "engine/Exception.h"
#include "engine/GLDriver.h"
#include "engine/LevelFactory.h"
#include "engine/ui/Form.h"
#include "engine/ui/RenderManager.h"
#include "engine/ui/WindowManager.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

using namespace System;

namespace {

class PlainFactory : public LevelFactory {};

class CountingForm : public UI::Form {
public:
    using Form::Form;
    void update(double seconds) override
    {
        ++updates;
        Form::update(seconds);
    }
    void render(GLDriver& driver) override
    {
        ++renders;
        Form::render(driver);
    }
    void prepare(GLDriver& driver) override
    {
        ++prepares;
        Form::prepare(driver);
    }
    int updates = 0, renders = 0, prepares = 0;
};

std::string failureOf(const std::string& line)
{
    try {
        CommandRegistry::instance().execute(line);
    } catch (const Exception& e) {
        return e.message();
    }
    return "(no exception)";
}

} // namespace

TEST(StartedEngine, TakesAFormWiresTheWireframeCommandAndRunsFrames)
{
    LogCapture log;
    EngineSettings settings("Software\\Fernhollow tests");
    settings.setDisplayMode(DisplayMode{256, 256, 32, false});
    // Kept to process exit: the input service and the console commands keep pointing at the engine.
    auto* factory = new PlainFactory;
    auto* engine = new Engine(*factory);
    engine->settings = &settings;
    engine->start(0);
    GLDriver* driver = engine->getDriver();
    ASSERT_NE(driver, nullptr);
    ASSERT_NE(driver->getContext(), nullptr);

    int started = log.indexOf("Engine started\n");
    EXPECT_LT(log.indexOf("Starting engine\n"), log.indexOf("Initializing engine\n"));
    EXPECT_LT(log.indexOf("Initializing engine\n"), log.indexOf("Engine initialized\n"));
    EXPECT_LT(log.indexOf("Engine initialized\n"), log.indexOf("[GL] OpenGL driver started\n"));
    EXPECT_LT(log.indexOf("[GL] OpenGL driver started\n"), started);
    EXPECT_GE(log.indexOf("Starting engine\n"), 0);

    CountingForm form("forest");
    engine->addForm(&form);
    int window = log.indexOf("[WindowManager] Added window forest\n");
    int child = log.indexOf("[RenderManager] Added 2D child forest\n");
    EXPECT_GE(window, 0);
    EXPECT_EQ(child, window + 1);
    EXPECT_EQ(WindowManager::instance().getCurrentWindow(), &form);
    EXPECT_EQ(engine->getRenderManager()->getChildren2D().back(), &form);
    EXPECT_EQ(form.prepares, 1);

    EXPECT_FALSE(driver->getWireframe());
    CommandRegistry::instance().execute("wf_mode yes");
    EXPECT_TRUE(driver->getWireframe());
    EXPECT_EQ(failureOf("wf_mode YES"), "Invalid parameter - YES");
    EXPECT_TRUE(driver->getWireframe());
    CommandRegistry::instance().execute("  wf_mode   0 ");
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

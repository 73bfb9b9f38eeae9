#include "engine/Exception.h"
#include "engine/GLDriver.h"
#include "engine/ui/RenderManager.h"
#include "engine/ui/WindowManager.h"

#include "LogCapture.h"
#include "Recorder.h"

#include <gtest/gtest.h>

using namespace System;

namespace {

GLDriver& idleDriver()
{
    static GLDriver driver(64, 64, 32);
    return driver;
}

// The window manager is process-wide: every test leaves it on a form that outlives the tests.
class Managers : public ::testing::Test {
protected:
    void TearDown() override
    {
        static Journal ignored;
        static RecordingForm idle("idle", ignored);
        WindowManager::instance().addWindow(&idle);
    }
};

} // namespace

TEST_F(Managers, RenderManagerUpdatesAndPreparesInRegistrationOrder)
{
    Journal journal;
    LogCapture log;
    RenderManager manager;
    EXPECT_EQ(manager.getName(), "Render manager");
    Recorder b("b", journal), a("a", journal);
    manager.add2DChild(&b);
    manager.add2DChild(&a);

    manager.update(0.25);
    manager.prepare(idleDriver());
    EXPECT_EQ(journal, (Journal{"update b", "update a", "prepare b", "prepare a"}));
    EXPECT_EQ(log.texts(), (std::vector<std::string>{
                               "[RenderManager] Added 2D child b\n", "[RenderManager] Added 2D child a\n",
                               "[RenderManager] Inited 2D child b\n", "[RenderManager] Inited 2D child a\n"}));
}

TEST_F(Managers, RenderManagerKeepsBothChildrenOfOneNameInItsList)
{
    Journal journal;
    RenderManager manager;
    Recorder first("same", journal), second("same", journal);
    manager.add2DChild(&first);
    manager.add2DChild(&second);

    manager.update(0.25);
    manager.prepare(idleDriver());
    EXPECT_EQ(journal, (Journal{"update same", "update same", "prepare same", "prepare same"}));
    ASSERT_EQ(manager.getChildren().size(), 1u);
    EXPECT_EQ(manager.find("same"), &second);
}

TEST_F(Managers, APrepareFailureStopsAtThatChild)
{
    Journal journal;
    LogCapture log;
    RenderManager manager;
    Recorder a("a", journal), broken("broken", journal), c("c", journal);
    broken.failPrepare = true;
    manager.add2DChild(&a);
    manager.add2DChild(&broken);
    manager.add2DChild(&c);

    try {
        manager.prepare(idleDriver());
        FAIL() << "the child's exception must reach the caller";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "cannot prepare broken");
    }
    EXPECT_EQ(journal, (Journal{"prepare a", "prepare broken"}));
    EXPECT_TRUE(log.contains("[RenderManager] Inited 2D child a\n"));
    EXPECT_FALSE(log.contains("[RenderManager] Inited 2D child broken\n"));
    EXPECT_FALSE(log.contains("[RenderManager] Inited 2D child c\n"));
}

TEST_F(Managers, TheLaterWindowGetsInputAndDrawingWhileTheEarlierIsStillUpdated)
{
    Journal journal;
    LogCapture log;
    RenderManager renderManager;
    WindowManager& windows = WindowManager::instance();
    RecordingForm formA("A", journal), formB("B", journal);
    Recorder listed("listed", journal);

    std::vector<std::string> events;
    for (RecordingForm* form : {&formA, &formB}) {
        std::string who = form->getName();
        form->onKeyDown.connect([&events, who](unsigned long code) { events.push_back(who + " down " + std::to_string(code)); });
        form->onKeyUp.connect([&events, who](unsigned long code) { events.push_back(who + " up " + std::to_string(code)); });
        form->onMouseMove.connect([&events, who](Point p) {
            events.push_back(who + " move " + std::to_string(p.x) + "," + std::to_string(p.y));
        });
        form->onMouseWheel.connect([&events, who](int m) { events.push_back(who + " wheel " + std::to_string(m)); });
        form->onKeyPressed.connect([&events, who](unsigned long code, char c) {
            events.push_back(who + " pressed " + std::to_string(code) + c);
        });
        form->onKeyReleased.connect([&events, who](unsigned long code, char c) {
            events.push_back(who + " released " + std::to_string(code) + c);
        });
    }
    int managerWheel = 0;
    auto wheel = windows.onMouseWheel.connect([&](int) { ++managerWheel; });

    windows.addWindow(&formA);
    renderManager.add2DChild(&formA);
    renderManager.add2DChild(&listed);
    windows.addWindow(&formB);
    EXPECT_EQ(windows.getCurrentWindow(), &formB);
    EXPECT_TRUE(log.contains("[WindowManager] Added window A\n"));
    EXPECT_TRUE(log.contains("[WindowManager] Added window B\n"));

    windows.keyDown(1);
    windows.keyUp(2);
    windows.mouseMove(Point{3, -4});
    windows.keyPressed(30, 'a');
    windows.keyReleased(30, 'a');
    windows.mouseWheel(120);
    EXPECT_EQ(events, (std::vector<std::string>{"B down 1", "B up 2", "B move 3,-4", "B pressed 30a",
                                                "B released 30a"}));
    EXPECT_EQ(managerWheel, 1);
    EXPECT_FALSE(windows.acceptsInput());

    // A frame: the list is updated, only the current window is drawn.
    renderManager.update(0.5);
    renderManager.render(idleDriver());
    EXPECT_EQ(journal, (Journal{"update A", "update listed", "render B"}));
    wheel.disconnect();
}

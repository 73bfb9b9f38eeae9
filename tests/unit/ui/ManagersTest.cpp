#include "engine/GLDriver.h"
#include "engine/ui/RenderManager.h"
#include "engine/ui/WindowManager.h"

#include "LogCapture.h"
#include "Recorder.h"

#include <gtest/gtest.h>

using namespace System;

namespace {

GLDriver idleDriver(64, 64, 32);

// The window manager is process-wide: each test leaves it on a form that outlives every test.
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

TEST_F(Managers, TheRenderManagerWorksThroughItsListInRegistrationOrder)
{
    Journal journal;
    LogCapture log;
    RenderManager manager;
    Recorder b("b", journal), a("a", journal), first("same", journal), second("same", journal);
    for (Recorder* child : {&b, &a, &first, &second})
        manager.add2DChild(child);
    manager.update(0.25);
    manager.prepare(idleDriver);
    EXPECT_EQ(journal, (Journal{"update b", "update a", "update same", "update same", "prepare b", "prepare a",
                                "prepare same", "prepare same"}));
    EXPECT_EQ(manager.getChildren().size(), 3u);
    EXPECT_EQ(manager.find("same"), &second);
    EXPECT_EQ(log.texts(), (std::vector<std::string>{
                               "[RenderManager] Added 2D child b\n", "[RenderManager] Added 2D child a\n",
                               "[RenderManager] Added 2D child same\n", "[RenderManager] Added 2D child same\n",
                               "[RenderManager] Inited 2D child b\n", "[RenderManager] Inited 2D child a\n",
                               "[RenderManager] Inited 2D child same\n", "[RenderManager] Inited 2D child same\n"}));
}

TEST_F(Managers, APrepareFailureStopsAtThatChild)
{
    Journal journal;
    LogCapture log;
    RenderManager manager;
    Recorder a("a", journal), broken("broken", journal), c("c", journal);
    broken.failPrepare = true;
    for (Recorder* child : {&a, &broken, &c})
        manager.add2DChild(child);
    try {
        manager.prepare(idleDriver);
        ADD_FAILURE() << "the child's exception must reach the caller";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "cannot prepare broken");
    }
    EXPECT_EQ(journal, (Journal{"prepare a", "prepare broken"}));
    EXPECT_TRUE(log.contains("[RenderManager] Inited 2D child a\n"));
    EXPECT_FALSE(log.contains("[RenderManager] Inited 2D child broken\n"));
}

TEST_F(Managers, TheLatestWindowGetsInputAndDrawingWhileAnEarlierOneIsStillUpdated)
{
    Journal journal, events;
    LogCapture log;
    RenderManager renderManager;
    WindowManager& windows = WindowManager::instance();
    RecordingForm formA("A", journal), formB("B", journal);
    Recorder listed("listed", journal);
    tap(formA, events, "A");
    tap(formB, events, "B");
    tap(windows, events, "manager");

    windows.addWindow(&formA);
    renderManager.add2DChild(&formA);
    renderManager.add2DChild(&listed);
    windows.addWindow(&formB);
    EXPECT_TRUE(log.contains("[WindowManager] Added window A\n"));
    EXPECT_TRUE(log.contains("[WindowManager] Added window B\n"));

    windows.keyDown(1);
    windows.keyUp(2);
    windows.mouseMove(Point{3, -4});
    windows.keyPressed(30, 'a');
    windows.keyReleased(30, 'a');
    windows.mouseWheel(120);
    EXPECT_EQ(events, (Journal{"B down 1", "B up 2", "B move 3,-4", "B pressed 30a", "B released 30a",
                               "manager wheel 120"}));
    EXPECT_FALSE(windows.acceptsInput());

    renderManager.update(0.5);
    renderManager.render(idleDriver);
    EXPECT_EQ(journal, (Journal{"update A", "update listed", "render B"}));
}

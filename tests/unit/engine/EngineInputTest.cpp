#include "engine/Engine.h"
#include "engine/LevelFactory.h"
#include "engine/ui/WindowManager.h"

#include "../ui/Recorder.h"

#include <gtest/gtest.h>

using namespace System;

TEST(EngineInput, PassesEventsToTheCurrentFormExceptThePressOfKey41AndTheWheel)
{
    struct PlainFactory : LevelFactory {} factory;
    Engine engine(factory);
    EXPECT_TRUE(engine.acceptsInput());
    Journal events;
    UI::Form form("forest");
    tap(form, events, "form");
    tap(engine, events, "engine");
    WindowManager::instance().addWindow(&form);

    engine.keyPressed(41, '`');
    engine.keyReleased(41, '`');
    engine.keyPressed(57, ' ');
    engine.keyDown(16);
    engine.keyUp(17);
    engine.mouseMove(Point{-2, 9});
    engine.mouseWheel(-120);
    EXPECT_EQ(events, (Journal{"form released 41`", "form pressed 57 ", "form down 16", "form up 17",
                               "form move -2,9", "engine wheel -120"}));

    // The window manager is process-wide: leave it on a form that outlives the test.
    static UI::Form idle("idle");
    WindowManager::instance().addWindow(&idle);
}

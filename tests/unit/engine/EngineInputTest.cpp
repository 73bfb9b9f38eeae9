#include "engine/Engine.h"
#include "engine/LevelFactory.h"
#include "engine/ui/Form.h"
#include "engine/ui/WindowManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace System;

namespace {

class PlainFactory : public LevelFactory {};

} // namespace

TEST(EngineInput, PassesEventsToTheCurrentFormExceptThePressOfKey41AndTheWheel)
{
    PlainFactory factory;
    Engine engine(factory);
    EXPECT_TRUE(engine.acceptsInput());

    UI::Form form("forest");
    std::vector<std::string> events;
    form.onKeyDown.connect([&](unsigned long code) { events.push_back("down " + std::to_string(code)); });
    form.onKeyUp.connect([&](unsigned long code) { events.push_back("up " + std::to_string(code)); });
    form.onMouseMove.connect([&](Point p) { events.push_back("move " + std::to_string(p.x) + "," + std::to_string(p.y)); });
    form.onMouseWheel.connect([&](int m) { events.push_back("wheel " + std::to_string(m)); });
    form.onKeyPressed.connect([&](unsigned long code, char c) { events.push_back("pressed " + std::to_string(code) + c); });
    form.onKeyReleased.connect([&](unsigned long code, char c) { events.push_back("released " + std::to_string(code) + c); });
    int engineWheel = 0;
    engine.onMouseWheel.connect([&](int) { ++engineWheel; });

    WindowManager::instance().addWindow(&form);
    engine.keyPressed(41, '`');
    engine.keyReleased(41, '`');
    engine.keyPressed(57, ' ');
    engine.keyDown(16);
    engine.keyUp(17);
    engine.mouseMove(Point{-2, 9});
    engine.mouseWheel(-120);
    EXPECT_EQ(events, (std::vector<std::string>{"released 41`", "pressed 57 ", "down 16", "up 17", "move -2,9"}));
    EXPECT_EQ(engineWheel, 1);

    // Leave the process-wide window manager on a form that outlives this test.
    static UI::Form idle("idle");
    WindowManager::instance().addWindow(&idle);
}

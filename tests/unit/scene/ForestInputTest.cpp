// When the forest ends the run: key releases, the space bar's signal, mouse movement once armed. The
// console command "quit" is replaced by one that counts.
#include "engine/CommandRegistry.h"
#include "engine/Engine.h"
#include "engine/LevelFactory.h"
#include "engine/services/InputManager.h"
#include "engine/ui/WindowManager.h"
#include "platform/InputDevices.h"
#include "scene/Forest.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>

using namespace System;
using Platform::DeviceEvent;
using Platform::DeviceKind;
using Platform::DeviceResult;

namespace {

class ForestInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        CommandRegistry::instance().add(new Command("quit", "counts", boost::function<void()>([this] { ++quits; })));
        forest.quitRequested.connect([this] { ++requests; });
    }
    // The registry is process-wide: leave a "quit" that points at nothing of this test.
    void TearDown() override
    {
        CommandRegistry::instance().add(new Command("quit", "does nothing", boost::function<void()>([] {})));
    }

    // Frame time in pieces, as the engine hands it over.
    void run(double seconds, int frames = 1)
    {
        for (int i = 0; i < frames; ++i)
            forest.update(seconds);
    }

    Windows::Forest forest{0, 0, 1024, 768};
    int quits = 0;
    int requests = 0;
};

} // namespace

TEST_F(ForestInput, MouseMovementQuitsOnlyAfterMoreThanThreeSecondsOfFrameTime)
{
    forest.mouseMove(Point{5, 0});
    run(0.5, 6);  // exactly 3 s: not yet armed
    EXPECT_FALSE(forest.isArmed());
    forest.mouseMove(Point{0, -3});
    EXPECT_EQ(quits, 0);
    run(0.001);
    EXPECT_TRUE(forest.isArmed());
    // The motion is not looked at: an axis that did not move still counts.
    forest.mouseMove(Point{0, 0});
    EXPECT_EQ(quits, 1);
    forest.mouseMove(Point{-1, 0});
    EXPECT_EQ(quits, 2);
    EXPECT_EQ(requests, 0);
}

TEST_F(ForestInput, WithExitOnMouseMoveOffMovementNeverQuits)
{
    forest.setExitOnMouseMove(false);
    run(1.0, 10);
    EXPECT_TRUE(forest.isArmed());
    forest.mouseMove(Point{40, 40});
    EXPECT_EQ(quits, 0);
    forest.keyReleased(30, 'a');
    EXPECT_EQ(quits, 1);
}

TEST_F(ForestInput, AnyKeyReleaseQuitsAtOnceAndTheSpaceBarOnlyAsksToQuit)
{
    EXPECT_FALSE(forest.isArmed());
    forest.keyReleased(57, ' ');
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(quits, 0);
    for (unsigned long code : {1ul, 41ul, 28ul, 200ul}) {
        forest.keyReleased(code, 0);
    }
    EXPECT_EQ(quits, 4);
    EXPECT_EQ(requests, 1);
    // Presses and the other key events are the listener's own and quit nothing.
    forest.keyPressed(30, 'a');
    forest.keyDown(30);
    forest.keyUp(30);
    forest.mouseWheel(120);
    EXPECT_EQ(quits, 4);
}

namespace {

// A buffered device that always has the focus; the test queues its events.
class QueueDevice : public Platform::InputDevice {
public:
    explicit QueueDevice(std::deque<DeviceEvent>& queue) : queue(queue) {}
    DeviceResult setDataFormat() override { return DeviceResult::Ok; }
    DeviceResult setWindow(Platform::NativeHandle) override { return DeviceResult::Ok; }
    DeviceResult setBufferSize(std::size_t) override { return DeviceResult::Ok; }
    DeviceResult acquire() override { return DeviceResult::Ok; }
    DeviceResult unacquire() override { return DeviceResult::Ok; }
    DeviceResult read(DeviceEvent* events, std::size_t& count) override
    {
        std::size_t taken = 0;
        while (taken < count && !queue.empty()) {
            events[taken++] = queue.front();
            queue.pop_front();
        }
        count = taken;
        return DeviceResult::Ok;
    }

private:
    std::deque<DeviceEvent>& queue;
};

class QueueInputManager : public InputManager {
public:
    QueueInputManager(std::deque<DeviceEvent>& keys, std::deque<DeviceEvent>& mouse)
        : InputManager([&keys, &mouse](DeviceKind kind) -> std::unique_ptr<Platform::InputDevice> {
              return std::make_unique<QueueDevice>(kind == DeviceKind::Keyboard ? keys : mouse);
          })
    {
    }
};

DeviceEvent event(std::uint32_t offset, std::uint32_t data)
{
    DeviceEvent e;
    e.offset = offset;
    e.data = data;
    return e;
}

} // namespace

TEST_F(ForestInput, ThroughTheEngineAHeldKeyWaitsForItsReleaseAndClicksNeverArrive)
{
    std::deque<DeviceEvent> keys, mouse;
    QueueInputManager input(keys, mouse);
    struct PlainFactory : LevelFactory {} factory;
    Engine engine(factory);
    input.addListener(&engine);
    input.init(0x2a00007);
    WindowManager::instance().addWindow(&forest);

    run(1.0, 4);
    ASSERT_TRUE(forest.isArmed());
    // Buttons pressed and released: DirectInput reports them, the form never sees them.
    mouse.push_back(event(Platform::MouseOffset::Button0, 0x80));
    mouse.push_back(event(Platform::MouseOffset::Button0, 0));
    mouse.push_back(event(Platform::MouseOffset::Button0 + 1, 0x80));
    input.poll();
    EXPECT_EQ(quits, 0);

    keys.push_back(event(30, 0x80));  // held
    for (int frame = 0; frame < 3; ++frame)
        input.poll();
    EXPECT_EQ(quits, 0);
    keys.push_back(event(30, 0));
    input.poll();
    EXPECT_EQ(quits, 1);

    // The grave key's press is dropped by the engine; its release quits as any other.
    keys.push_back(event(41, 0x80));
    input.poll();
    EXPECT_EQ(quits, 1);
    keys.push_back(event(41, 0));
    input.poll();
    EXPECT_EQ(quits, 2);

    // One moved axis is enough.
    mouse.push_back(event(Platform::MouseOffset::Y, 3));
    input.poll();
    EXPECT_EQ(quits, 3);

    keys.push_back(event(57, 0x80));
    keys.push_back(event(57, 0));
    input.poll();
    EXPECT_EQ(quits, 3);
    EXPECT_EQ(requests, 1);

    // The window manager is process-wide: leave it on a form that outlives the test.
    static UI::Form idle("idle");
    WindowManager::instance().addWindow(&idle);
}

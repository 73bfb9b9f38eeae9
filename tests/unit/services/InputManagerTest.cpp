// The input manager over devices that behave as DirectInput's buffered devices do.
#include "engine/Engine.h"
#include "base/Exception.h"
#include "engine/LevelFactory.h"
#include "engine/services/InputManager.h"
#include "engine/ui/Form.h"
#include "engine/ui/WindowManager.h"
#include "platform/InputDevices.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <deque>
#include <sstream>

using namespace System;
using Platform::DeviceEvent;
using Platform::DeviceKind;
using Platform::DeviceResult;
using Platform::InputDevice;
using Platform::NativeHandle;

namespace {

// What a test sees of, and does to, one fake device.
struct DeviceState {
    std::string name;
    std::vector<std::string>* journal = nullptr;
    // Set-up answers.
    bool creatable = true;
    DeviceResult formatAnswer = DeviceResult::Ok;
    DeviceResult windowAnswer = DeviceResult::Ok;
    DeviceResult bufferAnswer = DeviceResult::Ok;
    // Answers given to acquire before the modelled one.
    std::deque<DeviceResult> acquireScript;
    bool ignoreBufferSize = false;  // to hold more than the manager asks for

    NativeHandle window = 0;
    std::size_t capacity = 0;
    bool focused = true;
    bool acquired = false;
    bool lostPending = false;
    bool overflow = false;
    bool alive = false;
    std::deque<DeviceEvent> pending;
    int acquireCalls = 0;
    std::size_t lastRequested = 0;

    // The window system's side: input arrives only while acquired, as with DirectInput.
    void input(std::uint32_t offset, std::uint32_t data)
    {
        if (!acquired)
            return;
        if (pending.size() >= capacity) {
            overflow = true;
            return;
        }
        DeviceEvent event;
        event.offset = offset;
        event.data = data;
        pending.push_back(event);
    }
    void press(std::uint32_t code) { input(code, 0x80); }
    void releaseKey(std::uint32_t code) { input(code, 0); }
    void loseFocus()
    {
        focused = false;
        if (acquired) {
            acquired = false;
            lostPending = true;
            pending.clear();
        }
    }
};

class FakeDevice : public InputDevice {
public:
    explicit FakeDevice(DeviceState& state) : state(state) { state.alive = true; }
    ~FakeDevice() override { state.alive = false; }

    DeviceResult setDataFormat() override { return state.formatAnswer; }
    DeviceResult setWindow(NativeHandle window) override
    {
        state.window = window;
        return state.windowAnswer;
    }
    DeviceResult setBufferSize(std::size_t events) override
    {
        if (!state.ignoreBufferSize)
            state.capacity = events;
        return state.bufferAnswer;
    }
    DeviceResult acquire() override
    {
        ++state.acquireCalls;
        if (state.journal)
            state.journal->push_back(state.name + " acquire");
        if (!state.acquireScript.empty()) {
            DeviceResult answer = state.acquireScript.front();
            state.acquireScript.pop_front();
            return answer;
        }
        if (!state.focused)
            return DeviceResult::OtherAppHasPriority;
        state.acquired = true;
        return DeviceResult::Ok;
    }
    DeviceResult unacquire() override
    {
        state.acquired = false;
        state.pending.clear();
        return DeviceResult::Ok;
    }
    DeviceResult read(DeviceEvent* events, std::size_t& count) override
    {
        if (state.journal)
            state.journal->push_back(state.name + " read");
        state.lastRequested = count;
        std::size_t wanted = count;
        count = 0;
        if (state.lostPending) {
            state.lostPending = false;
            return DeviceResult::InputLost;
        }
        if (!state.acquired)
            return DeviceResult::NotAcquired;
        while (count < wanted && !state.pending.empty()) {
            events[count++] = state.pending.front();
            state.pending.pop_front();
        }
        if (state.overflow) {
            state.overflow = false;
            return DeviceResult::BufferOverflow;
        }
        return DeviceResult::Ok;
    }

private:
    DeviceState& state;
};

class TestInputManager : public InputManager {
public:
    TestInputManager(DeviceState& keyboard, DeviceState& mouse)
        : InputManager([&keyboard, &mouse](DeviceKind kind) -> std::unique_ptr<InputDevice> {
              DeviceState& state = kind == DeviceKind::Keyboard ? keyboard : mouse;
              if (!state.creatable)
                  return nullptr;
              return std::make_unique<FakeDevice>(state);
          })
    {
    }
};

// Writes every event it receives as a line; answers acceptsInput as told.
class RecordingListener : public IO::KeyListener {
public:
    void keyDown(unsigned long code) override { add("down " + std::to_string(code)); }
    void keyUp(unsigned long code) override { add("up " + std::to_string(code)); }
    void mouseMove(Types::Point motion) override
    {
        add("move " + std::to_string(motion.x) + "," + std::to_string(motion.y));
    }
    void mouseWheel(int motion) override { add("wheel " + std::to_string(motion)); }
    void keyReleased(unsigned long code, char) override { add("released " + std::to_string(code)); }
    void keyPressed(unsigned long code, char) override { add("pressed " + std::to_string(code)); }
    bool acceptsInput() override
    {
        ++questions;
        if (refusals > 0) {
            --refusals;
            return false;
        }
        return accepting;
    }

    void add(const std::string& line) { events.push_back(line); }

    std::vector<std::string> events;
    bool accepting = true;
    int refusals = 0;  // answers false this many times first
    int questions = 0;
};

using Lines = std::vector<std::string>;

class InputManagerTest : public ::testing::Test {
protected:
    InputManagerTest()
    {
        keyboard.name = "keyboard";
        mouse.name = "mouse";
        keyboard.journal = &journal;
        mouse.journal = &journal;
    }

    Lines journal;
    DeviceState keyboard;
    DeviceState mouse;
    TestInputManager manager{keyboard, mouse};
    RecordingListener listener;
};

constexpr NativeHandle Window = 0x2a00007;

TEST_F(InputManagerTest, InitCreatesBothDevicesOnTheWindowAndLogsEachStep)
{
    LogCapture log;
    manager.init(Window);
    EXPECT_EQ(log.texts(), (Lines{"Initializing Direct Input\n", "Initializing keyboard\n", "Keyboard initialized\n",
                                "Initializing mouse\n", "Mouse initialized\n", "Direct Input initialized\n"}));
    for (DeviceState* device : {&keyboard, &mouse}) {
        EXPECT_TRUE(device->alive) << device->name;
        EXPECT_EQ(device->window, Window) << device->name;
        EXPECT_EQ(device->capacity, 16u) << device->name;
        EXPECT_TRUE(device->acquired) << device->name;
    }
}

struct SetupFailure {
    const char* device;
    const char* step;
    const char* message;
};

void PrintTo(const SetupFailure& failure, std::ostream* out)
{
    *out << failure.device << " " << failure.step;
}

class InputSetupFailure : public InputManagerTest, public ::testing::WithParamInterface<SetupFailure> {};

TEST_P(InputSetupFailure, LogsTheStepThrowsItsTextAndLeavesNoDeviceBehind)
{
    const SetupFailure& failure = GetParam();
    DeviceState& device = std::string(failure.device) == "mouse" ? mouse : keyboard;
    std::string step = failure.step;
    if (step == "create")
        device.creatable = false;
    else if (step == "format")
        device.formatAnswer = DeviceResult::Failed;
    else
        device.bufferAnswer = DeviceResult::Failed;

    LogCapture log;
    try {
        manager.init(Window);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), failure.message);
    }
    EXPECT_EQ(log.last(), failure.message);
    EXPECT_FALSE(device.alive);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, InputSetupFailure,
    ::testing::Values(SetupFailure{"mouse", "create", "Failed to create mouse device\n"},
                      SetupFailure{"mouse", "format", "Failed to set mouse format\n"},
                      SetupFailure{"mouse", "buffer", "Failed to set mouse buffer\n"},
                      SetupFailure{"keyboard", "create", "Failed to create keyboard device\n"},
                      SetupFailure{"keyboard", "format", "Failed to set keyboard format\n"},
                      SetupFailure{"keyboard", "buffer", "Failed to set keyboard buffer\n"}),
    [](const ::testing::TestParamInfo<SetupFailure>& info) {
        return std::string(info.param.device) + "_" + info.param.step;
    });

TEST_F(InputManagerTest, CooperativeLevelFailureIsOnlyLogged)
{
    mouse.windowAnswer = DeviceResult::Failed;
    keyboard.windowAnswer = DeviceResult::Failed;
    LogCapture log;
    EXPECT_NO_THROW(manager.init(Window));
    EXPECT_EQ(log.texts(), (Lines{"Initializing Direct Input\n", "Initializing keyboard\n",
                                "Failed to set keyboard cooperative level\n", "Keyboard initialized\n",
                                "Initializing mouse\n", "Failed to set mouse cooperative level\n",
                                "Mouse initialized\n", "Direct Input initialized\n"}));
    EXPECT_TRUE(mouse.alive);
    EXPECT_TRUE(keyboard.alive);
}

TEST_F(InputManagerTest, HostModeCreatesNoDeviceAndPollsNothing)
{
    LogCapture log;
    manager.addListener(&listener);
    manager.init(0);
    EXPECT_EQ(log.texts(), (Lines{"Initializing Direct Input\n", "Input is left to the host window\n"}));
    EXPECT_FALSE(keyboard.alive);
    EXPECT_FALSE(mouse.alive);
    manager.poll();
    manager.acquire();
    EXPECT_TRUE(journal.empty());
    EXPECT_TRUE(listener.events.empty());
}

TEST_F(InputManagerTest, OnePollDeliversKeyboardBeforeMouseInBufferOrder)
{
    manager.addListener(&listener);
    manager.init(Window);
    journal.clear();
    mouse.input(Platform::MouseOffset::X, 3);
    mouse.input(Platform::MouseOffset::Y, static_cast<std::uint32_t>(-2));
    mouse.input(Platform::MouseOffset::Z, static_cast<std::uint32_t>(-120));
    mouse.input(Platform::MouseOffset::Button0, 0x80);
    mouse.input(Platform::MouseOffset::Button0, 0);
    keyboard.press(30);
    keyboard.releaseKey(30);

    manager.poll();
    EXPECT_EQ(listener.events, (Lines{"pressed 30", "released 30", "move 3,0", "move 0,-2", "wheel -120"}));
    EXPECT_EQ(journal, (Lines{"keyboard read", "mouse read"}));

    listener.events.clear();
    manager.poll();
    EXPECT_TRUE(listener.events.empty()) << "events are delivered once";
}

TEST_F(InputManagerTest, AtMostSixteenEventsPerDevicePerFrame)
{
    keyboard.ignoreBufferSize = true;
    keyboard.capacity = 64;
    mouse.ignoreBufferSize = true;
    mouse.capacity = 64;
    manager.addListener(&listener);
    manager.init(Window);
    for (int i = 0; i < 10; ++i) {
        keyboard.press(2 + i);
        keyboard.releaseKey(2 + i);
        mouse.input(Platform::MouseOffset::X, 1);
    }

    manager.poll();
    EXPECT_EQ(keyboard.lastRequested, 16u);
    EXPECT_EQ(mouse.lastRequested, 16u);
    ASSERT_EQ(listener.events.size(), 16u + 10u);
    EXPECT_EQ(listener.events[15], "released 9");
    EXPECT_EQ(listener.events[16], "move 1,0");

    listener.events.clear();
    manager.poll();
    EXPECT_EQ(listener.events.size(), 4u);
    EXPECT_EQ(listener.events.front(), "pressed 10");
}

TEST_F(InputManagerTest, ListenersAreAskedForEveryEvent)
{
    RecordingListener refusing;
    refusing.accepting = false;
    RecordingListener late;
    late.refusals = 1;
    manager.addListener(&refusing);
    manager.addListener(&late);
    manager.addListener(&listener);
    manager.init(Window);
    keyboard.press(57);
    keyboard.releaseKey(57);

    manager.poll();
    EXPECT_TRUE(refusing.events.empty());
    EXPECT_EQ(refusing.questions, 2);
    EXPECT_EQ(late.events, (Lines{"released 57"}));
    EXPECT_EQ(listener.events, (Lines{"pressed 57", "released 57"}));
}

TEST_F(InputManagerTest, LostFocusStopsInputUntilReacquired)
{
    manager.addListener(&listener);
    manager.init(Window);
    keyboard.loseFocus();
    mouse.loseFocus();
    keyboard.press(30);
    mouse.input(Platform::MouseOffset::X, 5);

    manager.poll();  // input lost: re-acquisition is refused while another window has the focus
    manager.poll();  // not acquired: the same
    EXPECT_TRUE(listener.events.empty());
    EXPECT_EQ(keyboard.acquireCalls, 1 + 2);

    keyboard.focused = true;
    mouse.focused = true;
    manager.poll();  // a failed read delivers nothing even when re-acquisition succeeds
    EXPECT_TRUE(listener.events.empty());
    keyboard.press(31);
    mouse.input(Platform::MouseOffset::Y, 4);
    manager.poll();
    EXPECT_EQ(listener.events, (Lines{"pressed 31", "move 0,4"}));
}

TEST_F(InputManagerTest, ActivationAcquiresKeyboardThenMouse)
{
    manager.addListener(&listener);
    keyboard.focused = false;
    mouse.focused = false;
    manager.init(Window);
    keyboard.press(30);
    EXPECT_FALSE(keyboard.acquired);

    keyboard.focused = true;
    mouse.focused = true;
    journal.clear();
    manager.acquire();
    EXPECT_EQ(journal, (Lines{"keyboard acquire", "mouse acquire"}));
    keyboard.press(16);
    manager.poll();
    EXPECT_EQ(listener.events, (Lines{"pressed 16"}));
}

TEST_F(InputManagerTest, OverflowingReadStillDeliversWhatItRead)
{
    manager.addListener(&listener);
    manager.init(Window);
    for (int i = 0; i < 20; ++i)
        mouse.input(Platform::MouseOffset::X, 1);
    int acquisitions = mouse.acquireCalls;

    manager.poll();
    EXPECT_EQ(mouse.acquireCalls, acquisitions + 1);
    EXPECT_EQ(listener.events.size(), 16u);
}

TEST_F(InputManagerTest, EndlessInputLostAnswersDoNotHangThePoll)
{
    manager.addListener(&listener);
    manager.init(Window);
    keyboard.loseFocus();
    keyboard.acquireScript.assign(1000, DeviceResult::InputLost);
    mouse.input(Platform::MouseOffset::X, 2);

    manager.poll();
    EXPECT_GT(keyboard.acquireCalls, 2);
    EXPECT_LT(keyboard.acquireCalls, 100);
    EXPECT_EQ(listener.events, (Lines{"move 2,0"})) << "the mouse is read all the same";
}

TEST_F(InputManagerTest, ReleaseForgetsBothDevicesAndCanBeRepeated)
{
    manager.addListener(&listener);
    manager.init(Window);
    manager.release();
    EXPECT_FALSE(keyboard.alive);
    EXPECT_FALSE(mouse.alive);
    EXPECT_FALSE(keyboard.acquired);
    manager.release();
    journal.clear();
    manager.poll();
    manager.acquire();
    EXPECT_TRUE(journal.empty());
}

// The engine stands first in the chain and drops the press of key 41.
struct TestFactory : LevelFactory {};

class RecordingForm : public UI::Form {
public:
    RecordingForm() : Form("recording") {}
    void keyPressed(unsigned long code, char) override { events.push_back("pressed " + std::to_string(code)); }
    void keyReleased(unsigned long code, char) override { events.push_back("released " + std::to_string(code)); }
    void mouseMove(Types::Point motion) override
    {
        events.push_back("move " + std::to_string(motion.x) + "," + std::to_string(motion.y));
    }
    void mouseWheel(int motion) override { events.push_back("wheel " + std::to_string(motion)); }
    std::vector<std::string> events;
};

TEST_F(InputManagerTest, EngineDropsThePressOfKey41AndTheWheel)
{
    // The window manager keeps its current window for the process.
    static RecordingForm form;
    form.events.clear();
    WindowManager::instance().addWindow(&form);
    TestFactory factory;
    Engine engine(factory);
    manager.addListener(&engine);
    manager.init(Window);
    keyboard.press(41);
    keyboard.releaseKey(41);
    keyboard.press(30);
    mouse.input(Platform::MouseOffset::Z, 120);
    mouse.input(Platform::MouseOffset::X, 7);

    manager.poll();
    EXPECT_EQ(form.events, (Lines{"released 41", "pressed 30", "move 7,0"}));
}

} // namespace

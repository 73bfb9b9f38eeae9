// The buffered devices on a real window of the virtual display, driven with xdotool as a person
// would: keys, motion, the wheel, focus moving to another window and back.
#include "engine/services/InputManager.h"
#include "engine/ui/KeyListener.h"
#include "platform/DisplayWindow.h"
#include "platform/InputDevices.h"
#include "platform/MessagePump.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using namespace System;
using namespace System::Platform;

namespace {

using Clock = std::chrono::steady_clock;

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Runs xdotool against the test's display; false when it failed.
bool xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments).c_str()) == 0;
}

// Hands the window messages to their procedures, as the saver's loop does.
void pumpMessages()
{
    Message message;
    while (peekMessage(message))
        dispatchMessage(message);
}

struct Event {
    std::uint32_t offset;
    std::int32_t data;
    bool operator==(const Event& other) const { return offset == other.offset && data == other.data; }
};

std::ostream& operator<<(std::ostream& out, const Event& event)
{
    return out << "{" << event.offset << ", " << event.data << "}";
}

using Events = std::vector<Event>;

Event press(std::uint32_t code) { return {code, 0x80}; }
Event release(std::uint32_t code) { return {code, 0}; }

std::unique_ptr<DisplayWindow> openWindow(int x, int y, int width, int height)
{
    WindowSpec layout;
    layout.title = "input test";
    layout.x = x;
    layout.y = y;
    layout.width = width;
    layout.height = height;
    layout.bordered = false;
    std::unique_ptr<DisplayWindow> window = DisplayWindow::create(layout, [](WindowMessage, int, int) {});
    if (window)
        window->show();
    return window;
}

std::unique_ptr<InputDevice> openDevice(DeviceKind kind, NativeHandle window, std::size_t buffer)
{
    std::unique_ptr<InputDevice> device = InputDevice::create(kind);
    if (!device)
        return nullptr;
    EXPECT_EQ(device->setDataFormat(), DeviceResult::Ok);
    EXPECT_EQ(device->setWindow(window), DeviceResult::Ok);
    EXPECT_EQ(device->setBufferSize(buffer), DeviceResult::Ok);
    return device;
}

// Acquires once the window has the focus; false after three seconds without it.
bool acquireWhenFocused(InputDevice& device)
{
    auto until = Clock::now() + std::chrono::seconds(3);
    while (Clock::now() < until) {
        pumpMessages();
        if (device.acquire() == DeviceResult::Ok)
            return true;
        sleepMs(10);
    }
    return false;
}

// Reads until `expected` events came, or nothing more came for `quiet` milliseconds.
Events collect(InputDevice& device, std::size_t expected, int quiet = 400)
{
    Events got;
    auto last = Clock::now();
    auto until = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < until) {
        DeviceEvent buffer[16];
        std::size_t count = 16;
        DeviceResult result = device.read(buffer, count);
        EXPECT_TRUE(result == DeviceResult::Ok) << "read answered " << static_cast<int>(result);
        for (std::size_t i = 0; i < count; ++i)
            got.push_back({buffer[i].offset, static_cast<std::int32_t>(buffer[i].data)});
        if (count)
            last = Clock::now();
        if (got.size() >= expected && Clock::now() - last > std::chrono::milliseconds(expected ? 50 : quiet))
            break;
        if (Clock::now() - last > std::chrono::milliseconds(quiet))
            break;
        sleepMs(5);
    }
    return got;
}

class InputDevicesOnWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = openWindow(100, 100, 400, 300);
        ASSERT_TRUE(window) << DisplayWindow::lastError();
        keyboard = openDevice(DeviceKind::Keyboard, window->handle(), 64);
        mouse = openDevice(DeviceKind::Mouse, window->handle(), 64);
        ASSERT_TRUE(keyboard && mouse) << InputDevice::lastError();
        ASSERT_TRUE(xdotool("windowfocus --sync " + std::to_string(window->handle())));
        ASSERT_TRUE(acquireWhenFocused(*keyboard));
        ASSERT_TRUE(acquireWhenFocused(*mouse));
        // The pointer rests inside the window, and what it did getting there is forgotten.
        ASSERT_TRUE(xdotool("mousemove 300 250"));
        collect(*mouse, 0, 150);
        collect(*keyboard, 0, 50);
    }

    void TearDown() override
    {
        keyboard.reset();
        mouse.reset();
        window.reset();
        pumpMessages();
    }

    std::unique_ptr<DisplayWindow> window;
    std::unique_ptr<InputDevice> keyboard;
    std::unique_ptr<InputDevice> mouse;
};

TEST_F(InputDevicesOnWindow, KeysArriveAsDirectInputScanCodes)
{
    ASSERT_TRUE(xdotool("key Escape space grave a Up"));
    EXPECT_EQ(collect(*keyboard, 10), (Events{press(1), release(1), press(57), release(57), press(41), release(41),
                                              press(30), release(30), press(0xC8), release(0xC8)}));
}

// Every key of a standard 105-key US keyboard but the one beside the left Shift, whose key symbol
// the US layout also puts on the comma key.
TEST_F(InputDevicesOnWindow, EveryKeyOfTheKeyboardHasItsDirectInputCode)
{
    struct Key {
        const char* name;
        std::uint32_t code;
    };
    const std::vector<Key> keys = {
        {"Escape", 0x01}, {"1", 0x02}, {"2", 0x03}, {"3", 0x04}, {"4", 0x05}, {"5", 0x06}, {"6", 0x07},
        {"7", 0x08}, {"8", 0x09}, {"9", 0x0A}, {"0", 0x0B}, {"minus", 0x0C}, {"equal", 0x0D},
        {"BackSpace", 0x0E}, {"Tab", 0x0F}, {"q", 0x10}, {"w", 0x11}, {"e", 0x12}, {"r", 0x13},
        {"t", 0x14}, {"y", 0x15}, {"u", 0x16}, {"i", 0x17}, {"o", 0x18}, {"p", 0x19},
        {"bracketleft", 0x1A}, {"bracketright", 0x1B}, {"Return", 0x1C}, {"Control_L", 0x1D},
        {"a", 0x1E}, {"s", 0x1F}, {"d", 0x20}, {"f", 0x21}, {"g", 0x22}, {"h", 0x23}, {"j", 0x24},
        {"k", 0x25}, {"l", 0x26}, {"semicolon", 0x27}, {"apostrophe", 0x28}, {"grave", 0x29},
        {"Shift_L", 0x2A}, {"backslash", 0x2B}, {"z", 0x2C}, {"x", 0x2D}, {"c", 0x2E}, {"v", 0x2F},
        {"b", 0x30}, {"n", 0x31}, {"m", 0x32}, {"comma", 0x33}, {"period", 0x34}, {"slash", 0x35},
        {"Shift_R", 0x36}, {"KP_Multiply", 0x37}, {"Alt_L", 0x38}, {"space", 0x39},
        {"Caps_Lock", 0x3A}, {"Caps_Lock", 0x3A},  // twice: the lock is left as it was
        {"F1", 0x3B}, {"F2", 0x3C}, {"F3", 0x3D}, {"F4", 0x3E}, {"F5", 0x3F}, {"F6", 0x40},
        {"F7", 0x41}, {"F8", 0x42}, {"F9", 0x43}, {"F10", 0x44},
        {"Num_Lock", 0x45}, {"Num_Lock", 0x45}, {"Scroll_Lock", 0x46}, {"Scroll_Lock", 0x46},
        {"KP_Home", 0x47}, {"KP_Up", 0x48}, {"KP_Prior", 0x49}, {"KP_Subtract", 0x4A},
        {"KP_Left", 0x4B}, {"KP_Begin", 0x4C}, {"KP_Right", 0x4D}, {"KP_Add", 0x4E},
        {"KP_End", 0x4F}, {"KP_Down", 0x50}, {"KP_Next", 0x51}, {"KP_Insert", 0x52},
        {"KP_Delete", 0x53}, {"F11", 0x57}, {"F12", 0x58}, {"KP_Enter", 0x9C}, {"Control_R", 0x9D},
        {"KP_Divide", 0xB5}, {"Print", 0xB7}, {"Alt_R", 0xB8}, {"Pause", 0xC5}, {"Home", 0xC7},
        {"Up", 0xC8}, {"Prior", 0xC9}, {"Left", 0xCB}, {"Right", 0xCD}, {"End", 0xCF},
        {"Down", 0xD0}, {"Next", 0xD1}, {"Insert", 0xD2}, {"Delete", 0xD3}, {"Super_L", 0xDB},
        {"Super_R", 0xDC}, {"Menu", 0xDD},
    };
    // A few keys per xdotool run, so the device's buffer never overflows. xdotool presses a second
    // key of the same modifier along with a modifier key (Shift_L with Shift_R), so modifiers go
    // alone and only the codes of the keys sent are compared.
    auto modifier = [](const std::string& name) {
        return name.find("Shift") == 0 || name.find("Control") == 0 || name.find("Alt") == 0 ||
               name.find("Super") == 0;
    };
    for (std::size_t first = 0; first < keys.size();) {
        std::string names;
        Events expected;
        std::size_t next = first;
        do {
            names += std::string(" ") + keys[next].name;
            expected.push_back(press(keys[next].code));
            expected.push_back(release(keys[next].code));
            ++next;
        } while (next < keys.size() && next - first < 8 && !modifier(keys[next - 1].name) &&
                 !modifier(keys[next].name));
        first = next;
        ASSERT_TRUE(xdotool("key" + names));
        Events got;
        for (const Event& event : collect(*keyboard, expected.size())) {
            for (const Event& wanted : expected) {
                if (wanted.offset == event.offset) {
                    got.push_back(event);
                    break;
                }
            }
        }
        EXPECT_EQ(got, expected) << "keys:" << names;
    }
}

TEST_F(InputDevicesOnWindow, CharactersFollowTheLayoutAndModifiers)
{
    EXPECT_EQ(keyCharacter(30), 'a');
    EXPECT_EQ(keyCharacter(2), '1');
    EXPECT_EQ(keyCharacter(57), ' ');
    EXPECT_EQ(keyCharacter(1), '\x1b');
    EXPECT_EQ(keyCharacter(0x1C), '\r');
    EXPECT_EQ(keyCharacter(0xC8), 0) << "arrow";
    EXPECT_EQ(keyCharacter(0x3B), 0) << "F1";
    EXPECT_EQ(keyCharacter(0x2A), 0) << "Shift";
    EXPECT_EQ(keyCharacter(0x100), 0) << "no such key";

    ASSERT_TRUE(xdotool("keydown Shift_L"));
    EXPECT_EQ(collect(*keyboard, 1), (Events{press(0x2A)}));
    EXPECT_EQ(keyCharacter(30), 'A');
    EXPECT_EQ(keyCharacter(2), '!');
    EXPECT_EQ(keyCharacter(0x29), '~');
    ASSERT_TRUE(xdotool("keyup Shift_L"));
    EXPECT_EQ(collect(*keyboard, 1), (Events{release(0x2A)}));
    EXPECT_EQ(keyCharacter(30), 'a');
}

TEST_F(InputDevicesOnWindow, HeldKeyGivesOnePressUntilReleased)
{
    ASSERT_TRUE(xdotool("keydown b"));
    // The display repeats a held key after about 0.66 s, 25 times a second.
    Events held = collect(*keyboard, 100, 1500);
    ASSERT_TRUE(xdotool("keyup b"));
    Events released = collect(*keyboard, 1);
    EXPECT_EQ(held, (Events{press(0x30)}));
    EXPECT_EQ(released, (Events{release(0x30)}));
}

// Keys beyond the table: one the window system numbers (brightness), one it cannot name (WLAN) and
// one xdotool lends a spare key number to (F20 is not on the virtual display's keyboard).
TEST_F(InputDevicesOnWindow, KeysTheTableLacksArriveWithCodesOfTheirOwn)
{
    ASSERT_TRUE(xdotool("key XF86MonBrightnessUp XF86WLAN F20"));
    Events got = collect(*keyboard, 6);
    ASSERT_EQ(got.size(), 6u) << ::testing::PrintToString(got);
    std::vector<std::uint32_t> codes;
    for (std::size_t i = 0; i < got.size(); i += 2) {
        EXPECT_EQ(got[i], press(got[i].offset));
        EXPECT_EQ(got[i + 1], release(got[i].offset));
        EXPECT_GE(got[i].offset, UnlistedKeyCode);
        EXPECT_EQ(keyCharacter(got[i].offset), 0);
        for (std::uint32_t other : codes)
            EXPECT_NE(got[i].offset, other);
        codes.push_back(got[i].offset);
    }
    EXPECT_LT(codes[0], UnnamedKeyCode) << "the window system numbers the brightness key";
    EXPECT_GE(codes[1], UnnamedKeyCode) << "but not the WLAN key";

    // Held, such a key is one press until released, however often the display repeats it.
    ASSERT_TRUE(xdotool("keydown XF86WLAN"));
    Events held = collect(*keyboard, 100, 1500);
    ASSERT_TRUE(xdotool("keyup XF86WLAN"));
    EXPECT_EQ(held, (Events{press(codes[1])}));
    EXPECT_EQ(collect(*keyboard, 1), (Events{release(codes[1])}));
}

TEST_F(InputDevicesOnWindow, MotionIsSplitPerAxisAndStillAxesGiveNothing)
{
    ASSERT_TRUE(xdotool("mousemove_relative -- 3 -2"));
    EXPECT_EQ(collect(*mouse, 2), (Events{{0, 3}, {4, -2}}));
    ASSERT_TRUE(xdotool("mousemove_relative -- 0 5"));
    EXPECT_EQ(collect(*mouse, 1), (Events{{4, 5}}));
    ASSERT_TRUE(xdotool("mousemove_relative -- -7 0"));
    EXPECT_EQ(collect(*mouse, 1), (Events{{0, -7}}));

    // Coming back into the window, SDL reports a motion of (0, 0): it moved no axis.
    ASSERT_TRUE(xdotool("mousemove 20 20"));
    collect(*mouse, 0, 150);
    ASSERT_TRUE(xdotool("mousemove 300 250"));
    EXPECT_EQ(collect(*mouse, 0, 300), Events{});
}

TEST_F(InputDevicesOnWindow, WheelAndButtons)
{
    ASSERT_TRUE(xdotool("click 4 click 5 click 1 click 3"));
    EXPECT_EQ(collect(*mouse, 6), (Events{{8, 120}, {8, -120}, {12, 0x80}, {12, 0}, {13, 0x80}, {13, 0}}));
}

TEST_F(InputDevicesOnWindow, OnlyTheBufferSizeIsKeptBetweenReads)
{
    ASSERT_EQ(keyboard->unacquire(), DeviceResult::Ok);
    ASSERT_EQ(keyboard->setBufferSize(16), DeviceResult::Ok);
    ASSERT_EQ(keyboard->acquire(), DeviceResult::Ok);
    ASSERT_TRUE(xdotool("key q w e r t y u i o p"));
    sleepMs(200);
    DeviceEvent events[16];
    std::size_t count = 16;
    EXPECT_EQ(keyboard->read(events, count), DeviceResult::BufferOverflow);
    ASSERT_EQ(count, 16u);
    EXPECT_EQ(events[0].offset, 0x10u) << "the oldest are kept";
    EXPECT_EQ(events[15].offset, 0x17u);
    count = 16;
    EXPECT_EQ(keyboard->read(events, count), DeviceResult::Ok);
    EXPECT_EQ(count, 0u) << "the rest were dropped";
}

TEST_F(InputDevicesOnWindow, FocusElsewhereStopsInputUntilItComesBack)
{
    std::unique_ptr<DisplayWindow> other = openWindow(600, 100, 200, 200);
    ASSERT_TRUE(other);
    ASSERT_TRUE(xdotool("windowfocus --sync " + std::to_string(other->handle())));
    pumpMessages();

    DeviceEvent events[16];
    std::size_t count = 16;
    EXPECT_EQ(keyboard->read(events, count), DeviceResult::InputLost);
    count = 16;
    EXPECT_EQ(mouse->read(events, count), DeviceResult::InputLost);
    EXPECT_EQ(keyboard->acquire(), DeviceResult::OtherAppHasPriority);
    ASSERT_TRUE(xdotool("key a"));
    ASSERT_TRUE(xdotool("mousemove_relative -- 4 4"));
    sleepMs(100);
    count = 16;
    EXPECT_EQ(keyboard->read(events, count), DeviceResult::NotAcquired);
    EXPECT_EQ(count, 0u);
    count = 16;
    EXPECT_EQ(mouse->read(events, count), DeviceResult::NotAcquired);
    EXPECT_EQ(count, 0u);

    ASSERT_TRUE(xdotool("windowfocus --sync " + std::to_string(window->handle())));
    ASSERT_TRUE(acquireWhenFocused(*keyboard));
    ASSERT_TRUE(acquireWhenFocused(*mouse));
    ASSERT_TRUE(xdotool("key s"));
    EXPECT_EQ(collect(*keyboard, 2), (Events{press(0x1F), release(0x1F)})) << "nothing from the other window";
    ASSERT_TRUE(xdotool("mousemove_relative -- 2 0"));
    EXPECT_EQ(collect(*mouse, 1), (Events{{0, 2}}));
}

TEST_F(InputDevicesOnWindow, SetUpIsRefusedWhileAcquiredOrForAnUnknownWindow)
{
    EXPECT_EQ(keyboard->setDataFormat(), DeviceResult::Failed);
    EXPECT_EQ(keyboard->setBufferSize(8), DeviceResult::Failed);
    EXPECT_EQ(keyboard->setWindow(window->handle()), DeviceResult::Failed);
    ASSERT_EQ(keyboard->unacquire(), DeviceResult::Ok);
    EXPECT_EQ(keyboard->setWindow(window->handle() + 12345), DeviceResult::Failed);
    EXPECT_EQ(keyboard->setWindow(0), DeviceResult::Failed);

    // Without a buffer size the device is unbuffered: it can be acquired but not read.
    std::unique_ptr<InputDevice> unbuffered = InputDevice::create(DeviceKind::Mouse);
    ASSERT_TRUE(unbuffered);
    ASSERT_EQ(unbuffered->setWindow(window->handle()), DeviceResult::Ok);
    ASSERT_EQ(unbuffered->acquire(), DeviceResult::Ok);
    ASSERT_TRUE(xdotool("mousemove_relative -- 1 1"));
    sleepMs(50);
    DeviceEvent events[4];
    std::size_t count = 4;
    EXPECT_EQ(unbuffered->read(events, count), DeviceResult::Failed);
    EXPECT_EQ(count, 0u);
}

// The input manager on the real devices, as the engine drives it once a frame.
class RecordingListener : public IO::KeyListener {
public:
    void keyPressed(unsigned long code, char character) override { events.push_back({code, character, true}); }
    void keyReleased(unsigned long code, char character) override { events.push_back({code, character, false}); }
    void mouseMove(Types::Point motion) override { moves.push_back(motion); }
    bool acceptsInput() override { return true; }

    struct Key {
        unsigned long code;
        char character;
        bool down;
    };
    std::vector<Key> events;
    std::vector<Types::Point> moves;
};

class PlatformInputManager : public InputManager {
public:
    PlatformInputManager() : InputManager([](DeviceKind kind) { return InputDevice::create(kind); }) {}
};

TEST(InputManagerOnWindow, FramesDeliverKeysWithCharactersAndMotion)
{
    std::unique_ptr<DisplayWindow> window = openWindow(100, 100, 400, 300);
    ASSERT_TRUE(window);
    ASSERT_TRUE(xdotool("windowfocus --sync " + std::to_string(window->handle())));
    ASSERT_TRUE(xdotool("mousemove 300 250"));
    sleepMs(100);
    pumpMessages();

    RecordingListener listener;
    PlatformInputManager manager;
    manager.addListener(&listener);
    manager.init(window->handle());
    auto frames = [&](int count) {
        for (int i = 0; i < count; ++i) {
            pumpMessages();
            manager.poll();
            sleepMs(10);
        }
    };
    frames(20);
    listener.events.clear();
    listener.moves.clear();

    ASSERT_TRUE(xdotool("keydown Shift_L"));
    frames(10);
    ASSERT_TRUE(xdotool("key a"));
    frames(10);
    ASSERT_TRUE(xdotool("keyup Shift_L"));
    frames(10);
    ASSERT_TRUE(xdotool("key a"));
    ASSERT_TRUE(xdotool("mousemove_relative -- 3 -2"));
    frames(20);
    ASSERT_EQ(listener.events.size(), 6u);
    const char* expected[] = {"42 down", "30 down A", "30 up A", "42 up", "30 down a", "30 up a"};
    for (std::size_t i = 0; i < 6; ++i) {
        const RecordingListener::Key& key = listener.events[i];
        std::string seen = std::to_string(key.code) + (key.down ? " down" : " up");
        if (key.character)
            seen += std::string(" ") + key.character;
        EXPECT_EQ(seen, expected[i]);
    }
    ASSERT_EQ(listener.moves.size(), 2u);
    EXPECT_EQ(listener.moves[0].x, 3);
    EXPECT_EQ(listener.moves[0].y, 0);
    EXPECT_EQ(listener.moves[1].x, 0);
    EXPECT_EQ(listener.moves[1].y, -2);
    manager.release();
}

} // namespace

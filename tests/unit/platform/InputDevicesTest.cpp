// What every backend's input devices promise (platform/InputDevices.h), on whatever display the
// tests have. Without one (the Linux unit tests) the devices cannot be made:
// linux/InputDevicesWithoutDisplayTest.cpp tests that case, and the GL tests the devices on X.
#include "platform/InputDevices.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

using namespace System::Platform;

namespace {

// DirectInput's codes of a few keys that make no character.
constexpr std::uint32_t F1 = 59;
constexpr std::uint32_t Up = 200;

} // namespace

TEST(InputDevicesContract, ADeviceIsMadeOrTheReasonIsGiven)
{
    for (DeviceKind kind : {DeviceKind::Keyboard, DeviceKind::Mouse}) {
        std::unique_ptr<InputDevice> device = InputDevice::create(kind);
        if (!device) {
            EXPECT_STRNE(InputDevice::lastError(), "") << "kind " << int(kind);
        }
    }
}

TEST(InputDevicesContract, FormatAndBufferAreSetBeforeAcquiringAndReadsNeedBoth)
{
    for (DeviceKind kind : {DeviceKind::Keyboard, DeviceKind::Mouse}) {
        SCOPED_TRACE(kind == DeviceKind::Keyboard ? "keyboard" : "mouse");
        std::unique_ptr<InputDevice> device = InputDevice::create(kind);
        if (!device)
            GTEST_SKIP() << "no input device here: " << InputDevice::lastError();
        ASSERT_EQ(device->setDataFormat(), DeviceResult::Ok);
        DeviceEvent events[16];
        std::size_t count = 16;
        EXPECT_NE(device->read(events, count), DeviceResult::Ok) << "neither acquired nor buffered";
        EXPECT_EQ(count, 0u);
        ASSERT_EQ(device->setWindow(NativeHandle{}), DeviceResult::Ok);
        ASSERT_EQ(device->acquire(), DeviceResult::Ok) << "without a window, whichever window has the focus";
        EXPECT_EQ(device->acquire(), DeviceResult::Ok) << "acquiring again is no failure";
        count = 16;
        EXPECT_NE(device->read(events, count), DeviceResult::Ok) << "unbuffered until a size is set";
        EXPECT_EQ(count, 0u);
        EXPECT_NE(device->setBufferSize(16), DeviceResult::Ok) << "fails while acquired";
        EXPECT_NE(device->setDataFormat(), DeviceResult::Ok) << "fails while acquired";

        ASSERT_EQ(device->unacquire(), DeviceResult::Ok);
        ASSERT_EQ(device->setBufferSize(16), DeviceResult::Ok);
        ASSERT_EQ(device->acquire(), DeviceResult::Ok);
        count = 16;
        DeviceResult read = device->read(events, count);
        EXPECT_TRUE(read == DeviceResult::Ok || read == DeviceResult::BufferOverflow) << int(read);
        EXPECT_LE(count, 16u);
        ASSERT_EQ(device->unacquire(), DeviceResult::Ok);
        count = 16;
        EXPECT_EQ(device->read(events, count), DeviceResult::NotAcquired);
        EXPECT_EQ(count, 0u);
    }
}

TEST(InputDevicesContract, KeysWithoutACharacterGiveNone)
{
    EXPECT_EQ(keyCharacter(F1), 0);
    EXPECT_EQ(keyCharacter(Up), 0);
    EXPECT_EQ(keyCharacter(UnlistedKeyCode + 3), 0);
    EXPECT_EQ(keyCharacter(UnnamedKeyCode + 38), 0);
    EXPECT_EQ(keyCharacter(0xFFFFFFFFu), 0);
}

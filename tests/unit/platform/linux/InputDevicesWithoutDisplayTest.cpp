// The input devices where there is no display (DISPLAY is empty for these tests).
#include "base/Exception.h"
#include "engine/services/InputManager.h"
#include "platform/InputDevices.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

using namespace System;

TEST(InputDevicesWithoutDisplay, NoDeviceIsMadeAndTheReasonIsGiven)
{
    EXPECT_EQ(Platform::InputDevice::create(Platform::DeviceKind::Keyboard), nullptr);
    EXPECT_NE(std::string(Platform::InputDevice::lastError()).find("DISPLAY"), std::string::npos)
        << Platform::InputDevice::lastError();
    EXPECT_EQ(Platform::InputDevice::create(Platform::DeviceKind::Mouse), nullptr);
    EXPECT_EQ(Platform::keyCharacter(30), 0);

    LogCapture log;
    try {
        InputManager::instance().init(0x400001);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Failed to create keyboard device\n");
    }
    EXPECT_EQ(log.last(), "Failed to create keyboard device\n");
}

#pragma once
// Two buffered input devices, keyboard and mouse, with the meanings of DirectInput's buffered mode:
// key events carry DirectInput scan codes (Escape 1, grave 41, space 57) with bit 7 of data set
// while down; mouse events carry the axis offset (0 x, 4 y, 8 wheel, 12.. buttons) and the signed
// relative motion. A device is acquired only while its window has the focus.
#include "platform/Handle.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace System::Platform {

enum class DeviceKind { Keyboard, Mouse };

enum class DeviceResult {
    Ok,
    BufferOverflow,      // success, but events were lost
    NotAcquired,
    InputLost,           // acquisition was lost (the window went to the background)
    OtherAppHasPriority, // cannot acquire now: the window has no focus
    Failed,
};

struct DeviceEvent {
    std::uint32_t offset = 0;
    std::uint32_t data = 0;
    std::uint32_t timeStamp = 0;
    std::uint32_t sequence = 0;
    std::uintptr_t appData = 0;
};

// Keys DirectInput's table lacks still arrive, with codes beyond its one-byte range that no key of
// the table has: UnlistedKeyCode + n for a key the window system knows by a number of its own (the
// brightness keys, F16 to F24, ...), UnnamedKeyCode + n for one it can only tell by its hardware
// key number. They have no character.
constexpr std::uint32_t UnlistedKeyCode = 0x100;
constexpr std::uint32_t UnnamedKeyCode = 0x400;

namespace MouseOffset {
constexpr std::uint32_t X = 0;
constexpr std::uint32_t Y = 4;
constexpr std::uint32_t Z = 8;
constexpr std::uint32_t Button0 = 12;
} // namespace MouseOffset

class InputDevice {
public:
    virtual ~InputDevice() = default;

    // Null when the device cannot be made; lastError() says why.
    static std::unique_ptr<InputDevice> create(DeviceKind kind);
    static const char* lastError();

    // The predefined event format of the device's kind. Fails while acquired.
    virtual DeviceResult setDataFormat() = 0;
    // Cooperative level: foreground, non-exclusive. The device is then acquired only while that
    // window has the focus. A device given no window takes input whichever window has the focus.
    virtual DeviceResult setWindow(NativeHandle window) = 0;
    // How many events the device keeps between reads; 0, the default, leaves it unbuffered and
    // reads fail. Events beyond it are lost and the next read answers BufferOverflow. Fails while
    // acquired.
    virtual DeviceResult setBufferSize(std::size_t events) = 0;
    // OtherAppHasPriority while the window lacks the focus.
    virtual DeviceResult acquire() = 0;
    virtual DeviceResult unacquire() = 0;
    // Takes up to count buffered events, oldest first; count becomes the number taken. When the
    // window lost the focus the answer is InputLost once, then NotAcquired, and the events that
    // came meanwhile are discarded.
    virtual DeviceResult read(DeviceEvent* events, std::size_t& count) = 0;
};

// The character a key produces in the current layout with the current modifiers, as an unsigned
// byte value; 0 when none (arrows, function keys, unknown codes, no display).
char keyCharacter(std::uint32_t scanCode);

} // namespace System::Platform

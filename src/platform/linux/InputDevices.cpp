// Linux (X11) platform layer: buffered keyboard and mouse devices with DirectInput's meanings, over
// SDL2's event queue. Each device takes only its own event types out of the queue (SDL_PeepEvents
// over its type range), so the message pump and the two devices never take each other's events.
// Bound to a window, a device is acquired only while that window has the keyboard focus; while it is
// not acquired the events of its range are discarded, so nothing piles up in the queue.
// Every key counts, also one that the scan-code table lacks: SDL's keys beyond the table get
// UnlistedKeyCode + SDL scancode, and keys SDL itself cannot name (it sends no event for them) are
// taken from the X events it passes on (SDL_SYSWMEVENT, which a keyboard switches on), with
// UnnamedKeyCode + X keycode. Such an X event is followed in the queue by SDL's own key event
// whenever SDL names the key, so only the ones left alone become events of their own.
// Limits: a read keeps at most the buffer size of events (the oldest); the rest are dropped and the
// read answers BufferOverflow, as DirectInput does. SDL's key repeats are not events; mouse buttons
// beyond the fourth are not reported; the keyboard's range also holds SDL's text events, which are
// drained and ignored. keyCharacter shifts digits and punctuation as the US layout does.
// Depends on: SDL2 (events, keyboard state, X11 events), the window registry.
#include "platform/InputDevices.h"

#include "platform/linux/SdlVideo.h"
#include "platform/linux/WindowRegistry.h"

#include <SDL_syswm.h>

#include <array>
#include <bitset>
#include <string>
#include <vector>

namespace System::Platform {

namespace {

std::string g_lastError;
int g_keyboards = 0;  // the keyboards that want SDL's X events

// DirectInput key offsets (DIK_*) of the keys of a standard 105-key keyboard and the usual extras.
struct KeyCode {
    SDL_Scancode scancode;
    std::uint8_t dik;
};

constexpr KeyCode KeyCodes[] = {
    {SDL_SCANCODE_ESCAPE, 0x01},
    {SDL_SCANCODE_1, 0x02}, {SDL_SCANCODE_2, 0x03}, {SDL_SCANCODE_3, 0x04}, {SDL_SCANCODE_4, 0x05},
    {SDL_SCANCODE_5, 0x06}, {SDL_SCANCODE_6, 0x07}, {SDL_SCANCODE_7, 0x08}, {SDL_SCANCODE_8, 0x09},
    {SDL_SCANCODE_9, 0x0A}, {SDL_SCANCODE_0, 0x0B},
    {SDL_SCANCODE_MINUS, 0x0C}, {SDL_SCANCODE_EQUALS, 0x0D}, {SDL_SCANCODE_BACKSPACE, 0x0E},
    {SDL_SCANCODE_TAB, 0x0F},
    {SDL_SCANCODE_Q, 0x10}, {SDL_SCANCODE_W, 0x11}, {SDL_SCANCODE_E, 0x12}, {SDL_SCANCODE_R, 0x13},
    {SDL_SCANCODE_T, 0x14}, {SDL_SCANCODE_Y, 0x15}, {SDL_SCANCODE_U, 0x16}, {SDL_SCANCODE_I, 0x17},
    {SDL_SCANCODE_O, 0x18}, {SDL_SCANCODE_P, 0x19},
    {SDL_SCANCODE_LEFTBRACKET, 0x1A}, {SDL_SCANCODE_RIGHTBRACKET, 0x1B}, {SDL_SCANCODE_RETURN, 0x1C},
    {SDL_SCANCODE_LCTRL, 0x1D},
    {SDL_SCANCODE_A, 0x1E}, {SDL_SCANCODE_S, 0x1F}, {SDL_SCANCODE_D, 0x20}, {SDL_SCANCODE_F, 0x21},
    {SDL_SCANCODE_G, 0x22}, {SDL_SCANCODE_H, 0x23}, {SDL_SCANCODE_J, 0x24}, {SDL_SCANCODE_K, 0x25},
    {SDL_SCANCODE_L, 0x26},
    {SDL_SCANCODE_SEMICOLON, 0x27}, {SDL_SCANCODE_APOSTROPHE, 0x28}, {SDL_SCANCODE_GRAVE, 0x29},
    {SDL_SCANCODE_LSHIFT, 0x2A}, {SDL_SCANCODE_BACKSLASH, 0x2B},
    {SDL_SCANCODE_Z, 0x2C}, {SDL_SCANCODE_X, 0x2D}, {SDL_SCANCODE_C, 0x2E}, {SDL_SCANCODE_V, 0x2F},
    {SDL_SCANCODE_B, 0x30}, {SDL_SCANCODE_N, 0x31}, {SDL_SCANCODE_M, 0x32},
    {SDL_SCANCODE_COMMA, 0x33}, {SDL_SCANCODE_PERIOD, 0x34}, {SDL_SCANCODE_SLASH, 0x35},
    {SDL_SCANCODE_RSHIFT, 0x36}, {SDL_SCANCODE_KP_MULTIPLY, 0x37}, {SDL_SCANCODE_LALT, 0x38},
    {SDL_SCANCODE_SPACE, 0x39}, {SDL_SCANCODE_CAPSLOCK, 0x3A},
    {SDL_SCANCODE_F1, 0x3B}, {SDL_SCANCODE_F2, 0x3C}, {SDL_SCANCODE_F3, 0x3D}, {SDL_SCANCODE_F4, 0x3E},
    {SDL_SCANCODE_F5, 0x3F}, {SDL_SCANCODE_F6, 0x40}, {SDL_SCANCODE_F7, 0x41}, {SDL_SCANCODE_F8, 0x42},
    {SDL_SCANCODE_F9, 0x43}, {SDL_SCANCODE_F10, 0x44},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45}, {SDL_SCANCODE_SCROLLLOCK, 0x46},
    {SDL_SCANCODE_KP_7, 0x47}, {SDL_SCANCODE_KP_8, 0x48}, {SDL_SCANCODE_KP_9, 0x49},
    {SDL_SCANCODE_KP_MINUS, 0x4A},
    {SDL_SCANCODE_KP_4, 0x4B}, {SDL_SCANCODE_KP_5, 0x4C}, {SDL_SCANCODE_KP_6, 0x4D},
    {SDL_SCANCODE_KP_PLUS, 0x4E},
    {SDL_SCANCODE_KP_1, 0x4F}, {SDL_SCANCODE_KP_2, 0x50}, {SDL_SCANCODE_KP_3, 0x51},
    {SDL_SCANCODE_KP_0, 0x52}, {SDL_SCANCODE_KP_PERIOD, 0x53},
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56}, // the extra key of 102/105-key keyboards
    {SDL_SCANCODE_F11, 0x57}, {SDL_SCANCODE_F12, 0x58},
    {SDL_SCANCODE_F13, 0x64}, {SDL_SCANCODE_F14, 0x65}, {SDL_SCANCODE_F15, 0x66},
    {SDL_SCANCODE_INTERNATIONAL2, 0x70}, // Kana
    {SDL_SCANCODE_INTERNATIONAL1, 0x73}, // ABNT C1 / Ro
    {SDL_SCANCODE_INTERNATIONAL4, 0x79}, // Convert
    {SDL_SCANCODE_INTERNATIONAL5, 0x7B}, // No convert
    {SDL_SCANCODE_INTERNATIONAL3, 0x7D}, // Yen
    {SDL_SCANCODE_KP_COMMA, 0x7E},       // ABNT C2
    {SDL_SCANCODE_KP_EQUALS, 0x8D},
    {SDL_SCANCODE_AUDIOPREV, 0x90}, {SDL_SCANCODE_AUDIONEXT, 0x99},
    {SDL_SCANCODE_KP_ENTER, 0x9C}, {SDL_SCANCODE_RCTRL, 0x9D},
    {SDL_SCANCODE_AUDIOMUTE, 0xA0}, {SDL_SCANCODE_CALCULATOR, 0xA1}, {SDL_SCANCODE_AUDIOPLAY, 0xA2},
    {SDL_SCANCODE_AUDIOSTOP, 0xA4}, {SDL_SCANCODE_VOLUMEDOWN, 0xAE}, {SDL_SCANCODE_VOLUMEUP, 0xB0},
    {SDL_SCANCODE_AC_HOME, 0xB2},
    {SDL_SCANCODE_KP_DIVIDE, 0xB5}, {SDL_SCANCODE_PRINTSCREEN, 0xB7}, {SDL_SCANCODE_RALT, 0xB8},
    {SDL_SCANCODE_PAUSE, 0xC5}, {SDL_SCANCODE_HOME, 0xC7}, {SDL_SCANCODE_UP, 0xC8},
    {SDL_SCANCODE_PAGEUP, 0xC9}, {SDL_SCANCODE_LEFT, 0xCB}, {SDL_SCANCODE_RIGHT, 0xCD},
    {SDL_SCANCODE_END, 0xCF}, {SDL_SCANCODE_DOWN, 0xD0}, {SDL_SCANCODE_PAGEDOWN, 0xD1},
    {SDL_SCANCODE_INSERT, 0xD2}, {SDL_SCANCODE_DELETE, 0xD3},
    {SDL_SCANCODE_LGUI, 0xDB}, {SDL_SCANCODE_RGUI, 0xDC}, {SDL_SCANCODE_APPLICATION, 0xDD},
    {SDL_SCANCODE_POWER, 0xDE}, {SDL_SCANCODE_SLEEP, 0xDF},
    {SDL_SCANCODE_AC_SEARCH, 0xE5}, {SDL_SCANCODE_AC_BOOKMARKS, 0xE6}, {SDL_SCANCODE_AC_REFRESH, 0xE7},
    {SDL_SCANCODE_AC_STOP, 0xE8}, {SDL_SCANCODE_AC_FORWARD, 0xE9}, {SDL_SCANCODE_AC_BACK, 0xEA},
    {SDL_SCANCODE_COMPUTER, 0xEB}, {SDL_SCANCODE_MAIL, 0xEC}, {SDL_SCANCODE_MEDIASELECT, 0xED},
};

struct KeyTables {
    std::array<std::uint8_t, SDL_NUM_SCANCODES> dikOf{};
    std::array<SDL_Scancode, 256> scancodeOf{};

    KeyTables()
    {
        scancodeOf.fill(SDL_SCANCODE_UNKNOWN);
        for (const KeyCode& key : KeyCodes) {
            dikOf[key.scancode] = key.dik;
            scancodeOf[key.dik] = key.scancode;
        }
        // The ISO key beside Enter is the backslash key's position on Windows too.
        dikOf[SDL_SCANCODE_NONUSHASH] = 0x2B;
    }
};

const KeyTables& keyTables()
{
    static const KeyTables tables;
    return tables;
}

std::uint32_t dikOf(SDL_Scancode scancode)
{
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES)
        return 0;
    return keyTables().dikOf[scancode];
}

// The table's code of a key SDL names, or one of its own beyond the table.
std::uint32_t keyCodeOf(SDL_Scancode scancode)
{
    if (std::uint32_t code = dikOf(scancode))
        return code;
    return UnlistedKeyCode + static_cast<std::uint32_t>(scancode);
}

// What Shift makes of the unshifted characters of the US layout.
char usShifted(char c)
{
    static const char plain[] = "1234567890-=[]\\;',./`";
    static const char shifted[] = "!@#$%^&*()_+{}|:\"<>?~";
    for (int i = 0; plain[i]; ++i)
        if (plain[i] == c)
            return shifted[i];
    return c;
}

char keypadCharacter(SDL_Scancode scancode, bool numLock)
{
    switch (scancode) {
    case SDL_SCANCODE_KP_DIVIDE: return '/';
    case SDL_SCANCODE_KP_MULTIPLY: return '*';
    case SDL_SCANCODE_KP_MINUS: return '-';
    case SDL_SCANCODE_KP_PLUS: return '+';
    case SDL_SCANCODE_KP_ENTER: return '\r';
    default: break;
    }
    if (!numLock)
        return 0;
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9)
        return static_cast<char>('1' + (scancode - SDL_SCANCODE_KP_1));
    if (scancode == SDL_SCANCODE_KP_0)
        return '0';
    if (scancode == SDL_SCANCODE_KP_PERIOD)
        return '.';
    return 0;
}

class SdlInputDevice final : public InputDevice {
public:
    explicit SdlInputDevice(DeviceKind kind)
    {
        if (kind == DeviceKind::Keyboard) {
            firstType = SDL_SYSWMEVENT;  // just below the keys: the X events come in order with them
            lastType = SDL_MOUSEMOTION - 1;
            if (g_keyboards++ == 0)
                SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
        } else {
            firstType = SDL_MOUSEMOTION;
            lastType = SDL_MOUSEWHEEL;
        }
    }

    ~SdlInputDevice() override
    {
        discard();
        if (firstType == SDL_SYSWMEVENT && --g_keyboards == 0 && SDL_WasInit(SDL_INIT_EVENTS))
            SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
    }

    DeviceResult setDataFormat() override
    {
        return acquired ? DeviceResult::Failed : DeviceResult::Ok;
    }

    DeviceResult setWindow(NativeHandle handle) override
    {
        if (acquired)
            return DeviceResult::Failed;
        SDL_Window* window = Linux::findWindowByHandle(handle);
        if (!window)
            return DeviceResult::Failed;
        windowId = SDL_GetWindowID(window);
        xWindow = handle;
        return DeviceResult::Ok;
    }

    DeviceResult setBufferSize(std::size_t events) override
    {
        if (acquired)
            return DeviceResult::Failed;
        // The one allocation of the device; reads never allocate.
        buffer.assign(events, DeviceEvent());
        head = 0;
        held = 0;
        overflowed = false;
        return DeviceResult::Ok;
    }

    DeviceResult acquire() override
    {
        SDL_PumpEvents();
        if (!hasFocus())
            return DeviceResult::OtherAppHasPriority;
        acquired = true;
        return DeviceResult::Ok;
    }

    DeviceResult unacquire() override
    {
        acquired = false;
        discard();
        return DeviceResult::Ok;
    }

    DeviceResult read(DeviceEvent* events, std::size_t& count) override
    {
        std::size_t wanted = events ? count : 0;
        count = 0;
        SDL_PumpEvents();
        if (acquired && !hasFocus()) {
            acquired = false;
            discard();
            return DeviceResult::InputLost;
        }
        if (!acquired || buffer.empty()) {
            // An unbuffered device has nothing to read, as in DirectInput.
            discard();
            return acquired ? DeviceResult::Failed : DeviceResult::NotAcquired;
        }
        collect();
        while (count < wanted && held > 0) {
            events[count++] = buffer[head];
            head = (head + 1) % buffer.size();
            --held;
        }
        if (overflowed) {
            overflowed = false;
            return DeviceResult::BufferOverflow;
        }
        return DeviceResult::Ok;
    }

private:
    bool hasFocus() const
    {
        if (windowId == 0)
            return true;  // no window: background level, input whatever has the focus
        SDL_Window* window = SDL_GetWindowFromID(windowId);
        return window && (SDL_GetWindowFlags(window) & SDL_WINDOW_INPUT_FOCUS);
    }

    void discard()
    {
        if (SDL_WasInit(SDL_INIT_EVENTS))
            SDL_FlushEvents(firstType, lastType);
        head = 0;
        held = 0;
        overflowed = false;
        unnamed = {};
        unnamedDown.reset();
    }

    void push(std::uint32_t offset, std::uint32_t data, std::uint32_t time)
    {
        if (held == buffer.size()) {
            overflowed = true;
            return;
        }
        DeviceEvent& event = buffer[(head + held) % buffer.size()];
        event.offset = offset;
        event.data = data;
        event.timeStamp = time;
        event.sequence = ++sequence;
        event.appData = 0;
        ++held;
    }

    bool ours(std::uint32_t eventWindow) const
    {
        return windowId == 0 || eventWindow == windowId;
    }

    // An X key event that SDL did not follow with a key event of its own: a key SDL cannot name.
    void settleUnnamed()
    {
        if (!unnamed.keycode)
            return;
        const unsigned keycode = unnamed.keycode;
        const bool down = unnamed.down;
        const std::uint32_t time = unnamed.time;
        unnamed = {};
        if (down == unnamedDown[keycode])
            return;  // the display's repeat of a held key
        unnamedDown[keycode] = down;
        push(UnnamedKeyCode + keycode, down ? 0x80u : 0u, time);
    }

    void convert(const SDL_Event& event)
    {
        switch (event.type) {
        case SDL_SYSWMEVENT: {
            settleUnnamed();
            const SDL_SysWMmsg* message = event.syswm.msg;
            if (!message || message->subsystem != SDL_SYSWM_X11)
                return;
            const XEvent& x = message->msg.x11.event;
            if ((x.type != KeyPress && x.type != KeyRelease) || x.xkey.keycode > 255)
                return;
            if (xWindow && x.xkey.window != static_cast<::Window>(xWindow))
                return;
            unnamed.keycode = x.xkey.keycode;
            unnamed.down = x.type == KeyPress;
            unnamed.time = event.syswm.timestamp;
            return;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            unnamed = {};  // SDL named the key of the X event before it
            if (event.key.repeat || !ours(event.key.windowID))
                return;
            push(keyCodeOf(event.key.keysym.scancode), event.type == SDL_KEYDOWN ? 0x80u : 0u,
                 event.key.timestamp);
            return;
        }
        case SDL_MOUSEMOTION:
            if (!ours(event.motion.windowID))
                return;
            // DirectInput reports only the axes that moved, x before y.
            if (event.motion.xrel)
                push(MouseOffset::X, static_cast<std::uint32_t>(event.motion.xrel), event.motion.timestamp);
            if (event.motion.yrel)
                push(MouseOffset::Y, static_cast<std::uint32_t>(event.motion.yrel), event.motion.timestamp);
            return;
        case SDL_MOUSEWHEEL: {
            if (!ours(event.wheel.windowID))
                return;
            std::int32_t notches = event.wheel.y;
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
                notches = -notches;
            // One notch is WHEEL_DELTA (120), as DirectInput reports it.
            if (notches)
                push(MouseOffset::Z, static_cast<std::uint32_t>(notches * 120), event.wheel.timestamp);
            return;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (!ours(event.button.windowID))
                return;
            // DirectInput's buttons: 0 left, 1 right, 2 middle, 3 the first extra button.
            int index = -1;
            switch (event.button.button) {
            case SDL_BUTTON_LEFT: index = 0; break;
            case SDL_BUTTON_RIGHT: index = 1; break;
            case SDL_BUTTON_MIDDLE: index = 2; break;
            case SDL_BUTTON_X1: index = 3; break;
            default: return;
            }
            push(MouseOffset::Button0 + static_cast<std::uint32_t>(index),
                 event.type == SDL_MOUSEBUTTONDOWN ? 0x80u : 0u, event.button.timestamp);
            return;
        }
        default:
            return;  // text and keymap events of the keyboard's range
        }
    }

    // Moves every queued event of the device's range into its buffer, keeping the oldest.
    void collect()
    {
        SDL_Event chunk[16];
        for (;;) {
            int taken = SDL_PeepEvents(chunk, 16, SDL_GETEVENT, firstType, lastType);
            for (int i = 0; i < taken; ++i)
                convert(chunk[i]);
            if (taken < 16)
                break;
        }
        settleUnnamed();
    }

    Uint32 firstType = 0;
    Uint32 lastType = 0;
    Uint32 windowId = 0;
    NativeHandle xWindow = 0;
    bool acquired = false;
    std::vector<DeviceEvent> buffer;  // a ring of the events kept between reads
    std::size_t head = 0;
    std::size_t held = 0;
    bool overflowed = false;
    std::uint32_t sequence = 0;
    struct {
        unsigned keycode = 0;  // 0: none waiting
        bool down = false;
        std::uint32_t time = 0;
    } unnamed;
    std::bitset<256> unnamedDown;  // X keycodes of keys SDL cannot name that are down
};

} // namespace

std::unique_ptr<InputDevice> InputDevice::create(DeviceKind kind)
{
    std::string error;
    if (!Linux::ensureVideo(error)) {
        g_lastError = error;
        return nullptr;
    }
    return std::make_unique<SdlInputDevice>(kind);
}

const char* InputDevice::lastError()
{
    return g_lastError.c_str();
}

char keyCharacter(std::uint32_t scanCode)
{
    if (scanCode > 0xFF || !Linux::videoReady())
        return 0;
    SDL_Scancode scancode = keyTables().scancodeOf[scanCode];
    if (scancode == SDL_SCANCODE_UNKNOWN)
        return 0;
    SDL_Keymod mods = SDL_GetModState();
    if (scancode >= SDL_SCANCODE_KP_DIVIDE && scancode <= SDL_SCANCODE_KP_PERIOD)
        return keypadCharacter(scancode, (mods & KMOD_NUM) != 0);
    SDL_Keycode key = SDL_GetKeyFromScancode(scancode);
    // Keys without a character (arrows, F-keys, modifiers) carry the scancode mask; Delete has
    // none on Windows either. Characters beyond one byte cannot be told in a char.
    if ((key & SDLK_SCANCODE_MASK) || key == SDLK_DELETE || key <= 0 || key > 0xFF)
        return 0;
    auto c = static_cast<unsigned char>(key);
    bool shift = (mods & KMOD_SHIFT) != 0;
    bool ctrl = (mods & KMOD_CTRL) != 0 && !(mods & KMOD_ALT);  // Ctrl+Alt is AltGr
    if (c >= 'a' && c <= 'z') {
        if (ctrl)
            return static_cast<char>(c & 0x1F);
        bool upper = shift != ((mods & KMOD_CAPS) != 0);
        return static_cast<char>(upper ? c - 'a' + 'A' : c);
    }
    if (ctrl) {
        switch (c) {
        case '[': return 0x1B;
        case '\\': return 0x1C;
        case ']': return 0x1D;
        case '\b': return 0x7F;
        case ' ': case '\r': case '\t': case 0x1B: return static_cast<char>(c);
        default: return 0;
        }
    }
    if (shift && c < 0x80)
        return usShifted(static_cast<char>(c));
    return static_cast<char>(c);
}

} // namespace System::Platform

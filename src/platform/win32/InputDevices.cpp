// Win32 platform layer: the buffered keyboard and mouse through DirectInput 8 (DirectInput8Create,
// GUID_SysKeyboard and GUID_SysMouse, c_dfDIKeyboard and c_dfDIMouse, DIPROP_BUFFERSIZE, foreground
// non-exclusive cooperation, GetDeviceData). Key codes are DirectInput's scan codes already.
// keyCharacter maps a scan code through the current layout (MapVirtualKeyExA, ToAsciiEx).
// Depends on: DINPUT8, DXGUID, USER32.
#include "platform/InputDevices.h"

#include "platform/win32/Win32.h"

#include <dinput.h>

#include <string>

namespace System::Platform {

namespace {

std::string g_lastError;

DeviceResult toResult(HRESULT result, bool acquiring = false)
{
    switch (result) {
    case DI_OK:
        return DeviceResult::Ok;
    case DI_BUFFEROVERFLOW:  // also S_FALSE: Acquire on an acquired device, a success
        if (acquiring)
            return DeviceResult::Ok;
        return DeviceResult::BufferOverflow;
    case DIERR_NOTACQUIRED:
        return DeviceResult::NotAcquired;
    case DIERR_INPUTLOST:
        return DeviceResult::InputLost;
    case DIERR_OTHERAPPHASPRIO:
        return DeviceResult::OtherAppHasPriority;
    default:
        return DeviceResult::Failed;
    }
}

// One DirectInput object for the process, made on first use.
IDirectInput8A* directInput()
{
    static IDirectInput8A* object = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        HRESULT result = DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                            reinterpret_cast<void**>(&object), nullptr);
        if (FAILED(result)) {
            object = nullptr;
            g_lastError = "DirectInput8Create failed: " + Win32::errorText(DWORD(result));
        }
    }
    return object;
}

class DirectInputDevice : public InputDevice {
public:
    DirectInputDevice(DeviceKind kind, IDirectInputDevice8A* device) : kind(kind), device(device) {}
    ~DirectInputDevice() override
    {
        device->Unacquire();
        device->Release();
    }

    DeviceResult setDataFormat() override
    {
        return toResult(device->SetDataFormat(kind == DeviceKind::Keyboard ? &c_dfDIKeyboard : &c_dfDIMouse));
    }
    DeviceResult setWindow(NativeHandle window) override
    {
        // Without a window the default cooperation (background, non-exclusive) stays.
        if (!window)
            return DeviceResult::Ok;
        return toResult(device->SetCooperativeLevel(Win32::toWindow(window), DISCL_FOREGROUND | DISCL_NONEXCLUSIVE));
    }
    DeviceResult setBufferSize(std::size_t events) override
    {
        DIPROPDWORD property{};
        property.diph.dwSize = sizeof property;
        property.diph.dwHeaderSize = sizeof property.diph;
        property.diph.dwObj = 0;
        property.diph.dwHow = DIPH_DEVICE;
        property.dwData = static_cast<DWORD>(events);
        return toResult(device->SetProperty(DIPROP_BUFFERSIZE, &property.diph));
    }
    DeviceResult acquire() override { return toResult(device->Acquire(), true); }
    DeviceResult unacquire() override { return toResult(device->Unacquire()); }
    DeviceResult read(DeviceEvent* events, std::size_t& count) override
    {
        DIDEVICEOBJECTDATA data[64];
        DWORD wanted = static_cast<DWORD>(count < 64 ? count : 64);
        HRESULT result = device->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), data, &wanted, 0);
        if (FAILED(result)) {
            count = 0;
            return toResult(result);
        }
        for (DWORD i = 0; i < wanted; ++i) {
            events[i].offset = data[i].dwOfs;
            events[i].data = data[i].dwData;
            events[i].timeStamp = data[i].dwTimeStamp;
            events[i].sequence = data[i].dwSequence;
            events[i].appData = static_cast<std::uintptr_t>(data[i].uAppData);
        }
        count = wanted;
        return toResult(result);
    }

private:
    DeviceKind kind;
    IDirectInputDevice8A* device;
};

} // namespace

std::unique_ptr<InputDevice> InputDevice::create(DeviceKind kind)
{
    IDirectInput8A* input = directInput();
    if (!input)
        return nullptr;
    IDirectInputDevice8A* device = nullptr;
    HRESULT result = input->CreateDevice(kind == DeviceKind::Keyboard ? GUID_SysKeyboard : GUID_SysMouse, &device, nullptr);
    if (FAILED(result)) {
        g_lastError = std::string("CreateDevice failed: ") + Win32::errorText(DWORD(result));
        return nullptr;
    }
    return std::make_unique<DirectInputDevice>(kind, device);
}

const char* InputDevice::lastError()
{
    return g_lastError.c_str();
}

char keyCharacter(std::uint32_t scanCode)
{
    // Codes past DirectInput's byte (UnlistedKeyCode, UnnamedKeyCode) have no character; the layout
    // functions would read only their low byte and answer for another key.
    if (scanCode > 0xFF)
        return 0;
    HKL layout = GetKeyboardLayout(0);
    UINT virtualKey = MapVirtualKeyExA(scanCode, MAPVK_VSC_TO_VK_EX, layout);
    if (!virtualKey)
        return 0;
    BYTE state[256] = {};
    if (!GetKeyboardState(state))
        return 0;
    WORD character = 0;
    if (ToAsciiEx(virtualKey, scanCode, state, &character, 0, layout) != 1)
        return 0;
    return static_cast<char>(character & 0xFF);
}

} // namespace System::Platform

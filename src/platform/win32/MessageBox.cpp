// Win32 platform layer: message boxes (MessageBoxA), and the text of a system error code. The test hook
// of common/MessageBoxHook.h turns a box into a line on stderr, so runs under Wine never wait for a
// person.
// Depends on: USER32, KERNEL32.
#include "platform/MessageBox.h"

#include "platform/common/MessageBoxHook.h"
#include "platform/win32/Win32.h"

namespace System::Platform {

namespace Win32 {

std::string errorText(DWORD code)
{
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string result = length && text ? std::string(text, length) : "error " + std::to_string(code);
    if (text)
        LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    return result;
}

} // namespace Win32

MessageBoxResult messageBox(NativeHandle owner, const std::string& text, const std::string& caption,
                            MessageBoxButtons buttons, MessageBoxIcon icon)
{
    if (Common::messageBoxesGoToStderr())
        return Common::writtenMessageBox(text, caption, buttons);
    UINT type = buttons == MessageBoxButtons::YesNo ? MB_YESNO : MB_OK;
    switch (icon) {
    case MessageBoxIcon::Error:
        type |= MB_ICONERROR;
        break;
    case MessageBoxIcon::Stop:
        type |= MB_ICONSTOP;
        break;
    case MessageBoxIcon::Exclamation:
        type |= MB_ICONEXCLAMATION;
        break;
    case MessageBoxIcon::Information:
        type |= MB_ICONINFORMATION;
        break;
    case MessageBoxIcon::None:
        break;
    }
    int answer = MessageBoxA(Win32::toWindow(owner), text.c_str(), caption.c_str(), type);
    if (answer == IDYES)
        return MessageBoxResult::Yes;
    if (answer == IDNO)
        return MessageBoxResult::No;
    return MessageBoxResult::Ok;
}

} // namespace System::Platform

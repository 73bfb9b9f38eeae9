// Win32 platform layer: message boxes (MessageBoxA). With FERNHOLLOW_MESSAGE_BOX=stderr the box is the
// line "CAPTION: text" on stderr, answered by FERNHOLLOW_MESSAGE_BOX_ANSWER (yes or no, default no), so
// automated runs under Wine never wait for a person.
// Depends on: USER32, KERNEL32.
#include "platform/MessageBox.h"

#include "platform/win32/Win32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace System::Platform {

namespace Win32 {

bool boxesGoToStderr()
{
    const char* mode = std::getenv("FERNHOLLOW_MESSAGE_BOX");
    return mode && std::strcmp(mode, "stderr") == 0;
}

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
    if (Win32::boxesGoToStderr()) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        std::fflush(stderr);
        if (buttons == MessageBoxButtons::Ok)
            return MessageBoxResult::Ok;
        const char* answer = std::getenv("FERNHOLLOW_MESSAGE_BOX_ANSWER");
        return answer && std::strcmp(answer, "yes") == 0 ? MessageBoxResult::Yes : MessageBoxResult::No;
    }
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

// Linux platform layer: message boxes through SDL2's message box (its own X11 dialog).
// Automated runs never wait for a person: with FERNHOLLOW_MESSAGE_BOX=stderr, or when no display can
// be opened, or when SDL cannot show the box, the box becomes the line "CAPTION: text" on stderr and
// its answer comes from FERNHOLLOW_MESSAGE_BOX_ANSWER (yes or no, default no).
// Depends on: SDL2.
#include "platform/MessageBox.h"

#include "platform/common/MessageBoxHook.h"
#include "platform/linux/SdlVideo.h"
#include "platform/linux/WindowRegistry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace System::Platform {

namespace {

Uint32 flagsOf(MessageBoxIcon icon)
{
    switch (icon) {
    case MessageBoxIcon::Error:
    case MessageBoxIcon::Stop:
        return SDL_MESSAGEBOX_ERROR;
    case MessageBoxIcon::Exclamation:
        return SDL_MESSAGEBOX_WARNING;
    case MessageBoxIcon::Information:
    case MessageBoxIcon::None:
        break;
    }
    return SDL_MESSAGEBOX_INFORMATION;
}

} // namespace

MessageBoxResult messageBox(NativeHandle owner, const std::string& text, const std::string& caption,
                            MessageBoxButtons buttons, MessageBoxIcon icon)
{
    std::string error;
    if (Common::messageBoxesGoToStderr() || !Linux::ensureVideo(error))
        return Common::writtenMessageBox(text, caption, buttons);

    SDL_MessageBoxButtonData okButton[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 1, "OK"}};
    SDL_MessageBoxButtonData yesNo[] = {
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 3, "No"},
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 2, "Yes"},
    };
    SDL_MessageBoxData data = {};
    data.flags = flagsOf(icon);
    data.window = Linux::findWindowByHandle(owner);
    data.title = caption.c_str();
    data.message = text.c_str();
    if (buttons == MessageBoxButtons::Ok) {
        data.numbuttons = 1;
        data.buttons = okButton;
    } else {
        data.numbuttons = 2;
        data.buttons = yesNo;
    }
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0)
        return Common::writtenMessageBox(text, caption, buttons);
    if (buttons == MessageBoxButtons::Ok)
        return MessageBoxResult::Ok;
    return pressed == 2 ? MessageBoxResult::Yes : MessageBoxResult::No;
}

} // namespace System::Platform

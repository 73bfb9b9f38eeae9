#pragma once
// Modal dialogs laid out in templates kept as resources (type "DIALOG"), their controls addressed by
// numeric id, and a procedure that hears what the user does:
//   Init      once, after the controls exist and before the dialog is shown;
//   Command   the user clicked a button, switched a check box, chose a radio button or another
//             combo box entry, or used the close box or Escape (id 2, as Cancel);
//   Notify    the user moved a trackbar.
// Changes the procedure makes through Dialog itself send no messages. The procedure returns true
// when it handled the message. An exception it throws ends the dialog and leaves runDialog.
#include "platform/Handle.h"

#include <cstddef>
#include <functional>
#include <string>

namespace System::Platform {

enum class DialogMessage { Init, Command, Notify };

struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class Dialog;
using DialogProcedure = std::function<bool(Dialog& dialog, DialogMessage message, int controlId)>;

class Dialog {
public:
    virtual ~Dialog() = default;

    // The dialog's own window (an X11 window id); owner of the dialogs it opens.
    virtual NativeHandle handle() const = 0;

    // Controls that are not there are ignored, and read as empty, unchecked and 0.
    virtual void checkButton(int id, bool checked) = 0;
    virtual bool isButtonChecked(int id) const = 0;
    virtual void enableControl(int id, bool enabled) = 0;
    virtual bool isControlEnabled(int id) const = 0;
    virtual void showControl(int id, bool shown) = 0;
    virtual void setControlText(int id, const std::string& text) = 0;
    // At most maxChars characters of the control's text (a combo box: the selected entry's).
    virtual std::string controlText(int id, std::size_t maxChars) const = 0;
    virtual void addComboString(int id, const std::string& text) = 0;
    virtual void setComboSelection(int id, int index) = 0;
    virtual int comboSelection(int id) const = 0;  // -1 when nothing is selected
    virtual void setTrackbarRange(int id, int minimum, int maximum) = 0;
    virtual void setTrackbarPosition(int id, int position) = 0;
    virtual int trackbarPosition(int id) const = 0;

    // Closes the dialog once the current message is handled; runDialog returns result.
    virtual void end(int result) = 0;
    // The dialog's outer frame (with the window manager's decoration) on the screen.
    virtual WindowRect frameRect() const = 0;
    // Asks for the frame's top-left corner at x, y of the screen, size unchanged. On X11 this is a
    // request to the window manager.
    virtual void moveTo(int x, int y) = 0;
    // A message box owned by the dialog, with an OK button. With FERNHOLLOW_MESSAGE_BOX=stderr the
    // line "CAPTION: text" goes to stderr instead.
    virtual void showMessage(const std::string& text, const std::string& caption) = 0;
};

// Runs dialog template templateId modally with procedure; owner is another program's window, one of
// this program's open dialogs, or 0. Puts what the procedure passed to end into result (when not
// null) and returns true. False, before any message, when there is no display to show it on or the
// template cannot be read; lastDialogError() then says why.
bool runDialog(unsigned templateId, NativeHandle owner, DialogProcedure procedure, int* result = nullptr);
std::string lastDialogError();

} // namespace System::Platform

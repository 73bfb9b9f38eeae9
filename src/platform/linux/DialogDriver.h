#pragma once
// Test hook of the GTK dialogs: with FERNHOLLOW_DIALOG_DRIVER=stdin, lines on standard input act on
// the innermost open dialog as a user would (DialogDriver.cpp lists the commands), and "open" and
// "closed" lines report each dialog on standard output.
// Depends on: GTK 3, GLib.
#include "platform/Dialog.h"

#include <gtk/gtk.h>

#include <string>

namespace System::Platform::Linux {

// What the driver sees of an open dialog besides the Dialog calls.
class DrivenDialog : public Dialog {
public:
    virtual GtkWindow* topWindow() const = 0;
    virtual GtkWidget* control(int id) const = 0;  // null when the template has no such control
};

// Starts reading commands when FERNHOLLOW_DIALOG_DRIVER=stdin; called once GTK is ready.
void startDialogDriver();
bool dialogDriverRunning();
// One line on standard output.
void dialogDriverSay(const std::string& line);
// The innermost open dialog, or null (kept by the dialogs themselves).
DrivenDialog* innermostDialog();

} // namespace System::Platform::Linux

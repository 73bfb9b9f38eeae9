// Win32 platform layer: modal dialogs from DIALOGEX templates in the resources (DialogBoxParamA), with
// common controls (InitCommonControlsEx for the trackbar class). WM_INITDIALOG, WM_COMMAND and the
// trackbars' WM_NOTIFY and WM_HSCROLL become the procedure's Init, Command and Notify. An exception
// the procedure throws is kept, the dialog ends, and runDialog rethrows it once Windows has returned.
// Depends on: USER32, COMCTL32.
#include "platform/Dialog.h"

#include "platform/common/MessageBoxHook.h"
#include "platform/win32/Win32.h"

#include <commctrl.h>

#include <cstdio>
#include <exception>
#include <vector>

namespace System::Platform {

namespace {

class Win32Dialog : public Dialog {
public:
    explicit Win32Dialog(DialogProcedure procedure) : procedure(std::move(procedure)) {}

    NativeHandle handle() const override { return Win32::fromWindow(window); }
    void checkButton(int id, bool checked) override { CheckDlgButton(window, id, checked ? BST_CHECKED : BST_UNCHECKED); }
    bool isButtonChecked(int id) const override { return IsDlgButtonChecked(window, id) == BST_CHECKED; }
    void enableControl(int id, bool enabled) override
    {
        if (HWND control = GetDlgItem(window, id))
            EnableWindow(control, enabled ? TRUE : FALSE);
    }
    bool isControlEnabled(int id) const override
    {
        HWND control = GetDlgItem(window, id);
        return control && IsWindowEnabled(control);
    }
    void showControl(int id, bool shown) override
    {
        if (HWND control = GetDlgItem(window, id))
            ShowWindow(control, shown ? SW_SHOW : SW_HIDE);
    }
    void setControlText(int id, const std::string& text) override { SetDlgItemTextA(window, id, text.c_str()); }
    std::string controlText(int id, std::size_t maxChars) const override
    {
        std::vector<char> text(maxChars + 1, '\0');
        UINT length = GetDlgItemTextA(window, id, text.data(), static_cast<int>(text.size()));
        return std::string(text.data(), length);
    }
    void addComboString(int id, const std::string& text) override
    {
        SendDlgItemMessageA(window, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void setComboSelection(int id, int index) override { SendDlgItemMessageA(window, id, CB_SETCURSEL, WPARAM(index), 0); }
    int comboSelection(int id) const override
    {
        if (!GetDlgItem(window, id))
            return -1;
        return static_cast<int>(SendDlgItemMessageA(window, id, CB_GETCURSEL, 0, 0));
    }
    void setTrackbarRange(int id, int minimum, int maximum) override
    {
        SendDlgItemMessageA(window, id, TBM_SETRANGE, TRUE, MAKELPARAM(minimum, maximum));
    }
    void setTrackbarPosition(int id, int position) override
    {
        SendDlgItemMessageA(window, id, TBM_SETPOS, TRUE, LPARAM(position));
    }
    int trackbarPosition(int id) const override
    {
        if (!GetDlgItem(window, id))
            return 0;
        return static_cast<int>(SendDlgItemMessageA(window, id, TBM_GETPOS, 0, 0));
    }
    void end(int result) override { EndDialog(window, result); }
    WindowRect frameRect() const override
    {
        RECT rect{};
        GetWindowRect(window, &rect);
        return WindowRect{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    }
    void moveTo(int x, int y) override
    {
        HWND after = GetWindow(window, GW_OWNER);
        SetWindowPos(window, after ? after : HWND_TOP, x, y, 0, 0, SWP_NOSIZE | (after ? 0 : SWP_NOZORDER));
    }
    void showMessage(const std::string& text, const std::string& caption) override
    {
        if (Common::messageBoxesGoToStderr()) {
            Common::writtenMessageBox(text, caption, MessageBoxButtons::Ok);
            return;
        }
        MessageBoxA(window, text.c_str(), caption.c_str(), MB_OK);
    }

    // Runs the procedure; an exception ends the dialog and is kept for runDialog.
    INT_PTR run(DialogMessage message, int controlId)
    {
        if (failure)
            return FALSE;
        try {
            return procedure(*this, message, controlId) ? TRUE : FALSE;
        } catch (...) {
            failure = std::current_exception();
            EndDialog(window, -1);
            return TRUE;
        }
    }

    HWND window = nullptr;
    DialogProcedure procedure;
    std::exception_ptr failure;
};

INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<Win32Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Win32Dialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        self->window = window;
        return self->run(DialogMessage::Init, 0);
    }
    if (!self)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        return self->run(DialogMessage::Command, LOWORD(wParam));
    case WM_NOTIFY:
        return self->run(DialogMessage::Notify, static_cast<int>(wParam));
    case WM_HSCROLL:
        // Trackbars report their moves to the dialog this way.
        return lParam ? self->run(DialogMessage::Notify, GetDlgCtrlID(reinterpret_cast<HWND>(lParam))) : FALSE;
    default:
        return FALSE;
    }
}

} // namespace

namespace {
std::string g_lastError;
} // namespace

std::string lastDialogError()
{
    return g_lastError;
}

bool runDialog(unsigned templateId, NativeHandle owner, DialogProcedure procedure, int* result)
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);

    Win32Dialog dialog(std::move(procedure));
    HWND ownerWindow = Win32::toWindow(owner);
    if (ownerWindow && !IsWindow(ownerWindow))
        ownerWindow = nullptr;
    INT_PTR ended = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), ownerWindow,
                                     dialogProcedure, reinterpret_cast<LPARAM>(&dialog));
    if (dialog.failure)
        std::rethrow_exception(dialog.failure);
    if (ended == -1) {
        g_lastError = "Could not show dialog " + std::to_string(templateId) + ": " + Win32::errorText(GetLastError());
        return false;
    }
    if (result)
        *result = static_cast<int>(ended);
    return true;
}

} // namespace System::Platform

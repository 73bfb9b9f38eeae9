// Win32 platform layer: modal dialogs from DIALOGEX templates in the resources (DialogBoxParamA), with
// common controls (InitCommonControlsEx for the trackbar class). WM_INITDIALOG, WM_COMMAND and the
// trackbars' WM_NOTIFY and WM_HSCROLL become the procedure's Init, Command and Notify. An exception
// the procedure throws is kept, the dialog ends, and runDialog rethrows it once Windows has returned.
// Scaling: Windows lays a template out at the dialog's DPI, but the pictures of SS_BITMAP controls keep
// their pixels; each is replaced by a copy scaled to the DPI, and again when WM_DPICHANGED brings a new
// one. Where Windows does not move and resize the controls on a DPI change itself (before Windows 10
// 1703), the dialog does: the suggested rectangle, every control's place and the font.
// Depends on: USER32, GDI32, COMCTL32.
#include "platform/Dialog.h"

#include "platform/common/MessageBoxHook.h"
#include "platform/win32/Win32.h"

#include <commctrl.h>

#include <cstdio>
#include <exception>
#include <vector>

namespace System::Platform {

namespace {

// Posted from WM_DPICHANGED, so the pictures are scaled once Windows has placed the controls.
constexpr UINT scalePicturesMessage = WM_APP + 0x113;

// A copy of a bitmap, width and height times dpi / 96, interpolated linearly (done here: GDI's
// HALFTONE stretching differs between systems, and Wine's leaves stray dots). 24 bits, so no control
// takes it for one with alpha.
HBITMAP scaledBitmap(HBITMAP original, unsigned dpi)
{
    BITMAP info{};
    if (!GetObjectA(original, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return nullptr;
    const int sourceWidth = info.bmWidth;
    const int sourceHeight = info.bmHeight;
    const int width = MulDiv(sourceWidth, int(dpi), 96);
    const int height = MulDiv(sourceHeight, int(dpi), 96);
    if (width <= 0 || height <= 0)
        return nullptr;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = sourceWidth;
    format.bmiHeader.biHeight = -sourceHeight;  // rows top to bottom
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    format.bmiHeader.biCompression = BI_RGB;
    const std::size_t sourceStride = (std::size_t(sourceWidth) * 3 + 3) & ~std::size_t(3);
    std::vector<unsigned char> source(sourceStride * std::size_t(sourceHeight));
    HDC screen = GetDC(nullptr);
    bool read = screen && GetDIBits(screen, original, 0, UINT(sourceHeight), source.data(), &format, DIB_RGB_COLORS) ==
                              sourceHeight;
    if (screen)
        ReleaseDC(nullptr, screen);
    if (!read)
        return nullptr;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    void* bits = nullptr;
    HBITMAP scaled = CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (scaled && !bits) {
        DeleteObject(scaled);
        scaled = nullptr;
    }
    if (!scaled)
        return nullptr;
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    auto* target = static_cast<unsigned char*>(bits);
    // Pixel centres onto pixel centres; the edges repeat.
    auto sample = [](int to, int from, int i, int& low, int& high, double& weight) {
        double at = (i + 0.5) * from / to - 0.5;
        if (at < 0)
            at = 0;
        low = static_cast<int>(at);
        high = low + 1 < from ? low + 1 : low;
        weight = at - low;
    };
    for (int y = 0; y < height; ++y) {
        int top, bottom;
        double down;
        sample(height, sourceHeight, y, top, bottom, down);
        const unsigned char* upper = source.data() + sourceStride * std::size_t(top);
        const unsigned char* lower = source.data() + sourceStride * std::size_t(bottom);
        unsigned char* row = target + stride * std::size_t(y);
        for (int x = 0; x < width; ++x) {
            int left, right;
            double across;
            sample(width, sourceWidth, x, left, right, across);
            for (int c = 0; c < 3; ++c) {
                double above = upper[left * 3 + c] * (1 - across) + upper[right * 3 + c] * across;
                double below = lower[left * 3 + c] * (1 - across) + lower[right * 3 + c] * across;
                row[x * 3 + c] = static_cast<unsigned char>(above * (1 - down) + below * down + 0.5);
            }
        }
    }
    GdiFlush();
    return scaled;
}

// A picture control of the template: the bitmap Windows loaded for it and the scaled copy it shows.
struct Picture {
    HWND control;
    HBITMAP original;
    HBITMAP scaled;
};

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

    // Finds the template's picture controls and shows their bitmaps at the dialog's DPI.
    void takePictures()
    {
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char name[16] = {};
            GetClassNameA(child, name, sizeof name);
            if (lstrcmpiA(name, "Static") != 0 || (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP)
                continue;
            auto bitmap = reinterpret_cast<HBITMAP>(SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0));
            if (bitmap)
                pictures.push_back(Picture{child, bitmap, nullptr});
        }
        scalePictures();
    }

    void scalePictures()
    {
        unsigned current = Win32::windowDpi(window);
        for (Picture& picture : pictures) {
            HBITMAP scaled = current == 96 ? nullptr : scaledBitmap(picture.original, current);
            if (!scaled && picture.scaled == nullptr)
                continue;
            // A control without SS_CENTERIMAGE takes the size of its new picture.
            SendMessageA(picture.control, STM_SETIMAGE, IMAGE_BITMAP,
                         reinterpret_cast<LPARAM>(scaled ? scaled : picture.original));
            if (picture.scaled)
                DeleteObject(picture.scaled);
            picture.scaled = scaled;
        }
    }

    // The controls give back the bitmaps they loaded, which they delete themselves.
    void releasePictures()
    {
        for (Picture& picture : pictures) {
            if (!picture.scaled)
                continue;
            SendMessageA(picture.control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture.original));
            DeleteObject(picture.scaled);
        }
        pictures.clear();
        if (ownFont)
            DeleteObject(ownFont);
        ownFont = nullptr;
    }

    // WM_DPICHANGED: remembers the suggested rectangle; the rest follows once the dialog manager has
    // done its part (scalePicturesMessage).
    void dpiChanged(unsigned newDpi, const RECT& suggested)
    {
        RECT frame{};
        GetWindowRect(window, &frame);
        oldDpi = dpi ? dpi : Win32::windowDpi(window);
        dpi = newDpi;
        oldFrame = frame;
        target = suggested;
        PostMessageA(window, scalePicturesMessage, 0, 0);
    }

    void afterDpiChange()
    {
        RECT frame{};
        GetWindowRect(window, &frame);
        bool resized = frame.right - frame.left != oldFrame.right - oldFrame.left ||
                       frame.bottom - frame.top != oldFrame.bottom - oldFrame.top;
        if (!resized && oldDpi && dpi && oldDpi != dpi)
            relayout();
        SetWindowPos(window, nullptr, target.left, target.top, target.right - target.left, target.bottom - target.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        scalePictures();
        InvalidateRect(window, nullptr, TRUE);
    }

    // Every control's place and size and the dialog's font times the new DPI over the old.
    void relayout()
    {
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT rect{};
            GetWindowRect(child, &rect);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
            auto scale = [this](LONG value) { return MulDiv(value, int(dpi), int(oldDpi)); };
            SetWindowPos(child, nullptr, scale(rect.left), scale(rect.top), scale(rect.right - rect.left),
                         scale(rect.bottom - rect.top), SWP_NOZORDER | SWP_NOACTIVATE);
        }
        auto font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
        LOGFONTA description{};
        if (!font || !GetObjectA(font, sizeof description, &description))
            return;
        description.lfHeight = MulDiv(description.lfHeight, int(dpi), int(oldDpi));
        HFONT scaled = CreateFontIndirectA(&description);
        if (!scaled)
            return;
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(scaled), FALSE);
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(scaled), FALSE);
        if (ownFont)
            DeleteObject(ownFont);
        ownFont = scaled;
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
    std::vector<Picture> pictures;
    unsigned dpi = 0;
    unsigned oldDpi = 0;
    RECT oldFrame{};
    RECT target{};
    HFONT ownFont = nullptr;
};

INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<Win32Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Win32Dialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        self->window = window;
        self->dpi = Win32::windowDpi(window);
        self->takePictures();
        return self->run(DialogMessage::Init, 0);
    }
    if (!self)
        return FALSE;
    switch (message) {
    case WM_DPICHANGED:
        self->dpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return FALSE;  // the dialog manager scales the template's layout where it can
    case scalePicturesMessage:
        self->afterDpiChange();
        return TRUE;
    case WM_DESTROY:
        self->releasePictures();
        return FALSE;
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

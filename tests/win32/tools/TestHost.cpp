// A small Windows program for the Windows tests, run under Wine:
//   TestHost version                         prints its name (warms up a fresh Wine server)
//   TestHost host W H SAVER [WITHOUT]        a screen-saver host: a W x H window at 0,0, the saver
//                                            started as "SAVER /p <hwnd>"; prints "host <hwnd>" and
//                                            "saver <pid>". Commands on stdin: "destroy" destroys the
//                                            window and prints "saver-exit <status> <ms>" once the saver
//                                            has ended (or "saver-running" after 20 s); "quit".
//   TestHost preview-desktop SAVER           "SAVER /p <the desktop window>"; prints "saver-exit <status>
//                                            <ms>", or "saver-running" when it still runs after 20 s
//   TestHost control CAPTION ID [SECONDS]    screen centre "x y" of control ID in the top-level window
//                                            CAPTION, once it exists
//   TestHost rect CAPTION [SECONDS]          the window's "x y width height" on the screen
//   TestHost controls CAPTION [SECONDS]      "client x y width height DPI" of the top-level window CAPTION on
//                                            the screen, then per child window "control ID CLASS STYLE
//                                            VISIBLE x y width height TEXTWIDTH TEXTHEIGHT" (style in hex;
//                                            the text measured on one line in the control's font)
//   TestHost winver                          "major.minor.build" as GetVersionExA tells this program, which
//                                            has no manifest
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr UINT destroyCommand = WM_APP + 1;
constexpr UINT quitCommand = WM_APP + 2;

HWND waitForWindow(const char* caption, double seconds)
{
    DWORD until = GetTickCount() + DWORD(seconds * 1000);
    for (;;) {
        HWND window = FindWindowA(nullptr, caption);
        if (window && IsWindowVisible(window))
            return window;
        if (GetTickCount() > until)
            return nullptr;
        Sleep(50);
    }
}

LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY)
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

int host(int width, int height, const char* saver)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = hostProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = "FernhollowTestHost";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Test Host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width,
                                  height, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) {
        std::printf("error CreateWindow %lu\n", GetLastError());
        return 1;
    }
    std::printf("host %llu\n", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
    std::string command = std::string("\"") + saver + "\" /p " +
                          std::to_string(reinterpret_cast<std::uintptr_t>(window));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("error CreateProcess %lu\n", GetLastError());
        return 1;
    }
    std::printf("saver %lu\n", process.dwProcessId);
    std::fflush(stdout);

    DWORD mainThread = GetCurrentThreadId();
    std::thread reader([mainThread] {
        char line[256];
        while (std::fgets(line, sizeof line, stdin)) {
            if (std::strncmp(line, "destroy", 7) == 0)
                PostThreadMessageA(mainThread, destroyCommand, 0, 0);
            if (std::strncmp(line, "quit", 4) == 0)
                break;
        }
        PostThreadMessageA(mainThread, quitCommand, 0, 0);
    });
    reader.detach();

    // Until the saver ends: the host's messages are pumped, and "destroy" destroys its window. The
    // saver's end is reported with the milliseconds since the window was destroyed (0 before).
    DWORD destroyedAt = 0;
    for (;;) {
        DWORD timeout = destroyedAt ? 100 : INFINITE;
        DWORD waited = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, timeout, QS_ALLINPUT);
        if (waited == WAIT_OBJECT_0) {
            DWORD status = 0;
            GetExitCodeProcess(process.hProcess, &status);
            std::printf("saver-exit %lu %lu\n", status, destroyedAt ? GetTickCount() - destroyedAt : 0);
            std::fflush(stdout);
            return 0;
        }
        if (destroyedAt && GetTickCount() - destroyedAt > 20000) {
            std::printf("saver-running\n");
            std::fflush(stdout);
            break;
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == quitCommand) {
                TerminateProcess(process.hProcess, 99);
                return 0;
            }
            if (message.message == destroyCommand && !destroyedAt) {
                destroyedAt = GetTickCount();
                if (!destroyedAt)
                    destroyedAt = 1;
                DestroyWindow(window);
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    TerminateProcess(process.hProcess, 99);
    return 0;
}

// "SAVER /p <the desktop window>", with this process keeping the desktop up meanwhile: prints
// "saver-exit <status> <ms>" when the saver ends within 20 s, else ends it and prints "saver-running".
int previewIntoDesktop(const char* saver)
{
    std::string command = std::string("\"") + saver + "\" /p " +
                          std::to_string(reinterpret_cast<std::uintptr_t>(GetDesktopWindow()));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    DWORD start = GetTickCount();
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("error CreateProcess %lu\n", GetLastError());
        return 1;
    }
    if (WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0) {
        DWORD status = 0;
        GetExitCodeProcess(process.hProcess, &status);
        std::printf("saver-exit %lu %lu\n", status, GetTickCount() - start);
    } else {
        TerminateProcess(process.hProcess, 99);
        std::printf("saver-running\n");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "version") == 0) {
        std::printf("TestHost\n");
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "desktop") == 0) {
        std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(GetDesktopWindow())));
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "preview-desktop") == 0)
        return previewIntoDesktop(argv[2]);
    if (argc >= 5 && std::strcmp(argv[1], "host") == 0)
        return host(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
    if (argc >= 4 && std::strcmp(argv[1], "control") == 0) {
        HWND window = waitForWindow(argv[2], argc >= 5 ? std::atof(argv[4]) : 20.0);
        HWND control = window ? GetDlgItem(window, std::atoi(argv[3])) : nullptr;
        RECT rect{};
        if (!control || !GetWindowRect(control, &rect)) {
            std::printf("none\n");
            return 1;
        }
        std::printf("%ld %ld\n", (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "rect") == 0) {
        HWND window = waitForWindow(argv[2], argc >= 4 ? std::atof(argv[3]) : 20.0);
        RECT rect{};
        if (!window || !GetWindowRect(window, &rect)) {
            std::printf("none\n");
            return 1;
        }
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "controls") == 0) {
        HWND window = waitForWindow(argv[2], argc >= 4 ? std::atof(argv[3]) : 20.0);
        RECT client{};
        if (!window || !GetClientRect(window, &client)) {
            std::printf("none\n");
            return 1;
        }
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        HDC screen = GetDC(nullptr);
        int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        HFONT font = CreateFontA(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                 "MS Shell Dlg");
        std::printf("client %ld %ld %ld %ld %d\n", client.left, client.top, client.right - client.left,
                    client.bottom - client.top, dpi);
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char name[64] = {};
            GetClassNameA(child, name, sizeof name);
            RECT rect{};
            GetWindowRect(child, &rect);
            // The text's size on one line in the templates' font, 8-point MS Shell Dlg at the screen's
            // DPI (a control's own font is a handle of the other process): "-1 -1" without text.
            char text[256] = {};
            GetWindowTextA(child, text, sizeof text);
            SIZE extent{-1, -1};
            if (text[0]) {
                HGDIOBJ previous = SelectObject(screen, font);
                GetTextExtentPoint32A(screen, text, lstrlenA(text), &extent);
                SelectObject(screen, previous);
            }
            std::printf("control %d %s %lx %d %ld %ld %ld %ld %ld %ld\n", GetDlgCtrlID(child), name,
                        static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE)), IsWindowVisible(child) ? 1 : 0,
                        rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, extent.cx, extent.cy);
        }
        DeleteObject(font);
        ReleaseDC(nullptr, screen);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "winver") == 0) {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!GetVersionExA(&info))
            return 1;
#pragma GCC diagnostic pop
        std::printf("%lu.%lu.%lu\n", info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber);
        return 0;
    }
    std::fprintf(stderr, "TestHost: version | host W H SAVER | control CAPTION ID [S] | rect CAPTION [S] | "
                         "controls CAPTION [S] | winver\n");
    return 2;
}

// Win32 platform layer, test hook: Wine sends no power notifications, so with
// FERNHOLLOW_DISPLAY_POWER_FILE=<file> a thread reads the file's word ("on", "off", "dimmed") every
// 100 ms and, when it changes, sends the display window the WM_POWERBROADCAST Windows would send.
// The window's own procedure handles it, on the window's thread, as it would the system's.
#include "platform/win32/PowerState.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace System::Platform::Win32 {

namespace {

const GUID ConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

std::thread g_hook;
std::atomic<bool> g_stop{false};

int readState(const char* path)
{
    std::FILE* file = std::fopen(path, "r");
    if (!file)
        return 1;
    char word[16] = "";
    int state = 1;
    if (std::fscanf(file, "%15s", word) == 1) {
        if (std::strcmp(word, "off") == 0)
            state = 0;
        else if (std::strcmp(word, "dimmed") == 0)
            state = 2;
    }
    std::fclose(file);
    return state;
}

} // namespace

void startPowerHook(HWND window)
{
    const char* path = std::getenv("FERNHOLLOW_DISPLAY_POWER_FILE");
    if (!path || !*path || g_hook.joinable())
        return;
    g_stop = false;
    std::string file = path;
    g_hook = std::thread([window, file] {
        int sent = 1;
        while (!g_stop) {
            const int state = readState(file.c_str());
            if (state != sent) {
                struct {
                    POWERBROADCAST_SETTING head;
                    DWORD rest;
                } message{};
                message.head.PowerSetting = ConsoleDisplayState;
                message.head.DataLength = sizeof(DWORD);
                DWORD value = static_cast<DWORD>(state);
                std::memcpy(message.head.Data, &value, sizeof value);
                DWORD_PTR result = 0;
                // Waits for the window's thread to take it, as a broadcast from the system would.
                SendMessageTimeoutA(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                                    reinterpret_cast<LPARAM>(&message.head), SMTO_NORMAL, 2000, &result);
                sent = state;
            }
            Sleep(100);
        }
    });
}

void stopPowerHook()
{
    g_stop = true;
    if (g_hook.joinable())
        g_hook.join();
}

} // namespace System::Platform::Win32

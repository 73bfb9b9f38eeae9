// Win32 platform layer: the thread's message queue (PeekMessageA, GetMessageA, TranslateMessage,
// DispatchMessageA, PostQuitMessage). Input never travels through this queue for the scene: DirectInput
// reads the devices itself. A message taken by peek or wait is dispatched by dispatchMessage, which runs
// the window procedure (and through it the display window's platform procedure). SIGTERM and SIGINT
// (the C runtime's signals) and posts from other threads set a flag and wake the queue; the flag is
// seen before any message still queued.
// Depends on: USER32, KERNEL32.
#include "platform/MessagePump.h"

#include "platform/common/QuitLatch.h"
#include "platform/win32/WindowTable.h"

#include <csignal>

namespace System::Platform {

namespace {

// The message most recently taken, handed to DispatchMessageA by dispatchMessage.
MSG g_taken{};
DWORD g_pumpThread = GetCurrentThreadId();

void onTerminationSignal(int)
{
    Common::noteTermination();
}

Message translate(const MSG& msg)
{
    Message message;
    if (msg.message == WM_QUIT) {
        message.kind = Message::Kind::Quit;
        message.exitCode = static_cast<int>(msg.wParam);
        return message;
    }
    // The window procedure turns the message into the platform's own when it is dispatched.
    message.kind = Message::Kind::Other;
    return message;
}

} // namespace

bool peekMessage(Message& out)
{
    if (Common::takeQuit(out))
        return true;
    if (!PeekMessageA(&g_taken, nullptr, 0, 0, PM_REMOVE))
        return false;
    out = translate(g_taken);
    return true;
}

bool waitMessage(Message& out)
{
    for (;;) {
        if (Common::takeQuit(out))
            return false;
        // A signal cannot wake GetMessage; the timeout bounds how long it goes unseen.
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT) == WAIT_TIMEOUT)
            continue;
        if (!PeekMessageA(&g_taken, nullptr, 0, 0, PM_REMOVE))
            continue;
        out = translate(g_taken);
        return out.kind != Message::Kind::Quit;
    }
}

void dispatchMessage(const Message& message)
{
    if (message.kind == Message::Kind::Quit)
        return;
    if (message.kind == Message::Kind::Window) {
        const Win32::TableEntry* target = Win32::findWindowById(message.windowId);
        if (target && target->procedure)
            target->procedure(message.what, message.a, message.b);
        return;
    }
    TranslateMessage(&g_taken);
    DispatchMessageA(&g_taken);
}

void postQuitMessage(int exitCode)
{
    Common::latchQuit(exitCode);
    // Wakes a waiting pump on the main thread.
    PostThreadMessageA(g_pumpThread, WM_NULL, 0, 0);
}

void installTerminationHandlers()
{
    std::signal(SIGTERM, onTerminationSignal);
    std::signal(SIGINT, onTerminationSignal);
}

bool terminationRequested()
{
    return Common::terminationNoted();
}

} // namespace System::Platform

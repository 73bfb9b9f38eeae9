#pragma once
// The thread's message queue: the saver run's pump and the window procedures of display windows.
// Keyboard and mouse events are never taken here; they stay queued for the input devices.
#include <cstdint>

namespace System::Platform {

enum class WindowMessage {
    Activate,   // the window gained focus (a = 1) or lost it (a = 0)
    Close,      // the user or the window manager asked the window to close
    Size,       // the window's client size changed to a x b
    Expose,     // the window must be repainted
    Other,
};

struct Message {
    enum class Kind { Quit, Window, Other };
    Kind kind = Kind::Other;
    int exitCode = 0;            // Quit only
    std::uint32_t windowId = 0;  // Window only: which display window
    WindowMessage what = WindowMessage::Other;
    int a = 0;
    int b = 0;
};

// Takes the next non-input message without waiting; false when the queue is empty.
bool peekMessage(Message& out);
// Waits for the next non-input message; false when it is the quit message (as GetMessage).
bool waitMessage(Message& out);
// Hands a window message to the procedure of the display window it belongs to.
void dispatchMessage(const Message& message);
// Queues the quit message. Safe to call from any thread.
void postQuitMessage(int exitCode);
// The ending signals post the quit message (the handler itself only sets a flag): SIGTERM and SIGINT,
// and where the system has them SIGHUP and SIGQUIT; SIGUSR1 and SIGUSR2, a host's reset, are ignored.
void installTerminationHandlers();
// True once one of the ending signals arrived (for loops that do not use the queue).
bool terminationRequested();

} // namespace System::Platform

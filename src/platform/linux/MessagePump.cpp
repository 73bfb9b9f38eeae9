// Linux platform layer: the message pump over SDL's event queue.
// Only non-input events are taken here (SDL_PeepEvents over the ranges outside keyboard and mouse),
// so key and mouse events, and the X events the keyboard asks SDL for, stay queued for the buffered
// input devices. The quit message is a flag: posting it is safe from any thread and from the
// handler of the ending signals, and it is seen before any message still queued behind it.
// Ending signals are those a host, a terminal or a session's end sends to stop a program: SIGTERM,
// SIGINT, SIGHUP (a hang-up or a logout) and SIGQUIT. Each ends the run through the quit message, so
// the exit-time clean-up restores the display mode and saves the settings, and the status is 0.
// SIGUSR1 and SIGUSR2 are a host's "reset" (xsecurelock sends SIGUSR1 when its password dialog
// closes): the scene has nothing to reset, so they are ignored and the run carries on.
// Depends on: SDL2 events, POSIX signals.
#include "platform/MessagePump.h"

#include "platform/common/QuitLatch.h"
#include "platform/linux/HostWindow.h"
#include "platform/linux/SdlVideo.h"
#include "platform/linux/WindowRegistry.h"

#include <csignal>
#include <map>

namespace System::Platform {

namespace {


void onTerminationSignal(int)
{
    Common::noteTermination();
}

bool takeNonInputEvent(SDL_Event& event)
{
    if (!SDL_WasInit(SDL_INIT_EVENTS))
        return false;
    SDL_PumpEvents();
    // X events passed on by SDL belong to the keyboard, which reads them in order with its keys.
    if (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_SYSWMEVENT - 1) > 0)
        return true;
    return SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_MOUSEWHEEL + 1, SDL_LASTEVENT) > 0;
}

Message translate(const SDL_Event& event)
{
    Message message;
    if (event.type == SDL_QUIT) {
        message.kind = Message::Kind::Quit;
        return message;
    }
    if (event.type != SDL_WINDOWEVENT)
        return message;
    message.kind = Message::Kind::Window;
    message.windowId = event.window.windowID;
    switch (event.window.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        message.what = WindowMessage::Activate;
        message.a = 1;
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        message.what = WindowMessage::Activate;
        message.a = 0;
        break;
    case SDL_WINDOWEVENT_CLOSE:
        message.what = WindowMessage::Close;
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        message.what = WindowMessage::Size;
        message.a = event.window.data1;
        message.b = event.window.data2;
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        message.what = WindowMessage::Expose;
        break;
    default:
        message.what = WindowMessage::Other;
        break;
    }
    return message;
}

} // namespace

bool peekMessage(Message& out)
{
    // A host that destroys the window we draw into ends the run, as closing it would.
    static bool hostGone = false;
    if (!hostGone && Linux::hostWindowDestroyed()) {
        hostGone = true;
        postQuitMessage(0);
    }
    if (Common::takeQuit(out))
        return true;
    SDL_Event event;
    if (!takeNonInputEvent(event))
        return false;
    out = translate(event);
    return true;
}

bool waitMessage(Message& out)
{
    for (;;) {
        if (peekMessage(out))
            return out.kind != Message::Kind::Quit;
        SDL_Delay(10);
    }
}

void dispatchMessage(const Message& message)
{
    if (message.kind != Message::Kind::Window)
        return;
    const Linux::RegisteredWindow* target = Linux::findWindow(message.windowId);
    if (target && target->procedure)
        target->procedure(message.what, message.a, message.b);
}

void postQuitMessage(int exitCode)
{
    Common::latchQuit(exitCode);
}

void installTerminationHandlers()
{
    struct sigaction ending = {};
    ending.sa_handler = onTerminationSignal;
    sigemptyset(&ending.sa_mask);
    for (int number : {SIGTERM, SIGINT, SIGHUP, SIGQUIT})
        sigaction(number, &ending, nullptr);
    // Ignored rather than caught: nothing is interrupted, in any thread. The runs that install these
    // start no other program, which would inherit the ignoring.
    struct sigaction reset = {};
    reset.sa_handler = SIG_IGN;
    sigemptyset(&reset.sa_mask);
    for (int number : {SIGUSR1, SIGUSR2})
        sigaction(number, &reset, nullptr);
}

bool terminationRequested()
{
    return Common::terminationNoted();
}

} // namespace System::Platform

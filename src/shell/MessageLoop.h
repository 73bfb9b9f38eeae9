#pragma once
#include "platform/MessagePump.h"

#include <functional>

// The saver run's pump: takes messages without waiting, dispatches every one but the quit message,
// which ends the loop at once, and runs a frame only when the queue is empty.
struct MessageLoop {
    std::function<bool(System::Platform::Message&)> peek = System::Platform::peekMessage;
    std::function<void(const System::Platform::Message&)> dispatch = System::Platform::dispatchMessage;
    std::function<void()> frame;

    void run() const;
};

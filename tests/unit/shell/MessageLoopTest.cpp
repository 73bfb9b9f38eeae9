#include "shell/MessageLoop.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

using System::Platform::Message;

namespace {

Message windowMessage(int tag)
{
    Message message;
    message.kind = Message::Kind::Window;
    message.a = tag;
    return message;
}

Message quitMessage(int code)
{
    Message message;
    message.kind = Message::Kind::Quit;
    message.exitCode = code;
    return message;
}

// Replays a script of arrivals: a message, or "empty" (a moment when the queue is empty).
struct ScriptedQueue {
    std::deque<std::pair<bool, Message>> script;
    std::string trace;

    void arrive(const Message& message) { script.push_back({true, message}); }
    void empty() { script.push_back({false, Message()}); }

    MessageLoop loop()
    {
        MessageLoop loop;
        loop.peek = [this](Message& out) {
            if (script.empty())
                return false;
            auto next = script.front();
            script.pop_front();
            if (!next.first)
                return false;
            out = next.second;
            return true;
        };
        loop.dispatch = [this](const Message& message) { trace += "d" + std::to_string(message.a); };
        loop.frame = [this] {
            trace += "F";
            if (trace.size() > 100)
                throw std::runtime_error("the loop did not end");
        };
        return loop;
    }
};

} // namespace

TEST(MessageLoop, FramesRunOnlyWhenTheQueueIsEmpty)
{
    ScriptedQueue queue;
    queue.arrive(windowMessage(1));
    queue.arrive(windowMessage(2));
    queue.arrive(windowMessage(3));
    queue.empty();
    queue.empty();
    queue.arrive(windowMessage(4));
    queue.empty();
    queue.arrive(quitMessage(0));
    queue.loop().run();
    EXPECT_EQ(queue.trace, "d1d2d3FFd4F");
}

TEST(MessageLoop, QuitEndsTheLoopWhateverItsCodeAndLeavesLaterMessages)
{
    for (int code : {0, 1, -7, 12345}) {
        ScriptedQueue queue;
        queue.arrive(windowMessage(1));
        queue.arrive(quitMessage(code));
        queue.arrive(windowMessage(2));
        queue.empty();
        queue.loop().run();
        EXPECT_EQ(queue.trace, "d1") << code;
        EXPECT_EQ(queue.script.size(), 2u) << "messages behind the quit message stay queued";
    }
}

#include "shell/MessageLoop.h"

void MessageLoop::run() const
{
    using System::Platform::Message;
    bool done = false;
    while (!done) {
        Message message;
        if (peek(message)) {
            if (message.kind == Message::Kind::Quit)
                done = true;
            else
                dispatch(message);
        } else {
            frame();
        }
    }
}

#pragma once
// What the text sprites show.
#include <string>

namespace System {

// The local time, 12-hour style: "9:05:07 Am", "12:00:00 Pm", "12:00:59 Am" just after midnight.
struct time_12h {
    static std::string text();
};

// The local time, 24-hour style: "0:07:42", "13:01:02".
struct time_24h {
    static std::string text();
};

// The timer's frames-per-second text; each call counts as one frame.
struct fpsometer {
    static std::string text();
};

} // namespace System

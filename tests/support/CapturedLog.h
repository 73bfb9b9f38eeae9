#pragma once
// Collects the log's lines while it lives, without their "[HH:MM:SS] " stamp and closing NUL.
#include "engine/Log.h"

#include <algorithm>
#include <string>
#include <vector>

namespace TestSupport {

class CapturedLog : public System::LogSink {
public:
    CapturedLog() { System::Log::instance().attach(this); }
    ~CapturedLog() override { System::Log::instance().detach(this); }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    void receive(const std::string& text) override
    {
        std::string line = text.size() > 11 ? text.substr(11) : text;
        if (!line.empty() && line.back() == '\0')
            line.pop_back();
        lines.push_back(line);
    }

    std::size_t count(const std::string& line) const { return std::count(lines.begin(), lines.end(), line); }
    // Position of the first line equal to line, or -1.
    long indexOf(const std::string& line) const
    {
        auto found = std::find(lines.begin(), lines.end(), line);
        return found == lines.end() ? -1 : long(found - lines.begin());
    }

    std::vector<std::string> lines;
};

} // namespace TestSupport

#pragma once
// Collects the engine log's lines (without the time stamp and the closing NUL) while it lives.
#include "engine/Log.h"

#include <string>
#include <vector>

class LogCapture : public System::LogSink {
public:
    LogCapture() { System::Log::instance().attach(this); }
    ~LogCapture() override { System::Log::instance().detach(this); }

    void receive(const std::string& text) override
    {
        std::string line = text;
        if (!line.empty() && line.back() == '\0')
            line.pop_back();
        // "[HH:MM:SS] " comes first.
        if (line.size() >= 11 && line[0] == '[' && line[9] == ']')
            line.erase(0, 11);
        lines.push_back(line);
    }

    std::string last() const { return lines.empty() ? std::string() : lines.back(); }

    std::vector<std::string> lines;
};

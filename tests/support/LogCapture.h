#pragma once
// Collects the lines the engine's log writes while it is alive.
#include "engine/Log.h"

#include <string>
#include <vector>

class LogCapture : public System::LogSink {
public:
    LogCapture() { System::Log::instance().attach(this); }
    ~LogCapture() override { System::Log::instance().detach(this); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    void receive(const std::string& text) override { lines.push_back(text); }

    // The lines without their stamp and trailing NUL.
    std::vector<std::string> texts() const;
    bool contains(const std::string& text) const;
    // Position of the first line whose text equals text; -1 when absent.
    int indexOf(const std::string& text) const;
    // The text of the last line; empty when there is none.
    std::string last() const;

    std::vector<std::string> lines;
};

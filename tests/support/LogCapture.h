#pragma once
// Collects the lines the engine's log writes while it is alive.
#include "engine/Log.h"

#include <cstddef>
#include <string>
#include <vector>

class LogCapture : public System::LogSink {
public:
    LogCapture() { System::Log::instance().attach(this); }
    ~LogCapture() override { System::Log::instance().detach(this); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    void receive(const std::string& text) override;

    const std::vector<std::string>& texts() const { return lines; }
    bool contains(const std::string& text) const { return indexOf(text) >= 0; }
    // Position of the first line whose text equals text; -1 when absent.
    long indexOf(const std::string& text) const;
    std::size_t count(const std::string& text) const;
    // The text of the last line; empty when there is none.
    std::string last() const { return lines.empty() ? std::string() : lines.back(); }

    std::vector<std::string> raw;    // as the log handed them over
    std::vector<std::string> lines;  // without the "[HH:MM:SS] " stamp and the trailing NUL
};

#pragma once
#include <list>
#include <memory>
#include <string>

namespace System {
namespace Platform {
struct OsVersion;
}

// Receives every finished log line.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void receive(const std::string& text) = 0;
};

// Turns messages into time-stamped lines ("[HH:mm:ss] " + text + NUL) for the attached sinks.
// FERNHOLLOW_LOG=stderr or FERNHOLLOW_LOG=<file> attaches a sink that writes the lines out.
class Log {
public:
    static Log& instance();

    void write(const std::string& text);
    void writeSystemInfo(const Platform::OsVersion& info);
    std::string timestamp();
    std::string dateText();

    void attach(LogSink* sink);
    void detach(LogSink* sink);

private:
    Log();
    std::list<LogSink*> sinks;
    std::unique_ptr<LogSink> environmentSink;
};

} // namespace System

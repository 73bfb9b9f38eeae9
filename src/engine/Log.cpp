#include "engine/Log.h"

#include "engine/Version.h"
#include "platform/Clock.h"
#include "platform/SystemInfo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace System {

namespace {

// Writes lines out for people who troubleshoot, without the NUL the log puts at their end.
class StreamSink : public LogSink {
public:
    StreamSink(std::FILE* file, bool owned) : file(file), owned(owned) {}
    ~StreamSink() override
    {
        if (owned)
            std::fclose(file);
    }
    void receive(const std::string& text) override
    {
        std::size_t length = text.size();
        if (length > 0 && text[length - 1] == '\0')
            --length;
        std::fwrite(text.data(), 1, length, file);
        std::fflush(file);
    }

private:
    std::FILE* file;
    bool owned;
};

std::unique_ptr<LogSink> sinkFromEnvironment()
{
    const char* target = std::getenv("FERNHOLLOW_LOG");
    if (!target || !*target)
        return nullptr;
    if (std::strcmp(target, "stderr") == 0)
        return std::make_unique<StreamSink>(stderr, false);
    std::FILE* file = std::fopen(target, "a");
    if (!file) {
        std::fprintf(stderr, "fernhollow: cannot write the log to %s\n", target);
        return nullptr;
    }
    return std::make_unique<StreamSink>(file, true);
}

} // namespace

Log& Log::instance()
{
    // Never destroyed: modules may log from exit-time clean-up.
    static Log* log = new Log();
    return *log;
}

Log::Log() : environmentSink(sinkFromEnvironment())
{
    if (environmentSink)
        sinks.push_back(environmentSink.get());
    std::string header = timestamp() + LogCreatedText + " Today is: " + dateText() + "\n" +
                         EngineVersion + "\n";
    for (LogSink* sink : sinks)
        sink->receive(header);
}

void Log::write(const std::string& text)
{
    std::ostringstream line;
    line << timestamp() << text << '\0';
    std::string finished = line.str();
    for (LogSink* sink : sinks)
        sink->receive(finished);
}

void Log::writeSystemInfo(const Platform::OsVersion& info)
{
    std::ostringstream text;
    text << "Running under " << info.name << " " << info.major << "." << info.minor << " build "
         << info.build << ", " << info.extra << "\n";
    write(text.str());
}

std::string Log::timestamp()
{
    return "[" + Platform::timeText(Platform::localTime()) + "] ";
}

std::string Log::dateText()
{
    return Platform::dateText(Platform::localTime());
}

void Log::attach(LogSink* sink)
{
    if (sink)
        sinks.push_back(sink);
}

void Log::detach(LogSink* sink)
{
    sinks.remove(sink);
}

} // namespace System

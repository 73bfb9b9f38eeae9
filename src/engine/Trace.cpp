#include "engine/Trace.h"

#include "platform/Clock.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace System {

namespace {

std::FILE* traceFile()
{
    // Opened once, never closed: milestones may come from exit-time clean-up.
    static std::FILE* file = [] () -> std::FILE* {
        const char* target = std::getenv("FERNHOLLOW_TRACE");
        if (!target || !*target)
            return nullptr;
        if (std::strcmp(target, "stderr") == 0)
            return stderr;
        std::FILE* opened = std::fopen(target, "a");
        if (!opened)
            std::fprintf(stderr, "fernhollow: cannot write the trace to %s\n", target);
        return opened;
    }();
    return file;
}

} // namespace

bool tracing()
{
    return traceFile() != nullptr;
}

void trace(const std::string& event)
{
    std::FILE* file = traceFile();
    if (!file)
        return;
    std::fprintf(file, "%.6f %s\n", Platform::monotonicSeconds(), event.c_str());
    std::fflush(file);
}

} // namespace System

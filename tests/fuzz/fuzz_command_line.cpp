// The command-line dispatch over any text: a mode, nothing, or a BadArgument naming the token.
#include "shell/CommandLine.h"

#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        Invocation run = parseCommandLine(text);
        if (run.mode == Invocation::Mode::Hosted || run.handle > 0xFFFFFFFFu)
            std::abort();
    } catch (const BadArgument&) {
    }
    // The same bytes as separate arguments, split at NULs.
    std::vector<std::string> arguments;
    std::string current;
    for (char c : text) {
        if (c == '\0') {
            arguments.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    arguments.push_back(current);
    try {
        parseArguments(arguments);
    } catch (const BadArgument&) {
    }
    return 0;
}

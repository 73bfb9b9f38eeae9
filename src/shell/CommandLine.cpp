#include "shell/CommandLine.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

const char* const Delimiters = " :/-";

std::vector<std::string> tokenize(const std::string& text)
{
    std::vector<std::string> tokens;
    std::string::size_type at = text.find_first_not_of(Delimiters);
    while (at != std::string::npos) {
        std::string::size_type end = text.find_first_of(Delimiters, at);
        tokens.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end == std::string::npos ? end : text.find_first_not_of(Delimiters, end);
    }
    return tokens;
}

bool isLetter(const std::string& token, char letter)
{
    return token.size() == 1 && std::tolower(static_cast<unsigned char>(token[0])) == letter;
}

// An argument in quotes, as an error message shows it: a long one is cut, so the message stays short.
std::string quoted(const std::string& argument)
{
    constexpr std::size_t limit = 64;
    if (argument.size() <= limit)
        return "\"" + argument + "\"";
    return "\"" + argument.substr(0, limit) + "...\" (" + std::to_string(argument.size()) + " characters)";
}

System::Platform::NativeHandle readHandle(const std::string& token, const char* after)
{
    bool digits = !token.empty() && token.size() <= 10;
    for (char c : token)
        digits = digits && std::isdigit(static_cast<unsigned char>(c));
    unsigned long long value = digits ? std::strtoull(token.c_str(), nullptr, 10) : 0;
    if (!digits || value > 0xFFFFFFFFull)
        throw BadArgument("the window handle " + quoted(token) + " after " + after +
                          " is not an unsigned decimal number");
    return static_cast<System::Platform::NativeHandle>(value);
}

// X11 window ids as hosts write them: decimal or 0x-prefixed hexadecimal.
System::Platform::NativeHandle readWindowId(const std::string& text, const char* source)
{
    const char* start = text.c_str();
    int base = (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) ? 16 : 10;
    if (base == 16)
        start += 2;
    char* end = nullptr;
    errno = 0;
    unsigned long long value = *start && std::isxdigit(static_cast<unsigned char>(*start))
                                   ? std::strtoull(start, &end, base)
                                   : 0;
    if (!end || *end || errno || value == 0 || value > 0xFFFFFFFFull)
        throw BadArgument("the window id " + quoted(text) + " of " + source + " is not a window id");
    return static_cast<System::Platform::NativeHandle>(value);
}

int readVolume(const std::string& text)
{
    bool digits = !text.empty() && text.size() <= 3;
    for (char c : text)
        digits = digits && std::isdigit(static_cast<unsigned char>(c));
    int value = digits ? std::atoi(text.c_str()) : -1;
    if (value < 0 || value > 100)
        throw BadArgument("the volume \"" + text + "\" of -volume is not a whole number from 0 to 100");
    return value;
}

// Takes the per-run switches out of the arguments (one or two leading hyphens, as X11 hosts write
// them) and returns what is left.
std::vector<std::string> takeSwitches(const std::vector<std::string>& arguments, RunOverrides& overrides)
{
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        if (name.rfind("--", 0) == 0)
            name.erase(0, 1);
        if (name == "-clock" || name == "-no-clock")
            overrides.showTime = name == "-clock";
        else if (name == "-12-hour" || name == "-24-hour")
            overrides.twelveHourClock = name == "-12-hour";
        else if (name == "-fps" || name == "-no-fps")
            overrides.showFps = name == "-fps";
        else if (name == "-sound" || name == "-no-sound")
            overrides.soundEnabled = name == "-sound";
        else if (name == "-volume") {
            if (i + 1 >= arguments.size())
                throw BadArgument("-volume needs a whole number from 0 to 100");
            overrides.volume = readVolume(arguments[++i]);
        } else
            rest.push_back(arguments[i]);
    }
    return rest;
}

Invocation parseRest(const std::vector<std::string>& arguments)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "-window-id" || arguments[i] == "--window-id") {
            Invocation hosted;
            hosted.mode = Invocation::Mode::Hosted;
            if (i + 1 >= arguments.size())
                throw BadArgument("-window-id needs a window id");
            hosted.handle = readWindowId(arguments[i + 1], "-window-id");
            return hosted;
        }
        if (arguments[i] == "-root" || arguments[i] == "--root") {
            Invocation hosted;
            hosted.mode = Invocation::Mode::Hosted;
            const char* fromHost = std::getenv("XSCREENSAVER_WINDOW");
            if (fromHost && *fromHost)
                hosted.handle = readWindowId(fromHost, "XSCREENSAVER_WINDOW");
            else
                hosted.hostIsRoot = true;
            return hosted;
        }
    }
    std::string joined;
    for (const std::string& argument : arguments)
        joined += (joined.empty() ? "" : " ") + argument;
    return parseCommandLine(joined);
}

} // namespace

Invocation parseCommandLine(const std::string& commandLine)
{
    Invocation result;
    std::vector<std::string> tokens = tokenize(commandLine);
    if (tokens.empty()) {
        result.mode = Invocation::Mode::Settings;
        return result;
    }
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string& token = tokens[i];
        if (isLetter(token, 'c')) {
            result.mode = Invocation::Mode::Settings;
            if (i + 1 < tokens.size())
                result.handle = readHandle(tokens[i + 1], "c");
            else
                result.ownerFromForeground = true;
            return result;
        }
        if (isLetter(token, 's')) {
            result.mode = Invocation::Mode::Saver;
            return result;
        }
        if (isLetter(token, 'p')) {
            result.mode = Invocation::Mode::Preview;
            if (i + 1 < tokens.size())
                result.handle = readHandle(tokens[i + 1], "p");
            return result;
        }
    }
    return result;
}

Invocation parseArguments(const std::vector<std::string>& arguments)
{
    RunOverrides overrides;
    std::vector<std::string> rest = takeSwitches(arguments, overrides);
    Invocation invocation = parseRest(rest);
    invocation.overrides = overrides;
    return invocation;
}

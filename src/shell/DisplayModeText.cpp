#include "shell/DisplayModeText.h"

#include "base/Exception.h"

#include <cstdint>
#include <iterator>
#include <vector>

std::set<std::string> enumerateDisplayModes(const DisplayModeSource& source)
{
    std::set<std::string> modes;
    System::Platform::VideoMode mode;
    for (int index = 0; source(index, mode); ++index) {
        if (mode.bitsPerPixel < 16 || mode.width < 800 || mode.height < 600)
            continue;
        System::DisplayMode kept;
        kept.width = mode.width;
        kept.height = mode.height;
        kept.depth = mode.bitsPerPixel;
        modes.insert(displayModeText(kept));
    }
    return modes;
}

System::DisplayMode currentDesktopMode()
{
    System::Platform::VideoMode desktop;
    if (!System::Platform::currentDisplayMode(desktop))
        throw System::Exception(System::Platform::lastDisplayModeError());
    System::DisplayMode mode;
    mode.width = desktop.width;
    mode.height = desktop.height;
    mode.depth = desktop.bitsPerPixel;
    mode.fullScreen = true;
    return mode;
}

std::string displayModeText(const System::DisplayMode& mode)
{
    return std::to_string(mode.width) + "x" + std::to_string(mode.height) + "x" +
           std::to_string(mode.depth);
}

namespace {

std::int32_t decimal(const std::string& piece, const std::string& text)
{
    std::int64_t value = 0;
    for (char c : piece) {
        if (c < '0' || c > '9')
            throw BadDisplayModeText("\"" + text + "\" is not a display mode: \"" + piece +
                                     "\" is not a decimal number");
        value = value * 10 + (c - '0');
        if (value > INT32_MAX)
            throw BadDisplayModeText("\"" + text + "\" is not a display mode: " + piece +
                                     " is too large");
    }
    if (value == 0)
        throw BadDisplayModeText("\"" + text + "\" is not a display mode: a size or depth of 0");
    return static_cast<std::int32_t>(value);
}

} // namespace

System::DisplayMode parseDisplayMode(const std::string& text)
{
    std::vector<std::string> pieces;
    std::string piece;
    for (char c : text) {
        if (c == 'x') {
            if (!piece.empty())
                pieces.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty())
        pieces.push_back(piece);
    if (pieces.size() < 3)
        throw BadDisplayModeText(text.empty() ? std::string("no display mode is selected")
                                              : "\"" + text +
                                                    "\" is not a display mode such as 1024x768x32");
    System::DisplayMode mode;
    mode.width = decimal(pieces[0], text);
    mode.height = decimal(pieces[1], text);
    mode.depth = decimal(pieces[2], text);
    mode.fullScreen = true;
    return mode;
}

int displayModeIndex(const std::set<std::string>& modes, const std::string& text)
{
    auto found = modes.find(text);
    return found == modes.end() ? 0 : static_cast<int>(std::distance(modes.begin(), found));
}

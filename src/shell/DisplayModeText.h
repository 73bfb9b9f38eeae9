#pragma once
// Display modes as the settings dialog lists them: "WxHxD" texts (1024x768x32, no spaces).
#include "base/Types.h"
#include "platform/DisplayModes.h"

#include <functional>
#include <set>
#include <stdexcept>
#include <string>

// A text that does not give three decimal numbers; the message says what was wrong.
class BadDisplayModeText : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Where the modes come from: the index-th mode, false past the last one.
using DisplayModeSource = std::function<bool(int index, System::Platform::VideoMode& mode)>;

// Every mode of the primary display with at least 16 bits per pixel, 800 pixels wide and 600 high,
// as texts in plain character order; the same size and depth at other refresh rates collapse.
std::set<std::string> enumerateDisplayModes(
    const DisplayModeSource& source = &System::Platform::enumDisplayMode);

// The desktop's current mode, full screen. Throws System::Exception without a display.
System::DisplayMode currentDesktopMode();

std::string displayModeText(const System::DisplayMode& mode);

// Splits at every "x", dropping empty pieces; the first three pieces are width, height and depth,
// each a positive decimal number. fullScreen is true. Throws BadDisplayModeText otherwise.
System::DisplayMode parseDisplayMode(const std::string& text);

// The position of text in modes, counting from 0; 0 when it is not there.
int displayModeIndex(const std::set<std::string>& modes, const std::string& text);

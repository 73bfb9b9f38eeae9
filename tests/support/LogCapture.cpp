#include "LogCapture.h"

#include <algorithm>

void LogCapture::receive(const std::string& text)
{
    raw.push_back(text);
    std::string line = text;
    if (!line.empty() && line.back() == '\0')
        line.pop_back();
    if (line.size() >= 11 && line[0] == '[' && line[9] == ']' && line[10] == ' ')
        line.erase(0, 11);
    lines.push_back(line);
}

long LogCapture::indexOf(const std::string& text) const
{
    auto found = std::find(lines.begin(), lines.end(), text);
    return found == lines.end() ? -1 : static_cast<long>(found - lines.begin());
}

std::size_t LogCapture::count(const std::string& text) const
{
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), text));
}

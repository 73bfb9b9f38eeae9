#include "LogCapture.h"

std::vector<std::string> LogCapture::texts() const
{
    std::vector<std::string> result;
    for (const std::string& line : lines) {
        std::string text = line;
        if (!text.empty() && text.back() == '\0')
            text.pop_back();
        // "[HH:MM:SS] " is eleven characters.
        if (text.size() >= 11 && text[0] == '[' && text[9] == ']' && text[10] == ' ')
            text = text.substr(11);
        result.push_back(text);
    }
    return result;
}

bool LogCapture::contains(const std::string& text) const
{
    return indexOf(text) >= 0;
}

int LogCapture::indexOf(const std::string& text) const
{
    std::vector<std::string> all = texts();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i] == text)
            return static_cast<int>(i);
    return -1;
}

std::string LogCapture::last() const
{
    std::vector<std::string> all = texts();
    return all.empty() ? std::string() : all.back();
}

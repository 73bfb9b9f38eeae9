#pragma once
#include <exception>
#include <string>

namespace System {

// The one exception type of the program's own code: a fixed English message, thrown and caught by value.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : text(std::move(message)) {}
    const std::string& message() const noexcept { return text; }
    const char* what() const noexcept override { return text.c_str(); }

private:
    std::string text;
};

} // namespace System

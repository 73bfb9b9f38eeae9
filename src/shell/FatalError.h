#pragma once
#include <string>

// The fatal-error box: the message, "The program will now exit", caption "ERROR"; then the process
// ends with status 1 through exit(), so exit-time clean-up (the settings' save) still runs.
[[noreturn]] void fatalError(const std::string& message);

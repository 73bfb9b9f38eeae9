#pragma once
#include <string>

namespace System {

// The fatal-error box, the one end of every fatal failure (entry, start-up, frame): the message,
// "The program will now exit", caption "ERROR"; then the process ends with status 1 through exit(),
// so exit-time clean-up (the settings' save) still runs.
[[noreturn]] void fatalError(const std::string& message);

} // namespace System

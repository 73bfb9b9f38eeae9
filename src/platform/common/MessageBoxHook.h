#pragma once
// Test hook of the message boxes, the same in every backend: automated runs never wait for a person.
// With FERNHOLLOW_MESSAGE_BOX=stderr a box becomes the line "CAPTION: text" on stderr, answered by
// FERNHOLLOW_MESSAGE_BOX_ANSWER (yes or no, default no).
#include "platform/MessageBox.h"

#include <string>

namespace System::Platform::Common {

bool messageBoxesGoToStderr();
// Writes the box's line and returns its answer (Ok for a box with only OK).
MessageBoxResult writtenMessageBox(const std::string& text, const std::string& caption,
                                   MessageBoxButtons buttons);

} // namespace System::Platform::Common

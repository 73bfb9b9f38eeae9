#pragma once
// Message boxes. With FERNHOLLOW_MESSAGE_BOX=stderr, or when no display can be opened, a box writes
// "CAPTION: text" to stderr and takes its answer from FERNHOLLOW_MESSAGE_BOX_ANSWER (yes or no,
// default no), so no automated run ever waits for a person.
#include "platform/Handle.h"

#include <string>

namespace System::Platform {

enum class MessageBoxButtons { Ok, YesNo };
enum class MessageBoxIcon { None, Error, Exclamation, Information, Stop };
enum class MessageBoxResult { Ok, Yes, No };

MessageBoxResult messageBox(NativeHandle owner, const std::string& text, const std::string& caption,
                            MessageBoxButtons buttons, MessageBoxIcon icon);

} // namespace System::Platform

#include "platform/common/MessageBoxHook.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace System::Platform::Common {

bool messageBoxesGoToStderr()
{
    const char* mode = std::getenv("FERNHOLLOW_MESSAGE_BOX");
    return mode && std::strcmp(mode, "stderr") == 0;
}

MessageBoxResult writtenMessageBox(const std::string& text, const std::string& caption,
                                   MessageBoxButtons buttons)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    if (buttons == MessageBoxButtons::Ok)
        return MessageBoxResult::Ok;
    const char* answer = std::getenv("FERNHOLLOW_MESSAGE_BOX_ANSWER");
    return answer && std::strcmp(answer, "yes") == 0 ? MessageBoxResult::Yes : MessageBoxResult::No;
}

} // namespace System::Platform::Common

#include "platform/linux/PowerHook.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace System::Platform::Linux {

bool hookedDisplayPower(DisplayPower& state)
{
    const char* path = std::getenv("FERNHOLLOW_DISPLAY_POWER_FILE");
    if (!path || !*path)
        return false;
    state = DisplayPower::On;
    std::FILE* file = std::fopen(path, "r");
    if (!file)
        return true;
    char word[16] = "";
    if (std::fscanf(file, "%15s", word) == 1) {
        if (std::strcmp(word, "off") == 0)
            state = DisplayPower::Off;
        else if (std::strcmp(word, "dimmed") == 0)
            state = DisplayPower::Dimmed;
    }
    std::fclose(file);
    return true;
}

} // namespace System::Platform::Linux

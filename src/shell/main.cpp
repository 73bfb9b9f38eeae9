#include "platform/SystemInfo.h"
#include "shell/Entry.h"

int main(int argc, char** argv)
{
    System::Platform::openClosedStandardStreams();
    return runEntry(std::vector<std::string>(argv + 1, argv + argc));
}

#include "shell/Entry.h"

int main(int argc, char** argv)
{
    return runEntry(std::vector<std::string>(argv + 1, argv + argc));
}

#pragma once
#include <string>
#include <vector>

// The program's entry: obtains the settings, dispatches on the command line, runs one mode, and is
// the outermost error boundary. Returns the exit status (0 normally, 2 for a bad argument).
int runEntry(const std::vector<std::string>& arguments);

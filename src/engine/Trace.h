#pragma once
// Start-up and run milestones for measuring the program (scripts/bench.sh). With FERNHOLLOW_TRACE=stderr
// or FERNHOLLOW_TRACE=<file> every milestone is one line "<seconds> <event>", the seconds read from the
// system's monotonic clock (so a launcher can subtract the moment it started the process); without it
// nothing is written and a milestone costs one test of a flag.
#include <string>

namespace System {

void trace(const std::string& event);
// Whether milestones are written (so a caller can spare building a costly one).
bool tracing();

} // namespace System

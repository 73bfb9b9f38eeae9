#pragma once
// What each backend's clock provides; the overrides the tests set (platform/Clock.h) stand in front
// of it in common/Clock.cpp.
#include "platform/Clock.h"

namespace System::Platform::Common {

bool systemPerformanceFrequency(std::int64_t& ticksPerSecond);
std::int64_t systemPerformanceCounter();
LocalTime systemLocalTime();

} // namespace System::Platform::Common

#pragma once
// Sets and removes environment variables of the test process the same way on every system the tests
// run on (the Windows C library has no setenv).
#include <stdlib.h>

#include <string>

namespace TestEnvironment {

inline void set(const char* name, const std::string& value)
{
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

inline void unset(const char* name)
{
#ifdef _WIN32
    // An empty value removes the variable.
    _putenv_s(name, "");
#else
    unsetenv(name);
#endif
}

} // namespace TestEnvironment

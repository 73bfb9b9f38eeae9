#pragma once
// Resources compiled into the executable, by (id, type name). Pointers point into the program's own
// read-only data and stay valid for the life of the process.
#include <cstddef>
#include <string>

namespace System::Platform {

struct ResourceData {
    const unsigned char* data = nullptr;  // null when there is no such resource
    std::size_t size = 0;
};

ResourceData findResource(unsigned id, const std::string& type);
// Copies at most bufferChars - 1 characters of string-table entry id; empty when absent.
std::string loadStringResource(unsigned id, std::size_t bufferChars);

} // namespace System::Platform

#pragma once
#include <cstdint>

namespace System {

// A resource's bytes: read-only, valid for the life of the process.
struct ResourceBlock {
    const unsigned char* data = nullptr;
    std::uint32_t size = 0;
};

} // namespace System

#pragma once
// The executable's own resources by numeric identifier.
#include "base/ResourceBlock.h"

#include <cstdint>
#include <string>

namespace System {

// Throws Exception "Could not load resource with ID=<id>" when there is no such resource.
const unsigned char* loadResource(unsigned id, const std::string& type);
// 0 when there is no such resource.
std::uint32_t resourceSize(unsigned id, const std::string& type);
ResourceBlock loadResourceBlock(unsigned id, const std::string& type);
// At most 254 characters (a 255-character buffer); empty when absent.
std::string loadResourceString(unsigned id);

} // namespace System

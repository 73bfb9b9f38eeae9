#include "scene/ResourceHelpers.h"

#include "base/Exception.h"
#include "platform/Resources.h"

namespace System {

const unsigned char* loadResource(unsigned id, const std::string& type)
{
    Platform::ResourceData found = Platform::findResource(id, type);
    if (!found.data)
        throw Exception("Could not load resource with ID=" + std::to_string(id));
    return found.data;
}

std::uint32_t resourceSize(unsigned id, const std::string& type)
{
    return static_cast<std::uint32_t>(Platform::findResource(id, type).size);
}

ResourceBlock loadResourceBlock(unsigned id, const std::string& type)
{
    ResourceBlock block;
    block.data = loadResource(id, type);
    block.size = resourceSize(id, type);
    return block;
}

std::string loadResourceString(unsigned id)
{
    return Platform::loadStringResource(id, 255);
}

} // namespace System

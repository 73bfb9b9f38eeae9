#include "config/RegistryWriter.h"

#include "base/Exception.h"

namespace System {

RegistryWriter::RegistryWriter(const std::string& keyPath)
    : key(Platform::RegistryKey::create(keyPath))
{
    if (!key)
        throw Exception("Could not create registry key " + keyPath + "\n");
}

RegistryWriter::~RegistryWriter() = default;

void RegistryWriter::writeDword(const std::string& name, std::uint32_t value)
{
    key->setDword(name, value);
}

void RegistryWriter::writeText(const std::string& name, const std::string& text)
{
    key->setString(name, text);
}

} // namespace System

#include "config/RegistryWriter.h"

#include "base/Exception.h"
#include "config/RegistryReader.h"

namespace System {

RegistryWriter::RegistryWriter(const std::string& keyPath)
    : key(Platform::RegistryKey::create(keyPath))
{
    if (!key)
        throw Exception(keyCreationError(keyPath));
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

void RegistryWriter::commit()
{
    std::string error;
    if (!key->flush(error))
        throw Exception("Could not save the settings\n" + error + "\n");
}

} // namespace System

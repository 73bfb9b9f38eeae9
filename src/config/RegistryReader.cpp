#include "config/RegistryReader.h"

#include "base/Exception.h"

#include <algorithm>
#include <vector>

namespace System {

std::string keyCreationError(const std::string& keyPath)
{
    std::string reason = Platform::RegistryKey::lastError();
    return "Could not create registry key " + keyPath + "\n" + (reason.empty() ? "" : reason + "\n");
}

RegistryReader::RegistryReader(const std::string& keyPath)
    : key(Platform::RegistryKey::open(keyPath))
{
    if (!key)
        key = Platform::RegistryKey::create(keyPath);
    if (!key)
        throw Exception(keyCreationError(keyPath));
}

RegistryReader::~RegistryReader() = default;

bool RegistryReader::queryDword(const std::string& name, std::uint32_t& value) const
{
    Platform::RegistryType type = Platform::RegistryType::Other;
    std::vector<unsigned char> data;
    // A string or a blob is not a number, whatever its bytes happen to be.
    if (!key->query(name, type, data) || type != Platform::RegistryType::Dword || data.size() != 4)
        return false;
    value = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
            static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    return true;
}

std::uint32_t RegistryReader::readDword(const std::string& name) const
{
    std::uint32_t value = 0;
    if (!queryDword(name, value))
        throw Exception("Couldn't read value for [" + name + "]");
    return value;
}

std::uint32_t RegistryReader::readDwordOr(const std::string& name, std::uint32_t fallback) const
{
    std::uint32_t value = 0;
    return queryDword(name, value) ? value : fallback;
}

void RegistryReader::readText(const std::string& name, std::string& target) const
{
    Platform::RegistryType type = Platform::RegistryType::Other;
    std::vector<unsigned char> data;
    if (!key->query(name, type, data) || type != Platform::RegistryType::String)
        return;
    auto end = std::find(data.begin(), data.end(), 0);
    target.assign(data.begin(), end);
}

} // namespace System

#pragma once
// Reads the values of one registry key below the current user; the key is created when missing.
#include "platform/Registry.h"

#include <cstdint>
#include <memory>
#include <string>

namespace System {

// "Could not create registry key <keyPath>\n", then the platform's reason on a line of its own when known.
std::string keyCreationError(const std::string& keyPath);

class RegistryReader {
public:
    // Throws Exception keyCreationError(keyPath) when the key can be neither opened nor created.
    explicit RegistryReader(const std::string& keyPath);
    ~RegistryReader();  // closes the key
    RegistryReader(const RegistryReader&) = delete;
    RegistryReader& operator=(const RegistryReader&) = delete;

    // Only a REG_DWORD of 4 bytes reads; anything else throws Exception "Couldn't read value for [<name>]".
    std::uint32_t readDword(const std::string& name) const;
    // The value as readDword reads it, or fallback when it cannot be read.
    std::uint32_t readDwordOr(const std::string& name, std::uint32_t fallback) const;
    // Replaces target with the text up to its first NUL, only when a REG_SZ value of that name exists.
    void readText(const std::string& name, std::string& target) const;

private:
    bool queryDword(const std::string& name, std::uint32_t& value) const;

    std::unique_ptr<Platform::RegistryKey> key;
};

} // namespace System

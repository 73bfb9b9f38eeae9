#pragma once
// Writes values into one registry key below the current user, creating the key when missing. The
// writes are committed together by commit(), or when the writer is destroyed (failures then only go to
// stderr).
#include "platform/Registry.h"

#include <cstdint>
#include <memory>
#include <string>

namespace System {

class RegistryWriter {
public:
    // Throws Exception "Could not create registry key <keyPath>\n" when the key can be neither created
    // nor opened, followed by a line naming the file and the system's reason when it is known.
    explicit RegistryWriter(const std::string& keyPath);
    ~RegistryWriter();  // closes the key, committing the writes
    RegistryWriter(const RegistryWriter&) = delete;
    RegistryWriter& operator=(const RegistryWriter&) = delete;

    // A REG_DWORD of 4 bytes.
    void writeDword(const std::string& name, std::uint32_t value);
    // A REG_SZ: the text with its terminating NUL.
    void writeText(const std::string& name, const std::string& text);
    // Stores every write so far as one transaction. Throws Exception "Could not save the settings\n"
    // followed by a line naming the file and the reason when they could not be stored.
    void commit();

private:
    std::unique_ptr<Platform::RegistryKey> key;
};

} // namespace System

#pragma once
// A registry key below the current user: on Linux kept in $XDG_CONFIG_HOME/fernhollow/user.reg in the
// registry export format, on Windows the system's registry. Writes made through one key are committed
// as one locked transaction by flush or when the key is closed: a writer killed half-way leaves either
// every old value or every new one (on Windows the next open rolls a half-done transaction back).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace System::Platform {

enum class RegistryType { String, Dword, Other };

class RegistryKey {
public:
    virtual ~RegistryKey() = default;  // closes the key, committing pending writes

    // Opens an existing key; null when it does not exist or cannot be read.
    static std::unique_ptr<RegistryKey> open(const std::string& path);
    // Opens the key, creating the folder, the file and the key when missing; null when impossible.
    static std::unique_ptr<RegistryKey> create(const std::string& path);
    // Why the last open or create failed, as one line naming the file and the
    // system's reason ("/home/ann/.config/fernhollow/user.reg: Is a directory"); empty when unknown.
    static std::string lastError();

    // Stores the writes made so far now, as one transaction. False with the reason in error (one line
    // naming the file) when they could not be stored; they are then dropped, not tried again on close.
    virtual bool flush(std::string& error)
    {
        error.clear();
        return true;
    }

    // The value's type and bytes (a string carries its terminating NUL; a DWORD is 4 bytes,
    // little-endian). False when there is no such value.
    virtual bool query(const std::string& name, RegistryType& type,
                       std::vector<unsigned char>& data) const = 0;
    virtual void setDword(const std::string& name, std::uint32_t value) = 0;
    virtual void setString(const std::string& name, const std::string& text) = 0;
};

} // namespace System::Platform

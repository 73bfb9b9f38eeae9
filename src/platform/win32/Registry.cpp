// Win32 platform layer: the settings key below HKEY_CURRENT_USER (RegOpenKeyExA, RegCreateKeyExA,
// RegQueryValueExA, RegSetValueExA). Each write goes straight to the registry, which keeps values of
// concurrent writers apart by itself; closing the key has nothing left to commit. A write the registry
// refuses is remembered and reported by the next flush. Errors name the key as
// "HKEY_CURRENT_USER\<path>" followed by the system's message (FormatMessageA).
// Depends on: ADVAPI32.
#include "platform/Registry.h"

#include "platform/win32/Win32.h"

namespace System::Platform {

namespace {

std::string g_lastError;

std::string describe(const std::string& path, LONG code)
{
    return "HKEY_CURRENT_USER\\" + path + ": " + Win32::errorText(static_cast<DWORD>(code));
}

class Win32RegistryKey : public RegistryKey {
public:
    Win32RegistryKey(HKEY key, const std::string& path) : key(key), path(path) {}
    ~Win32RegistryKey() override { RegCloseKey(key); }

    bool query(const std::string& name, RegistryType& type, std::vector<unsigned char>& data) const override
    {
        DWORD valueType = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key, name.c_str(), nullptr, &valueType, nullptr, &size) != ERROR_SUCCESS)
            return false;
        data.assign(size, 0);
        // The value may change between the two calls; the second says how much it really wrote.
        if (RegQueryValueExA(key, name.c_str(), nullptr, &valueType, data.empty() ? nullptr : data.data(),
                             &size) != ERROR_SUCCESS)
            return false;
        data.resize(size);
        type = valueType == REG_SZ ? RegistryType::String
               : valueType == REG_DWORD ? RegistryType::Dword
                                        : RegistryType::Other;
        return true;
    }

    void setDword(const std::string& name, std::uint32_t value) override
    {
        DWORD stored = value;
        remember(RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&stored),
                                sizeof stored));
    }

    void setString(const std::string& name, const std::string& text) override
    {
        remember(RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>(text.size() + 1)));
    }

    bool flush(std::string& error) override
    {
        error = failure;
        failure.clear();
        return error.empty();
    }

private:
    void remember(LONG code)
    {
        if (code != ERROR_SUCCESS && failure.empty())
            failure = describe(path, code);
    }

    HKEY key;
    std::string path;
    std::string failure;  // the first refused write since the last flush
};

} // namespace

std::unique_ptr<RegistryKey> RegistryKey::open(const std::string& path)
{
    HKEY key = nullptr;
    LONG code = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_WRITE, &key);
    if (code != ERROR_SUCCESS) {
        g_lastError = describe(path, code);
        return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(key, path);
}

std::unique_ptr<RegistryKey> RegistryKey::create(const std::string& path)
{
    HKEY key = nullptr;
    LONG code = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    if (code != ERROR_SUCCESS) {
        g_lastError = describe(path, code);
        return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(key, path);
}

std::string RegistryKey::lastError()
{
    return g_lastError;
}

} // namespace System::Platform

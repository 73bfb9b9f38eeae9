// The settings file parser over any bytes: never crashes, and what it writes back reads back the same.
#include "platform/linux/RegistryFile.h"

#include <cstdlib>
#include <string_view>

using System::Platform::RegistryFile;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    RegistryFile file = RegistryFile::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    std::string written = file.serialize();
    RegistryFile again = RegistryFile::parse(written);
    if (again.damaged() || again.serialize() != written)
        std::abort();
    // Writing values through the same object keeps it readable.
    const char* key = "HKEY_CURRENT_USER\\Software\\Tallowmere Studio\\Fernhollow Screensaver";
    file.setDword(key, "width", 1024);
    file.setString(key, "SiteAddressURL", std::string_view(reinterpret_cast<const char*>(data), size));
    RegistryFile updated = RegistryFile::parse(file.serialize());
    const auto* width = updated.find(key, "width");
    if (!width || width->data.size() != 4 || width->data[0] != 0 || width->data[1] != 4)
        std::abort();
    return 0;
}

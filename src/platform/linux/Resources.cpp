// Linux resources: a GLib GResource bundle compiled into the executable (see cmake/Resources.cmake).
// Entries are stored uncompressed, so the bytes GLib hands out point into the program's read-only
// data; the GBytes are kept for the life of the process so the pointers never dangle.
// Depends on: GIO.
#include "platform/Resources.h"

#include <gio/gio.h>

#include <map>
#include <mutex>
#include <string>

namespace System::Platform {

namespace {

GBytes* lookup(const std::string& path)
{
    static std::mutex lock;
    static std::map<std::string, GBytes*> cache;
    std::lock_guard<std::mutex> guard(lock);
    auto found = cache.find(path);
    if (found != cache.end())
        return found->second;
    GBytes* bytes = g_resources_lookup_data(path.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
    cache.emplace(path, bytes);  // a miss is remembered too
    return bytes;
}

std::string pathOf(unsigned id, const std::string& type)
{
    return "/fernhollow/" + type + "/" + std::to_string(id);
}

} // namespace

ResourceData findResource(unsigned id, const std::string& type)
{
    ResourceData result;
    if (type.empty() || type.find('/') != std::string::npos)
        return result;
    if (GBytes* bytes = lookup(pathOf(id, type))) {
        gsize size = 0;
        result.data = static_cast<const unsigned char*>(g_bytes_get_data(bytes, &size));
        result.size = size;
        if (!result.data)  // an empty entry: GLib gives no pointer
            result.size = 0;
    }
    return result;
}

std::string loadStringResource(unsigned id, std::size_t bufferChars)
{
    if (bufferChars == 0)
        return {};
    ResourceData text = findResource(id, "STRING");
    if (!text.data)
        return {};
    std::size_t length = text.size < bufferChars - 1 ? text.size : bufferChars - 1;
    return std::string(reinterpret_cast<const char*>(text.data), length);
}

} // namespace System::Platform

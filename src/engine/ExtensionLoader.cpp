// Interim: version flags and the whole-word query only; the generated extension tables and entry
// points come with the extension-loader work.
#include "engine/ExtensionLoader.h"

#include <GL/gl.h>

#include <map>

namespace System {

namespace {
std::string g_found;
bool g_v12 = false, g_v13 = false, g_v14 = false;
std::map<std::string, bool> g_flags;

bool wholeWord(const char* list, const std::string& name)
{
    if (!list || name.empty() || name.find(' ') != std::string::npos)
        return false;
    std::string text(list);
    for (std::string::size_type at = text.find(name); at != std::string::npos;
         at = text.find(name, at + 1)) {
        bool starts = at == 0 || text[at - 1] == ' ';
        std::string::size_type end = at + name.size();
        if (starts && (end == text.size() || text[end] == ' '))
            return true;
    }
    return false;
}
} // namespace

int ExtensionLoader::loadExtensions(Platform::DeviceContext)
{
    g_found.clear();
    if (const GLubyte* version = glGetString(GL_VERSION)) {
        std::string text(reinterpret_cast<const char*>(version));
        auto at = text.find("1.");
        g_v12 = g_v13 = g_v14 = false;
        if (at != std::string::npos && at + 2 < text.size()) {
            char minor = text[at + 2];
            g_v12 = minor >= '2';
            g_v13 = minor >= '3';
            g_v14 = minor >= '4';
        }
    }
    for (const char* name : {"GL_ARB_multitexture", "GL_EXT_compiled_vertex_array",
                             "GL_ARB_vertex_buffer_object", "GL_ARB_texture_border_clamp",
                             "GL_SGIS_generate_mipmap"})
        g_flags[name] = queryExtension(name);
    return 0;
}

bool ExtensionLoader::queryExtension(const std::string& name)
{
    if (!wholeWord(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), name))
        return false;
    g_found += name + " ";
    return true;
}

bool ExtensionLoader::queryWindowSystemExtension(const std::string&)
{
    return false;
}

bool ExtensionLoader::isSupported(const std::string& name)
{
    return g_found.find(name + " ") != std::string::npos;
}

const std::string& ExtensionLoader::foundList()
{
    return g_found;
}

bool ExtensionLoader::version12() { return g_v12; }
bool ExtensionLoader::version13() { return g_v13; }
bool ExtensionLoader::version14() { return g_v14; }

bool ExtensionLoader::found(const std::string& name)
{
    auto at = g_flags.find(name);
    return at != g_flags.end() && at->second;
}

void ExtensionLoader::forceVersion(bool v12, bool v13, bool v14)
{
    g_v12 = v12;
    g_v13 = v13;
    g_v14 = v14;
}

void ExtensionLoader::forceFound(const std::string& name, bool value)
{
    g_flags[name] = value;
}

} // namespace System

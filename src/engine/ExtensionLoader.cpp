#include "engine/ExtensionLoader.h"

#include "engine/ExtensionTable.h"
#include "platform/DisplayWindow.h"

#include <GL/gl.h>
#include <GL/glext.h>  // past OpenGL 1.1: Windows' gl.h stops there

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace System {

namespace Table = ExtensionTable;

namespace {

struct State {
    bool v12 = false, v13 = false, v14 = false;
    std::vector<char> glFlags = std::vector<char>(Table::glExtensionCount, 0);
    std::vector<char> windowSystemFlags = std::vector<char>(Table::windowSystemExtensionCount, 0);
    std::vector<void*> slots = std::vector<void*>(Table::entryPointCount, nullptr);
    std::string foundList;
    // The window-system extension string of the last load; empty when there was none.
    std::string windowSystem;
    bool error = false;
};

State& state()
{
    static State s;
    return s;
}

// A flag by extension name: which table and where in it.
struct FlagRef {
    std::vector<char>* flags;
    std::size_t index;
};

char* flagOf(const std::string& name)
{
    static const std::unordered_map<std::string, FlagRef> byName = [] {
        std::unordered_map<std::string, FlagRef> map;
        for (std::size_t i = 0; i < Table::glExtensionCount; ++i)
            map.emplace(Table::glExtensions[i].name, FlagRef{&state().glFlags, i});
        for (std::size_t i = 0; i < Table::windowSystemExtensionCount; ++i)
            map.emplace(Table::windowSystemExtensions[i].name, FlagRef{&state().windowSystemFlags, i});
        return map;
    }();
    auto at = byName.find(name);
    return at == byName.end() ? nullptr : &(*at->second.flags)[at->second.index];
}

// Whole-word test: an occurrence counts only at the start or after a space, and before a space or
// the end; a longer name that merely begins with this one does not count.
bool listsWord(const char* list, const std::string& name)
{
    if (!list || name.empty() || name.find(' ') != std::string::npos)
        return false;
    const std::string text(list);
    for (auto at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        const auto end = at + name.size();
        if ((at == 0 || text[at - 1] == ' ') && (end == text.size() || text[end] == ' '))
            return true;
    }
    return false;
}

void parseVersion(const std::string& text, bool& v12, bool& v13, bool& v14)
{
    v12 = v13 = v14 = false;
    // GL_VERSION starts "<major>.<minor>". A major of 2 or more includes every 1.x addition, yet its
    // text ("4.5 (Compatibility Profile) Mesa ...") need not contain "1." at all.
    std::size_t digits = 0;
    int major = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        major = std::min(major * 10 + (text[digits] - '0'), 100);
        ++digits;
    }
    if (digits > 0 && digits < text.size() && text[digits] == '.' && major >= 2) {
        v12 = v13 = v14 = true;
        return;
    }
    const auto at = text.find("1.");
    if (at == std::string::npos || at + 2 >= text.size())
        return;
    const auto minor = static_cast<unsigned char>(text[at + 2]);
    v12 = minor >= '2';
    v13 = minor >= '3';
    v14 = minor >= '4';
}

// Fetches every entry point of the group; false when one is missing. With coreFallback a missing
// "...ARB" name is tried again without the suffix, under which OpenGL 1.3 offers it.
bool fetch(const Table::Group& group, const ExtensionLoader::ProcLookup& lookup, bool coreFallback)
{
    bool complete = true;
    for (std::size_t i = 0; i < group.count; ++i) {
        const std::size_t slot = group.entryPoints[i];
        const std::string name = Table::entryPointNames[slot];
        void* address = lookup(name.c_str());
        const std::string suffix = "ARB";
        if (!address && coreFallback && name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            address = lookup(name.substr(0, name.size() - suffix.size()).c_str());
        state().slots[slot] = address;
        complete = complete && address;
    }
    return complete;
}

const char* glText(GLenum name)
{
    return reinterpret_cast<const char*>(glGetString(name));
}

} // namespace

int ExtensionLoader::loadExtensions(Platform::DeviceContext dc)
{
    return load(glText(GL_VERSION), glText(GL_EXTENSIONS), Platform::windowSystemExtensions(dc),
                [](const char* name) { return Platform::glProcAddress(name); });
}

int ExtensionLoader::load(const char* version, const char* extensions, const char* windowSystem,
                          const ProcLookup& lookup)
{
    State& s = state();
    s.error = false;
    s.foundList.clear();
    // Pointers of an earlier context are not valid for this one.
    std::fill(s.slots.begin(), s.slots.end(), nullptr);

    if (version) {
        parseVersion(version, s.v12, s.v13, s.v14);
        for (std::size_t i = 0; i < Table::glExtensionCount; ++i)
            s.glFlags[i] = queryExtension(Table::glExtensions[i].name, extensions);
    }

    for (std::size_t i = 0; i < Table::glExtensionCount; ++i) {
        const Table::Group& group = Table::glExtensions[i];
        // OpenGL 1.3 carries multitexturing too, so either is enough for these entry points.
        const bool multitexture = std::string(group.name) == "GL_ARB_multitexture";
        if (s.glFlags[i] || (multitexture && s.v13))
            s.error |= !fetch(group, lookup, multitexture && s.v13);
    }
    const bool versionFlags[3] = {s.v12, s.v13, s.v14};
    for (int i = 0; i < 3; ++i)
        if (versionFlags[i])
            s.error |= !fetch(Table::versions[i], lookup, false);

    s.windowSystem = windowSystem ? windowSystem : "";
    for (std::size_t i = 0; i < Table::windowSystemExtensionCount; ++i) {
        const Table::Group& group = Table::windowSystemExtensions[i];
        s.windowSystemFlags[i] = queryWindowSystemExtension(group.name);
        if (s.windowSystemFlags[i])
            s.error |= !fetch(group, lookup, false);
    }
    return s.error ? 1 : 0;
}

bool ExtensionLoader::queryExtension(const std::string& name)
{
    return queryExtension(name, glText(GL_EXTENSIONS));
}

bool ExtensionLoader::queryExtension(const std::string& name, const char* extensions)
{
    if (!listsWord(extensions, name))
        return false;
    state().foundList += name + " ";
    return true;
}

bool ExtensionLoader::queryWindowSystemExtension(const std::string& name)
{
    return listsWord(state().windowSystem.c_str(), name);
}

bool ExtensionLoader::isSupported(const std::string& name)
{
    return state().foundList.find(name + " ") != std::string::npos;
}

const std::string& ExtensionLoader::foundList()
{
    return state().foundList;
}

bool ExtensionLoader::version12() { return state().v12; }
bool ExtensionLoader::version13() { return state().v13; }
bool ExtensionLoader::version14() { return state().v14; }

bool ExtensionLoader::found(const std::string& name)
{
    const char* flag = flagOf(name);
    return flag && *flag;
}

void* ExtensionLoader::entryPoint(const std::string& name)
{
    static const std::unordered_map<std::string, std::size_t> byName = [] {
        std::unordered_map<std::string, std::size_t> map;
        for (std::size_t i = 0; i < Table::entryPointCount; ++i)
            map.emplace(Table::entryPointNames[i], i);
        return map;
    }();
    auto at = byName.find(name);
    return at == byName.end() ? nullptr : state().slots[at->second];
}

void ExtensionLoader::forceVersion(bool v12, bool v13, bool v14)
{
    State& s = state();
    s.v12 = v12;
    s.v13 = v13;
    s.v14 = v14;
}

void ExtensionLoader::forceFound(const std::string& name, bool value)
{
    if (char* flag = flagOf(name))
        *flag = value;
}

} // namespace System

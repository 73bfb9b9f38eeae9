#pragma once
#include "platform/Handle.h"

#include <functional>
#include <string>

namespace System {

// Which OpenGL version and extensions the driver offers, found once the context is current, with
// the entry points of every known extension that is present. The known names and their entry
// points are the generated tables of ExtensionTable.h.
class ExtensionLoader {
public:
    // An entry point by name; null when the driver has none.
    using ProcLookup = std::function<void*(const char*)>;

    // Fills every flag and entry point; returns 1 when an entry point that should exist is missing.
    static int loadExtensions(Platform::DeviceContext dc);
    // The same over given driver texts, so no GL context is needed: version is GL_VERSION (null when
    // unavailable: version and extension flags then keep their values), extensions is
    // GL_EXTENSIONS, windowSystem the window system's extension string (null when there is none).
    static int load(const char* version, const char* extensions, const char* windowSystem,
                    const ProcLookup& lookup);

    // Whether GL_EXTENSIONS lists the name as a whole word; appends it to foundList when it does.
    static bool queryExtension(const std::string& name);
    // The same test against the given extension text (null: nothing listed).
    static bool queryExtension(const std::string& name, const char* extensions);
    // The same test against the window-system string read by the last load; foundList is left alone.
    static bool queryWindowSystemExtension(const std::string& name);
    // Whether name + " " occurs anywhere in foundList.
    static bool isSupported(const std::string& name);
    static const std::string& foundList();

    static bool version12();
    static bool version13();
    static bool version14();
    // The flag of a known GL or window-system extension (false for unknown names).
    static bool found(const std::string& name);
    // The fetched entry point of that name; null when unknown or not fetched. Nothing here calls it.
    static void* entryPoint(const std::string& name);

    // Tests force flags to reach every path of the code that reads them. forceFound changes the
    // flag of a known name only (found), not foundList (isSupported).
    static void forceVersion(bool v12, bool v13, bool v14);
    static void forceFound(const std::string& name, bool value);
};

} // namespace System

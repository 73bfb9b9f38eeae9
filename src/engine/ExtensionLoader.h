#pragma once
#include "platform/Handle.h"

#include <string>

namespace System {

// Which OpenGL version and extensions the driver offers, found once the context is current, with
// the entry points of every known extension that is present.
class ExtensionLoader {
public:
    // Fills every flag and entry point; returns 1 when an entry point that should exist is missing.
    static int loadExtensions(Platform::DeviceContext dc);
    // Whether GL_EXTENSIONS lists the name as a whole word; appends it to foundList when it does.
    static bool queryExtension(const std::string& name);
    // The same test against the window system's extension string; foundList is left alone.
    static bool queryWindowSystemExtension(const std::string& name);
    // Whether name + " " occurs anywhere in foundList.
    static bool isSupported(const std::string& name);
    static const std::string& foundList();

    static bool version12();
    static bool version13();
    static bool version14();
    // The flag of a known GL or window-system extension (false for unknown names).
    static bool found(const std::string& name);

    // Tests force flags to reach every path of the code that reads them.
    static void forceVersion(bool v12, bool v13, bool v14);
    static void forceFound(const std::string& name, bool value);
};

} // namespace System

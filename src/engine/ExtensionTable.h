#pragma once
// The extension loader's tables, generated at build time from GL/glext.h and a hand-kept list of
// window-system extensions (tools/gen_gl_extensions.py).
#include <cstddef>
#include <cstdint>

namespace System::ExtensionTable {

// A known extension or GL version with the entry points it adds.
struct Group {
    const char* name;
    const std::uint16_t* entryPoints;  // indexes into entryPointNames
    std::size_t count;
};

// Every entry point once; the loader keeps one slot per index.
extern const char* const entryPointNames[];
extern const std::size_t entryPointCount;

// Known GL extensions, in query order.
extern const Group glExtensions[];
extern const std::size_t glExtensionCount;
// The OpenGL 1.2, 1.3 and 1.4 additions, in that order.
extern const Group versions[3];
// Known window-system extensions, in query order.
extern const Group windowSystemExtensions[];
extern const std::size_t windowSystemExtensionCount;

} // namespace System::ExtensionTable

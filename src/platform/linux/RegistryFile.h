#pragma once
// The text of a registry export file ("REGEDIT4" or "Windows Registry Editor Version 5.00", the latter
// also as UTF-16LE with a byte-order mark, as regedit writes it), held as sections of values. Pure: no
// I/O, so it can be fed any bytes.
//
// Every entry that is read keeps the lines it came from and is written back exactly as read unless it
// is changed, so sections, comments and value types this code does not interpret survive a rewrite.
// Lines that cannot be read are left out and counted; whoever rewrites such a file should keep the
// original first (see damaged()).
#include "platform/Registry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace System::Platform {

struct RegistryEntry {
    bool comment = false;                 // a ";" line, kept only for writing back
    std::string name;                     // unescaped; "" is the key's default value ("@")
    RegistryType type = RegistryType::Other;
    std::vector<unsigned char> data;      // string: bytes with the NUL; dword: 4 bytes little-endian
    std::vector<std::string> lines;       // as read (without line ends); empty once changed
};

struct RegistrySection {
    std::string name;                     // between the brackets, e.g. "HKEY_CURRENT_USER\Software\..."
    std::vector<std::string> lines;       // the header line as read; empty for a new section
    std::vector<RegistryEntry> entries;
};

class RegistryFile {
public:
    static constexpr const char* defaultHeader = "REGEDIT4";

    // Never fails: unreadable lines are skipped and counted.
    static RegistryFile parse(std::string_view text);
    // Lines end in "\n". parse(serialize()) gives back the same sections and values.
    std::string serialize() const;

    // Lines of the parsed text that are not part of this object: garbage, cut or malformed values,
    // values outside any readable section, a value overridden by a later one of the same name.
    std::size_t unreadableLines() const { return unreadable; }
    bool damaged() const { return unreadable != 0; }
    // Read from UTF-16 (regedit's own export on Windows) and held as UTF-8 from then on: written back it
    // is a REGEDIT4 text, so the original should be kept as well.
    bool converted() const { return fromUtf16; }

    const std::string& header() const { return headerLine; }
    const std::vector<RegistrySection>& sections() const { return sectionList; }

    // Section and value names compare without regard to ASCII case, as the registry does.
    bool hasSection(std::string_view section) const;
    // False when the name cannot be stored (empty, blanks at either end, a line break or a NUL).
    bool addSection(std::string_view section);
    const RegistryEntry* find(std::string_view section, std::string_view name) const;

    // Create the section when missing; an existing value keeps its place and the case of its name.
    // False (and nothing changes) when the name cannot be written on one line.
    bool setDword(std::string_view section, std::string_view name, std::uint32_t value);
    // Text with a line break or NUL is written as a hex(1) list so the file stays line-based.
    bool setString(std::string_view section, std::string_view name, std::string_view text);

    static bool storableName(std::string_view name);
    static bool storableSection(std::string_view section);

private:
    const RegistrySection* findSection(std::string_view section) const;
    RegistrySection* findSection(std::string_view section);
    bool set(std::string_view section, std::string_view name, RegistryType type,
             std::vector<unsigned char> data);

    std::string headerLine = defaultHeader;
    std::vector<std::string> preamble;    // comments between the header and the first section
    std::vector<RegistrySection> sectionList;
    std::size_t unreadable = 0;
    bool fromUtf16 = false;
};

} // namespace System::Platform

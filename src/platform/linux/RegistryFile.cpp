// Registry export files, parsed and written in memory. Platform: any (no I/O, no system calls); used by
// the Linux registry key store. Limits: 8-bit text is taken as bytes whatever the header says; a UTF-16LE
// text with a byte-order mark is turned into UTF-8 first (data inside hex lists stays as it is); hex
// lists are written on one line. Depends on: the standard library only.
#include "platform/linux/RegistryFile.h"

#include <unordered_map>
#include <utility>

namespace System::Platform {

namespace {

constexpr std::string_view headerV4 = "REGEDIT4";
constexpr std::string_view headerV5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view utf16LeMark = "\xFF\xFE";

void appendUtf8(std::string& out, std::uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16LE (after its mark) to UTF-8. A lone surrogate or an odd last byte becomes a NUL, which makes
// its line unreadable (and the file damaged) instead of silently changing a value.
std::string utf16LeToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() / 2);
    auto unit = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        std::uint32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            std::uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        if (c >= 0xD800 && c < 0xE000)
            c = 0;
        appendUtf8(out, c);
    }
    if (i < bytes.size())
        out += '\0';
    return out;
}

bool isSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view trimLeft(std::string_view s)
{
    std::size_t start = 0;
    while (start < s.size() && isSpace(s[start]))
        ++start;
    return s.substr(start);
}

std::string_view trimRight(std::string_view s)
{
    std::size_t end = s.size();
    while (end > 0 && isSpace(s[end - 1]))
        --end;
    return s.substr(0, end);
}

std::string_view trim(std::string_view s) { return trimRight(trimLeft(s)); }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = lower(c);
    return out;
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && equalNoCase(s.substr(0, prefix.size()), prefix);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = lower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool hasNul(std::string_view s) { return s.find('\0') != std::string_view::npos; }

// "\n" ends a line; "\r" right before it belongs to the line end (files written on Windows).
std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        std::string_view line = text.substr(start, (end == std::string_view::npos ? text.size() : end) - start);
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = next;
    }
    return lines;
}

// A quoted text starting at s[pos] == '"', in which only \\ and \" are escapes. On success pos is
// just past the closing quote.
bool readQuoted(std::string_view s, std::size_t& pos, std::string& out)
{
    ++pos;
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == '"')
            return true;
        if (c == '\\') {
            if (pos >= s.size())
                return false;
            char next = s[pos++];
            if (next != '\\' && next != '"')
                return false;
            out += next;
        } else {
            out += c;
        }
    }
    return false;  // no closing quote: the line was cut
}

std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

// Comma-separated bytes of one or two hex digits; spaces allowed around them; may be empty.
bool readHexList(std::string_view s, std::vector<unsigned char>& out)
{
    s = trim(s);
    if (s.empty())
        return true;
    std::size_t pos = 0;
    for (;;) {
        while (pos < s.size() && isSpace(s[pos]))
            ++pos;
        int value = 0;
        int digits = 0;
        while (pos < s.size() && hexDigit(s[pos]) >= 0 && digits < 3) {
            value = value * 16 + hexDigit(s[pos++]);
            ++digits;
        }
        if (digits == 0 || digits > 2)
            return false;
        out.push_back(static_cast<unsigned char>(value));
        while (pos < s.size() && isSpace(s[pos]))
            ++pos;
        if (pos == s.size())
            return true;
        if (s[pos++] != ',')
            return false;
    }
}

std::string hexList(const std::vector<unsigned char>& data)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i)
            out += ',';
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

bool isTypeToken(std::string_view token)
{
    if (token.empty())
        return false;
    for (char c : token) {
        bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '(' ||
                  c == ')';
        if (!ok)
            return false;
    }
    return true;
}

// "hex" is REG_BINARY (3); "hex(N)" names the type number N in hex. -1 for any other token.
long hexTypeNumber(std::string_view token)
{
    if (equalNoCase(token, "hex"))
        return 3;
    if (!startsWithNoCase(token, "hex(") || token.back() != ')')
        return -1;
    std::string_view digits = token.substr(4, token.size() - 5);
    if (digits.empty() || digits.size() > 8)
        return -1;
    long number = 0;
    for (char c : digits) {
        int d = hexDigit(c);
        if (d < 0)
            return -1;
        number = number * 16 + d;
    }
    return number;
}

std::vector<unsigned char> littleEndian(std::uint32_t value)
{
    return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
}

// A line that carries on a value ending in "\" (indented hex bytes).
bool isContinuation(std::string_view line)
{
    std::string_view t = trim(line);
    if (t.empty() || hasNul(line))
        return false;
    char c = t.front();
    return c != '[' && c != '"' && c != '@' && c != ';';
}

// Outcome of reading one value starting at lines[index].
struct ValueRead {
    bool ok = false;
    std::size_t consumed = 1;  // lines taken, readable or not
    RegistryEntry entry;
};

// Reads what follows the name and "=": a string, a dword, or a type this code keeps as it is.
bool readData(std::string_view data, RegistryEntry& entry)
{
    if (!data.empty() && data.front() == '"') {
        std::size_t pos = 0;
        std::string text;
        if (!readQuoted(data, pos, text) || !trim(data.substr(pos)).empty())
            return false;
        entry.type = RegistryType::String;
        entry.data.assign(text.begin(), text.end());
        entry.data.push_back(0);
        return true;
    }
    if (startsWithNoCase(data, "dword:")) {
        std::string_view digits = trimRight(data.substr(6));
        if (digits.empty() || digits.size() > 8)
            return false;  // more than 8 digits cannot be a 32-bit number
        std::uint32_t value = 0;
        for (char c : digits) {
            int d = hexDigit(c);
            if (d < 0)
                return false;
            value = value * 16 + static_cast<std::uint32_t>(d);
        }
        entry.type = RegistryType::Dword;
        entry.data = littleEndian(value);
        return true;
    }
    if (trimRight(data) == "-") {  // a deletion mark: kept, never interpreted
        entry.type = RegistryType::Other;
        return true;
    }
    std::size_t colon = data.find(':');
    if (colon == std::string_view::npos || !isTypeToken(data.substr(0, colon)))
        return false;
    entry.type = RegistryType::Other;
    long number = hexTypeNumber(data.substr(0, colon));
    std::vector<unsigned char> bytes;
    if (number >= 0 && readHexList(data.substr(colon + 1), bytes)) {
        // REG_SZ and REG_DWORD written as hex lists are still a string and a dword.
        if (number == 1)
            entry.type = RegistryType::String;
        else if (number == 4)
            entry.type = RegistryType::Dword;
        entry.data = std::move(bytes);
    }
    return true;
}

ValueRead readValue(const std::vector<std::string_view>& lines, std::size_t index)
{
    ValueRead result;
    std::string_view raw = lines[index];
    std::string_view line = trimLeft(raw);
    std::size_t pos = 0;
    std::string name;
    if (line.front() == '@') {
        pos = 1;
    } else if (!readQuoted(line, pos, name)) {
        return result;
    }
    while (pos < line.size() && isSpace(line[pos]))
        ++pos;
    if (pos >= line.size() || line[pos] != '=')
        return result;
    std::string_view data = trimLeft(line.substr(pos + 1));

    // A value ending in "\" carries on over the following lines; strings and dwords never do.
    std::string joined;
    std::vector<std::string> taken{std::string(raw)};
    bool quotedData = !data.empty() && data.front() == '"';
    if (!quotedData && !startsWithNoCase(data, "dword:")) {
        joined = std::string(trimRight(data));
        while (!joined.empty() && joined.back() == '\\') {
            joined.pop_back();
            joined = std::string(trimRight(joined));
            std::size_t next = index + result.consumed;
            if (next >= lines.size() || !isContinuation(lines[next]))
                return result;  // cut off: the value is incomplete
            taken.emplace_back(lines[next]);
            joined += trim(lines[next]);
            ++result.consumed;
        }
        data = joined;
    }
    if (!readData(data, result.entry))
        return result;
    result.entry.name = std::move(name);
    result.entry.lines = std::move(taken);
    result.ok = true;
    return result;
}

std::string formatEntry(const RegistryEntry& entry)
{
    std::string out = entry.name.empty() ? std::string("@") : quoted(entry.name);
    out += '=';
    if (entry.type == RegistryType::Dword && entry.data.size() == 4) {
        static const char digits[] = "0123456789abcdef";
        std::uint32_t value = entry.data[0] | (entry.data[1] << 8) | (entry.data[2] << 16) |
                              (static_cast<std::uint32_t>(entry.data[3]) << 24);
        out += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4)
            out += digits[(value >> shift) & 15];
        return out;
    }
    if (entry.type == RegistryType::String) {
        const std::vector<unsigned char>& d = entry.data;
        bool plain = !d.empty() && d.back() == 0;
        for (std::size_t i = 0; plain && i + 1 < d.size(); ++i)
            plain = d[i] != 0 && d[i] != '\n' && d[i] != '\r';
        if (plain)
            return out + quoted(std::string_view(reinterpret_cast<const char*>(d.data()), d.size() - 1));
        return out + "hex(1):" + hexList(d);
    }
    return out + (entry.type == RegistryType::Dword ? "hex(4):" : "hex:") + hexList(entry.data);
}

} // namespace

RegistryFile RegistryFile::parse(std::string_view text)
{
    RegistryFile file;
    std::string decoded;
    if (text.substr(0, utf16LeMark.size()) == utf16LeMark) {
        decoded = utf16LeToUtf8(text.substr(utf16LeMark.size()));
        text = decoded;
        file.fromUtf16 = true;
    }
    if (text.substr(0, utf8Mark.size()) == utf8Mark)
        text.remove_prefix(utf8Mark.size());
    std::vector<std::string_view> lines = splitLines(text);

    std::size_t i = 0;
    while (i < lines.size() && trim(lines[i]).empty())
        ++i;
    if (i < lines.size()) {
        std::string_view first = trim(lines[i]);
        if (first == headerV4 || first == headerV5) {
            // What is written back is 8-bit text, which is what REGEDIT4 names.
            file.headerLine = file.fromUtf16 ? std::string(headerV4) : std::string(first);
            ++i;
        }
    }

    // Lookups while parsing, so a file of many values reads in linear time.
    std::unordered_map<std::string, std::size_t> sectionIndex;
    std::vector<std::unordered_map<std::string, std::size_t>> valueIndex;
    RegistrySection* current = nullptr;
    std::size_t currentIndex = 0;
    bool lostSection = false;  // after an unreadable section header its values have no home

    while (i < lines.size()) {
        std::string_view raw = lines[i];
        std::string_view line = trim(raw);
        if (line.empty() && !hasNul(raw)) {
            ++i;
            continue;
        }
        if (hasNul(raw) || line == headerV4 || line == headerV5) {
            ++file.unreadable;
            ++i;
            continue;
        }
        if (line.front() == ';') {
            if (current)
                current->entries.push_back(RegistryEntry{true, {}, RegistryType::Other, {}, {std::string(raw)}});
            else if (!lostSection && file.sectionList.empty())
                file.preamble.emplace_back(raw);
            else
                ++file.unreadable;
            ++i;
            continue;
        }
        if (line.front() == '[') {
            ++i;
            std::string_view name = line.size() >= 2 && line.back() == ']' ? line.substr(1, line.size() - 2)
                                                                             : std::string_view();
            if (name.empty()) {
                ++file.unreadable;
                current = nullptr;
                lostSection = true;
                continue;
            }
            lostSection = false;
            auto [found, added] = sectionIndex.emplace(lowered(name), file.sectionList.size());
            if (added) {
                file.sectionList.push_back(RegistrySection{std::string(name), {std::string(raw)}, {}});
                valueIndex.emplace_back();
            }
            currentIndex = found->second;
            current = &file.sectionList[currentIndex];
            continue;
        }
        if (line.front() == '"' || line.front() == '@') {
            ValueRead value = readValue(lines, i);
            i += value.consumed;
            if (!value.ok || !current) {
                file.unreadable += value.consumed;
                continue;
            }
            auto [found, added] = valueIndex[currentIndex].emplace(lowered(value.entry.name),
                                                                   current->entries.size());
            if (added) {
                current->entries.push_back(std::move(value.entry));
            } else {
                // As an import would, the later value wins; the earlier lines are lost from the file.
                RegistryEntry& earlier = current->entries[found->second];
                file.unreadable += earlier.lines.size();
                earlier = std::move(value.entry);
            }
            continue;
        }
        ++file.unreadable;
        ++i;
    }
    return file;
}

std::string RegistryFile::serialize() const
{
    std::string out = headerLine + "\n";
    for (const std::string& line : preamble)
        out += line + "\n";
    out += "\n";
    for (const RegistrySection& section : sectionList) {
        out += (section.lines.empty() ? "[" + section.name + "]" : section.lines.front()) + "\n";
        for (const RegistryEntry& entry : section.entries) {
            if (entry.lines.empty()) {
                out += formatEntry(entry) + "\n";
            } else {
                for (const std::string& line : entry.lines)
                    out += line + "\n";
            }
        }
        out += "\n";
    }
    return out;
}

bool RegistryFile::storableName(std::string_view name)
{
    return name.find_first_of(std::string_view("\n\r\0", 3)) == std::string_view::npos;
}

bool RegistryFile::storableSection(std::string_view section)
{
    // The header line is trimmed when read, so outer blanks would not come back.
    return !section.empty() && storableName(section) && !isSpace(section.front()) &&
           !isSpace(section.back());
}

const RegistrySection* RegistryFile::findSection(std::string_view section) const
{
    for (const RegistrySection& s : sectionList)
        if (equalNoCase(s.name, section))
            return &s;
    return nullptr;
}

RegistrySection* RegistryFile::findSection(std::string_view section)
{
    return const_cast<RegistrySection*>(std::as_const(*this).findSection(section));
}

bool RegistryFile::hasSection(std::string_view section) const
{
    return findSection(section) != nullptr;
}

bool RegistryFile::addSection(std::string_view section)
{
    if (!storableSection(section))
        return false;
    if (!findSection(section))
        sectionList.push_back(RegistrySection{std::string(section), {}, {}});
    return true;
}

const RegistryEntry* RegistryFile::find(std::string_view section, std::string_view name) const
{
    const RegistrySection* s = findSection(section);
    if (!s)
        return nullptr;
    for (const RegistryEntry& entry : s->entries)
        if (!entry.comment && equalNoCase(entry.name, name))
            return &entry;
    return nullptr;
}

bool RegistryFile::set(std::string_view section, std::string_view name, RegistryType type,
                       std::vector<unsigned char> data)
{
    if (!storableName(name) || !addSection(section))
        return false;
    RegistrySection* s = findSection(section);
    for (RegistryEntry& entry : s->entries) {
        if (!entry.comment && equalNoCase(entry.name, name)) {
            entry.type = type;
            entry.data = std::move(data);
            entry.lines.clear();
            return true;
        }
    }
    s->entries.push_back(RegistryEntry{false, std::string(name), type, std::move(data), {}});
    return true;
}

bool RegistryFile::setDword(std::string_view section, std::string_view name, std::uint32_t value)
{
    return set(section, name, RegistryType::Dword, littleEndian(value));
}

bool RegistryFile::setString(std::string_view section, std::string_view name, std::string_view text)
{
    std::vector<unsigned char> data(text.begin(), text.end());
    data.push_back(0);
    return set(section, name, RegistryType::String, std::move(data));
}

} // namespace System::Platform

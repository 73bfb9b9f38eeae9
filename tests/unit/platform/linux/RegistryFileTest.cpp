#include "platform/linux/RegistryFile.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using System::Platform::RegistryEntry;
using System::Platform::RegistryFile;
using System::Platform::RegistryType;

namespace {

const std::string key = "HKEY_CURRENT_USER\\Software\\Tallowmere Studio\\Fernhollow Screensaver";

std::vector<unsigned char> bytes(const std::string& text, bool withNul)
{
    std::vector<unsigned char> out(text.begin(), text.end());
    if (withNul)
        out.push_back(0);
    return out;
}

std::vector<unsigned char> dword(std::uint32_t v)
{
    return {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v >> 16),
            static_cast<unsigned char>(v >> 24)};
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Same sections with the same values (names, types, bytes), in the same order.
void expectSameValues(const RegistryFile& a, const RegistryFile& b)
{
    ASSERT_EQ(a.sections().size(), b.sections().size());
    for (std::size_t s = 0; s < a.sections().size(); ++s) {
        const auto& x = a.sections()[s];
        const auto& y = b.sections()[s];
        EXPECT_EQ(x.name, y.name);
        ASSERT_EQ(x.entries.size(), y.entries.size()) << x.name;
        for (std::size_t e = 0; e < x.entries.size(); ++e) {
            EXPECT_EQ(x.entries[e].comment, y.entries[e].comment);
            EXPECT_EQ(x.entries[e].name, y.entries[e].name);
            EXPECT_EQ(x.entries[e].type, y.entries[e].type);
            EXPECT_EQ(x.entries[e].data, y.entries[e].data);
        }
    }
}

} // namespace

TEST(RegistryFile, ReadsStringsAndDwordsWithTheirTypes)
{
    RegistryFile file = RegistryFile::parse("REGEDIT4\n"
                                            "\n"
                                            "[" + key + "]\n"
                                            "\"width\"=dword:0000001e\n"
                                            "\"Big\"=DWORD:FFFFFFFF\n"
                                            "\"short\"=dword:7\n"
                                            "\"path\"=\"C:\\\\dir \\\"x\\\"\"\n"
                                            "@=\"default\"\n"
                                            "[Other]\n"
                                            "[hkey_current_user\\SOFTWARE\\tallowmere studio\\fernhollow screensaver]\n"
                                            "  \"empty\" = \"\"  \n");
    EXPECT_FALSE(file.damaged());
    ASSERT_TRUE(file.hasSection(key));

    const RegistryEntry* width = file.find(key, "width");
    ASSERT_NE(width, nullptr);
    EXPECT_EQ(width->type, RegistryType::Dword);
    EXPECT_EQ(width->data, dword(30));
    EXPECT_EQ(file.find(key, "big")->data, dword(0xffffffffu));
    EXPECT_EQ(file.find(key, "short")->data, dword(7));

    const RegistryEntry* path = file.find(key, "path");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->type, RegistryType::String);
    EXPECT_EQ(path->data, bytes("C:\\dir \"x\"", true));
    EXPECT_EQ(file.find(key, "")->data, bytes("default", true));
    // A second spelling of the same key adds to it.
    EXPECT_EQ(file.sections().size(), 2u);
    EXPECT_EQ(file.find(key, "empty")->data, bytes("", true));

    // Key and value names ignore case, as in the registry.
    EXPECT_NE(file.find("hkey_current_user\\SOFTWARE\\tallowmere studio\\fernhollow screensaver", "WIDTH"),
              nullptr);
    EXPECT_EQ(file.find(key, "missing"), nullptr);
    EXPECT_EQ(file.find("HKEY_CURRENT_USER\\Software", "width"), nullptr);
}

TEST(RegistryFile, EscapesAndAwkwardTextsRoundTrip)
{
    RegistryFile file;
    ASSERT_TRUE(file.setString(key, "quote\"and\\slash", "C:\\path\\\"quoted\" end\\"));
    ASSERT_TRUE(file.setString(key, "lines", "one\ntwo\r\nthree"));
    ASSERT_TRUE(file.setString(key, "nul", std::string("a\0b", 3)));
    ASSERT_TRUE(file.setString(key, "high", "caf\xc3\xa9 \x01"));
    ASSERT_TRUE(file.setDword(key, "", 0x8000000fu));

    std::string text = file.serialize();
    EXPECT_NE(text.find("\"quote\\\"and\\\\slash\"=\"C:\\\\path\\\\\\\"quoted\\\" end\\\\\"\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("@=dword:8000000f\n"), std::string::npos) << text;
    // Line breaks and NULs cannot stand in a quoted text; they go as a REG_SZ hex list, still one line.
    EXPECT_NE(text.find("\"lines\"=hex(1):6f,6e,65,0a,74"), std::string::npos) << text;
    EXPECT_EQ(linesOf(text).size(), 9u) << text;

    RegistryFile back = RegistryFile::parse(text);
    EXPECT_FALSE(back.damaged());
    expectSameValues(file, back);
    EXPECT_EQ(back.find(key, "lines")->type, RegistryType::String);
    EXPECT_EQ(back.find(key, "nul")->data, bytes(std::string("a\0b", 3), true));
}

TEST(RegistryFile, KeepsOtherSectionsCommentsAndUnknownTypesVerbatim)
{
    const std::string original = "REGEDIT4\n"
                                 "; exported by hand\n"
                                 "\n"
                                 "[HKEY_CURRENT_USER\\Software\\Other Maker\\Tool]\n"
                                 "\"Blob\"=hex:de,ad,be,ef,00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,\\\n"
                                 "  10,11,12,13\n"
                                 "\"Expand\"=hex(2):25,00,50,00,00,00\n"
                                 "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\n"
                                 "\"Strange\"=future(9):whatever text\n"
                                 "\"Gone\"=-\n"
                                 "\n"
                                 "[-HKEY_CURRENT_USER\\Software\\Removed]\n"
                                 "\n"
                                 "[" + key + "]\n"
                                 "\"width\"=dword:00000320\n"
                                 "; keep me\n"
                                 "\"Odd\"=hex(7):41,00,00,00,00,00\n"
                                 "\"Text\"=\"unchanged\"\n";
    RegistryFile file = RegistryFile::parse(original);
    ASSERT_FALSE(file.damaged());
    ASSERT_TRUE(file.setDword(key, "width", 1024));
    ASSERT_TRUE(file.setDword(key, "depth", 32));
    ASSERT_TRUE(file.setString("HKEY_CURRENT_USER\\Software\\New", "a", "b"));
    std::string text = file.serialize();

    // Every line but the changed one comes back exactly, in its order.
    std::size_t from = 0;
    for (const std::string& line : linesOf(original)) {
        if (line.empty() || line == "\"width\"=dword:00000320")
            continue;
        std::size_t at = text.find(line + "\n", from);
        ASSERT_NE(at, std::string::npos) << "lost: " << line << "\n" << text;
        from = at + line.size();
    }
    EXPECT_NE(text.find("\"width\"=dword:00000400\n; keep me\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"depth\"=dword:00000020\n"), std::string::npos);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\New]\n\"a\"=\"b\"\n"), std::string::npos);

    RegistryFile back = RegistryFile::parse(text);
    EXPECT_FALSE(back.damaged());
    expectSameValues(file, back);
    const RegistryEntry* blob = back.find("HKEY_CURRENT_USER\\Software\\Other Maker\\Tool", "Blob");
    ASSERT_NE(blob, nullptr);
    EXPECT_EQ(blob->type, RegistryType::Other);
    EXPECT_EQ(blob->data.size(), 24u);
    EXPECT_EQ(blob->data[23], 0x13);
}

TEST(RegistryFile, HexListsKeepTheTypeTheyName)
{
    RegistryFile file = RegistryFile::parse("REGEDIT4\n[" + key + "]\n"
                                            "\"sz\"=hex(1):61,62,00\n"
                                            "\"four\"=hex(4):1e,00,00,00\n"
                                            "\"five\"=hex(4):1e,00,00,00,00\n"
                                            "\"bin\"=hex:01,02\n"
                                            "\"broken\"=hex:zz,\n");
    EXPECT_FALSE(file.damaged());
    EXPECT_EQ(file.find(key, "sz")->type, RegistryType::String);
    EXPECT_EQ(file.find(key, "sz")->data, bytes("ab", true));
    EXPECT_EQ(file.find(key, "four")->type, RegistryType::Dword);
    EXPECT_EQ(file.find(key, "four")->data, dword(30));
    EXPECT_EQ(file.find(key, "five")->type, RegistryType::Dword);
    EXPECT_EQ(file.find(key, "five")->data.size(), 5u);
    EXPECT_EQ(file.find(key, "bin")->type, RegistryType::Other);
    EXPECT_EQ(file.find(key, "bin")->data, (std::vector<unsigned char>{1, 2}));
    // Not understood, but a value of some type all the same: kept, never guessed at.
    EXPECT_EQ(file.find(key, "broken")->type, RegistryType::Other);
    EXPECT_TRUE(file.find(key, "broken")->data.empty());
}

TEST(RegistryFile, AcceptsTheVersion5HeaderCrLfAndByteOrderMark)
{
    RegistryFile file = RegistryFile::parse("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
                                            "[" + key + "]\r\n"
                                            "\"Volume\"=dword:00000032\r\n"
                                            "\"Site\"=\"http://example.org/\"\r\n");
    EXPECT_FALSE(file.damaged());
    EXPECT_EQ(file.header(), "Windows Registry Editor Version 5.00");
    EXPECT_EQ(file.find(key, "Volume")->data, dword(50));
    EXPECT_EQ(file.find(key, "Site")->data, bytes("http://example.org/", true));
    std::string text = file.serialize();
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
}

TEST(RegistryFile, SkipsUnreadableLinesKeepingTheRest)
{
    struct Case {
        const char* what;
        std::string lines;
        std::size_t unreadable;
    };
    const std::vector<Case> cases = {
        {"garbage", "this is not a registry line\n", 1},
        {"cut string", "\"bad\"=\"no closing quote\n", 1},
        {"cut name", "\"bad\n", 1},
        {"dword of nine digits", "\"bad\"=dword:123456789\n", 1},
        {"dword far too long", "\"bad\"=dword:" + std::string(400, 'f') + "\n", 1},
        {"dword not hex", "\"bad\"=dword:-1\n", 1},
        {"dword empty", "\"bad\"=dword:\n", 1},
        {"NUL byte", std::string("\"bad\"=\"a\0b\"\n", 12), 1},
        {"binary junk", "\x01\x02\xff\xfe\x7f\x80\n", 1},
        {"unknown escape", "\"bad\"=\"C:\\path\"\n", 1},
        {"text after the value", "\"bad\"=\"x\" junk\n", 1},
        {"no equals sign", "\"bad\" \"x\"\n", 1},
        {"hex cut by a blank line", "\"bad\"=hex:01,02,\\\n\n", 1},
        {"hex cut by a value", "\"bad\"=hex:01,\\\n\"also\"=dword:00000001\n", 1},
        {"second header", "REGEDIT4\n", 1},
        {"earlier duplicate", "\"Keep\"=dword:00000009\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryFile file = RegistryFile::parse("REGEDIT4\n\n[" + key + "]\n\"before\"=dword:00000001\n" + c.lines +
                                                "\"Keep\"=\"after\"\n");
        EXPECT_TRUE(file.damaged());
        EXPECT_EQ(file.unreadableLines(), c.unreadable);
        EXPECT_EQ(file.find(key, "bad"), nullptr);
        ASSERT_NE(file.find(key, "before"), nullptr);
        EXPECT_EQ(file.find(key, "before")->data, dword(1));
        ASSERT_NE(file.find(key, "Keep"), nullptr);
        EXPECT_EQ(file.find(key, "Keep")->data, bytes("after", true));
    }
    // Values with no readable section to belong to.
    RegistryFile orphans = RegistryFile::parse("REGEDIT4\n\"lost\"=dword:00000001\n[unclosed\n\"lost\"=\"x\"\n"
                                               "; lost too\n[" + key + "]\n\"Keep\"=dword:00000002\n");
    EXPECT_EQ(orphans.unreadableLines(), 4u);
    EXPECT_EQ(orphans.sections().size(), 1u);
    EXPECT_EQ(orphans.find(key, "Keep")->data, dword(2));
}

TEST(RegistryFile, ChangesKeepTheStoredNameAndRefuseWhatCannotBeWritten)
{
    RegistryFile file = RegistryFile::parse("REGEDIT4\n\n[" + key + "]\n\"ShowFps\"=\"1\"\n\"x\"=dword:00000001\n");
    ASSERT_TRUE(file.setDword(key, "SHOWFPS", 1));
    ASSERT_EQ(file.sections().front().entries.size(), 2u);
    EXPECT_EQ(file.sections().front().entries.front().name, "ShowFps");
    EXPECT_EQ(file.find(key, "showfps")->type, RegistryType::Dword);

    std::string before = file.serialize();
    EXPECT_FALSE(file.setDword(key, "two\nlines", 1));
    EXPECT_FALSE(file.setString(key, std::string("nul\0", 4), "x"));
    EXPECT_FALSE(file.setString("", "name", "x"));
    EXPECT_FALSE(file.setString(" padded", "name", "x"));
    EXPECT_FALSE(file.addSection("line\nbreak"));
    EXPECT_EQ(file.serialize(), before);
}

// Any bytes at all: no crash, and what is written reads back as the same values, with no loss.
TEST(RegistryFile, ArbitraryInputRoundTrips)
{
    const std::vector<std::string> pieces = {
        "REGEDIT4\n", "[", "]", "\n", "\r\n", "\"", "\\", "=", "dword:", "hex:", "hex(1):", "hex(4):", "0",
        "1e", ",", "ff", "@", ";", " ", "\t", "[" + key + "]\n", "\"width\"=dword:00000400\n", "\"s\"=\"t\"\n",
        "a", "-", "\r", std::string(1, '\0'), "\xff", "\\\n  01",
    };
    std::mt19937 random(20240611);
    for (int round = 0; round < 30000; ++round) {
        std::string input;
        int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i)
            input += pieces[random() % pieces.size()];
        SCOPED_TRACE(::testing::PrintToString(input));
        RegistryFile first = RegistryFile::parse(input);
        std::string once = first.serialize();
        RegistryFile second = RegistryFile::parse(once);
        ASSERT_FALSE(second.damaged()) << once;
        expectSameValues(first, second);
        ASSERT_EQ(second.serialize(), once);
    }
}

namespace {

std::string utf16Le(const std::u16string& text)
{
    std::string out = "\xFF\xFE";
    for (char16_t unit : text) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    return out;
}

} // namespace

TEST(RegistryFile, RegeditUtf16ExportIsReadAndWrittenBackAsRegedit4)
{
    const std::u16string exported =
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tallowmere Studio\\"
        u"Fernhollow Screensaver]\r\n\"Volume\"=dword:00000014\r\n\"SiteAddressURL\"=\"caf\u00e9 \U0001F332\"\r\n"
        u"\"Sound\"=hex(4):01,00,00,00\r\n";
    RegistryFile file = RegistryFile::parse(utf16Le(exported));
    EXPECT_FALSE(file.damaged());
    EXPECT_TRUE(file.converted());
    const RegistryEntry* volume = file.find(key, "Volume");
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->data, dword(20));
    const RegistryEntry* site = file.find(key, "SiteAddressURL");
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(site->data, bytes("caf\xC3\xA9 \xF0\x9F\x8C\xB2", true));
    ASSERT_NE(file.find(key, "Sound"), nullptr);
    EXPECT_EQ(file.find(key, "Sound")->type, RegistryType::Dword);
    std::string written = file.serialize();
    EXPECT_EQ(linesOf(written).front(), "REGEDIT4");
    EXPECT_NE(written.find("\"Volume\"=dword:00000014"), std::string::npos);
    expectSameValues(RegistryFile::parse(written), file);

    // A lone surrogate or a cut last unit is not taken as text: that line is unreadable.
    std::string broken = utf16Le(u"REGEDIT4\r\n[A]\r\n\"x\"=\"\xD800\"\r\n\"y\"=dword:00000001\r\n") + "\x22";
    RegistryFile damaged = RegistryFile::parse(broken);
    EXPECT_TRUE(damaged.damaged());
    EXPECT_EQ(damaged.find("A", "x"), nullptr);
    ASSERT_NE(damaged.find("A", "y"), nullptr);
    // An 8-bit file is not converted.
    EXPECT_FALSE(RegistryFile::parse("REGEDIT4\n[A]\n\"y\"=dword:00000001\n").converted());
}

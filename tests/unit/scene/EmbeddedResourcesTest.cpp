#include "engine/Texture.h"
#include "scene/ResourceHelpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <unistd.h>

using namespace System;
namespace fs = std::filesystem;

namespace {

struct Entry {
    std::string type;
    unsigned id;
    std::string value;  // a path below assets/, or the quoted string's text
};

fs::path assetsDir()
{
    const char* data = std::getenv("FERNHOLLOW_TEST_DATA");
    return data ? (fs::path(data) / ".." / ".." / "assets").lexically_normal() : fs::path();
}

std::vector<Entry> manifest()
{
    std::ifstream in(assetsDir() / "manifest.txt");
    std::vector<Entry> entries;
    std::regex line("^([A-Z]+)[ \t]+([0-9]+)[ \t]+(.+)$");
    std::regex quoted("^\"(.*)\"$");
    for (std::string text; std::getline(in, text);) {
        std::smatch parts;
        if (text.empty() || text[0] == '#' || !std::regex_match(text, parts, line))
            continue;
        Entry entry{parts[1], unsigned(std::stoul(parts[2])), parts[3]};
        std::smatch inner;
        if (entry.type == "STRING" && std::regex_match(entry.value, inner, quoted))
            entry.value = inner[1];
        entries.push_back(entry);
    }
    return entries;
}

std::string fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The address ranges that the executable's own file is mapped to.
std::vector<std::pair<std::uintptr_t, std::uintptr_t>> executableMappings()
{
    const fs::path self = fs::canonical("/proc/self/exe");
    std::ifstream maps("/proc/self/maps");
    std::vector<std::pair<std::uintptr_t, std::uintptr_t>> ranges;
    for (std::string text; std::getline(maps, text);) {
        std::istringstream fields(text);
        std::string range, perms, offset, device, inode, path;
        fields >> range >> perms >> offset >> device >> inode >> path;
        if (path != self.string())
            continue;
        auto dash = range.find('-');
        ranges.emplace_back(std::stoull(range.substr(0, dash), nullptr, 16),
                            std::stoull(range.substr(dash + 1), nullptr, 16));
    }
    return ranges;
}

std::uint32_t littleEndian32(const unsigned char* at)
{
    return at[0] | (at[1] << 8) | (at[2] << 16) | (std::uint32_t(at[3]) << 24);
}

// The JPEG's frame marker: SOF0 (baseline) with its component count, or 0 when none is found.
int baselineComponents(const unsigned char* data, std::size_t size)
{
    for (std::size_t at = 2; at + 4 <= size;) {
        if (data[at] != 0xFF)
            return 0;
        unsigned char marker = data[at + 1];
        std::size_t length = (data[at + 2] << 8) | data[at + 3];
        if (marker == 0xC0)
            return at + 9 < size ? data[at + 9] : 0;
        if (marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return 0;  // another kind of frame
        at += 2 + length;
    }
    return 0;
}

} // namespace

// Every manifest entry is in the executable, with the file's exact bytes (strings up to the
// 254-character limit), and look-ups point into the executable's own mapped image, not at a copy.
TEST(EmbeddedResources, EveryManifestEntryIsFoundWithTheFilesBytes)
{
    ASSERT_FALSE(assetsDir().empty()) << "FERNHOLLOW_TEST_DATA is not set";
    std::vector<Entry> entries = manifest();
    ASSERT_FALSE(entries.empty());
    auto mappings = executableMappings();
    ASSERT_FALSE(mappings.empty());
    for (const Entry& entry : entries) {
        SCOPED_TRACE(entry.type + " " + std::to_string(entry.id));
        if (entry.type == "STRING") {
            EXPECT_EQ(loadResourceString(entry.id), entry.value.substr(0, 254));
            continue;
        }
        std::string expected = fileBytes(assetsDir() / entry.value);
        ASSERT_FALSE(expected.empty());
        ResourceBlock block = loadResourceBlock(entry.id, entry.type);
        ASSERT_EQ(block.size, expected.size());
        EXPECT_EQ(std::memcmp(block.data, expected.data(), expected.size()), 0);
        auto address = reinterpret_cast<std::uintptr_t>(block.data);
        bool inside = false;
        for (auto& range : mappings)
            inside = inside || (address >= range.first && address + block.size <= range.second);
        EXPECT_TRUE(inside) << "not inside the executable's mapped image";
        EXPECT_EQ(loadResource(entry.id, entry.type), block.data);
    }
}

TEST(EmbeddedResources, LongStringIsCutTo254Characters)
{
    std::string full;
    for (const Entry& entry : manifest())
        if (entry.type == "STRING" && entry.id == 9)
            full = entry.value;
    ASSERT_GT(full.size(), 254u);
    EXPECT_EQ(loadResourceString(9), full.substr(0, 254));
}

// The table the scene relies on: ids, formats and sizes of every picture, sound and bitmap.
TEST(EmbeddedResources, PicturesSoundsAndBitmapsHaveTheirFormatsAndSizes)
{
    const std::map<unsigned, int> jpegs = {{125, 512}, {128, 1024}, {154, 1024}};
    const std::map<unsigned, int> pngs = {{129, 128},  {130, 1024}, {132, 256},  {133, 256},  {134, 512},
                                          {135, 512},  {136, 256},  {137, 256},  {138, 256},  {139, 64},
                                          {140, 1024}, {141, 1024}, {142, 1024}, {143, 1024}, {144, 1024}};
    for (auto& [id, side] : jpegs) {
        SCOPED_TRACE(id);
        ResourceBlock block = loadResourceBlock(id, "IMAGE");
        EXPECT_EQ(baselineComponents(block.data, block.size), 3);
        Texture texture(block);
        EXPECT_EQ(texture.getWidth(), side);
        EXPECT_EQ(texture.getHeight(), side);
        EXPECT_EQ(texture.getLayout(), RGB);
    }
    for (auto& [id, side] : pngs) {
        SCOPED_TRACE(id);
        ResourceBlock block = loadResourceBlock(id, "IMAGE");
        ASSERT_GT(block.size, 26u);
        EXPECT_EQ(block.data[24], 8);  // bits per channel
        EXPECT_EQ(block.data[25], 6);  // RGBA
        Texture texture(block);
        EXPECT_EQ(texture.getWidth(), side);
        EXPECT_EQ(texture.getHeight(), side);
        EXPECT_EQ(texture.getLayout(), RGBA);
    }
    EXPECT_EQ(resourceSize(131, "IMAGE"), 0u);

    for (unsigned id : {152u, 153u}) {
        SCOPED_TRACE(id);
        ResourceBlock block = loadResourceBlock(id, "SOUND");
        // The first Ogg page carries the Vorbis identification header.
        ASSERT_GT(block.size, 58u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data), 4), "OggS");
        const unsigned char* header = block.data + 28;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(header), 7), std::string("\x01vorbis", 7));
        EXPECT_EQ(header[11], 2);                         // channels
        EXPECT_EQ(littleEndian32(header + 12), 44100u);  // sample rate
    }

    const std::map<unsigned, std::pair<int, int>> bitmaps = {{115, {255, 190}}, {150, {155, 115}}, {157, {120, 120}}};
    for (auto& [id, size] : bitmaps) {
        SCOPED_TRACE(id);
        ResourceBlock block = loadResourceBlock(id, "BITMAP");
        ASSERT_GT(block.size, 30u);
        EXPECT_EQ(block.data[0], 'B');
        EXPECT_EQ(block.data[1], 'M');
        EXPECT_EQ(int(littleEndian32(block.data + 18)), size.first);
        EXPECT_EQ(int(littleEndian32(block.data + 22)), size.second);
        EXPECT_EQ(block.data[28], 24);  // bits per pixel
    }
}

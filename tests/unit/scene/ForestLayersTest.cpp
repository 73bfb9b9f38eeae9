// The scene's layer table against the art tools' layout (tools/art/layout.py, which the generator
// paints to) and the resource manifest (assets/manifest.txt): same layers, places, swings and pictures.
#include "scene/ForestLayers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>

using namespace System;
using namespace System::Windows;
namespace fs = std::filesystem;

namespace {

fs::path sourceDir()
{
    const char* data = std::getenv("FERNHOLLOW_TEST_DATA");
    return data ? (fs::path(data) / ".." / "..").lexically_normal() : fs::path();
}

// One line per layer of layout.py: name, the rectangle's fractions and offset, then the swing (min,
// max, scale) and the pivot as fractions of the screen, "-" where the layer has none.
const char* const LayoutDump = R"(
import sys
sys.path.insert(0, sys.argv[1])
import layout
for name, ((x0, y0), (x1, y1), (ox, oy)) in layout.RECTS.items():
    swing = layout.SWAYS.get(name)
    if name == 'deer':
        swing = (layout.DEER_ANGLES[0], layout.DEER_ANGLES[1], 0.0)
    try:
        pivot = layout.pivot(name, 1.0, 1.0)
    except KeyError:
        pivot = None
    fields = [name, x0, y0, x1, y1, ox, oy]
    fields += list(swing) if swing else ['-'] * 3
    fields += list(pivot) if pivot else ['-'] * 2
    print(' '.join(str(f) for f in fields))
)";

struct LayoutRow {
    float x0, y0, x1, y1;
    int offsetX, offsetY;
    bool swings = false;
    float minAngle = 0, maxAngle = 0, swingScale = 0;
    bool pivots = false;
    float pivotX = 0, pivotY = 0;
};

std::map<std::string, LayoutRow> layoutRows()
{
    fs::path script = fs::temp_directory_path() / ("fernhollow-layout-" + std::to_string(::getpid()) + ".py");
    std::ofstream(script) << LayoutDump;
    std::string command = "/usr/bin/python3 " + script.string() + " " + (sourceDir() / "tools" / "art").string();
    std::map<std::string, LayoutRow> rows;
    std::unique_ptr<FILE, int (*)(FILE*)> out(popen(command.c_str(), "r"), pclose);
    std::string text;
    char buffer[512];
    while (out && std::fgets(buffer, sizeof buffer, out.get()))
        text += buffer;
    out.reset();
    fs::remove(script);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string name, a, b, c, d, e;
        LayoutRow row{};
        words >> name >> row.x0 >> row.y0 >> row.x1 >> row.y1 >> row.offsetX >> row.offsetY >> a >> b >> c >> d >> e;
        if (a != "-") {
            row.swings = true;
            row.minAngle = std::stof(a);
            row.maxAngle = std::stof(b);
            row.swingScale = std::stof(c);
        }
        if (d != "-") {
            row.pivots = true;
            row.pivotX = std::stof(d);
            row.pivotY = std::stof(e);
        }
        rows[name] = row;
    }
    return rows;
}

// IMAGE id -> path below assets/.
std::map<unsigned, std::string> manifestImages()
{
    std::ifstream in(sourceDir() / "assets" / "manifest.txt");
    std::regex line("^IMAGE[ \t]+([0-9]+)[ \t]+(.+)$");
    std::map<unsigned, std::string> images;
    for (std::string text; std::getline(in, text);) {
        std::smatch parts;
        if (std::regex_match(text, parts, line))
            images[unsigned(std::stoul(parts[1]))] = parts[2];
    }
    return images;
}

} // namespace

TEST(ForestLayers, StandWhereTheArtIsPaintedAndSwingAsItIsDrawn)
{
    std::map<std::string, LayoutRow> layout = layoutRows();
    ASSERT_FALSE(layout.empty()) << "tools/art/layout.py could not be read";
    std::set<std::string> names;
    for (const ForestLayer& layer : ForestLayers) {
        SCOPED_TRACE(layer.name);
        EXPECT_TRUE(names.insert(layer.name).second) << "twice in the table";
        auto found = layout.find(layer.name);
        ASSERT_NE(found, layout.end()) << "not in layout.py";
        const LayoutRow& art = found->second;
        EXPECT_FLOAT_EQ(layer.topLeft.x, art.x0);
        EXPECT_FLOAT_EQ(layer.topLeft.y, art.y0);
        EXPECT_FLOAT_EQ(layer.bottomRight.x, art.x1);
        EXPECT_FLOAT_EQ(layer.bottomRight.y, art.y1);
        EXPECT_EQ(layer.offset.x, art.offsetX);
        EXPECT_EQ(layer.offset.y, art.offsetY);

        const bool turns = layer.motion == LayerMotion::Sway || layer.motion == LayerMotion::Nod;
        EXPECT_EQ(art.swings, turns);
        EXPECT_EQ(art.pivots, turns);
        if (turns) {
            EXPECT_FLOAT_EQ(layer.minAngle, art.minAngle);
            EXPECT_FLOAT_EQ(layer.maxAngle, art.maxAngle);
            if (layer.motion == LayerMotion::Sway) {
                EXPECT_FLOAT_EQ(layer.swingScale, art.swingScale);
            }
            EXPECT_FLOAT_EQ(layer.pivot.x, art.pivotX);
            EXPECT_FLOAT_EQ(layer.pivot.y, art.pivotY);
        }
    }
    for (const auto& [name, row] : layout)
        EXPECT_EQ(names.count(name), 1u) << name << " is painted but not in the scene";
}

TEST(ForestLayers, PicturesAreTheManifestsImagesOfTheSameName)
{
    std::map<unsigned, std::string> images = manifestImages();
    ASSERT_FALSE(images.empty()) << "assets/manifest.txt could not be read";
    std::set<unsigned> ids;
    for (const ForestLayer& layer : ForestLayers) {
        SCOPED_TRACE(layer.name);
        std::size_t count = 0;
        for (const LayerPicture& picture : layer.pictures) {
            if (!picture.name)
                continue;
            ++count;
            EXPECT_TRUE(ids.insert(picture.id).second) << picture.id << " is used twice";
            auto found = images.find(picture.id);
            ASSERT_NE(found, images.end()) << picture.id << " is not in the manifest";
            EXPECT_TRUE(std::regex_match(found->second, std::regex("images/" + std::string(picture.name) +
                                                                   "\\.(png|jpg)")))
                << picture.id << " is " << found->second;
            // The same picture of the 2x set: its own id, the same file name in images/2x/.
            auto twice = images.find(picture.id + PictureId2x);
            ASSERT_NE(twice, images.end()) << picture.id + PictureId2x << " is not in the manifest";
            EXPECT_EQ(twice->second, "images/2x/" + found->second.substr(7));
        }
        const bool animated = layer.motion == LayerMotion::Flicker || layer.motion == LayerMotion::Peck;
        EXPECT_EQ(count, animated ? 3u : 1u);
    }
}

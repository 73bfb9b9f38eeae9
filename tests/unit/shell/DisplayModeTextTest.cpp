#include "shell/DisplayModeText.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using System::Platform::VideoMode;

namespace {

VideoMode mode(int width, int height, int bits, int refresh)
{
    VideoMode result;
    result.width = width;
    result.height = height;
    result.bitsPerPixel = bits;
    result.refreshRate = refresh;
    return result;
}

// A display that offers exactly these modes, by index.
DisplayModeSource offering(std::vector<VideoMode> modes)
{
    return [modes](int index, VideoMode& out) {
        if (index < 0 || index >= static_cast<int>(modes.size()))
            return false;
        out = modes[static_cast<std::size_t>(index)];
        return true;
    };
}

std::vector<std::string> listed(const std::vector<VideoMode>& modes)
{
    std::set<std::string> texts = enumerateDisplayModes(offering(modes));
    return {texts.begin(), texts.end()};
}

} // namespace

TEST(DisplayModeList, RefreshRatesCollapseAndTextsSortByCharacter)
{
    std::vector<VideoMode> modes;
    for (int refresh : {60, 75})
        for (int bits : {32, 16})
            for (auto size : {std::pair{800, 600}, std::pair{1024, 768}})
                modes.push_back(mode(size.first, size.second, bits, refresh));
    EXPECT_EQ(listed(modes), (std::vector<std::string>{"1024x768x16", "1024x768x32", "800x600x16",
                                                       "800x600x32"}));
}

TEST(DisplayModeList, SmallAndEightBitModesAreLeftOut)
{
    EXPECT_EQ(listed({mode(640, 480, 32, 60), mode(1024, 768, 8, 60), mode(800, 599, 32, 60),
                      mode(799, 600, 32, 60), mode(1280, 1024, 15, 60), mode(800, 600, 16, 60)}),
              (std::vector<std::string>{"800x600x16"}));
    EXPECT_TRUE(listed({}).empty());
    EXPECT_TRUE(listed({mode(640, 480, 8, 60)}).empty());
}

TEST(DisplayModeList, EnumerationStopsAtTheFirstIndexThatFails)
{
    std::vector<int> asked;
    auto source = [&asked](int index, VideoMode& out) {
        asked.push_back(index);
        if (index >= 2)
            return false;
        out = mode(1024 + index, 768, 32, 60);
        return true;
    };
    EXPECT_EQ(enumerateDisplayModes(source).size(), 2u);
    EXPECT_EQ(asked, (std::vector<int>{0, 1, 2}));
}

TEST(DisplayModeText, FormatsAndFindsItsPlace)
{
    System::DisplayMode desktop;
    desktop.width = 1920;
    desktop.height = 1080;
    desktop.depth = 32;
    EXPECT_EQ(displayModeText(desktop), "1920x1080x32");

    std::set<std::string> modes{"1024x768x16", "1024x768x32", "800x600x16"};
    EXPECT_EQ(displayModeIndex(modes, "1024x768x16"), 0);
    EXPECT_EQ(displayModeIndex(modes, "800x600x16"), 2);
    EXPECT_EQ(displayModeIndex(modes, "1920x1080x32"), 0);
    EXPECT_EQ(displayModeIndex({}, "800x600x16"), 0);
}

TEST(DisplayModeText, ParsesThreeDecimalPiecesSplitAtEveryX)
{
    struct Case {
        const char* text;
        int width, height, depth;
    };
    for (Case c : {Case{"1024x768x32", 1024, 768, 32}, Case{"800x600x16", 800, 600, 16},
                   Case{"x1024xx768x32x", 1024, 768, 32}, Case{"1024x768x32x60", 1024, 768, 32},
                   Case{"0800x0600x016", 800, 600, 16}}) {
        System::DisplayMode parsed = parseDisplayMode(c.text);
        EXPECT_EQ(parsed.width, c.width) << c.text;
        EXPECT_EQ(parsed.height, c.height) << c.text;
        EXPECT_EQ(parsed.depth, c.depth) << c.text;
        EXPECT_TRUE(parsed.fullScreen) << c.text;
    }
}

TEST(DisplayModeText, RefusesTextsThatAreNotThreeNumbers)
{
    for (const char* text : {"", "x", "1024x768", "1024X768X32", "1024x768xabc", "1024 x768x32",
                             "-1024x768x32", "+1024x768x32", "1024x768x0", "99999999999x768x32",
                             "1024x768x3.5"}) {
        try {
            parseDisplayMode(text);
            ADD_FAILURE() << "accepted \"" << text << "\"";
        } catch (const BadDisplayModeText& bad) {
            std::string message = bad.what();
            EXPECT_FALSE(message.empty());
            if (*text)
                EXPECT_NE(message.find(std::string("\"") + text + "\""), std::string::npos) << message;
            else
                EXPECT_EQ(message, "no display mode is selected");
        }
    }
}

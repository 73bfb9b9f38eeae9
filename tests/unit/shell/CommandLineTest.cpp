#include "shell/CommandLine.h"

#include "Environment.h"

#include <gtest/gtest.h>

#include <cstdlib>

using Mode = Invocation::Mode;

namespace {

Invocation parse(const std::string& line)
{
    return parseCommandLine(line);
}

std::string badArgumentText(const std::string& line)
{
    try {
        parseCommandLine(line);
    } catch (const BadArgument& bad) {
        return bad.what();
    }
    return "";
}

} // namespace

TEST(CommandLine, SaverLetterInAnyCaseAfterSlashOrHyphen)
{
    for (const char* line : {"/s", "-S", "/S", "s", "  /s  ", "/x /s", "::/s"}) {
        Invocation run = parse(line);
        EXPECT_EQ(run.mode, Mode::Saver) << line;
    }
}

TEST(CommandLine, PreviewTakesTheFollowingHandleBySpaceOrColon)
{
    for (const char* line : {"/p 1234", "/p:1234", "-P 1234", "/p::1234"}) {
        Invocation preview = parse(line);
        EXPECT_EQ(preview.mode, Mode::Preview) << line;
        EXPECT_EQ(preview.handle, 1234u) << line;
    }
    Invocation afterUnknown = parse("/q /p 7");
    EXPECT_EQ(afterUnknown.mode, Mode::Preview);
    EXPECT_EQ(afterUnknown.handle, 7u);

    Invocation noHandle = parse("/p");
    EXPECT_EQ(noHandle.mode, Mode::Preview);
    EXPECT_EQ(noHandle.handle, 0u);
}

TEST(CommandLine, SettingsOwnerIsTheHandleOrTheForegroundWindow)
{
    Invocation owned = parse("/c:5678");
    EXPECT_EQ(owned.mode, Mode::Settings);
    EXPECT_EQ(owned.handle, 5678u);
    EXPECT_FALSE(owned.ownerFromForeground);

    Invocation foreground = parse("/c");
    EXPECT_EQ(foreground.mode, Mode::Settings);
    EXPECT_TRUE(foreground.ownerFromForeground);

    Invocation empty = parse("");
    EXPECT_EQ(empty.mode, Mode::Settings);
    EXPECT_FALSE(empty.ownerFromForeground);
    EXPECT_EQ(empty.handle, 0u);

    // Only delimiters: no token at all, like the empty line.
    EXPECT_EQ(parse(" :/- ").mode, Mode::Settings);
}

TEST(CommandLine, WordsAndUnknownLettersStartNothing)
{
    for (const char* line : {"/config", "/a /b", "/save", "/preview 12", "x"})
        EXPECT_EQ(parse(line).mode, Mode::None) << line;
}

TEST(CommandLine, OnlyTheFirstModeLetterCounts)
{
    Invocation first = parse("/s /p 12");
    EXPECT_EQ(first.mode, Mode::Saver);
    // Later tokens are never looked at, so a bad one after the mode does not matter.
    EXPECT_EQ(parse("/s /p abc").mode, Mode::Saver);
}

TEST(CommandLine, HandleTokensThatAreNotUnsignedDecimalNumbersAreNamed)
{
    EXPECT_NE(badArgumentText("p abc").find("\"abc\""), std::string::npos);
    EXPECT_NE(badArgumentText("c s").find("\"s\""), std::string::npos);
    EXPECT_NE(badArgumentText("/p 12ab").find("\"12ab\""), std::string::npos);
    EXPECT_NE(badArgumentText("/p 4294967296").find("4294967296"), std::string::npos);
    EXPECT_NE(badArgumentText("/c 99999999999").find("99999999999"), std::string::npos);
    // A minus sign is a delimiter, so "-5" is the token "5".
    EXPECT_EQ(parse("/p -5").handle, 5u);
    EXPECT_EQ(parse("/p 4294967295").handle, 4294967295u);
}

TEST(CommandLine, HostContractIsReadFromTheArgumentsAsGiven)
{
    Invocation byId = parseArguments({"-window-id", "0x1a00007"});
    EXPECT_EQ(byId.mode, Mode::Hosted);
    EXPECT_EQ(byId.handle, 0x1a00007u);
    EXPECT_EQ(parseArguments({"-window-id", "4242"}).handle, 4242u);
    EXPECT_THROW(parseArguments({"-window-id"}), BadArgument);
    EXPECT_THROW(parseArguments({"-window-id", "zz"}), BadArgument);
    EXPECT_THROW(parseArguments({"-window-id", "0"}), BadArgument);

    TestEnvironment::unset("XSCREENSAVER_WINDOW");
    Invocation root = parseArguments({"-root"});
    EXPECT_EQ(root.mode, Mode::Hosted);
    EXPECT_TRUE(root.hostIsRoot);

    TestEnvironment::set("XSCREENSAVER_WINDOW", "0x2c00003");
    Invocation fromHost = parseArguments({"-root"});
    EXPECT_FALSE(fromHost.hostIsRoot);
    EXPECT_EQ(fromHost.handle, 0x2c00003u);
    TestEnvironment::set("XSCREENSAVER_WINDOW", "garbage");
    EXPECT_THROW(parseArguments({"-root"}), BadArgument);
    TestEnvironment::unset("XSCREENSAVER_WINDOW");

    // Without the host options the arguments are joined and read as one command line.
    Invocation joined = parseArguments({"/p", "77"});
    EXPECT_EQ(joined.mode, Mode::Preview);
    EXPECT_EQ(joined.handle, 77u);
    EXPECT_EQ(parseArguments({}).mode, Mode::Settings);
}

namespace {

Invocation parseArgs(std::vector<std::string> arguments)
{
    return parseArguments(arguments);
}

std::string badSwitchText(std::vector<std::string> arguments)
{
    try {
        parseArguments(arguments);
    } catch (const BadArgument& bad) {
        return bad.what();
    }
    return "";
}

} // namespace

TEST(CommandLine, RunSwitchesStandAnywhereWithOneOrTwoHyphens)
{
    Invocation hosted = parseArgs({"--fps", "--root", "-no-clock", "--24-hour", "--no-sound", "--volume", "30"});
    EXPECT_EQ(hosted.mode, Mode::Hosted);
    EXPECT_EQ(hosted.overrides.showFps, std::optional<bool>(true));
    EXPECT_EQ(hosted.overrides.showTime, std::optional<bool>(false));
    EXPECT_EQ(hosted.overrides.twelveHourClock, std::optional<bool>(false));
    EXPECT_EQ(hosted.overrides.soundEnabled, std::optional<bool>(false));
    EXPECT_EQ(hosted.overrides.volume, std::optional<int>(30));

    Invocation saver = parseArgs({"/s", "-clock", "-12-hour", "-no-fps", "-sound", "-volume", "0"});
    EXPECT_EQ(saver.mode, Mode::Saver);
    EXPECT_EQ(saver.overrides.showTime, std::optional<bool>(true));
    EXPECT_EQ(saver.overrides.twelveHourClock, std::optional<bool>(true));
    EXPECT_EQ(saver.overrides.showFps, std::optional<bool>(false));
    EXPECT_EQ(saver.overrides.soundEnabled, std::optional<bool>(true));
    EXPECT_EQ(saver.overrides.volume, std::optional<int>(0));

    // A switch's value is not taken for a window id, nor a window id for a switch.
    Invocation window = parseArgs({"-volume", "100", "-window-id", "0x2a", "-fps"});
    EXPECT_EQ(window.mode, Mode::Hosted);
    EXPECT_EQ(window.handle, 42u);
    EXPECT_EQ(window.overrides.volume, std::optional<int>(100));

    // Nothing given: every stored setting stands; the later of two opposite switches wins.
    Invocation plain = parseArgs({"/s"});
    EXPECT_FALSE(plain.overrides.showTime || plain.overrides.twelveHourClock || plain.overrides.showFps ||
                 plain.overrides.soundEnabled || plain.overrides.volume);
    EXPECT_EQ(parseArgs({"-fps", "-no-fps", "/s"}).overrides.showFps, std::optional<bool>(false));
    // Words the switches do not know keep the Windows meaning: nothing runs.
    EXPECT_EQ(parseArgs({"-config"}).mode, Mode::None);
}

TEST(CommandLine, BadSwitchValuesNameTheValue)
{
    EXPECT_EQ(badSwitchText({"--root", "--volume"}), "-volume needs a whole number from 0 to 100");
    for (const char* value : {"101", "-1", "abc", "", "50%", "1e2", "0x10", "1000"})
        EXPECT_EQ(badSwitchText({"/s", "-volume", value}),
                  std::string("the volume \"") + value + "\" of -volume is not a whole number from 0 to 100")
            << value;
    EXPECT_EQ(badSwitchText({"/s", "-volume", "100"}), "");
}

TEST(CommandLine, AHugeArgumentIsCutInItsError)
{
    std::string huge(128 * 1024, '7');
    huge += "x";
    for (const std::string& text : {badArgumentText("/p " + huge), badArgumentText("/p:" + huge)}) {
        EXPECT_LT(text.size(), 200u) << text.substr(0, 300);
        EXPECT_NE(text.find("\"" + huge.substr(0, 64) + "...\" (131073 characters)"), std::string::npos) << text;
    }
    try {
        parseArguments({"-window-id", huge});
        ADD_FAILURE() << "no error";
    } catch (const BadArgument& bad) {
        EXPECT_LT(std::string(bad.what()).size(), 200u);
    }
}

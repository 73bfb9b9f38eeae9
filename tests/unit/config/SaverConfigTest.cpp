#include "config/SaverConfig.h"
#include "base/Exception.h"
#include "platform/linux/RegistryFile.h"

#include "ScratchConfigHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

using System::DisplayMode;
using System::SoundSettings;
using System::Platform::RegistryEntry;
using System::Platform::RegistryFile;
using System::Platform::RegistryType;

namespace {

const std::string section = "HKEY_CURRENT_USER\\Software\\Tallowmere Studio\\Fernhollow Screensaver";
const std::string makerAddress = "http://maker.example/";
const std::string keyError = "Could not create registry key Software\\Tallowmere Studio\\Fernhollow Screensaver\n";

SaverConfig::StringLoader table(const std::string& entry4)
{
    return [entry4](unsigned id) { return id == 4 ? entry4 : id == 2 ? makerAddress : std::string(); };
}

class SaverConfigTest : public ::testing::Test {
protected:
    void storeKey(const std::string& values) const
    {
        home.writeFile("REGEDIT4\n\n[" + section + "]\n" + values);
    }

    RegistryFile stored() const { return RegistryFile::parse(home.readFile()); }

    // The stored DWORD, or -1 when the value is missing or not a 4-byte DWORD.
    long long dword(const std::string& name) const
    {
        RegistryFile file = stored();
        const RegistryEntry* e = file.find(section, name);
        if (!e || e->type != RegistryType::Dword || e->data.size() != 4)
            return -1;
        return e->data[0] | e->data[1] << 8 | e->data[2] << 16 | static_cast<long long>(e->data[3]) << 24;
    }

    bool has(const std::string& name) const { return stored().find(section, name) != nullptr; }

    static void expectDisplay(const SaverConfig& config, int width, int height, int depth)
    {
        DisplayMode mode = config.displayMode();
        EXPECT_EQ(mode.width, width);
        EXPECT_EQ(mode.height, height);
        EXPECT_EQ(mode.depth, depth);
        EXPECT_FALSE(mode.fullScreen);
    }

    static void expectSound(const SaverConfig& config, bool music, bool sound, int volume)
    {
        SoundSettings s = config.soundSettings();
        EXPECT_EQ(s.musicEnabled, music);
        EXPECT_EQ(s.soundEnabled, sound);
        EXPECT_EQ(s.volume, volume);
    }

    ScratchConfigHome home;
};

const char* const engineValues[] = {"width", "height", "depth", "Music", "Sound", "Volume"};
const char* const saverValues[] = {"UseDesktop", "ShowFps", "Gamma", "ExitOnMM", "ShowTime", "TimeStyle",
                                   "SiteAddressURL"};

} // namespace

TEST_F(SaverConfigTest, FirstRunCreatesAnEmptyKeyAndTheEndFillsInTheEngineValues)
{
    auto config = std::make_unique<SaverConfig>(table("0"));
    EXPECT_EQ(home.readFile(), "REGEDIT4\n\n[" + section + "]\n\n");
    expectDisplay(*config, 1024, 768, 16);
    expectSound(*config, true, true, 75);
    EXPECT_TRUE(config->options.UseDesktop);
    EXPECT_FALSE(config->options.ShowFps);
    EXPECT_TRUE(config->options.ShowTime);
    EXPECT_TRUE(config->options.TimeStyle);
    EXPECT_EQ(config->options.Gamma, 100);
    EXPECT_TRUE(config->options.ExitOnMM);
    EXPECT_EQ(config->siteAddress(), makerAddress);

    config.reset();
    EXPECT_EQ(dword("width"), 1024);
    EXPECT_EQ(dword("height"), 768);
    EXPECT_EQ(dword("depth"), 16);
    EXPECT_EQ(dword("Music"), 1);
    EXPECT_EQ(dword("Sound"), 1);
    EXPECT_EQ(dword("Volume"), 75);
    for (const char* name : saverValues)
        EXPECT_FALSE(has(name)) << name;
}

TEST_F(SaverConfigTest, DisplayGroupFallsBackWholeWhenAnyValueIsUnreadable)
{
    const std::vector<std::string> depths = {"", "\"depth\"=\"32\"\n", "\"depth\"=hex(4):20,00,00,00,00\n",
                                             "\"depth\"=dword:123456789\n"};
    for (const std::string& depth : depths) {
        SCOPED_TRACE(depth);
        storeKey("\"width\"=dword:00000320\n\"height\"=dword:00000258\n" + depth);
        SaverConfig config(table("0"));
        expectDisplay(config, 1024, 768, 16);
    }
    storeKey("\"width\"=dword:00000320\n\"height\"=dword:00000258\n\"depth\"=dword:00000020\n");
    expectDisplay(SaverConfig(table("0")), 800, 600, 32);
}

TEST_F(SaverConfigTest, OneUnreadableSoundValueKeepsItsReadableSiblings)
{
    // Missing, of the wrong type, or a damaged line: only that value takes its default.
    for (const std::string& volume : {std::string(), std::string("\"Volume\"=\"50\"\n"),
                                      std::string("\"Volume\"=dword:zz\n")}) {
        SCOPED_TRACE(volume);
        storeKey("\"Music\"=dword:00000000\n\"Sound\"=dword:00000000\n" + volume);
        expectSound(SaverConfig(table("0")), false, false, 75);
    }
    storeKey("\"Music\"=dword:00000000\n\"Sound\"=dword:00000000\n\"Volume\"=dword:00000001e\n");
    expectSound(SaverConfig(table("0")), false, false, 75);
    storeKey("\"Music\"=dword:00000000\n\"Sound\"=dword:00000007\n\"Volume\"=dword:0000001e\n");
    expectSound(SaverConfig(table("0")), false, true, 30);
}

TEST_F(SaverConfigTest, SaverValuesFallBackOneByOne)
{
    storeKey("\"UseDesktop\"=dword:00000000\n\"Gamma\"=dword:00000028\n\"ExitOnMM\"=dword:00000000\n"
             "\"ShowTime\"=dword:00000000\n\"TimeStyle\"=dword:00000000\n");
    {
        SaverConfig config(table("0"));
        EXPECT_FALSE(config.options.UseDesktop);
        EXPECT_FALSE(config.options.ShowFps);
        EXPECT_EQ(config.options.Gamma, 40);
        EXPECT_FALSE(config.options.ExitOnMM);
        EXPECT_FALSE(config.options.ShowTime);
        EXPECT_FALSE(config.options.TimeStyle);
    }
    // A number stored as text is unreadable, not a number made of its bytes; non-zero is true.
    storeKey("\"Gamma\"=\"50\"\n\"ShowFps\"=dword:ffffffff\n\"TimeStyle\"=dword:00000005\n\"ShowTime\"=hex:00\n");
    SaverConfig config(table("0"));
    EXPECT_EQ(config.options.Gamma, 100);
    EXPECT_TRUE(config.options.ShowFps);
    EXPECT_TRUE(config.options.TimeStyle);
    EXPECT_TRUE(config.options.ShowTime);
    config.save();
    EXPECT_EQ(dword("TimeStyle"), 1);
    EXPECT_EQ(dword("ShowFps"), 1);
    EXPECT_EQ(dword("Gamma"), 100);
}

TEST_F(SaverConfigTest, SiteAddressComesFromTheKeyOnlyWhenEntry4Says1)
{
    struct Case {
        std::string stored;
        std::string entry4;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"\"SiteAddressURL\"=\"http://stored.example/\"\n", "1", "http://stored.example/"},
        {"", "1", ""},
        {"\"SiteAddressURL\"=dword:00000001\n", "1", ""},
        {"\"SiteAddressURL\"=\"http://stored.example/\"\n", "0", makerAddress},
        {"", "0", makerAddress},
        // Neither "0" nor "1": taken as "0".
        {"\"SiteAddressURL\"=\"http://stored.example/\"\n", "", makerAddress},
        {"\"SiteAddressURL\"=\"http://stored.example/\"\n", "true", makerAddress},
        {"\"SiteAddressURL\"=\"http://stored.example/\"\n", " 1", makerAddress},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored + " / entry 4 = '" + c.entry4 + "'");
        storeKey(c.stored);
        EXPECT_EQ(SaverConfig(table(c.entry4)).siteAddress(), c.expected);
    }
}

TEST_F(SaverConfigTest, SaveWritesEveryValueAndTheNextProcessReadsThemBack)
{
    storeKey("\"SiteAddressURL\"=\"http://stored.example/a\\\\b\"\n");
    {
        SaverConfig config(table("1"));
        config.setDisplayMode(DisplayMode{1280, 1024, 32, true});
        config.setSoundSettings(SoundSettings{false, true, 20});
        config.options = SaverOptions{false, true, false, false, 55, false};
        config.save();
        for (const char* name : engineValues)
            EXPECT_TRUE(has(name)) << name;
        EXPECT_EQ(dword("ShowFps"), 1);
        EXPECT_EQ(dword("Gamma"), 55);
        EXPECT_EQ(dword("UseDesktop"), 0);
    }
    SaverConfig again(table("1"));
    expectDisplay(again, 1280, 1024, 32);
    expectSound(again, true, false, 20);
    EXPECT_FALSE(again.options.UseDesktop);
    EXPECT_TRUE(again.options.ShowFps);
    EXPECT_FALSE(again.options.ShowTime);
    EXPECT_FALSE(again.options.TimeStyle);
    EXPECT_EQ(again.options.Gamma, 55);
    EXPECT_FALSE(again.options.ExitOnMM);
    EXPECT_EQ(again.siteAddress(), "http://stored.example/a\\b");
}

TEST_F(SaverConfigTest, EndOfProcessWritesTheModeARunChoseButNotTheSaverValues)
{
    storeKey("\"width\"=dword:00000320\n\"height\"=dword:00000258\n\"depth\"=dword:00000010\n"
             "\"UseDesktop\"=dword:00000001\n");
    {
        SaverConfig config(table("0"));
        ASSERT_TRUE(config.options.UseDesktop);
        config.setDisplayMode(DisplayMode{1920, 1080, 32, true});  // the desktop's mode
        config.options.ShowFps = true;
    }
    EXPECT_EQ(dword("width"), 1920);
    EXPECT_EQ(dword("height"), 1080);
    EXPECT_EQ(dword("depth"), 32);
    EXPECT_FALSE(has("ShowFps"));
}

// A saver or preview that was started before the settings dialog saved must not undo the dialog's
// save when it ends.
TEST_F(SaverConfigTest, EndOfProcessKeepsWhatAnotherProcessSavedMeanwhile)
{
    for (bool firstRun : {true, false}) {
        SCOPED_TRACE(firstRun ? "first run" : "stored values");
        if (!firstRun)
            storeKey("\"width\"=dword:00000320\n\"height\"=dword:00000258\n\"depth\"=dword:00000010\n"
                     "\"Music\"=dword:00000001\n\"Sound\"=dword:00000001\n\"Volume\"=dword:0000004b\n");
        auto running = std::make_unique<SaverConfig>(table("0"));
        running->setDisplayMode(DisplayMode{640, 480, 24, true});
        {
            SaverConfig dialog(table("0"));
            dialog.setSoundSettings(SoundSettings{false, false, 30});
            dialog.setDisplayMode(DisplayMode{1600, 1200, 32, false});
            dialog.save();
        }
        running.reset();
        EXPECT_EQ(dword("Sound"), 0);
        EXPECT_EQ(dword("Music"), 0);
        EXPECT_EQ(dword("Volume"), 30);
        EXPECT_EQ(dword("width"), 640);  // the running process's own change still counts
        EXPECT_EQ(dword("depth"), 24);
        std::filesystem::remove(home.file());
    }
    // Values that vanished while the process ran are written again.
    auto running = std::make_unique<SaverConfig>(table("0"));
    running->save();
    storeKey("\"Volume\"=dword:00000001\n");
    running.reset();
    EXPECT_EQ(dword("Volume"), 75);
    EXPECT_EQ(dword("Sound"), 1);
    EXPECT_EQ(dword("width"), 1024);
}

TEST_F(SaverConfigTest, KeyThatCannotBeCreatedFailsConstructionWithItsPath)
{
    std::string plainFile = home.path() + "/plain";
    ScratchConfigHome::write(plainFile, "x");
    for (std::string config : {plainFile, plainFile + "/below"}) {
        SCOPED_TRACE(config);
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        testing::internal::CaptureStderr();
        try {
            SaverConfig failing(table("0"));
            ADD_FAILURE() << "constructed";
        } catch (const System::Exception& e) {
            // The key's message as it always was, then the file and the system's reason.
            EXPECT_EQ(e.message(), keyError + config + "/fernhollow/user.reg: cannot create the folder " +
                                       (config == plainFile ? config + "/fernhollow" : config) +
                                       ": Not a directory\n");
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
    EXPECT_EQ(ScratchConfigHome::read(plainFile), "x");
}

TEST_F(SaverConfigTest, FailedSaveAtTheEndIsOneLineOnStderrAndNoThrow)
{
    auto config = std::make_unique<SaverConfig>(table("0"));
    std::filesystem::remove_all(home.folder());
    ScratchConfigHome::write(home.folder(), "in the way");
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(config.reset());
    std::string oneLine = keyError;
    oneLine.back() = ':';
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "fernhollow: could not save settings: " + oneLine + " " +
                                                          home.file() + ": " + home.folder() + " is not a folder\n");
    EXPECT_EQ(ScratchConfigHome::read(home.folder()), "in the way");
}

TEST_F(SaverConfigTest, DamagedFileKeepsItsReadableValuesAndABackup)
{
    const std::string original = "REGEDIT4\n\n[" + section + "]\n\"width\"=dword:00000320\n\x7f\x45LF\x02\x01\x01\n"
                                 "\"height\"=dword:00000258\n\"depth\"=dword:00000020\n\"Volume\"=dword:999999999\n"
                                 "\"Music\"=dword:00000000\n\"Sound\"=dword:00000000\n\"ShowFps\"=dword:00000001\n"
                                 "\"Gamma\"=dword:0000003\n\"SiteAddressURL\"=\"http://cut";
    home.writeFile(original);
    {
        SaverConfig config(table("0"));
        expectDisplay(config, 800, 600, 32);
        expectSound(config, false, false, 75);
        EXPECT_TRUE(config.options.ShowFps);
        EXPECT_EQ(config.options.Gamma, 3);
        config.save();
    }
    EXPECT_EQ(ScratchConfigHome::read(home.file() + ".bak"), original);
    RegistryFile file = stored();
    EXPECT_FALSE(file.damaged());
    EXPECT_EQ(dword("width"), 800);
    EXPECT_EQ(dword("Volume"), 75);
    EXPECT_EQ(dword("Gamma"), 3);
    EXPECT_EQ(home.readFile().find("ELF"), std::string::npos);
}

TEST_F(SaverConfigTest, InstanceTriesAgainAfterAFailureAndSavesAtProcessExit)
{
    std::string blocker = home.path() + "/blocker";
    ScratchConfigHome::write(blocker, "x");
    std::string configHome = home.path();
    // In a child process: the instance lives until that process exits.
    auto child = [&] {
        setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);
        bool threw = false;
        try {
            SaverConfig::instance();
        } catch (const System::Exception& e) {
            threw = e.message().compare(0, keyError.size(), keyError) == 0;
        }
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        SaverConfig& first = SaverConfig::instance();
        first.setSoundSettings(SoundSettings{false, true, 40});
        std::exit(threw && &first == &SaverConfig::instance() ? 0 : 1);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(dword("Volume"), 40);
    EXPECT_EQ(dword("Sound"), 0);
    EXPECT_EQ(dword("Music"), 1);
    EXPECT_EQ(dword("width"), 1024);
    EXPECT_FALSE(has("UseDesktop"));
}

// Every row of the settings tables: read from the key under its name into its member, and written
// back under its name, whatever the table holds.
TEST_F(SaverConfigTest, EveryTableRowIsLoadedAndSavedUnderItsOwnName)
{
    // A value other than each row's default: the other flag, or the default plus a row's position.
    std::string values;
    std::int32_t step = 3;
    auto other = [&step](const auto& row) { return row.flag ? 1 - row.byDefault : row.byDefault + step++; };
    auto line = [](const char* name, std::int32_t value) {
        char text[64];
        std::snprintf(text, sizeof text, "\"%s\"=dword:%08x\n", name, static_cast<unsigned>(value));
        return std::string(text);
    };
    for (const auto& row : System::DisplayRows)
        values += line(row.name, other(row));
    for (const auto& row : System::SoundRows)
        values += line(row.name, other(row));
    for (const auto& row : SaverOptionRows)
        values += line(row.name, other(row));
    storeKey(values);

    step = 3;
    {
        SaverConfig config(table("0"));
        for (const auto& row : System::DisplayRows)
            EXPECT_EQ(row.get(config.displayMode()), other(row)) << row.name;
        for (const auto& row : System::SoundRows)
            EXPECT_EQ(row.get(config.soundSettings()), other(row)) << row.name;
        for (const auto& row : SaverOptionRows)
            EXPECT_EQ(row.get(config.options), other(row)) << row.name;

        // Back to every default, saved.
        config.setDisplayMode(System::defaultsOf(System::DisplayRows));
        config.setSoundSettings(System::defaultsOf(System::SoundRows));
        config.options = System::defaultsOf(SaverOptionRows);
        config.save();
    }
    for (const auto& row : System::DisplayRows)
        EXPECT_EQ(dword(row.name), row.byDefault) << row.name;
    for (const auto& row : System::SoundRows)
        EXPECT_EQ(dword(row.name), row.byDefault) << row.name;
    for (const auto& row : SaverOptionRows)
        EXPECT_EQ(dword(row.name), row.byDefault) << row.name;
}

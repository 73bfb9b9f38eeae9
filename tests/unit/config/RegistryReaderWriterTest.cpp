#include "config/RegistryReader.h"
#include "config/RegistryWriter.h"
#include "base/Exception.h"
#include "platform/linux/RegistryFile.h"

#include "ScratchConfigHome.h"

#include <gtest/gtest.h>

using System::Exception;
using System::RegistryReader;
using System::RegistryWriter;

namespace {

const std::string path = "Software\\Tallowmere Studio\\Fernhollow Screensaver";
const std::string header = "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + path + "]\n";

template <class Action>
std::string messageOf(Action action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.message();
    }
    return "(no exception)";
}

class RegistryReaderWriterTest : public ::testing::Test {
protected:
    ScratchConfigHome home;
};

} // namespace

TEST_F(RegistryReaderWriterTest, KeyThatCannotBeCreatedThrowsItsPath)
{
    std::string plainFile = home.path() + "/plain";
    ScratchConfigHome::write(plainFile, "x");
    for (std::string config : {plainFile, plainFile + "/below"}) {
        SCOPED_TRACE(config);
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        const std::string expected = "Could not create registry key " + path + "\n" + config +
                                     "/fernhollow/user.reg: cannot create the folder " +
                                     (config == plainFile ? config + "/fernhollow" : config) + ": Not a directory\n";
        EXPECT_EQ(messageOf([] { RegistryReader reader(path); }), expected);
        EXPECT_EQ(messageOf([] { RegistryWriter writer(path); }), expected);
    }
}

TEST_F(RegistryReaderWriterTest, OnlyFourByteDwordsReadAsNumbers)
{
    home.writeFile(header + "\"n\"=dword:0000001e\n"
                            "\"top\"=dword:ffffffff\n"
                            "\"hexdword\"=hex(4):05,00,00,00\n"
                            "\"text\"=\"50\"\n"
                            "\"blob\"=hex:32,00,00,00\n"
                            "\"long\"=hex(4):01,00,00,00,00\n"
                            "\"huge\"=dword:100000000\n");
    RegistryReader reader(path);
    EXPECT_EQ(reader.readDword("n"), 30u);
    EXPECT_EQ(reader.readDword("N"), 30u);
    EXPECT_EQ(reader.readDword("top"), 0xffffffffu);
    EXPECT_EQ(reader.readDword("hexdword"), 5u);
    for (std::string name : {"text", "blob", "long", "huge", "missing"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(messageOf([&] { reader.readDword(name); }), "Couldn't read value for [" + name + "]");
        EXPECT_EQ(reader.readDwordOr(name, 77), 77u);
    }
    EXPECT_EQ(reader.readDwordOr("n", 77), 30u);
}

TEST_F(RegistryReaderWriterTest, ReadTextTakesOnlyStringsUpToTheirNul)
{
    home.writeFile(header + "\"url\"=\"http://example.org/\"\n"
                            "\"empty\"=\"\"\n"
                            "\"nul\"=hex(1):61,00,62,00\n"
                            "\"number\"=dword:00000001\n"
                            "\"expand\"=hex(2):61,00\n");
    RegistryReader reader(path);
    std::string target = "kept";
    for (std::string name : {"number", "expand", "missing"}) {
        reader.readText(name, target);
        EXPECT_EQ(target, "kept") << name;
    }
    reader.readText("nul", target);
    EXPECT_EQ(target, "a");
    reader.readText("url", target);
    EXPECT_EQ(target, "http://example.org/");
    reader.readText("empty", target);
    EXPECT_EQ(target, "");
}

// What every backend's registry key promises (platform/Registry.h), below a key of this run's own.
// The Linux backend's settings file itself is tested in linux/RegistryKeyFileTest.cpp.
#include "platform/Registry.h"

#include "ScratchConfigHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

using System::Platform::RegistryKey;
using System::Platform::RegistryType;

namespace {

// On Linux the key lives in the scratch file; on Windows in the test prefix's registry, where a key
// left by an earlier run must not count as existing, so every run takes a name of its own.
class RegistryKeyContract : public ::testing::Test {
protected:
    RegistryKeyContract()
        : path("Software\\Fernhollow Tests\\Contract " +
               std::to_string(std::chrono::system_clock::now().time_since_epoch().count()) + " " +
               ::testing::UnitTest::GetInstance()->current_test_info()->name())
    {
    }

    ScratchConfigHome home;
    const std::string path;
};

std::vector<unsigned char> stringBytes(const std::string& text)
{
    std::vector<unsigned char> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

} // namespace

TEST_F(RegistryKeyContract, OpenFindsOnlyAKeyThatCreateMade)
{
    EXPECT_EQ(RegistryKey::open(path), nullptr);
    EXPECT_FALSE(RegistryKey::lastError().empty()) << "a failed open says why";
    {
        auto key = RegistryKey::create(path);
        ASSERT_NE(key, nullptr) << RegistryKey::lastError();
        RegistryType type = RegistryType::Other;
        std::vector<unsigned char> data;
        EXPECT_FALSE(key->query("width", type, data)) << "a new key holds no values";
    }
    EXPECT_NE(RegistryKey::open(path), nullptr) << "an empty key stays after it is closed";
    EXPECT_NE(RegistryKey::create(path), nullptr) << "create opens a key that exists";
}

TEST_F(RegistryKeyContract, ValuesShowAtOnceWithTheirTypesAndBytesAndOutliveTheKey)
{
    {
        auto key = RegistryKey::create(path);
        ASSERT_NE(key, nullptr) << RegistryKey::lastError();
        key->setDword("Volume", 0x1234567e);
        key->setString("SiteAddressURL", "http://example.org/a\\b\"c");
        key->setString("Empty", "");
        RegistryType type = RegistryType::Other;
        std::vector<unsigned char> data;
        ASSERT_TRUE(key->query("volume", type, data)) << "names are found in any case";
        EXPECT_EQ(type, RegistryType::Dword);
        EXPECT_EQ(data, (std::vector<unsigned char>{0x7e, 0x56, 0x34, 0x12})) << "four bytes, little-endian";
        ASSERT_TRUE(key->query("SiteAddressURL", type, data));
        EXPECT_EQ(type, RegistryType::String);
        EXPECT_EQ(data, stringBytes("http://example.org/a\\b\"c")) << "a string carries its NUL";
        ASSERT_TRUE(key->query("Empty", type, data));
        EXPECT_EQ(type, RegistryType::String);
        EXPECT_EQ(data, stringBytes(""));
        EXPECT_FALSE(key->query("Missing", type, data));
    }
    auto again = RegistryKey::open(path);
    ASSERT_NE(again, nullptr) << RegistryKey::lastError();
    RegistryType type = RegistryType::Other;
    std::vector<unsigned char> data;
    ASSERT_TRUE(again->query("Volume", type, data));
    EXPECT_EQ(type, RegistryType::Dword);
    EXPECT_EQ(data, (std::vector<unsigned char>{0x7e, 0x56, 0x34, 0x12}));
    ASSERT_TRUE(again->query("siteaddressurl", type, data));
    EXPECT_EQ(type, RegistryType::String);
    EXPECT_EQ(data, stringBytes("http://example.org/a\\b\"c"));
}

TEST_F(RegistryKeyContract, ALaterWriteReplacesTheValueAndItsType)
{
    auto key = RegistryKey::create(path);
    ASSERT_NE(key, nullptr) << RegistryKey::lastError();
    key->setString("Mode", "800x600");
    key->setDword("Mode", 7);
    RegistryType type = RegistryType::Other;
    std::vector<unsigned char> data;
    ASSERT_TRUE(key->query("Mode", type, data));
    EXPECT_EQ(type, RegistryType::Dword);
    EXPECT_EQ(data, (std::vector<unsigned char>{7, 0, 0, 0}));
    key->setString("mode", "1024x768");
    ASSERT_TRUE(key->query("MODE", type, data));
    EXPECT_EQ(type, RegistryType::String);
    EXPECT_EQ(data, stringBytes("1024x768"));
}

TEST_F(RegistryKeyContract, FlushStoresTheWritesSoFarForAnotherKeyToSee)
{
    auto writer = RegistryKey::create(path);
    ASSERT_NE(writer, nullptr) << RegistryKey::lastError();
    writer->setDword("Width", 1280);
    std::string error = "left over";
    EXPECT_TRUE(writer->flush(error));
    EXPECT_EQ(error, "");

    auto reader = RegistryKey::open(path);
    ASSERT_NE(reader, nullptr) << RegistryKey::lastError();
    RegistryType type = RegistryType::Other;
    std::vector<unsigned char> data;
    ASSERT_TRUE(reader->query("Width", type, data)) << "flushed while the writer is still open";
    EXPECT_EQ(data, (std::vector<unsigned char>{0x00, 0x05, 0, 0}));

    writer->setDword("Width", 1920);
    EXPECT_TRUE(writer->flush(error)) << error;
    EXPECT_TRUE(writer->flush(error)) << "nothing pending: " << error;
    auto later = RegistryKey::open(path);
    ASSERT_NE(later, nullptr);
    ASSERT_TRUE(later->query("Width", type, data));
    EXPECT_EQ(data, (std::vector<unsigned char>{0x80, 0x07, 0, 0}));
}

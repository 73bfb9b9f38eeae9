// The Win32 backend under Wine: registry, resources, clock texts, pictures, sound decoding.
#include "platform/Audio.h"
#include "platform/Bitmap.h"
#include "platform/ChildWindow.h"
#include "platform/Clock.h"
#include "platform/DisplayModes.h"
#include "platform/Registry.h"
#include "platform/Resources.h"
#include "platform/SystemInfo.h"
#include "platform/win32/StbPicture.h"
#include "platform/win32/Win32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

using namespace System::Platform;

namespace {

const char* const testKey = "Software\\Fernhollow Tests\\Win32PlatformTest";

std::vector<unsigned char> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string testData(const std::string& name)
{
    const char* folder = std::getenv("FERNHOLLOW_TEST_DATA");
    return std::string(folder ? folder : ".") + "/" + name;
}

bool hasJournal(const std::string& path)
{
    HKEY journal = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (path + "\\Journal").c_str(), 0, KEY_READ, &journal) != ERROR_SUCCESS)
        return false;
    RegCloseKey(journal);
    return true;
}

} // namespace

TEST(Win32Registry, ValuesKeepTheirTypesAndBytesBelowTheCurrentUser)
{
    {
        auto key = RegistryKey::create(testKey);
        ASSERT_TRUE(key);
        key->setDword("width", 1280);
        key->setString("Text", "a \"quoted\" value");
    }
    auto key = RegistryKey::open(testKey);
    ASSERT_TRUE(key);
    RegistryType type = RegistryType::Other;
    std::vector<unsigned char> data;
    ASSERT_TRUE(key->query("width", type, data));
    EXPECT_EQ(type, RegistryType::Dword);
    ASSERT_EQ(data.size(), 4u);
    EXPECT_EQ(data[0] | (data[1] << 8) | (data[2] << 16) | (data[3] << 24), 1280);
    ASSERT_TRUE(key->query("Text", type, data));
    EXPECT_EQ(type, RegistryType::String);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.data())), "a \"quoted\" value");
    EXPECT_EQ(data.back(), 0);  // the terminating NUL is part of the value
    EXPECT_FALSE(key->query("Missing", type, data));
    EXPECT_FALSE(RegistryKey::open("Software\\Fernhollow Tests\\No Such Key"));
}

TEST(Win32Registry, FailuresNameTheKeyAndTheSystemsReason)
{
    EXPECT_FALSE(RegistryKey::open("Software\\Fernhollow Tests\\No Such Key"));
    const std::string prefix = "HKEY_CURRENT_USER\\Software\\Fernhollow Tests\\No Such Key: ";
    std::string error = RegistryKey::lastError();
    ASSERT_EQ(error.compare(0, prefix.size(), prefix), 0) << error;
    std::string reason = error.substr(prefix.size());
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(reason.find("error "), std::string::npos) << "no system text: " << error;
    EXPECT_EQ(reason.find('\n'), std::string::npos) << "not one line: " << error;

    // A value name past the registry's 16383 characters is refused; flush reports the refusal once,
    // and the transaction it was part of is rolled back: the value written before it is the old one.
    auto key = RegistryKey::create(testKey);
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->flush(error));
    EXPECT_TRUE(error.empty());
    key->setDword("kept", 7);
    ASSERT_TRUE(key->flush(error)) << error;
    key->setDword("kept", 8);
    key->setDword("new", 1);
    key->setDword(std::string(20000, 'n'), 1);
    key->setString(std::string(20001, 's'), "x");
    EXPECT_FALSE(key->flush(error));
    const std::string keyName = "HKEY_CURRENT_USER\\Software\\Fernhollow Tests\\Win32PlatformTest: ";
    EXPECT_EQ(error.compare(0, keyName.size(), keyName), 0) << error;
    EXPECT_GT(error.size(), keyName.size());
    EXPECT_TRUE(key->flush(error));
    EXPECT_TRUE(error.empty());
    RegistryType type = RegistryType::Other;
    std::vector<unsigned char> data;
    ASSERT_TRUE(key->query("kept", type, data));
    EXPECT_EQ(data[0], 7);
    EXPECT_FALSE(key->query("new", type, data));
    EXPECT_FALSE(hasJournal(testKey));

    // The default value is the journal's marker in the journal's own key: a value without a name is
    // refused before anything is written.
    key->setDword("", 1);
    key->setDword("kept", 9);
    EXPECT_FALSE(key->flush(error));
    EXPECT_NE(error.find("a value without a name cannot be stored"), std::string::npos) << error;
    ASSERT_TRUE(key->query("kept", type, data));
    EXPECT_EQ(data[0], 7);
}

TEST(Win32Registry, AJournalLeftByAKilledWriterIsRolledBackWhenTheKeyIsOpened)
{
    const std::string path = std::string(testKey) + "\\Journalled";
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    {
        auto key = RegistryKey::create(path);
        ASSERT_TRUE(key);
        key->setDword("a", 1);
        key->setString("b", "old");
    }
    // What a writer killed half-way through its new values leaves: the journal with the old value of
    // "a" and the marker naming "c" as absent before; "a" and "c" already new, "b" not yet.
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &raw), ERROR_SUCCESS);
    HKEY journal = nullptr;
    ASSERT_EQ(RegCreateKeyExA(raw, "Journal", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &journal, nullptr),
              ERROR_SUCCESS);
    DWORD one = 1;
    DWORD nine = 9;
    RegSetValueExA(journal, "a", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
    RegSetValueExA(journal, "", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>("c\0\0"), 3);
    RegSetValueExA(raw, "a", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&nine), 4);
    RegSetValueExA(raw, "c", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&nine), 4);
    RegCloseKey(journal);
    RegCloseKey(raw);

    auto key = RegistryKey::open(path);
    ASSERT_TRUE(key);
    RegistryType type = RegistryType::Other;
    std::vector<unsigned char> data;
    ASSERT_TRUE(key->query("a", type, data));
    EXPECT_EQ(data[0], 1);
    ASSERT_TRUE(key->query("b", type, data));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.data())), "old");
    EXPECT_FALSE(key->query("c", type, data));
    EXPECT_FALSE(hasJournal(path));
    key.reset();

    // A journal without its marker (a writer killed while journalling or after its last write) is
    // only removed: the values stay as they are.
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (path + "\\Journal").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &journal, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(journal, "a", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&nine), 4);
    RegCloseKey(journal);
    key = RegistryKey::open(path);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->query("a", type, data));
    EXPECT_EQ(data[0], 1);
    EXPECT_FALSE(hasJournal(path));
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
}

TEST(Win32Registry, AWriterGivesUpWhenAnotherHoldsTheKeyForTenSeconds)
{
    auto key = RegistryKey::create(testKey);
    ASSERT_TRUE(key);
    std::string error;
    key->setDword("locked", 1);
    ASSERT_TRUE(key->flush(error)) << error;
    // The lock of this key, held by another thread (a mutex is owned by a thread, not a process).
    HANDLE taken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        HANDLE mutex = CreateMutexA(nullptr, TRUE, "Local\\Fernhollow registry Software/Fernhollow Tests/Win32PlatformTest");
        SetEvent(taken);
        WaitForSingleObject(release, INFINITE);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    });
    WaitForSingleObject(taken, INFINITE);
    key->setDword("locked", 2);
    DWORD start = GetTickCount();
    EXPECT_FALSE(key->flush(error));
    DWORD waited = GetTickCount() - start;
    SetEvent(release);
    holder.join();
    CloseHandle(taken);
    CloseHandle(release);
    EXPECT_GE(waited, 9500u);
    EXPECT_LT(waited, 15000u);
    EXPECT_EQ(error, "HKEY_CURRENT_USER\\Software\\Fernhollow Tests\\Win32PlatformTest: another program kept "
                     "the settings locked for 10 seconds");
    RegistryType type = RegistryType::Other;
    std::vector<unsigned char> data;
    ASSERT_TRUE(key->query("locked", type, data));
    EXPECT_EQ(data[0], 1);
    // Released, the next transaction goes through.
    key->setDword("locked", 3);
    EXPECT_TRUE(key->flush(error)) << error;
}

TEST(Win32Resources, EveryManifestEntryIsInTheExecutable)
{
    const char* source = std::getenv("FERNHOLLOW_TEST_DATA");
    ASSERT_TRUE(source);
    // Pictures and sounds are the very files of assets/, byte for byte.
    std::string assets = std::string(source) + "/../../assets/";
    ResourceData image = findResource(128, "IMAGE");
    ASSERT_TRUE(image.data);
    EXPECT_EQ(std::vector<unsigned char>(image.data, image.data + image.size), fileBytes(assets + "images/background.jpg"));
    ResourceData sound = findResource(153, "SOUND");
    ASSERT_TRUE(sound.data);
    EXPECT_EQ(std::vector<unsigned char>(sound.data, sound.data + sound.size), fileBytes(assets + "sounds/birds.ogg"));
    EXPECT_FALSE(findResource(128, "SOUND").data);
    EXPECT_FALSE(findResource(9999, "IMAGE").data);

    EXPECT_EQ(loadStringResource(1, 255), "Fernhollow Screensaver");
    EXPECT_EQ(loadStringResource(2, 255), "https://www.example.com/fernhollow/");
    EXPECT_EQ(loadStringResource(9, 255).size(), 254u);  // a 255-character buffer holds 254 and the NUL
    EXPECT_EQ(loadStringResource(3, 255), "");

    Bitmap preview;
    ASSERT_TRUE(loadBitmap(150, preview));
    EXPECT_EQ(preview.width, 155);
    EXPECT_EQ(preview.height, 115);
    // LoadBitmap gives the same pixels as the file holds.
    std::vector<unsigned char> file = fileBytes(assets + "bitmaps/preview.bmp");
    Bitmap decoded;
    ASSERT_TRUE(decodeBitmap(file.data(), file.size(), decoded));
    EXPECT_EQ(preview.rgb, decoded.rgb);
}

TEST(Win32Clock, EnglishTimeAndDateTexts)
{
    LocalTime time;
    time.year = 2026;
    time.month = 12;
    time.day = 7;
    time.dayOfWeek = 1;
    time.hour = 21;
    time.minute = 5;
    time.second = 9;
    EXPECT_EQ(timeText(time), "21:05:09");
    EXPECT_EQ(dateText(time), "Monday,07 December 2026");
    std::int64_t frequency = 0;
    ASSERT_TRUE(performanceFrequency(frequency));
    EXPECT_GT(frequency, 0);
    std::int64_t first = performanceCounter();
    EXPECT_GE(performanceCounter(), first);
}

TEST(Win32SystemInfo, VersionAndDisplay)
{
    OsVersion version = osVersion();
    EXPECT_EQ(version.name, "Windows");
    EXPECT_GE(version.major, 5u);
    EXPECT_FALSE(currentDirectory().empty());
    VideoMode mode;
    ASSERT_TRUE(currentDisplayMode(mode)) << lastDisplayModeError();
    EXPECT_GT(mode.width, 0);
    EXPECT_GT(mode.height, 0);
    EXPECT_GE(mode.bitsPerPixel, 8);
    VideoMode first;
    EXPECT_TRUE(enumDisplayMode(0, first));
    EXPECT_FALSE(enumDisplayMode(-1, first));
    EXPECT_FALSE(changeDisplayMode(12345, 678, 32));
}

TEST(Win32Pictures, WholePngAndJpegDecodeBottomRowFirstAndCutFilesDoNot)
{
    ResourceData jpeg = findResource(128, "IMAGE");
    auto background = Win32::decodePicture(jpeg.data, jpeg.size);
    ASSERT_TRUE(background);
    EXPECT_EQ(background->channels, 3);
    EXPECT_EQ(background->pixels.size(), std::size_t(background->width) * background->height * 3);
    ResourceData png = findResource(129, "IMAGE");
    auto deer = Win32::decodePicture(png.data, png.size);
    ASSERT_TRUE(deer);
    EXPECT_EQ(deer->channels, 4);
    // The deer's picture is transparent around it: its first (bottom) row's corner is clear.
    EXPECT_EQ(deer->pixels[3], 0);

    std::vector<unsigned char> truncated = fileBytes(testData("truncated-125.jpg"));
    ASSERT_FALSE(truncated.empty());
    EXPECT_FALSE(Win32::decodePicture(truncated.data(), truncated.size()));
    std::vector<unsigned char> cutPng(png.data, png.data + png.size / 2);
    EXPECT_FALSE(Win32::decodePicture(cutPng.data(), cutPng.size()));
    EXPECT_FALSE(Win32::decodePicture(nullptr, 0));
    // A header that claims a side past 16384 is refused before decoding.
    std::vector<unsigned char> huge(png.data, png.data + png.size);
    huge[16] = 0;
    huge[17] = 0;
    huge[18] = 0x50;  // width 0x5000 = 20480
    huge[19] = 0;
    EXPECT_FALSE(Win32::decodePicture(huge.data(), huge.size()));
}

TEST(Win32Audio, WithoutASoundDriverNoDeviceOpensAndNothingFails)
{
    // The test session's Wine has no sound driver (HKCU\Software\Wine\Drivers Audio="").
    auto device = AudioDevice::openDefault();
    ASSERT_TRUE(device);
    EXPECT_FALSE(device->isOpen());
    EXPECT_NE(AudioDevice::lastError().find("waveOutOpen"), std::string::npos) << AudioDevice::lastError();
    ResourceData sound = findResource(152, "SOUND");
    EXPECT_FALSE(AudioStream::open(device, sound.data, sound.size, true));
}

TEST(Win32ChildWindow, TheDesktopAndWindowsOfThisProcessAreNoHost)
{
    // Windows of another program are taken (tests/win32/test_preview.py); these are refused before
    // anything is created, and the procedure never runs.
    HWND own = CreateWindowExA(0, "STATIC", "own", WS_POPUP, 0, 0, 100, 80, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(own);
    bool ran = false;
    ChildWindowSpec spec;
    spec.width = 100;
    spec.height = 80;
    auto procedure = [&ran](ChildWindow&, ChildMessage) { ran = true; };
    EXPECT_FALSE(ChildWindow::create(Win32::fromWindow(own), spec, procedure));
    EXPECT_FALSE(ChildWindow::create(Win32::fromWindow(GetDesktopWindow()), spec, procedure));
    EXPECT_FALSE(ran);
    DestroyWindow(own);
}

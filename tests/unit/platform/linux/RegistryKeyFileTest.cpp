#include "platform/Registry.h"
#include "platform/linux/RegistryFile.h"
#include "platform/linux/RegistryStore.h"

#include "ScratchConfigHome.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

using System::Platform::RegistryEntry;
using System::Platform::RegistryFile;
using System::Platform::RegistryKey;
using System::Platform::RegistryType;

namespace {

const std::string path = "Software\\Tallowmere Studio\\Fernhollow Screensaver";
const std::string section = "HKEY_CURRENT_USER\\" + path;

std::uint32_t dwordOf(const RegistryEntry* entry)
{
    if (!entry || entry->type != RegistryType::Dword || entry->data.size() != 4)
        return 0xdeadbeef;
    return entry->data[0] | entry->data[1] << 8 | entry->data[2] << 16 | std::uint32_t(entry->data[3]) << 24;
}

std::vector<std::string> filesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder))
        names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class RegistryKeyTest : public ::testing::Test {
protected:
    RegistryFile stored() const { return RegistryFile::parse(home.readFile()); }

    ScratchConfigHome home;
};

// Runs body in a child process and returns its exit status (or 128 + signal).
template <class Body>
int inChild(Body body)
{
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

TEST_F(RegistryKeyTest, OpenNeedsTheKeyWhileCreateWritesItAtOnce)
{
    EXPECT_EQ(RegistryKey::open(path), nullptr);
    EXPECT_FALSE(ScratchConfigHome::exists(home.folder()));
    {
        auto key = RegistryKey::create(path);
        ASSERT_NE(key, nullptr);
        // Already on disk while the key is open: a first run leaves an empty key.
        EXPECT_EQ(home.readFile(), "REGEDIT4\n\n[" + section + "]\n\n");
        RegistryType type;
        std::vector<unsigned char> data;
        EXPECT_FALSE(key->query("width", type, data));
    }
    struct stat info {};
    ASSERT_EQ(stat(home.folder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_NE(RegistryKey::open(path), nullptr);
    EXPECT_EQ(RegistryKey::open("Software\\Someone Else"), nullptr);

    // A file with other keys only: open fails, create adds the key and keeps the rest.
    home.writeFile("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Other]\n\"x\"=hex:01,02\n");
    EXPECT_EQ(RegistryKey::open(path), nullptr);
    ASSERT_NE(RegistryKey::create(path), nullptr);
    RegistryFile file = stored();
    EXPECT_TRUE(file.hasSection(section));
    EXPECT_NE(home.readFile().find("\"x\"=hex:01,02\n"), std::string::npos);
}

TEST_F(RegistryKeyTest, WritesShowAtOnceInTheKeyAndReachTheFileWhenItCloses)
{
    ASSERT_NE(RegistryKey::create(path), nullptr);
    std::string empty = home.readFile();
    {
        auto key = RegistryKey::open(path);
        ASSERT_NE(key, nullptr);
        key->setDword("Volume", 0x1e);
        key->setString("SiteAddressURL", "http://example.org/a\\b\"c");
        RegistryType type;
        std::vector<unsigned char> data;
        ASSERT_TRUE(key->query("volume", type, data));
        EXPECT_EQ(type, RegistryType::Dword);
        EXPECT_EQ(data, (std::vector<unsigned char>{0x1e, 0, 0, 0}));
        ASSERT_TRUE(key->query("SiteAddressURL", type, data));
        EXPECT_EQ(type, RegistryType::String);
        std::string text = "http://example.org/a\\b\"c";
        std::vector<unsigned char> expected(text.begin(), text.end());
        expected.push_back(0);
        EXPECT_EQ(data, expected);
        EXPECT_EQ(home.readFile(), empty);

        testing::internal::CaptureStderr();
        key->setDword("two\nlines", 1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "fernhollow: registry value name with a line break or NUL not stored\n");
        EXPECT_FALSE(key->query("two\nlines", type, data));
    }
    EXPECT_EQ(home.readFile(), "REGEDIT4\n\n[" + section + "]\n\"Volume\"=dword:0000001e\n"
                               "\"SiteAddressURL\"=\"http://example.org/a\\\\b\\\"c\"\n\n");
    auto again = RegistryKey::open(path);
    RegistryType type;
    std::vector<unsigned char> data;
    ASSERT_TRUE(again->query("Volume", type, data));
    EXPECT_EQ(data[0], 0x1e);
}

TEST_F(RegistryKeyTest, FolderFollowsXdgConfigHomeThenHome)
{
    EXPECT_EQ(System::Platform::registryFolder(), home.path() + "/fernhollow");

    std::string fallbackHome = home.path() + "/house";
    setenv("HOME", fallbackHome.c_str(), 1);
    for (const char* unusable : {"", "relative/config"}) {
        setenv("XDG_CONFIG_HOME", unusable, 1);
        EXPECT_EQ(System::Platform::registryFolder(), fallbackHome + "/.config/fernhollow") << unusable;
    }
    unsetenv("XDG_CONFIG_HOME");
    ASSERT_NE(RegistryKey::create(path), nullptr);
    EXPECT_TRUE(ScratchConfigHome::exists(fallbackHome + "/.config/fernhollow/user.reg"));

    passwd* user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    std::string userHome = std::string(user->pw_dir) == "/" ? "" : user->pw_dir;
    for (const char* unusable : {"", "relative"}) {
        setenv("HOME", unusable, 1);
        EXPECT_EQ(System::Platform::registryFolder(), userHome + "/.config/fernhollow");
    }
    unsetenv("HOME");
    EXPECT_EQ(System::Platform::registryFolder(), userHome + "/.config/fernhollow");
}

TEST_F(RegistryKeyTest, CreateFailsWhereNoFileCanBe)
{
    std::string plainFile = home.path() + "/plain";
    ScratchConfigHome::write(plainFile, "not a folder");

    for (std::string config : {plainFile, plainFile + "/below"}) {
        SCOPED_TRACE(config);
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        EXPECT_EQ(RegistryKey::create(path), nullptr);
        EXPECT_EQ(RegistryKey::open(path), nullptr);
    }
    EXPECT_EQ(ScratchConfigHome::read(plainFile), "not a folder");

    // The folder itself a file, then the settings file a folder or a FIFO.
    setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
    ScratchConfigHome::write(home.folder(), "in the way");
    EXPECT_EQ(RegistryKey::create(path), nullptr);
    std::filesystem::remove(home.folder());
    std::filesystem::create_directories(home.file());
    EXPECT_EQ(RegistryKey::create(path), nullptr);
    EXPECT_EQ(RegistryKey::open(path), nullptr);
    std::filesystem::remove(home.file());
    ASSERT_EQ(mkfifo(home.file().c_str(), 0600), 0);
    EXPECT_EQ(RegistryKey::open(path), nullptr);
    EXPECT_EQ(RegistryKey::create(path), nullptr);
    std::filesystem::remove(home.file());

    for (std::string bad : {"", "\\Software\\X", "Software\\X\\", "Software\\\\X", "Soft\nware"}) {
        EXPECT_EQ(RegistryKey::create(bad), nullptr) << bad;
    }
    EXPECT_FALSE(ScratchConfigHome::exists(home.file()));
}

TEST_F(RegistryKeyTest, DamagedFileIsBackedUpBeforeItIsRewritten)
{
    const std::string damaged = "REGEDIT4\n\n[" + section + "]\n\"width\"=dword:00000320\n"
                                "\"height\"=dword:1234567890\n\x01\x02\xfe junk\n\"depth\"=\"trunc\n"
                                "[HKEY_CURRENT_USER\\Software\\Other]\n\"kept\"=hex(2):41,00\n";
    home.writeFile(damaged);
    {
        auto key = RegistryKey::open(path);
        ASSERT_NE(key, nullptr);
        RegistryType type;
        std::vector<unsigned char> data;
        EXPECT_TRUE(key->query("width", type, data));
        EXPECT_FALSE(key->query("height", type, data));
        EXPECT_FALSE(key->query("depth", type, data));
    }
    ASSERT_NE(RegistryKey::create(path), nullptr);  // reads without writing: nothing to back up yet
    EXPECT_EQ(home.readFile(), damaged);
    EXPECT_FALSE(ScratchConfigHome::exists(home.file() + ".bak"));

    RegistryKey::create(path)->setDword("Volume", 5);
    EXPECT_EQ(ScratchConfigHome::read(home.file() + ".bak"), damaged);
    RegistryFile file = stored();
    EXPECT_FALSE(file.damaged());
    EXPECT_EQ(dwordOf(file.find(section, "width")), 800u);
    EXPECT_EQ(dwordOf(file.find(section, "Volume")), 5u);
    EXPECT_NE(file.find("HKEY_CURRENT_USER\\Software\\Other", "kept"), nullptr);

    // A clean file needs no backup; a later damage gets its own, the first one stays.
    RegistryKey::create(path)->setDword("Volume", 6);
    EXPECT_FALSE(ScratchConfigHome::exists(home.file() + ".bak.1"));
    std::string damagedAgain = home.readFile() + "\"cut\"=\"\n";
    home.writeFile(damagedAgain);
    RegistryKey::create(path)->setDword("Volume", 7);
    EXPECT_EQ(ScratchConfigHome::read(home.file() + ".bak"), damaged);
    EXPECT_EQ(ScratchConfigHome::read(home.file() + ".bak.1"), damagedAgain);
    EXPECT_EQ(dwordOf(stored().find(section, "Volume")), 7u);
}

TEST_F(RegistryKeyTest, BackupsAreReusedButNeverOverwritten)
{
    const std::string damaged = "REGEDIT4\n\n[" + section + "]\n\"Volume\"=dword:00000009\ngarbage\n";
    home.writeFile(damaged);
    ScratchConfigHome::write(home.file() + ".bak", damaged);  // left by a commit that failed after it
    RegistryKey::create(path)->setDword("Volume", 10);
    EXPECT_FALSE(ScratchConfigHome::exists(home.file() + ".bak.1"));
    EXPECT_EQ(dwordOf(stored().find(section, "Volume")), 10u);

    // Backups of other versions are never overwritten, but only the newest few are kept: a hundred old
    // ones no longer stop every save.
    home.writeFile(damaged);
    auto now = std::filesystem::file_time_type::clock::now();
    for (int n = 0; n < 100; ++n) {
        std::string name = home.file() + ".bak" + (n ? "." + std::to_string(n) : std::string());
        ScratchConfigHome::write(name, "version " + std::to_string(n));
        std::filesystem::last_write_time(name, now - std::chrono::seconds(1000 - n));
    }
    testing::internal::CaptureStderr();
    RegistryKey::create(path)->setDword("Volume", 11);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(dwordOf(stored().find(section, "Volume")), 11u);
    std::vector<std::string> kept;
    for (const std::string& name : filesIn(home.folder()))
        if (name.rfind("user.reg.bak", 0) == 0)
            kept.push_back(ScratchConfigHome::read(home.folder() + "/" + name));
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string>{damaged, "version 96", "version 97", "version 98", "version 99"}));
}

TEST_F(RegistryKeyTest, FailedCommitLeavesTheOldFileIntact)
{
    RegistryKey::create(path)->setDword("width", 640);
    const std::string before = home.readFile();
    int errors[2];
    ASSERT_EQ(pipe(errors), 0);

    int status = inChild([&] {
        dup2(errors[1], 2);
        signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG instead of killing us
        auto key = RegistryKey::open(path);
        if (!key)
            return 2;
        key->setDword("width", 1024);
        key->setString("padding", std::string(64 * 1024, 'x'));
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        key.reset();
        return 0;
    });
    close(errors[1]);
    char buffer[512] = {};
    ssize_t got = read(errors[0], buffer, sizeof buffer - 1);
    close(errors[0]);

    EXPECT_EQ(status, 0);
    EXPECT_EQ(home.readFile(), before);
    EXPECT_EQ(filesIn(home.folder()), (std::vector<std::string>{"user.reg", "user.reg.lock"}));
    std::string message(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
    EXPECT_EQ(message.rfind("fernhollow: could not save registry key " + section + ": " + home.file() + ": cannot write",
                            0),
              0u)
        << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);
}

TEST_F(RegistryKeyTest, TwoProcessesSavingAtTheSameTimeLoseNothing)
{
    ASSERT_NE(RegistryKey::create(path), nullptr);
    constexpr int rounds = 200;
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);

    auto writer = [&](const std::string& prefix, std::uint32_t base) {
        return [&, prefix, base] {
            close(gate[1]);
            char go;
            if (read(gate[0], &go, 1) != 1)
                return 3;
            for (int i = 0; i < rounds; ++i) {
                auto key = RegistryKey::create(path);
                if (!key)
                    return 4;
                key->setDword(prefix + std::to_string(i), base + static_cast<std::uint32_t>(i));
                key->setString(prefix + "text", prefix + " \"round\" " + std::to_string(i));
                key->setDword("shared", base + static_cast<std::uint32_t>(i));
                key.reset();
                // Whatever moment another process reads at, it sees a whole file.
                RegistryFile now = RegistryFile::parse(ScratchConfigHome::read(
                    std::string(getenv("XDG_CONFIG_HOME")) + "/fernhollow/user.reg"));
                if (now.damaged() || !now.hasSection(section))
                    return 5;
            }
            return 0;
        };
    };

    std::fflush(nullptr);
    pid_t children[2];
    const char* prefixes[2] = {"alpha", "beta"};
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        if (children[c] == 0)
            _exit(writer(prefixes[c], c * 100000u)());
    }
    close(gate[0]);
    ASSERT_EQ(write(gate[1], "go", 2), 2);
    close(gate[1]);
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }

    RegistryFile file = stored();
    EXPECT_FALSE(file.damaged());
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < rounds; ++i)
            ASSERT_EQ(dwordOf(file.find(section, prefixes[c] + std::to_string(i))), c * 100000u + i)
                << prefixes[c] << i;
        const RegistryEntry* text = file.find(section, std::string(prefixes[c]) + "text");
        ASSERT_NE(text, nullptr);
        std::string last = std::string(prefixes[c]) + " \"round\" " + std::to_string(rounds - 1);
        EXPECT_EQ(std::string(text->data.begin(), text->data.end() - 1), last);
    }
    std::uint32_t shared = dwordOf(file.find(section, "shared"));
    EXPECT_TRUE(shared == rounds - 1 || shared == 100000u + rounds - 1) << shared;
    EXPECT_EQ(filesIn(home.folder()), (std::vector<std::string>{"user.reg", "user.reg.lock"}));
}

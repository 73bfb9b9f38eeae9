// The real audio path: OpenAL Soft's wave backend records what the sounds played into a file,
// which the tests measure. Before main, this file points OpenAL Soft at its own configuration, so
// no test of this binary ever plays through a real sound card: the wave file's path is a directory
// (no device can open) until a test makes it recordable.
#include "engine/services/Sound.h"
#include "engine/services/SoundManager.h"
#include "platform/Audio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <thread>
#include <unistd.h>
#include <sys/stat.h>

using namespace System;
namespace fs = std::filesystem;

namespace {

constexpr int Rate = 44100;

struct WaveOutput {
    fs::path dir;
    fs::path file;

    WaveOutput()
    {
        char pattern[] = "/tmp/fernhollow-audio-XXXXXX";
        if (!mkdtemp(pattern))
            return;
        dir = pattern;
        file = dir / "out.wav";
        fs::path conf = dir / "alsoft.conf";
        std::ofstream(conf) << "[general]\ndrivers = wave\nfrequency = 44100\nchannels = stereo\n"
                               "sample-type = int16\ndither = false\n[wave]\nfile = "
                            << file.string() << "\n";
        fs::create_directory(file);
        setenv("ALSOFT_CONF", conf.c_str(), 1);
        unsetenv("ALSOFT_DRIVERS");
    }
    ~WaveOutput()
    {
        std::error_code ignored;
        if (!dir.empty())
            fs::remove_all(dir, ignored);
    }

    void makeRecordable()
    {
        std::error_code ignored;
        fs::remove_all(file, ignored);
    }
    void makeUnopenable()
    {
        makeRecordable();
        fs::create_directory(file);
    }
};

WaveOutput g_wave;

// The test sounds, kept for the whole process: streams decode them in place.
const std::vector<unsigned char>& testSound(const std::string& name)
{
    static std::map<std::string, std::vector<unsigned char>> loaded;
    auto found = loaded.find(name);
    if (found != loaded.end())
        return found->second;
    const char* dir = std::getenv("FERNHOLLOW_TEST_DATA");
    if (!dir)
        throw std::runtime_error("FERNHOLLOW_TEST_DATA is not set");
    std::ifstream in(fs::path(dir) / name, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read test sound " + name);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return loaded.emplace(name, std::move(bytes)).first->second;
}

ResourceBlock block(const std::vector<unsigned char>& bytes, std::size_t size = 0)
{
    return ResourceBlock{bytes.data(), static_cast<std::uint32_t>(size ? size : bytes.size())};
}

const char* const Loop = "tone-882hz-500ms.ogg";     // 22050 samples, 441 periods of 50 samples
const char* const OneShot = "tone-882hz-300ms.ogg";  // 13230 samples
constexpr std::size_t Period = 50;

class TestSoundManager : public SoundManager {
public:
    explicit TestSoundManager(std::shared_ptr<Platform::AudioDevice> device) : SoundManager(std::move(device)) {}
    ~TestSoundManager() override
    {
        for (Sound* sound : getSounds())
            delete sound;
    }
};

// The left channel of a 16-bit stereo WAV file, as -1..1.
std::vector<float> readWave(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto u32 = [&](std::size_t at) {
        std::uint32_t v;
        std::memcpy(&v, bytes.data() + at, 4);
        return v;
    };
    auto u16 = [&](std::size_t at) {
        std::uint16_t v;
        std::memcpy(&v, bytes.data() + at, 2);
        return v;
    };
    std::vector<float> left;
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return left;
    int channels = 0;
    int bits = 0;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        std::uint32_t size = u32(at + 4);
        if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0) {
            channels = u16(at + 10);
            bits = u16(at + 22);
            EXPECT_EQ(u32(at + 12), static_cast<std::uint32_t>(Rate));
        } else if (std::memcmp(bytes.data() + at, "data", 4) == 0) {
            if (channels != 2 || bits != 16)
                return left;
            std::size_t end = std::min<std::size_t>(bytes.size(), at + 8 + size);
            for (std::size_t p = at + 8; p + 4 <= end; p += 4)
                left.push_back(static_cast<std::int16_t>(u16(p)) / 32768.0f);
            return left;
        }
        at += 8 + size + (size & 1);
    }
    return left;
}

struct Burst {
    std::size_t start = 0;
    std::size_t end = 0;  // one past the last sound sample
    double rms = 0;
    std::size_t length() const { return end - start; }
};

// Stretches of sound, split where at least 50 ms are silent.
std::vector<Burst> bursts(const std::vector<float>& samples, float threshold = 0.002f)
{
    std::vector<Burst> found;
    const std::size_t gap = Rate / 20;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::fabs(samples[i]) <= threshold)
            continue;
        if (found.empty() || i - found.back().end > gap)
            found.push_back(Burst{i, i + 1, 0});
        else
            found.back().end = i + 1;
    }
    for (Burst& burst : found) {
        double sum = 0;
        for (std::size_t i = burst.start; i < burst.end; ++i)
            sum += double(samples[i]) * samples[i];
        burst.rms = std::sqrt(sum / burst.length());
    }
    return found;
}

bool waitUntilQuiet(const Sound& sound, double seconds)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (sound.isPlaying()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void pause(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Runs a scenario on a freshly opened wave device and returns what it recorded.
std::vector<float> record(const std::function<void(SoundManager&)>& scenario)
{
    g_wave.makeRecordable();
    {
        std::shared_ptr<Platform::AudioDevice> device = Platform::AudioDevice::openDefault();
        EXPECT_TRUE(device->isOpen()) << Platform::AudioDevice::lastError();
        TestSoundManager manager(device);
        device.reset();
        scenario(manager);
    }  // the sounds go, then the device, which closes the file
    return readWave(g_wave.file);
}

TEST(AudioOutput, WithoutADeviceEverySoundIsSilent)
{
    g_wave.makeUnopenable();
    std::shared_ptr<Platform::AudioDevice> device = Platform::AudioDevice::openDefault();
    EXPECT_FALSE(device->isOpen());
    EXPECT_NE(Platform::AudioDevice::lastError().find("No audio device"), std::string::npos)
        << Platform::AudioDevice::lastError();
    EXPECT_EQ(Platform::AudioStream::open(device, testSound(Loop).data(), testSound(Loop).size(), true), nullptr);

    TestSoundManager manager(device);
    device.reset();
    manager.setVolume(75);
    Sound* sound = manager.createSound("birds", true, true, block(testSound(Loop)));
    EXPECT_FALSE(sound->hasStream());
    sound->play();
    EXPECT_FALSE(sound->isPlaying());
    sound->stop();
}

TEST(AudioOutput, UndecodableBytesOpenNoStream)
{
    static const std::vector<unsigned char> text = {'n', 'o', 't', ' ', 'a', ' ', 's', 'o', 'u', 'n', 'd'};
    std::vector<float> recorded = record([](SoundManager& manager) {
        Sound* noise = manager.createSound("noise", true, true, block(text));
        EXPECT_FALSE(noise->hasStream());
        EXPECT_NE(Platform::AudioDevice::lastError().find("Cannot decode"), std::string::npos)
            << Platform::AudioDevice::lastError();
        Sound* cut = manager.createSound("cut", true, true, block(testSound(Loop), 1000));
        EXPECT_FALSE(cut->hasStream()) << "a cut-off Ogg file";
        Sound* good = manager.createSound("good", true, true, block(testSound(Loop)));
        EXPECT_TRUE(good->hasStream());
        noise->play();
        cut->play();
        pause(0.1);
    });
    EXPECT_FALSE(recorded.empty());
    EXPECT_TRUE(bursts(recorded).empty()) << "nothing was played";
}

TEST(AudioOutput, RunningOutOfSourcesLeavesTheRestSilent)
{
    record([](SoundManager& manager) {
        Sound* last = nullptr;
        int made = 0;
        for (; made < 1000; ++made) {
            last = manager.createSound("many", false, true, block(testSound(OneShot)));
            if (!last->hasStream())
                break;
        }
        ASSERT_LT(made, 1000);
        EXPECT_GT(made, 0);
        EXPECT_EQ(Platform::AudioDevice::lastError(), "No audio source left");
        last->play();
        EXPECT_FALSE(last->isPlaying());
        Sound* first = manager.getSounds().front();
        first->play();
        EXPECT_TRUE(first->isPlaying()) << "the sounds made before still play";
        std::cout << "[ MEASURED ] sources available: " << made << "\n";
    });
}

TEST(AudioOutput, RepeatingSoundLoopsWithoutAGap)
{
    bool playing = false;
    bool stopped = false;
    std::vector<float> recorded = record([&](SoundManager& manager) {
        Sound* birds = manager.createSound("birds", true, true, block(testSound(Loop)));
        birds->play();
        pause(2.3);
        playing = birds->isPlaying();
        birds->stop();
        stopped = !birds->isPlaying();
        pause(0.2);
    });
    EXPECT_TRUE(playing);
    EXPECT_TRUE(stopped);
    std::vector<Burst> found = bursts(recorded);
    ASSERT_EQ(found.size(), 1u) << "one unbroken stretch of sound";
    const Burst& run = found.front();
    EXPECT_GT(run.length(), 3u * 22050u) << "more than three rounds of the loop";

    // A seamless loop of a whole number of periods is one steady sine: rising zero crossings every
    // 50 samples. A gap, or a chunk lost or played twice, moves the crossings.
    std::size_t worst = 0;
    std::size_t previous = 0;
    std::size_t crossings = 0;
    for (std::size_t i = run.start + 1; i < run.end; ++i) {
        if (recorded[i - 1] < 0 && recorded[i] >= 0) {
            if (previous) {
                std::size_t interval = i - previous;
                worst = std::max(worst, interval > Period ? interval - Period : Period - interval);
            }
            previous = i;
            ++crossings;
        }
    }
    EXPECT_GT(crossings, run.length() / Period - 2);
    EXPECT_LE(worst, 2u) << "period deviation in samples";
    std::cout << "[ MEASURED ] loop: " << run.length() << " samples of sound, " << crossings
              << " periods, largest period deviation " << worst << " samples, rms " << run.rms << "\n";
}

TEST(AudioOutput, OneShotPlaysOncePerPlay)
{
    std::vector<float> recorded = record([](SoundManager& manager) {
        Sound* peck = manager.createSound("woodpecker", false, true, block(testSound(OneShot)));
        for (int round = 0; round < 2; ++round) {
            peck->play();
            EXPECT_TRUE(peck->isPlaying());
            EXPECT_TRUE(waitUntilQuiet(*peck, 3.0)) << "a one-shot ends by itself";
            pause(0.2);
        }
    });
    std::vector<Burst> found = bursts(recorded);
    ASSERT_EQ(found.size(), 2u);
    for (const Burst& burst : found) {
        EXPECT_NEAR(double(burst.length()), 13230.0, 100.0);
        std::cout << "[ MEASURED ] one-shot: " << burst.length() << " samples\n";
    }
}

// A paused device holds its sounds where they stand: a one-shot paused partway plays only its rest
// after the resume, the output is silent in between, and a one-shot started while paused waits.
TEST(AudioOutput, PauseHoldsEverySoundWhereItStands)
{
    bool pausedReported = false;
    std::vector<float> recorded = record([&](SoundManager& manager) {
        Sound* peck = manager.createSound("woodpecker", false, true, block(testSound(OneShot)));
        peck->play();
        pause(0.12);
        manager.setPaused(true);
        pausedReported = manager.isPaused();
        pause(0.6);
        manager.setPaused(false);
        EXPECT_TRUE(waitUntilQuiet(*peck, 3.0));
        pause(0.2);

        manager.setPaused(true);
        peck->play();
        pause(0.5);
        manager.setPaused(false);
        EXPECT_TRUE(waitUntilQuiet(*peck, 3.0));
        pause(0.2);
    });
    EXPECT_TRUE(pausedReported);
    std::vector<Burst> found = bursts(recorded);
    ASSERT_EQ(found.size(), 3u) << "the sound before the pause, its rest after it, the one started while paused";
    EXPECT_GT(found[1].start - found[0].end, std::size_t(Rate * 0.45)) << "silent while paused";
    EXPECT_LT(found[0].length(), 13230u - 2000u) << "cut off by the pause";
    EXPECT_NEAR(double(found[0].length() + found[1].length()), 13230.0, 600.0)
        << "the rest, neither again from the start nor skipped";
    EXPECT_NEAR(double(found[2].length()), 13230.0, 150.0);
    EXPECT_GT(found[2].start - found[1].end, std::size_t(Rate * 0.6)) << "started only after the resume";
    std::cout << "[ MEASURED ] paused one-shot: " << found[0].length() << " + " << found[1].length()
              << " samples, " << (found[1].start - found[0].end) << " silent between\n";
}

TEST(AudioOutput, VolumeScalesTheRecordedLevel)
{
    bool playedMuted = false;
    std::vector<float> recorded = record([&](SoundManager& manager) {
        Sound* peck = manager.createSound("woodpecker", false, true, block(testSound(OneShot)));
        for (int percent : {100, 75, 0}) {
            manager.setVolume(percent);
            peck->play();
            if (percent == 0)
                playedMuted = peck->isPlaying();
            EXPECT_TRUE(waitUntilQuiet(*peck, 3.0));
            pause(0.1);
        }
    });
    EXPECT_TRUE(playedMuted);
    std::vector<Burst> found = bursts(recorded);
    ASSERT_EQ(found.size(), 2u) << "volume 0 records nothing";
    double ratio = found[1].rms / found[0].rms;
    EXPECT_NEAR(ratio, 0.75, 0.01);
    float loudest = 0;
    for (std::size_t i = found[1].end; i < recorded.size(); ++i)
        loudest = std::max(loudest, std::fabs(recorded[i]));
    EXPECT_EQ(loudest, 0.0f) << "silence after the second burst";
    std::cout << "[ MEASURED ] rms at 100: " << found[0].rms << ", at 75: " << found[1].rms << ", ratio "
              << ratio << "\n";
}

double processSeconds()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

TEST(AudioOutput, LostDeviceSilencesEverySoundAndStopsWorking)
{
    // The device writes into a pipe whose reader goes away after half a second of sound.
    g_wave.makeRecordable();
    ASSERT_EQ(mkfifo(g_wave.file.c_str(), 0600), 0);
    std::thread reader([] {
        int fd = open(g_wave.file.c_str(), O_RDONLY);
        char buffer[4096];
        for (long total = 0; fd >= 0 && total < Rate * 4 / 2;) {
            ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got <= 0)
                break;
            total += got;
        }
        if (fd >= 0)
            close(fd);
    });
    struct ReaderGuard {
        std::thread& reader;
        ~ReaderGuard()
        {
            if (!reader.joinable())
                return;
            // A reader still waiting for a writer gets one that leaves at once.
            int fd = open(g_wave.file.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                close(fd);
            reader.join();
        }
    } guard{reader};
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    {
        std::shared_ptr<Platform::AudioDevice> device = Platform::AudioDevice::openDefault();
        ASSERT_TRUE(device->isOpen());
        TestSoundManager manager(device);
        Sound* birds = manager.createSound("birds", true, true, block(testSound(Loop)));
        Sound* peck = manager.createSound("woodpecker", false, true, block(testSound(OneShot)));
        birds->play();
        reader.join();
        pause(0.3);
        EXPECT_FALSE(birds->isPlaying());
        EXPECT_FALSE(device->isOpen());
        EXPECT_NE(Platform::AudioDevice::lastError().find("disconnected"), std::string::npos);
        peck->play();
        EXPECT_FALSE(peck->isPlaying());
        manager.setVolume(50);
        birds->stop();
        birds->play();
        EXPECT_FALSE(birds->isPlaying());

        double before = processSeconds();
        pause(1.0);
        double busy = processSeconds() - before;
        EXPECT_LT(busy, 0.005) << "nothing keeps decoding for a lost device";
        std::cout << "[ MEASURED ] processor time in the second after the loss: " << busy << " s\n";
    }
    sigaction(SIGPIPE, &previous, nullptr);
}

// The engine's sounds are never destroyed: the device must still close after them at exit, or
// ALURE aborts the process.
TEST(AudioOutputDeathTest, SoundsStillPlayingAtExitEndCleanly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            g_wave.makeRecordable();
            std::shared_ptr<Platform::AudioDevice> device = Platform::AudioDevice::openDefault();
            auto* birds = new Sound(device, "birds", true, true, block(testSound(Loop)));
            birds->play();
            pause(0.2);
            std::exit(birds->isPlaying() ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace

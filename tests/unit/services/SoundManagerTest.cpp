// Volume and mute rules of the sound manager, and sounds without a stream, over a fake audio device.
#include "engine/services/Sound.h"
#include "engine/services/SoundManager.h"
#include "platform/Audio.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace System;

namespace {

struct StreamState {
    std::vector<float> volumes;  // every volume given, in order
    bool repeat = false;
    bool playing = false;
    int plays = 0;
    int stops = 0;
};

class FakeStream : public Platform::AudioStream {
public:
    explicit FakeStream(StreamState& state) : state(state) {}
    void setRepeat(bool repeat) override { state.repeat = repeat; }
    void setVolume(float volume) override { state.volumes.push_back(volume); }
    void play() override
    {
        ++state.plays;
        state.playing = true;
    }
    void stop() override
    {
        ++state.stops;
        state.playing = false;
    }
    bool isPlaying() const override { return state.playing; }

private:
    StreamState& state;
};

// Decodes only data that starts as an Ogg file does.
class FakeDevice : public Platform::AudioDevice {
public:
    explicit FakeDevice(bool open) : open(open) {}
    bool isOpen() const override { return open; }
    std::shared_ptr<Platform::AudioStream> openStream(const unsigned char* data, std::size_t size, bool) override
    {
        if (!open || !data || size < 4 || std::memcmp(data, "OggS", 4) != 0)
            return nullptr;
        streams.push_back(std::make_unique<StreamState>());
        return std::make_shared<FakeStream>(*streams.back());
    }
    void setPaused(bool value) override { paused = value; }
    bool isPaused() const override { return paused; }
    bool open;
    bool paused = false;
    std::vector<std::unique_ptr<StreamState>> streams;
};

class TestSoundManager : public SoundManager {
public:
    explicit TestSoundManager(std::shared_ptr<Platform::AudioDevice> device) : SoundManager(std::move(device)) {}
    ~TestSoundManager() override
    {
        // Sounds outlive the process's manager; a test's manager takes them with it.
        for (Sound* sound : getSounds())
            delete sound;
    }
};

const unsigned char OggBytes[] = "OggS and the rest of a sound";
const unsigned char NotSound[] = "just some text";
const ResourceBlock Ogg{OggBytes, sizeof OggBytes};
const ResourceBlock Garbage{NotSound, sizeof NotSound};

class SoundManagerTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeDevice> device = std::make_shared<FakeDevice>(true);
    TestSoundManager manager{device};

    StreamState& stream(std::size_t index) { return *device->streams.at(index); }
};

TEST_F(SoundManagerTest, NewSoundsTakeTheMasterVolume)
{
    manager.setVolume(75);
    Sound* sound = manager.createSound("birds", true, true, Ogg);
    EXPECT_FLOAT_EQ(manager.getVolume(), 0.75f);
    EXPECT_FLOAT_EQ(sound->getVolume(), 0.75f);
    EXPECT_EQ(stream(0).volumes, (std::vector<float>{0.75f}));
    EXPECT_TRUE(stream(0).repeat);
    EXPECT_FALSE(stream(0).playing) << "a new sound is stopped";
    ASSERT_FALSE(manager.getSounds().empty());
    EXPECT_EQ(manager.getSounds().back(), sound);

    manager.setVolume(0);
    EXPECT_FLOAT_EQ(sound->getVolume(), 0.0f);
    manager.setVolume(50);
    EXPECT_FLOAT_EQ(sound->getVolume(), 0.5f);
    EXPECT_FLOAT_EQ(stream(0).volumes.back(), 0.5f);
}

TEST_F(SoundManagerTest, VolumeOutsideTheRangeIsClampedPerSound)
{
    Sound* first = manager.createSound("a", false, true, Ogg);
    manager.setVolume(150);
    Sound* second = manager.createSound("b", false, true, Ogg);
    EXPECT_FLOAT_EQ(manager.getVolume(), 1.5f);
    EXPECT_FLOAT_EQ(first->getVolume(), 1.0f);
    EXPECT_FLOAT_EQ(second->getVolume(), 1.0f);
    EXPECT_FLOAT_EQ(stream(1).volumes.back(), 1.0f);

    manager.setVolume(-20);
    EXPECT_FLOAT_EQ(first->getVolume(), 0.0f);
    first->setVolume(std::nanf(""));
    EXPECT_FLOAT_EQ(first->getVolume(), 0.0f);
    EXPECT_FLOAT_EQ(stream(0).volumes.back(), 0.0f);
}

TEST_F(SoundManagerTest, SoundOffMutesNewSoundsOnly)
{
    manager.setVolume(75);
    Sound* before = manager.createSound("before", true, true, Ogg);
    manager.setEnabled(false);
    Sound* after = manager.createSound("after", false, true, Ogg);
    EXPECT_FLOAT_EQ(before->getVolume(), 0.75f);
    EXPECT_FLOAT_EQ(after->getVolume(), 0.0f);
    EXPECT_EQ(stream(1).volumes, (std::vector<float>{0.75f, 0.0f}));

    // A volume change keeps sound off silent.
    manager.setVolume(50);
    EXPECT_FLOAT_EQ(after->getVolume(), 0.0f);
    EXPECT_FLOAT_EQ(before->getVolume(), 0.0f);

    manager.setEnabled(true);
    EXPECT_FLOAT_EQ(after->getVolume(), 0.0f) << "switching sound on changes no existing sound";
    manager.setVolume(50);
    EXPECT_FLOAT_EQ(after->getVolume(), 0.5f);
}

TEST_F(SoundManagerTest, PlayAndStopReachTheStream)
{
    Sound* sound = manager.createSound("woodpecker", false, true, Ogg);
    EXPECT_FALSE(stream(0).repeat);
    sound->play();
    EXPECT_TRUE(sound->isPlaying());
    sound->stop();
    EXPECT_FALSE(sound->isPlaying());
    sound->play();
    EXPECT_EQ(stream(0).plays, 2);
    EXPECT_EQ(stream(0).stops, 1);
}

TEST_F(SoundManagerTest, UndecodableDataGivesASilentSoundThatIgnoresEverything)
{
    LogCapture log;
    manager.setVolume(75);
    Sound* sound = manager.createSound("noise", true, true, Garbage);
    ASSERT_NE(sound, nullptr);
    EXPECT_FALSE(sound->hasStream());
    EXPECT_EQ(manager.getSounds().back(), sound);
    EXPECT_EQ(log.texts().size(), 1u);
    EXPECT_EQ(log.last().rfind("[Sound] noise stays silent", 0), 0u) << log.last();

    sound->play();
    sound->setVolume(0.3f);
    EXPECT_FALSE(sound->isPlaying());
    EXPECT_FLOAT_EQ(sound->getVolume(), 1.0f);
    sound->stop();
    manager.setVolume(20);
    manager.update();

    Sound* empty = manager.createSound("empty", false, true, ResourceBlock{});
    EXPECT_FALSE(empty->hasStream());
    EXPECT_TRUE(device->streams.empty());
}

TEST(SoundManagerWithoutDevice, EverySoundIsSilent)
{
    LogCapture log;
    auto device = std::make_shared<FakeDevice>(false);
    TestSoundManager manager(device);
    ASSERT_FALSE(log.texts().empty());
    EXPECT_EQ(log.texts().front().rfind("[SoundManager] Sounds are silent", 0), 0u) << log.texts().front();

    manager.setVolume(75);
    Sound* birds = manager.createSound("birds", true, true, Ogg);
    Sound* woodpecker = manager.createSound("woodpecker", false, true, Ogg);
    for (Sound* sound : {birds, woodpecker}) {
        EXPECT_FALSE(sound->hasStream());
        sound->play();
        EXPECT_FALSE(sound->isPlaying());
        sound->stop();
    }
    EXPECT_EQ(manager.getSounds().size(), 2u);
    EXPECT_EQ(log.texts().size(), 1u) << "one line for the device, none per sound";
}

} // namespace

// What every backend's audio output promises (platform/Audio.h): no call fails loudly, and without
// a device no stream opens. The Linux backend's real output is measured in linux/AudioOutputTest.cpp.
#include "platform/Audio.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

using namespace System::Platform;

namespace {

std::vector<unsigned char> testSound(const std::string& name)
{
    const char* dir = std::getenv("FERNHOLLOW_TEST_DATA");
    if (!dir)
        throw std::runtime_error("FERNHOLLOW_TEST_DATA is not set");
    std::ifstream in(std::filesystem::path(dir) / name, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read test sound " + name);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const std::vector<unsigned char> notASound = {'n', 'o', 't', ' ', 'a', ' ', 's', 'o', 'u', 'n', 'd'};

} // namespace

TEST(AudioContract, WithoutADeviceNoStreamOpensAndNothingFails)
{
    const std::vector<unsigned char> sound = testSound("tone-882hz-300ms.ogg");
    EXPECT_EQ(AudioStream::open(nullptr, sound.data(), sound.size(), true), nullptr);
    EXPECT_FALSE(AudioDevice::lastError().empty()) << "a stream without a device says why";

    std::shared_ptr<AudioDevice> device = AudioDevice::openDefault();
    ASSERT_NE(device, nullptr) << "a device object even when none opens";
    if (device->isOpen())
        GTEST_SKIP() << "a sound device opened here; this case needs one that does not";
    EXPECT_FALSE(AudioDevice::lastError().empty()) << "the reason the device did not open";
    EXPECT_EQ(AudioStream::open(device, sound.data(), sound.size(), true), nullptr);
    EXPECT_EQ(AudioStream::open(device, sound.data(), sound.size(), false), nullptr);
    EXPECT_EQ(device->openStream(sound.data(), sound.size(), true), nullptr);
    device->setPaused(true);
    EXPECT_TRUE(device->isPaused());
    device->setPaused(false);
    EXPECT_FALSE(device->isPaused());
    EXPECT_FALSE(AudioDevice::openDefault()->isOpen()) << "still none on a second try";
}

TEST(AudioContract, AnOpenDeviceIsSharedAndOpensOnlyWholeOggVorbisStreams)
{
    std::shared_ptr<AudioDevice> device = AudioDevice::openDefault();
    ASSERT_NE(device, nullptr);
    if (!device->isOpen())
        GTEST_SKIP() << "no sound device here: " << AudioDevice::lastError();
    EXPECT_EQ(AudioDevice::openDefault(), device) << "one device per process";

    const std::vector<unsigned char> sound = testSound("tone-882hz-300ms.ogg");
    EXPECT_EQ(AudioStream::open(device, notASound.data(), notASound.size(), true), nullptr);
    EXPECT_FALSE(AudioDevice::lastError().empty());
    EXPECT_EQ(AudioStream::open(device, sound.data(), 1000, true), nullptr) << "a cut-off Ogg file";

    std::shared_ptr<AudioStream> stream = AudioStream::open(device, sound.data(), sound.size(), false);
    ASSERT_NE(stream, nullptr) << AudioDevice::lastError();
    stream->setVolume(0.0f);
    stream->play();
    EXPECT_TRUE(stream->isPlaying());
    stream->stop();
    EXPECT_FALSE(stream->isPlaying());
}

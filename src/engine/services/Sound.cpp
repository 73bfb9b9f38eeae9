#include "engine/services/Sound.h"

#include "engine/Log.h"
#include "platform/Audio.h"

namespace System {

Sound::Sound(const std::shared_ptr<Platform::AudioDevice>& device, const std::string& name, bool repeat,
             bool streaming, ResourceBlock data)
    : streaming(streaming), repeat(repeat), name(name)
{
    stream = Platform::AudioStream::open(device, data.data, data.size, streaming);
    if (stream)
        stream->setRepeat(repeat);
    else if (device && device->isOpen())
        Log::instance().write("[Sound] " + name + " stays silent: " + Platform::AudioDevice::lastError() + "\n");
}

Sound::~Sound() = default;

void Sound::play()
{
    if (stream)
        stream->play();
}

void Sound::stop()
{
    if (stream)
        stream->stop();
}

void Sound::setVolume(float value)
{
    if (!stream)
        return;
    // Written so that NaN ends at 0 too.
    if (!(value > 0.0f))
        value = 0.0f;
    else if (value > 1.0f)
        value = 1.0f;
    volume = value;
    stream->setVolume(value);
}

void Sound::update()
{
}

bool Sound::isPlaying() const
{
    return stream && stream->isPlaying();
}

} // namespace System

#pragma once
#include "base/ResourceBlock.h"

#include <memory>
#include <string>

namespace System {
namespace Platform {
class AudioDevice;
class AudioStream;
} // namespace Platform

// One sound over embedded Ogg Vorbis bytes, which must outlive it (resources live as long as the
// process; they are not copied). Without a stream (no device, undecodable data) play, stop and
// setVolume do nothing.
class Sound {
public:
    Sound(const std::shared_ptr<Platform::AudioDevice>& device, const std::string& name, bool repeat,
          bool streaming, ResourceBlock data);
    virtual ~Sound();

    // From the beginning; a repeating sound runs until stop.
    void play();
    void stop();
    // Clamped to 0..1.
    void setVolume(float volume);
    void update();

    const std::string& getName() const { return name; }
    bool isRepeating() const { return repeat; }
    bool isStreaming() const { return streaming; }
    // The last volume given to the stream; 1 until then.
    float getVolume() const { return volume; }
    bool hasStream() const { return stream != nullptr; }
    bool isPlaying() const;

private:
    bool streaming;
    bool repeat;
    std::string name;
    std::shared_ptr<Platform::AudioStream> stream;
    float volume = 1.0f;
};

} // namespace System

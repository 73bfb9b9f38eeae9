#pragma once
// Audio output: one device per process and streams that decode embedded Ogg Vorbis bytes in place.
// Without a device (the normal case on a server) every stream is silent and every call succeeds.
#include <cstddef>
#include <memory>

namespace System::Platform {

class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    // Opens the default output; returns a device that is silent when none can be opened.
    static std::shared_ptr<AudioDevice> openDefault();
    virtual bool isOpen() const = 0;
};

class AudioStream {
public:
    virtual ~AudioStream() = default;
    // A stream over bytes that outlive it (the executable's own data). Null when the data cannot be
    // decoded or the device is not open.
    static std::shared_ptr<AudioStream> open(const std::shared_ptr<AudioDevice>& device,
                                             const unsigned char* data, std::size_t size,
                                             bool streaming);
    virtual void setRepeat(bool repeat) = 0;
    virtual void setVolume(float volume) = 0;  // 0..1
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;
};

} // namespace System::Platform

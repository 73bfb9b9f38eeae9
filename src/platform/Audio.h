#pragma once
// Audio output: one device per process and streams that decode embedded Ogg Vorbis bytes in place.
// Without a device (the normal case on a server) no stream opens; a device that goes away later
// makes its streams silent. No call ever fails loudly.
#include <cstddef>
#include <memory>
#include <string>

namespace System::Platform {

class AudioStream;

class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    // Opens the default output, or hands out the one already open. When none can be opened the
    // device is not open and lastError() says why.
    static std::shared_ptr<AudioDevice> openDefault();
    static std::string lastError();

    // False when the device never opened or has gone away since.
    virtual bool isOpen() const = 0;
    // See AudioStream::open.
    virtual std::shared_ptr<AudioStream> openStream(const unsigned char* data, std::size_t size,
                                                    bool streaming) = 0;
    // Holds every playing stream where it stands (the output goes silent), or lets them go on from
    // there. Streams started while paused wait for the resume.
    virtual void setPaused(bool paused) = 0;
    virtual bool isPaused() const = 0;
};

class AudioStream {
public:
    virtual ~AudioStream() = default;
    // A stream over bytes that outlive it (the executable's own data); they are not copied. Null
    // when the device is not open or the data cannot be decoded (AudioDevice::lastError says why).
    static std::shared_ptr<AudioStream> open(const std::shared_ptr<AudioDevice>& device,
                                             const unsigned char* data, std::size_t size,
                                             bool streaming);
    // Taken into account by the next play.
    virtual void setRepeat(bool repeat) = 0;
    virtual void setVolume(float volume) = 0;  // 0..1, linear
    // Starts from the beginning; a stream that is playing goes on undisturbed.
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;
};

} // namespace System::Platform

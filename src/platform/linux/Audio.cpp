// Linux platform layer: audio output on OpenAL Soft through ALURE 1.2.
// Streams decode the embedded bytes in place (alureCreateStreamFromStaticMemory, no copy) and are fed
// by ALURE's own update thread; a repeating stream is played with an endless loop count, so it loops
// without a gap. Every stream is streamed, also when the caller does not ask for it: one path for
// every sound, a few chunks of memory each.
// Limits: ALURE keeps one device and context per process, so openDefault hands out the one open
// device. When the device goes away (ALC_CONNECTED false) the next call that notices stops ALURE's
// thread and every source, and from then on every stream is silent. The device is shut down when its
// last user lets go or at process exit, always after its streams: ALURE aborts at exit when a
// stream is still alive.
// The audio libraries write nothing to stderr (it is the host's log): OpenAL Soft's log level is set
// to none unless the user chose one (ALSOFT_LOGLEVEL), and ALSA's messages while the device opens
// are kept and told through lastError instead; later ones are dropped.
// Depends on: OpenAL Soft (ALC_EXT_disconnect), ALURE 1.2 with its Ogg Vorbis decoder, ALSA.
#include "platform/Audio.h"

#include <AL/alure.h>
#include <AL/alext.h>
#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace System::Platform {

namespace {

constexpr ALsizei ChunkBytes = 32768;  // about 0.19 s of 44.1 kHz 16-bit stereo
constexpr ALsizei QueuedChunks = 4;    // queued ahead: enough for a busy machine's late update
constexpr ALfloat UpdateSeconds = 0.05f;

std::string g_lastError;

// ALSA's messages while the device opens (on this thread); an audio thread's later ones go nowhere.
std::atomic<bool> g_keepAlsaMessages{false};
std::string g_alsaMessages;

void keepAlsaMessage(const char*, int, const char* function, int error, const char* format, ...)
{
    if (!g_keepAlsaMessages)
        return;
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (!g_alsaMessages.empty())
        g_alsaMessages += "; ";
    g_alsaMessages += std::string(function ? function : "?") + ": " + text;
    if (error)
        g_alsaMessages += std::string(" (") + snd_strerror(error) + ")";
}

// Before the first call into OpenAL Soft, which reads its log level once.
void quietAudioLibraries()
{
    setenv("ALSOFT_LOGLEVEL", "0", 0);
    snd_lib_error_set_handler(keepAlsaMessage);
}

class AlureStream;

class AlureDevice final : public AudioDevice, public std::enable_shared_from_this<AlureDevice> {
public:
    AlureDevice();
    ~AlureDevice() override { shutdown(); }

    bool isOpen() const override { return usable(); }
    std::shared_ptr<AudioStream> openStream(const unsigned char* data, std::size_t size,
                                            bool streaming) override;
    void setPaused(bool paused) override;
    bool isPaused() const override { return paused; }

    // Open and still connected. The first call that finds the device gone silences every stream.
    bool usable() const;
    void shutdown();
    void forget(AlureStream* stream);

private:
    bool opened = false;
    mutable bool lost = false;
    ALCdevice* alc = nullptr;
    bool canTellConnection = false;
    bool paused = false;
    std::vector<AlureStream*> streams;
};

// The device that ALURE has open, for the exit-time shutdown.
AlureDevice* g_openDevice = nullptr;
std::weak_ptr<AlureDevice> g_sharedDevice;

void shutdownAtExit()
{
    if (g_openDevice)
        g_openDevice->shutdown();
}

class AlureStream final : public AudioStream {
public:
    AlureStream(std::shared_ptr<AlureDevice> device, ALuint source, alureStream* stream)
        : device(std::move(device)), source(source), stream(stream)
    {
    }

    ~AlureStream() override
    {
        close();
        device->forget(this);
    }

    void setRepeat(bool value) override { repeat = value; }

    void setVolume(float volume) override
    {
        if (closed || !device->usable())
            return;
        alSourcef(source, AL_GAIN, volume);
    }

    void play() override
    {
        if (closed || active || !device->usable())
            return;
        active = true;
        if (device->isPaused()) {
            waiting = true;  // starts with the resume
            return;
        }
        start();
    }

    // ALURE's own pause: the source stops where it is and its thread stops refilling it.
    void hold(bool on)
    {
        if (closed || !active)
            return;
        if (waiting) {
            if (!on) {
                waiting = false;
                start();
            }
            return;
        }
        alGetError();
        if (on)
            alurePauseSource(source);
        else
            alureResumeSource(source);
    }

    void stop() override
    {
        waiting = false;
        if (closed)
            return;
        if (device->usable()) {
            alGetError();
            alureStopSource(source, AL_FALSE);
        }
        active = false;
    }

    bool isPlaying() const override { return !closed && active && device->usable(); }

    // The device is gone: ALURE forgets the source, whatever state it is in.
    void silence()
    {
        alGetError();
        alureStopSource(source, AL_FALSE);
        active = false;
    }

    void close()
    {
        if (closed)
            return;
        closed = true;
        alGetError();
        alureStopSource(source, AL_FALSE);
        alDeleteSources(1, &source);
        alureDestroyStream(stream, 0, nullptr);
        active = false;
    }

private:
    void start()
    {
        alGetError();  // ALURE refuses to start while an earlier error is pending
        alureRewindStream(stream);
        if (!alurePlaySourceStream(source, stream, QueuedChunks, repeat ? -1 : 0, onEnd, this)) {
            active = false;
            g_lastError = std::string("Cannot play a sound: ") + alureGetErrorString();
            device->usable();
        }
    }

    // Runs on ALURE's thread when a one-shot stream has played out.
    static void onEnd(void* self, ALuint)
    {
        static_cast<AlureStream*>(self)->active = false;
    }

    std::shared_ptr<AlureDevice> device;
    ALuint source;
    alureStream* stream;
    bool repeat = false;
    bool closed = false;
    bool waiting = false;  // played while the device is paused
    std::atomic<bool> active{false};
};

AlureDevice::AlureDevice()
{
    quietAudioLibraries();
    g_alsaMessages.clear();
    g_keepAlsaMessages = true;
    bool initialised = alureInitDevice(nullptr, nullptr);
    g_keepAlsaMessages = false;
    if (!initialised) {
        g_lastError = std::string("No audio device: ") + alureGetErrorString();
        if (!g_alsaMessages.empty())
            g_lastError += " (ALSA: " + g_alsaMessages + ")";
        return;
    }
    opened = true;
    alc = alcGetContextsDevice(alcGetCurrentContext());
    canTellConnection = alc && alcIsExtensionPresent(alc, "ALC_EXT_disconnect");
    alureUpdateInterval(UpdateSeconds);
    g_openDevice = this;
    static bool hookInstalled = false;
    if (!hookInstalled) {
        hookInstalled = true;
        std::atexit(shutdownAtExit);
    }
}

bool AlureDevice::usable() const
{
    if (!opened || lost)
        return false;
    ALCint connected = ALC_TRUE;
    if (canTellConnection)
        alcGetIntegerv(alc, ALC_CONNECTED, 1, &connected);
    if (connected)
        return true;
    lost = true;
    g_lastError = "The audio device was disconnected";
    // ALURE's thread would keep refilling and restarting sources that can no longer play.
    alureUpdateInterval(0);
    for (AlureStream* stream : streams)
        stream->silence();
    return false;
}

void AlureDevice::shutdown()
{
    if (!opened)
        return;
    alureUpdateInterval(0);
    for (AlureStream* stream : streams)
        stream->close();
    alureShutdownDevice();
    opened = false;
    if (g_openDevice == this)
        g_openDevice = nullptr;
}

void AlureDevice::setPaused(bool value)
{
    if (value == paused)
        return;
    paused = value;
    if (!usable())
        return;
    for (AlureStream* stream : streams)
        stream->hold(paused);
}

void AlureDevice::forget(AlureStream* stream)
{
    streams.erase(std::remove(streams.begin(), streams.end(), stream), streams.end());
}

std::shared_ptr<AudioStream> AlureDevice::openStream(const unsigned char* data, std::size_t size, bool)
{
    if (!usable())
        return nullptr;
    if (!data || size == 0 || size > INT_MAX) {
        g_lastError = "No sound data";
        return nullptr;
    }
    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) {
        g_lastError = "No audio source left";
        return nullptr;
    }
    alureStream* stream =
        alureCreateStreamFromStaticMemory(data, static_cast<ALuint>(size), ChunkBytes, 0, nullptr);
    if (!stream) {
        g_lastError = std::string("Cannot decode the sound: ") + alureGetErrorString();
        alDeleteSources(1, &source);
        return nullptr;
    }
    auto result = std::make_shared<AlureStream>(shared_from_this(), source, stream);
    streams.push_back(result.get());
    return result;
}

} // namespace

std::shared_ptr<AudioDevice> AudioDevice::openDefault()
{
    if (std::shared_ptr<AlureDevice> device = g_sharedDevice.lock())
        return device;
    auto device = std::make_shared<AlureDevice>();
    g_sharedDevice = device;
    return device;
}

std::string AudioDevice::lastError()
{
    return g_lastError;
}

std::shared_ptr<AudioStream> AudioStream::open(const std::shared_ptr<AudioDevice>& device,
                                               const unsigned char* data, std::size_t size,
                                               bool streaming)
{
    if (!device) {
        g_lastError = "No audio device";
        return nullptr;
    }
    return device->openStream(data, size, streaming);
}

} // namespace System::Platform

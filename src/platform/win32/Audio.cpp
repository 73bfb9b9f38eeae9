// Win32 platform layer: audio output over waveOut, with Ogg Vorbis decoded by stb_vorbis.
// One device per process: a waveOut handle at 44.1 kHz, 16-bit stereo, fed by one thread of its own
// that mixes every playing stream into a ring of short buffers (CALLBACK_EVENT wakes it when one is
// done). Streams decode the embedded bytes in place (stb_vorbis_open_memory: no copy) while they play;
// a repeating stream seeks back to its start at the end, so it loops without a gap. The program's
// thread and the mixing thread meet only under the device's mutex.
// Limits: sounds must be 44.1 kHz, mono or stereo (all of the program's are); others do not open.
// When waveOutWrite fails later (the device went away) the device stops and every stream is silent.
// Depends on: WINMM, stb_vorbis (Debian's libstb-dev, compiled in here).
#include "platform/Audio.h"

#include "platform/win32/Win32.h"

#include <mmsystem.h>

#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-value"
#pragma GCC diagnostic ignored "-Wmisleading-indentation"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb_vorbis.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace System::Platform {

namespace {

constexpr int Rate = 44100;
constexpr int BufferFrames = 2205;  // 50 ms
constexpr int Buffers = 4;          // 200 ms queued ahead: room for a busy machine

std::string g_lastError;
std::mutex g_errorMutex;

void setError(const std::string& text)
{
    std::lock_guard<std::mutex> lock(g_errorMutex);
    g_lastError = text;
}

std::string mmError(MMRESULT result)
{
    char text[MAXERRORLENGTH] = {};
    waveOutGetErrorTextA(result, text, sizeof text);
    return text[0] ? std::string(text) : "error " + std::to_string(result);
}

class WaveDevice;

class WaveStream final : public AudioStream {
public:
    WaveStream(std::shared_ptr<WaveDevice> device, stb_vorbis* decoder, int channels)
        : device(std::move(device)), decoder(decoder), channels(channels)
    {
    }
    ~WaveStream() override;

    void setRepeat(bool on) override;
    void setVolume(float value) override;
    void play() override;
    void stop() override;
    bool isPlaying() const override;

    // Adds up to frames stereo frames into mix; called by the mixing thread under the device's mutex.
    void mixInto(std::vector<int>& mix, int frames);

    std::shared_ptr<WaveDevice> device;
    stb_vorbis* decoder;
    int channels;
    bool repeatNext = false;
    bool repeating = false;
    float volume = 1.0f;
    bool playing = false;
    std::vector<short> decoded;
};

class WaveDevice final : public AudioDevice, public std::enable_shared_from_this<WaveDevice> {
public:
    WaveDevice()
    {
        event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 2;
        format.nSamplesPerSec = Rate;
        format.wBitsPerSample = 16;
        format.nBlockAlign = 4;
        format.nAvgBytesPerSec = Rate * 4;
        MMRESULT result = waveOutOpen(&output, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(event), 0,
                                      CALLBACK_EVENT);
        if (result != MMSYSERR_NOERROR) {
            output = nullptr;
            setError("waveOutOpen failed: " + mmError(result));
            return;
        }
        for (int i = 0; i < Buffers; ++i) {
            samples[i].assign(BufferFrames * 2, 0);
            headers[i] = WAVEHDR{};
            headers[i].lpData = reinterpret_cast<LPSTR>(samples[i].data());
            headers[i].dwBufferLength = BufferFrames * 4;
            waveOutPrepareHeader(output, &headers[i], sizeof(WAVEHDR));
            headers[i].dwFlags |= WHDR_DONE;  // free to fill
        }
        open = true;
        feeder = std::thread([this] { run(); });
    }

    ~WaveDevice() override
    {
        stopping = true;
        if (event)
            SetEvent(event);
        if (feeder.joinable())
            feeder.join();
        if (output) {
            waveOutReset(output);
            for (int i = 0; i < Buffers; ++i)
                waveOutUnprepareHeader(output, &headers[i], sizeof(WAVEHDR));
            waveOutClose(output);
        }
        if (event)
            CloseHandle(event);
    }

    bool isOpen() const override { return open && !failed; }

    std::shared_ptr<AudioStream> openStream(const unsigned char* data, std::size_t size, bool) override
    {
        if (!isOpen()) {
            setError("The audio device is not open");
            return nullptr;
        }
        if (!data || size == 0 || size > 0x7FFFFFFF) {
            setError("No sound data");
            return nullptr;
        }
        int error = 0;
        stb_vorbis* decoder = stb_vorbis_open_memory(data, static_cast<int>(size), &error, nullptr);
        if (!decoder) {
            setError("Not an Ogg Vorbis stream (stb_vorbis error " + std::to_string(error) + ")");
            return nullptr;
        }
        stb_vorbis_info info = stb_vorbis_get_info(decoder);
        if (info.sample_rate != Rate || info.channels < 1 || info.channels > 2) {
            setError("Unsupported sound: " + std::to_string(info.sample_rate) + " Hz, " +
                     std::to_string(info.channels) + " channels (44100 Hz mono or stereo only)");
            stb_vorbis_close(decoder);
            return nullptr;
        }
        auto stream = std::make_shared<WaveStream>(shared_from_this(), decoder, info.channels);
        std::lock_guard<std::mutex> lock(mutex);
        streams.push_back(stream.get());
        return stream;
    }

    // The mixer goes on writing silence, so the device stays open and no stream moves on.
    void setPaused(bool value) override { paused = value; }
    bool isPaused() const override { return paused; }

    void forget(WaveStream* stream)
    {
        std::lock_guard<std::mutex> lock(mutex);
        streams.erase(std::remove(streams.begin(), streams.end(), stream), streams.end());
    }

    std::mutex mutex;

private:
    void run()
    {
        std::vector<int> mix(BufferFrames * 2);
        while (!stopping) {
            WaitForSingleObject(event, 100);
            for (int i = 0; i < Buffers && !stopping && !failed; ++i) {
                if (!(headers[i].dwFlags & WHDR_DONE))
                    continue;
                std::fill(mix.begin(), mix.end(), 0);
                if (!paused) {
                    std::lock_guard<std::mutex> lock(mutex);
                    for (WaveStream* stream : streams)
                        if (stream->playing)
                            stream->mixInto(mix, BufferFrames);
                }
                for (int s = 0; s < BufferFrames * 2; ++s)
                    samples[i][s] = static_cast<short>(std::clamp(mix[s], -32768, 32767));
                headers[i].dwFlags &= ~WHDR_DONE;
                MMRESULT result = waveOutWrite(output, &headers[i], sizeof(WAVEHDR));
                if (result != MMSYSERR_NOERROR) {
                    setError("waveOutWrite failed: " + mmError(result));
                    failed = true;
                    std::lock_guard<std::mutex> lock(mutex);
                    for (WaveStream* stream : streams)
                        stream->playing = false;
                }
            }
        }
    }

    HWAVEOUT output = nullptr;
    HANDLE event = nullptr;
    WAVEHDR headers[Buffers];
    std::vector<short> samples[Buffers];
    std::vector<WaveStream*> streams;
    std::thread feeder;
    std::atomic<bool> stopping{false};
    std::atomic<bool> failed{false};
    std::atomic<bool> paused{false};
    bool open = false;
};

WaveStream::~WaveStream()
{
    device->forget(this);
    stb_vorbis_close(decoder);
}

void WaveStream::setRepeat(bool on)
{
    std::lock_guard<std::mutex> lock(device->mutex);
    repeatNext = on;
}

void WaveStream::setVolume(float value)
{
    std::lock_guard<std::mutex> lock(device->mutex);
    volume = std::clamp(value, 0.0f, 1.0f);
}

void WaveStream::play()
{
    if (!device->isOpen())
        return;
    std::lock_guard<std::mutex> lock(device->mutex);
    if (playing)
        return;
    stb_vorbis_seek_start(decoder);
    repeating = repeatNext;
    playing = true;
}

void WaveStream::stop()
{
    std::lock_guard<std::mutex> lock(device->mutex);
    playing = false;
}

bool WaveStream::isPlaying() const
{
    std::lock_guard<std::mutex> lock(device->mutex);
    return playing;
}

void WaveStream::mixInto(std::vector<int>& mix, int frames)
{
    decoded.resize(std::size_t(frames) * 2);
    int done = 0;
    bool restarted = false;
    while (done < frames && playing) {
        int got = stb_vorbis_get_samples_short_interleaved(decoder, 2, decoded.data() + done * 2, (frames - done) * 2);
        if (got > 0) {
            done += got;
            restarted = false;
            continue;
        }
        // At the end: a repeating stream starts over (a stream with no samples at all stops).
        if (repeating && !restarted) {
            stb_vorbis_seek_start(decoder);
            restarted = true;
        } else {
            playing = false;
        }
    }
    const int gain = static_cast<int>(volume * 256.0f + 0.5f);
    for (int s = 0; s < done * 2; ++s)
        mix[std::size_t(s)] += decoded[std::size_t(s)] * gain / 256;
}

std::weak_ptr<WaveDevice> g_device;

} // namespace

std::shared_ptr<AudioDevice> AudioDevice::openDefault()
{
    if (auto existing = g_device.lock())
        return existing;
    auto device = std::make_shared<WaveDevice>();
    if (device->isOpen())
        g_device = device;
    return device;
}

std::string AudioDevice::lastError()
{
    std::lock_guard<std::mutex> lock(g_errorMutex);
    return g_lastError;
}

std::shared_ptr<AudioStream> AudioStream::open(const std::shared_ptr<AudioDevice>& device,
                                               const unsigned char* data, std::size_t size, bool streaming)
{
    if (!device) {
        setError("No audio device");
        return nullptr;
    }
    return device->openStream(data, size, streaming);
}

} // namespace System::Platform

#pragma once
#include "base/ResourceBlock.h"

#include <list>
#include <memory>
#include <string>

namespace System {
namespace Platform {
class AudioDevice;
}
class Sound;

// Opens the audio device once, makes sounds, applies the master volume and mutes new sounds when
// sound is switched off. Sounds live as long as the process.
class SoundManager {
public:
    static SoundManager& instance();
    virtual ~SoundManager();

    // Master volume = percent / 100, applied to every sound (each clamps it to 0..1); while sound
    // is off they stay silent.
    void setVolume(int percent);
    // Only sounds made afterwards are muted or not.
    void setEnabled(bool value);
    // The bytes must outlive the sound (the executable's resources do).
    Sound* createSound(const std::string& name, bool repeat, bool streaming, ResourceBlock data);
    void addSound(Sound* sound);
    void update();
    void activate();
    // Holds every sound where it stands while nobody sees the scene, and lets them go on after.
    void setPaused(bool paused);
    bool isPaused() const;

    float getVolume() const { return volume; }
    bool isEnabled() const { return enabled; }
    const std::list<Sound*>& getSounds() const { return sounds; }

protected:
    // The process's manager opens the default device; a test hands in its own.
    explicit SoundManager(std::shared_ptr<Platform::AudioDevice> device);

private:
    std::shared_ptr<Platform::AudioDevice> device;
    std::list<Sound*> sounds;
    float volume = 1.0f;
    bool enabled = true;
};

} // namespace System

#pragma once
#include "scene/ResourceHelpers.h"

#include <list>
#include <memory>
#include <string>

namespace System {
namespace Platform {
class AudioDevice;
}
class Sound;

// Opens the audio device once, makes sounds, applies the master volume and mutes new sounds when
// sound is switched off.
class SoundManager {
public:
    static SoundManager& instance();
    virtual ~SoundManager();

    void setVolume(int percent);
    void setEnabled(bool value);
    Sound* createSound(const std::string& name, bool repeat, bool streaming, ResourceBlock data);
    void addSound(Sound* sound);
    void update();
    void activate();

    float getVolume() const { return volume; }
    bool isEnabled() const { return enabled; }
    const std::list<Sound*>& getSounds() const { return sounds; }

private:
    SoundManager();

    std::shared_ptr<Platform::AudioDevice> device;
    std::list<Sound*> sounds;
    float volume = 1.0f;
    bool enabled = true;
};

} // namespace System

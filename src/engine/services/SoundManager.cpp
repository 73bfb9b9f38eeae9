#include "engine/services/SoundManager.h"

#include "engine/Log.h"
#include "engine/services/Sound.h"
#include "platform/Audio.h"

namespace System {

SoundManager& SoundManager::instance()
{
    static SoundManager manager(Platform::AudioDevice::openDefault());
    return manager;
}

SoundManager::SoundManager(std::shared_ptr<Platform::AudioDevice> device) : device(std::move(device))
{
    if (!this->device || !this->device->isOpen())
        Log::instance().write("[SoundManager] Sounds are silent: " + Platform::AudioDevice::lastError() + "\n");
}

SoundManager::~SoundManager()
{
    // The sounds themselves live on to process exit; the device goes after them.
    sounds.clear();
    device.reset();
}

void SoundManager::setVolume(int percent)
{
    volume = static_cast<float>(percent) * 0.01f;
    // As addSound does: while sound is off, a new volume must not make muted sounds heard.
    for (Sound* sound : sounds)
        sound->setVolume(enabled ? volume : 0.0f);
}

void SoundManager::setEnabled(bool value)
{
    enabled = value;
}

Sound* SoundManager::createSound(const std::string& name, bool repeat, bool streaming, ResourceBlock data)
{
    Sound* sound = new Sound(device, name, repeat, streaming, data);
    addSound(sound);
    return sound;
}

void SoundManager::addSound(Sound* sound)
{
    if (!sound)
        return;
    sound->setVolume(volume);
    if (!enabled)
        sound->setVolume(0.0f);
    sounds.push_back(sound);
}

void SoundManager::update()
{
    for (Sound* sound : sounds)
        sound->update();
}

void SoundManager::activate()
{
}

void SoundManager::setPaused(bool paused)
{
    if (device && device->isPaused() != paused)
        device->setPaused(paused);
}

bool SoundManager::isPaused() const
{
    return device && device->isPaused();
}

} // namespace System

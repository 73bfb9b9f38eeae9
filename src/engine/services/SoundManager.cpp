// Interim: the audio device and streams come with the sound work.
#include "engine/services/SoundManager.h"

#include "engine/services/Sound.h"
#include "platform/Audio.h"

namespace System {

SoundManager& SoundManager::instance()
{
    static SoundManager manager;
    return manager;
}

SoundManager::SoundManager() = default;
SoundManager::~SoundManager() = default;

void SoundManager::setVolume(int percent)
{
    volume = percent * 0.01f;
}

void SoundManager::setEnabled(bool value)
{
    enabled = value;
}

Sound* SoundManager::createSound(const std::string&, bool, bool, ResourceBlock)
{
    return nullptr;
}

void SoundManager::addSound(Sound* sound)
{
    sounds.push_back(sound);
}

void SoundManager::update()
{
}

void SoundManager::activate()
{
}

} // namespace System

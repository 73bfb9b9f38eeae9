#pragma once
// Interim: replaced by the settings work (registry-backed load and save).
#include "engine/Types.h"

#include <string>

namespace System {

template <class Reader, class Writer>
class Config {
public:
    explicit Config(const std::string& path) : keyPath(path) {}
    virtual ~Config() = default;
    virtual void load() {}
    virtual void save() {}
    DisplayMode displayMode() const { return mode; }
    void setDisplayMode(DisplayMode value) { mode = value; }
    SoundSettings soundSettings() const { return sound; }
    void setSoundSettings(SoundSettings value) { sound = value; }

protected:
    DisplayMode mode{1024, 768, 16, false};
    SoundSettings sound;
    std::string keyPath;
};

class RegistryReader;
class RegistryWriter;

} // namespace System

#pragma once
// What the engine reads of the settings: the display mode to open and the sound settings to start with.
#include "base/Types.h"

namespace System {

class EngineSettings {
public:
    virtual ~EngineSettings() = default;
    virtual DisplayMode displayMode() const = 0;
    virtual SoundSettings soundSettings() const = 0;
};

} // namespace System

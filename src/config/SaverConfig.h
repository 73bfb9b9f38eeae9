#pragma once
// Interim: replaced by the settings work.
#include "config/Config.h"

#include <cstdint>

struct SaverOptions {
    bool UseDesktop = true;
    bool ShowFps = false;
    bool ShowTime = true;
    bool TimeStyle = true;
    std::int32_t Gamma = 100;
    bool ExitOnMM = true;
};

class SaverConfig : public System::Config<System::RegistryReader, System::RegistryWriter> {
public:
    static SaverConfig& instance()
    {
        static SaverConfig config;
        return config;
    }
    SaverConfig() : Config("Software\\Tallowmere Studio\\Fernhollow Screensaver") {}
    SaverOptions options;
};

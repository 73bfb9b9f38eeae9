#pragma once
// The saver's settings: the engine's display and sound settings plus the saver's own options, all in
// the key "Software\Tallowmere Studio\Fernhollow Screensaver" below the current user.
#include "config/Config.h"
#include "config/RegistryReader.h"
#include "config/RegistryWriter.h"
#include "config/SettingsTable.h"

#include <cstdint>
#include <functional>
#include <string>

// The saver's own options; their defaults are in SaverOptionRows.
struct SaverOptions {
    bool UseDesktop;     // run in the desktop's mode instead of the stored width, height, depth
    bool ShowFps;
    bool ShowTime;
    bool TimeStyle;      // true: 12-hour clock
    std::int32_t Gamma;  // percent
    bool ExitOnMM;       // end the run when the mouse moves
};

// Loaded and saved in this order.
inline const System::Setting<SaverOptions> SaverOptionRows[] = {
    System::flagSetting("UseDesktop", &SaverOptions::UseDesktop, true, System::UseDesktopCheck),
    System::flagSetting("ShowFps", &SaverOptions::ShowFps, false, System::ShowFpsCheck),
    System::numberSetting("Gamma", &SaverOptions::Gamma, 100, System::GammaBar),
    System::flagSetting("ExitOnMM", &SaverOptions::ExitOnMM, true, System::ExitOnMouseCheck),
    System::flagSetting("ShowTime", &SaverOptions::ShowTime, true, System::ShowTimeCheck),
    System::flagSetting("TimeStyle", &SaverOptions::TimeStyle, true, System::TwelveHourRadio, System::TwentyFourHourRadio),
};

class SaverConfig : public System::Config<System::RegistryReader, System::RegistryWriter> {
public:
    using StringLoader = std::function<std::string(unsigned id)>;

    static constexpr const char* keyPath = "Software\\Tallowmere Studio\\Fernhollow Screensaver";

    // The process's one instance, constructed and loaded on the first call, saved and destroyed at
    // process exit. When construction throws nothing is kept and the next call tries again.
    static SaverConfig& instance();

    // strings supplies the string-table entries: 2, the maker's web page; 4, "1" when the stored
    // "SiteAddressURL" is to be used instead. Throws Exception when the key can be neither opened nor
    // created.
    explicit SaverConfig(StringLoader strings = StringLoader());

    void load() override;
    void save() override;

    // The address the settings dialog's Visit button opens.
    std::string siteAddress() const;

    SaverOptions options = System::defaultsOf(SaverOptionRows);

private:
    StringLoader strings;
    bool useStoredSiteAddress = false;
    std::string siteAddressText;
};

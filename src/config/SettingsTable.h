#pragma once
// The stored settings, one row each: the registry value's name, the member that holds it in memory,
// its default, and the settings dialog's control that shows it. Loading, saving, the defaults and the
// dialog all go through these rows.
#include "base/Types.h"

#include <cstddef>
#include <cstdint>

namespace System {

// The settings dialog's controls that show a stored setting (ids of assets/dialogs/settings.ui).
enum SettingControl : int {
    UseDesktopCheck = 1012,
    VolumeBar = 1020,
    MusicCheck = 1021,
    SoundCheck = 1022,
    ShowFpsCheck = 1044,
    ExitOnMouseCheck = 1045,
    GammaBar = 1046,
    TwelveHourRadio = 1111,
    TwentyFourHourRadio = 1112,
    ShowTimeCheck = 1119,
};

// A flag (a DWORD, 0 or 1) shown by a check box, or a number shown by a trackbar from 0 to 100.
template <class Group>
struct Setting {
    const char* name;
    bool Group::*flag;             // a flag's member, or null
    std::int32_t Group::*number;   // a number's member, or null
    std::int32_t byDefault;
    int control;                   // 0 when the dialog does not show it on its own
    int oppositeControl;           // a radio button showing the flag's opposite, or 0

    std::int32_t get(const Group& group) const { return flag ? (group.*flag ? 1 : 0) : group.*number; }
    void set(Group& group, std::int32_t value) const
    {
        if (flag)
            group.*flag = value != 0;
        else
            group.*number = value;
    }
};

template <class Group>
constexpr Setting<Group> flagSetting(const char* name, bool Group::*member, bool byDefault, int control = 0,
                                     int oppositeControl = 0)
{
    return {name, member, nullptr, byDefault ? 1 : 0, control, oppositeControl};
}

template <class Group>
constexpr Setting<Group> numberSetting(const char* name, std::int32_t Group::*member, std::int32_t byDefault,
                                       int control = 0)
{
    return {name, nullptr, member, byDefault, control, 0};
}

// The group with every row's default; members without a row keep the group's own.
template <class Group, std::size_t N>
Group defaultsOf(const Setting<Group> (&rows)[N])
{
    Group group{};
    for (const Setting<Group>& row : rows)
        row.set(group, row.byDefault);
    return group;
}

// The display mode the engine opens; fullScreen is not stored. The dialog shows the three values
// together as one entry of its mode list.
inline const Setting<DisplayMode> DisplayRows[] = {
    numberSetting("width", &DisplayMode::width, 1024),
    numberSetting("height", &DisplayMode::height, 768),
    numberSetting("depth", &DisplayMode::depth, 16),
};

inline const Setting<SoundSettings> SoundRows[] = {
    flagSetting("Music", &SoundSettings::musicEnabled, true, MusicCheck),
    flagSetting("Sound", &SoundSettings::soundEnabled, true, SoundCheck),
    numberSetting("Volume", &SoundSettings::volume, 75, VolumeBar),
};

} // namespace System

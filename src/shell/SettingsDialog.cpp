// The settings dialog (template 113) and its About box (template 106).
#include "base/Exception.h"
#include "config/SaverConfig.h"
#include "base/Exception.h"
#include "platform/Dialog.h"
#include "platform/SystemInfo.h"
#include "shell/DisplayModeText.h"
#include "shell/Modes.h"

#include <cstddef>
#include <set>
#include <string>

using namespace System;
using Platform::Dialog;
using Platform::DialogMessage;

namespace {

constexpr unsigned settingsTemplate = 113;
constexpr unsigned aboutTemplate = 106;

// The controls besides those of the settings (SettingControl).
enum Control : int {
    IdOk = 1,
    IdCancel = 2,
    DisplayModeList = 1011,
    VisitButton = 1061,
    AboutButton = 1062,
    RestoreDefaultsButton = 1063,
    GammaText = 1118,
};

// Set while the settings dialog is open; the About box places itself by it.
Dialog* g_settingsDialog = nullptr;

// Each row's control shows its value: a check box (and its opposite radio button) or a trackbar 0..100.
template <class Group, std::size_t N>
void showSettings(Dialog& dialog, const Setting<Group> (&rows)[N], const Group& values)
{
    for (const Setting<Group>& row : rows) {
        if (!row.control)
            continue;
        if (row.flag) {
            dialog.checkButton(row.control, values.*row.flag);
            if (row.oppositeControl)
                dialog.checkButton(row.oppositeControl, !(values.*row.flag));
        } else {
            dialog.setTrackbarRange(row.control, 0, 100);
            dialog.setTrackbarPosition(row.control, values.*row.number);
        }
    }
}

template <class Group, std::size_t N>
void readSettings(const Dialog& dialog, const Setting<Group> (&rows)[N], Group& into)
{
    for (const Setting<Group>& row : rows) {
        if (!row.control)
            continue;
        row.set(into, row.flag ? (dialog.isButtonChecked(row.control) ? 1 : 0) : dialog.trackbarPosition(row.control));
    }
}

void initialiseSettings(Dialog& dialog)
{
    SaverConfig& config = SaverConfig::instance();
    std::set<std::string> modes = enumerateDisplayModes();
    for (const std::string& mode : modes)
        dialog.addComboString(DisplayModeList, mode);
    DisplayMode current =
        config.options.UseDesktop ? currentDesktopMode() : config.displayMode();
    dialog.setComboSelection(DisplayModeList, displayModeIndex(modes, displayModeText(current)));

    showSettings(dialog, SaverOptionRows, config.options);
    showSettings(dialog, SoundRows, config.soundSettings());

    dialog.enableControl(DisplayModeList, !dialog.isButtonChecked(UseDesktopCheck));
    dialog.enableControl(TwelveHourRadio, dialog.isButtonChecked(ShowTimeCheck));
    dialog.enableControl(TwentyFourHourRadio, dialog.isButtonChecked(ShowTimeCheck));
    dialog.enableControl(VolumeBar, dialog.isButtonChecked(SoundCheck));
}

void restoreDefaults(Dialog& dialog)
{
    // Only the controls: the settings change when OK is pressed.
    showSettings(dialog, SaverOptionRows, defaultsOf(SaverOptionRows));
    showSettings(dialog, SoundRows, defaultsOf(SoundRows));
}

void storeSettings(Dialog& dialog)
{
    SaverConfig& config = SaverConfig::instance();
    struct {
        DisplayMode mode;
        SoundSettings sound;
        SaverOptions options;
    } before{config.displayMode(), config.soundSettings(), config.options};
    const std::string modeText = dialog.controlText(DisplayModeList, 254);
    // A display with no mode to list leaves the list empty: with the desktop's mode in use the stored
    // one is kept, so that the other settings can still be changed.
    if (!modeText.empty() || !dialog.isButtonChecked(UseDesktopCheck)) {
        DisplayMode mode;
        try {
            mode = parseDisplayMode(modeText);
        } catch (const BadDisplayModeText& bad) {
            // Nothing is stored and the dialog stays open for another choice.
            dialog.showMessage("The display mode cannot be used: " + std::string(bad.what()) + ".",
                               "Display Mode");
            return;
        }
        config.setDisplayMode(mode);
    }

    readSettings(dialog, SaverOptionRows, config.options);
    SoundSettings sound = config.soundSettings();
    readSettings(dialog, SoundRows, sound);
    config.setSoundSettings(sound);

    try {
        config.save();
    } catch (const Exception& e) {
        // Nothing was stored: say so, and leave the choice on screen to try again or cancel. The object
        // goes back to what the file holds, so the exit-time save cannot store half of this choice.
        config.setDisplayMode(before.mode);
        config.setSoundSettings(before.sound);
        config.options = before.options;
        std::string text = e.message();
        while (!text.empty() && text.back() == '\n')
            text.pop_back();
        dialog.showMessage(text, "Fernhollow Settings");
        return;
    }
    dialog.end(1);
}

} // namespace

bool aboutDialogProc(Dialog& dialog, DialogMessage message, int id)
{
    switch (message) {
    case DialogMessage::Init:
        if (g_settingsDialog) {
            Platform::WindowRect settings = g_settingsDialog->frameRect();
            dialog.moveTo(settings.x + 140, settings.y + 150);
        }
        return true;
    case DialogMessage::Command:
        if (id == IdOk || id == IdCancel) {
            dialog.end(id);
            return true;
        }
        return false;
    case DialogMessage::Notify:
        break;
    }
    return false;
}

bool settingsDialogProc(Dialog& dialog, DialogMessage message, int id)
{
    switch (message) {
    case DialogMessage::Init:
        g_settingsDialog = &dialog;
        initialiseSettings(dialog);
        return true;
    case DialogMessage::Command:
        switch (id) {
        case UseDesktopCheck:
            dialog.enableControl(DisplayModeList, !dialog.isButtonChecked(UseDesktopCheck));
            return true;
        case ShowTimeCheck:
            dialog.enableControl(TwelveHourRadio, dialog.isButtonChecked(ShowTimeCheck));
            dialog.enableControl(TwentyFourHourRadio, dialog.isButtonChecked(ShowTimeCheck));
            return true;
        case SoundCheck:
            dialog.enableControl(VolumeBar, dialog.isButtonChecked(SoundCheck));
            return true;
        case VisitButton:
            Platform::openUrl(SaverConfig::instance().siteAddress());
            return true;
        case AboutButton:
            if (!Platform::runDialog(aboutTemplate, dialog.handle(), aboutDialogProc))
                throw Exception(Platform::lastDialogError());
            return true;
        case RestoreDefaultsButton:
            restoreDefaults(dialog);
            return true;
        case IdOk:
            storeSettings(dialog);
            return true;
        case IdCancel:
            dialog.end(0);
            return true;
        default:
            return false;
        }
    case DialogMessage::Notify:
        if (id == GammaBar) {
            dialog.setControlText(GammaText, std::to_string(dialog.trackbarPosition(GammaBar)) + "%");
            return true;
        }
        return false;
    }
    return false;
}

void showSettingsDialog(Platform::NativeHandle owner)
{
    struct Forget {
        ~Forget() { g_settingsDialog = nullptr; }
    } forget;
    if (!Platform::runDialog(settingsTemplate, owner, settingsDialogProc))
        throw Exception(Platform::lastDialogError());
}

// The settings dialog (template 113) and its About box (template 106).
#include "config/SaverConfig.h"
#include "engine/Exception.h"
#include "platform/Dialog.h"
#include "platform/SystemInfo.h"
#include "shell/DisplayModeText.h"
#include "shell/Modes.h"

#include <set>
#include <string>

using namespace System;
using Platform::Dialog;
using Platform::DialogMessage;

namespace {

constexpr unsigned settingsTemplate = 113;
constexpr unsigned aboutTemplate = 106;

enum Control : int {
    IdOk = 1,
    IdCancel = 2,
    DisplayModeList = 1011,
    UseDesktopCheck = 1012,
    VolumeBar = 1020,
    MusicCheck = 1021,
    SoundCheck = 1022,
    VisitButton = 1061,
    AboutButton = 1062,
    RestoreDefaultsButton = 1063,
    ShowFpsCheck = 1044,
    ExitOnMouseCheck = 1045,
    GammaBar = 1046,
    TwelveHourRadio = 1111,
    TwentyFourHourRadio = 1112,
    GammaText = 1118,
    ShowTimeCheck = 1119,
};

// Set while the settings dialog is open; the About box places itself by it.
Dialog* g_settingsDialog = nullptr;

void initialiseSettings(Dialog& dialog)
{
    SaverConfig& config = SaverConfig::instance();
    std::set<std::string> modes = enumerateDisplayModes();
    for (const std::string& mode : modes)
        dialog.addComboString(DisplayModeList, mode);
    DisplayMode current =
        config.options.UseDesktop ? currentDesktopMode() : config.displayMode();
    dialog.setComboSelection(DisplayModeList, displayModeIndex(modes, displayModeText(current)));

    dialog.checkButton(ShowFpsCheck, config.options.ShowFps);
    dialog.checkButton(ExitOnMouseCheck, config.options.ExitOnMM);
    dialog.checkButton(ShowTimeCheck, config.options.ShowTime);
    dialog.checkButton(TwelveHourRadio, config.options.TimeStyle);
    dialog.checkButton(TwentyFourHourRadio, !config.options.TimeStyle);
    dialog.checkButton(UseDesktopCheck, config.options.UseDesktop);
    SoundSettings sound = config.soundSettings();
    dialog.checkButton(MusicCheck, sound.musicEnabled);
    dialog.checkButton(SoundCheck, sound.soundEnabled);

    dialog.setTrackbarRange(VolumeBar, 0, 100);
    dialog.setTrackbarPosition(VolumeBar, sound.volume);
    dialog.setTrackbarRange(GammaBar, 0, 100);
    dialog.setTrackbarPosition(GammaBar, config.options.Gamma);

    dialog.enableControl(DisplayModeList, !dialog.isButtonChecked(UseDesktopCheck));
    dialog.enableControl(TwelveHourRadio, dialog.isButtonChecked(ShowTimeCheck));
    dialog.enableControl(TwentyFourHourRadio, dialog.isButtonChecked(ShowTimeCheck));
    dialog.enableControl(VolumeBar, dialog.isButtonChecked(SoundCheck));
}

void restoreDefaults(Dialog& dialog)
{
    // Only the controls: the settings change when OK is pressed.
    dialog.checkButton(ShowFpsCheck, false);
    dialog.checkButton(ExitOnMouseCheck, true);
    dialog.checkButton(ShowTimeCheck, true);
    dialog.checkButton(TwelveHourRadio, true);
    dialog.checkButton(TwentyFourHourRadio, false);
    dialog.checkButton(UseDesktopCheck, true);
    dialog.checkButton(MusicCheck, true);
    dialog.checkButton(SoundCheck, true);
    dialog.setTrackbarRange(VolumeBar, 0, 100);
    dialog.setTrackbarPosition(VolumeBar, 75);
    dialog.setTrackbarRange(GammaBar, 0, 100);
    dialog.setTrackbarPosition(GammaBar, 100);
}

void storeSettings(Dialog& dialog)
{
    SaverConfig& config = SaverConfig::instance();
    struct {
        DisplayMode mode;
        SoundSettings sound;
        SaverOptions options;
    } before{config.displayMode(), config.soundSettings(), config.options};
    DisplayMode mode;
    try {
        mode = parseDisplayMode(dialog.controlText(DisplayModeList, 254));
    } catch (const BadDisplayModeText& bad) {
        // Nothing is stored and the dialog stays open for another choice.
        dialog.showMessage("The display mode cannot be used: " + std::string(bad.what()) + ".",
                           "Display Mode");
        return;
    }
    config.setDisplayMode(mode);

    config.options.ExitOnMM = dialog.isButtonChecked(ExitOnMouseCheck);
    config.options.ShowFps = dialog.isButtonChecked(ShowFpsCheck);
    config.options.ShowTime = dialog.isButtonChecked(ShowTimeCheck);
    config.options.TimeStyle = dialog.isButtonChecked(TwelveHourRadio);
    config.options.UseDesktop = dialog.isButtonChecked(UseDesktopCheck);
    config.options.Gamma = dialog.trackbarPosition(GammaBar);

    SoundSettings sound;
    sound.soundEnabled = dialog.isButtonChecked(SoundCheck);
    sound.musicEnabled = dialog.isButtonChecked(MusicCheck);
    sound.volume = dialog.trackbarPosition(VolumeBar);
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
            Platform::runDialog(aboutTemplate, dialog.handle(), aboutDialogProc);
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
    Platform::runDialog(settingsTemplate, owner, settingsDialogProc);
}

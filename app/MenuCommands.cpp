#include "app/MenuCommands.h"

#include "elements/Instrument.h"

namespace chordlane {

namespace {

// The system volume is stored as (vM + 40) * 0x1111111, so this step maps it back.
constexpr uint32_t VOLUME_STEP = 0x1111111;
constexpr int32_t VOLUME_OFFSET = 40;
// Speed -> Volume switched by hand restarts from the middle of the scale.
constexpr int32_t DEFAULT_VOLUME_SCALE = 50;

void SetOptionCheck(const Instrument& instrument, MenuOption option, int32_t flag) {
    if (Window* window = instrument.platform.window) window->SetOptionCheck(option, flag != 0);
}

}  // namespace

void ToggleShowActive(Instrument& instrument) {
    instrument.options.showActive = !instrument.options.showActive;
    SetOptionCheck(instrument, MenuOption::ShowActive, instrument.options.showActive);
}

void ToggleSpeedVolume(Instrument& instrument) {
    instrument.options.speedVolume = !instrument.options.speedVolume;
    instrument.variables.vM = DEFAULT_VOLUME_SCALE;  // directly: the system volume is not written
    SetOptionCheck(instrument, MenuOption::SpeedVolume, instrument.options.speedVolume);
}

void ShowOptionChecks(Instrument& instrument) {
    SetOptionCheck(instrument, MenuOption::ShowActive, instrument.options.showActive);
    SetOptionCheck(instrument, MenuOption::SpeedVolume, instrument.options.speedVolume);
}

bool CanSaveAs(const Instrument& instrument) {
    return !instrument.load.currentPath.empty() && !instrument.load.answersLog.empty();
}

int32_t RegisterHardwareButtons(Instrument& app) {
    if (app.options.hardwareButtons) return app.options.hardwareButtons;
    HardwareButtons* buttons = app.platform.buttons;
    // Without the shell's release function the keys cannot be taken; the flag stays clear so
    // that the next activation tries again.
    if (!buttons || !buttons->HasShellKeyRelease()) return 0;
    for (uint32_t code = FIRST_HARDWARE_BUTTON; code <= LAST_HARDWARE_BUTTON; ++code) {
        buttons->ReleaseShellKey(MOD_WIN, code);
        buttons->RegisterHotKey(static_cast<int32_t>(code), MOD_WIN, code);
    }
    app.options.hardwareButtons = 1;
    return 1;
}

int32_t ReleaseHardwareButtons(Instrument& app) {
    if (!app.options.hardwareButtons) return 0;
    if (HardwareButtons* buttons = app.platform.buttons) {
        for (uint32_t code = FIRST_HARDWARE_BUTTON; code <= LAST_HARDWARE_BUTTON; ++code)
            buttons->UnregisterHotKey(static_cast<int32_t>(code));
    }
    app.options.hardwareButtons = 0;
    return 0;
}

void OnActivate(Instrument& instrument, Activation state, bool minimised) {
    if (state == Activation::Active && !minimised) {
        const uint32_t volume = ReadSettingNumber(
            instrument.platform.settings, SettingsRoot::CurrentUser, VOLUME_KEY, VOLUME_VALUE);
        instrument.variables.vM = static_cast<int32_t>(volume / VOLUME_STEP) - VOLUME_OFFSET;
        RegisterHardwareButtons(instrument);
    } else {
        ReleaseHardwareButtons(instrument);
    }
}

int32_t OnHotKey(Instrument& instrument, uint32_t id) {
    instrument.names.OnKeyDown(id);
    return 0;
}

bool ShowHelp(const Instrument& instrument) {
    HelpViewer* help = instrument.platform.help;
    return help && help->Open(u"chordlane_help.htm");
}

}  // namespace chordlane

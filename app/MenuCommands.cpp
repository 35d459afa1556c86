#include "app/MenuCommands.h"

#include "app/AppState.h"
#include "app/Settings.h"
#include "language/NameRegistry.h"
#include "platform/Platform.h"

namespace chordlane {

namespace {

// The system volume is stored as (vM + 40) * 0x1111111, so this step maps it back.
constexpr uint32_t VOLUME_STEP = 0x1111111;
constexpr int32_t VOLUME_OFFSET = 40;
// Speed -> Volume switched by hand restarts from the middle of the scale.
constexpr int32_t DEFAULT_VOLUME_SCALE = 50;

}  // namespace

void SetOptionCheck(int menuPosition, int command, int32_t flag) {
    if (Window* window = CurrentPlatform().window)
        window->SetMenuCheck(menuPosition, command, flag != 0);
}

void ToggleShowActive() {
    AppState& app = App();
    app.showActive = !app.showActive;
    SetOptionCheck(MENU_OPTIONS, ID_SHOW_ACTIVE, app.showActive);
}

void ToggleSpeedVolume() {
    AppState& app = App();
    app.speedVolume = !app.speedVolume;
    app.vM = DEFAULT_VOLUME_SCALE;  // directly: the system volume is not written
    SetOptionCheck(MENU_OPTIONS, ID_SPEED_VOLUME, app.speedVolume);
}

bool CanSaveAs() { return !App().currentPath.empty() && !App().answersLog.empty(); }

int32_t RegisterHardwareButtons() {
    AppState& app = App();
    if (app.hardwareButtons) return app.hardwareButtons;
    HardwareButtons* buttons = CurrentPlatform().buttons;
    // Without the shell's release function the keys cannot be taken; the flag stays clear so
    // that the next activation tries again.
    if (!buttons || !buttons->HasShellKeyRelease()) return 0;
    for (uint32_t code = FIRST_HARDWARE_BUTTON; code <= LAST_HARDWARE_BUTTON; ++code) {
        buttons->ReleaseShellKey(MOD_WIN, code);
        buttons->RegisterHotKey(static_cast<int32_t>(code), MOD_WIN, code);
    }
    app.hardwareButtons = 1;
    return 1;
}

int32_t ReleaseHardwareButtons() {
    AppState& app = App();
    if (!app.hardwareButtons) return 0;
    if (HardwareButtons* buttons = CurrentPlatform().buttons) {
        for (uint32_t code = FIRST_HARDWARE_BUTTON; code <= LAST_HARDWARE_BUTTON; ++code)
            buttons->UnregisterHotKey(static_cast<int32_t>(code));
    }
    app.hardwareButtons = 0;
    return 0;
}

void OnActivate(int32_t state, bool minimised) {
    if (state == WA_ACTIVE && !minimised) {
        const uint32_t volume =
            ReadSettingNumber(SettingsRoot::CurrentUser, VOLUME_KEY, VOLUME_VALUE);
        App().vM = static_cast<int32_t>(volume / VOLUME_STEP) - VOLUME_OFFSET;
        RegisterHardwareButtons();
    } else {
        ReleaseHardwareButtons();
    }
}

int32_t OnHotKey(uint32_t id) {
    OnKeyDown(id);
    return 0;
}

bool ShowHelp() {
    HelpViewer* help = CurrentPlatform().help;
    return help && help->Open(u"chordlane_help.htm");
}

}  // namespace chordlane

#pragma once
// The menu commands that need no window of their own, and the frame's system integration:
// the two options and their check marks, the Save As rule, the hardware buttons, the system
// volume on activation, the hot keys and the help.

#include <cstdint>

namespace chordlane {

// Menu positions of the popups of the menu bar.
inline constexpr int MENU_FILE = 0;
inline constexpr int MENU_OPTIONS = 1;
inline constexpr int MENU_HELP = 2;

// The device's hardware buttons: the virtual key codes taken over as hot keys, and the
// modifier they are registered with.
inline constexpr uint32_t FIRST_HARDWARE_BUTTON = 0xC1;
inline constexpr uint32_t LAST_HARDWARE_BUTTON = 0xCF;
inline constexpr uint32_t MOD_WIN = 8;

// Window activation states.
inline constexpr int32_t WA_INACTIVE = 0;
inline constexpr int32_t WA_ACTIVE = 1;
inline constexpr int32_t WA_CLICKACTIVE = 2;

//! Sets (flag nonzero) or clears the check mark of command in the popup at menuPosition.
void SetOptionCheck(int menuPosition, int command, int32_t flag);
//! Switches Show Active and its check mark; nothing is repainted.
void ToggleShowActive();
//! Switches Speed -> Volume and its check mark, and puts "vM" back to 50.
void ToggleSpeedVolume();
//! Save As is offered only for an instrument loaded with prompt answers to record.
bool CanSaveAs();

//! Takes the hardware buttons over as hot keys; nonzero when they are (or already were) held,
//! 0 when the platform cannot give them.
int32_t RegisterHardwareButtons();
//! Gives the hardware buttons back; always 0.
int32_t ReleaseHardwareButtons();
//! The frame became active (state 1 or 2) or inactive (0): reads the system volume into "vM"
//! and takes the buttons on a plain activation, gives them back otherwise.
void OnActivate(int32_t state, bool minimised);
//! A hardware button was pressed: raises its key event. Answers 0.
int32_t OnHotKey(uint32_t id);
//! Opens the help document; answers whether a viewer started.
bool ShowHelp();

}  // namespace chordlane

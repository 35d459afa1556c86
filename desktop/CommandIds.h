#pragma once
// The numbers the window's menu items carry as their data, the positions of the menu bar's
// popups, and the activation codes of the window messages. They belong to the window: the
// core speaks of options and activations by name.

namespace chordlane {

// Menu positions of the popups of the menu bar.
inline constexpr int MENU_FILE = 0;
inline constexpr int MENU_OPTIONS = 1;
inline constexpr int MENU_HELP = 2;

// Menu commands.
inline constexpr int ID_FILE_OPEN = 0xE101;
inline constexpr int ID_FILE_SAVE_AS = 0xE104;
inline constexpr int ID_APP_EXIT = 0xE141;
inline constexpr int ID_APP_ABOUT = 0xE140;
inline constexpr int ID_HELP = 0xE146;
inline constexpr int ID_SHOW_ACTIVE = 32771;
inline constexpr int ID_SPEED_VOLUME = 32772;
inline constexpr int ID_FILE_RECORD = 32773;
// File -> Open Recent: the first entry's number; the others follow it (the usual MRU range).
inline constexpr int ID_FILE_MRU_FILE1 = 0xE110;

// Window activation states.
inline constexpr int WA_INACTIVE = 0;
inline constexpr int WA_ACTIVE = 1;
inline constexpr int WA_CLICKACTIVE = 2;

}  // namespace chordlane

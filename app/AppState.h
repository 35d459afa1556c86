#pragma once
// The application-wide state: screen geometry, folders, the loaded instrument, the two menu
// options and the application variables. One instance for the whole run; tests reset it.

#include <cstdint>
#include <memory>

#include "platform/Surface.h"
#include "platform/Types.h"

namespace chordlane {

class PanelElement;
class GroupElement;

// Load status values (a cancelled file prompt changes it).
inline constexpr int32_t LOAD_LOADING = 1;
inline constexpr int32_t LOAD_SKIP_PROMPTS = 2;
inline constexpr int32_t LOAD_ABORTED = 3;

// Menu commands whose check marks and handlers the core knows.
inline constexpr int ID_FILE_OPEN = 0xE101;
inline constexpr int ID_FILE_SAVE_AS = 0xE104;
inline constexpr int ID_APP_EXIT = 0xE141;
inline constexpr int ID_APP_ABOUT = 0xE140;
inline constexpr int ID_HELP = 0xE146;
inline constexpr int ID_SHOW_ACTIVE = 32771;
inline constexpr int ID_SPEED_VOLUME = 32772;

struct AppState {
    AppState();
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    Rect screenRect{};          // {0, 0, width - 1, height - 1}
    String programFolder;       // ends with a separator
    String homeFolder;          // ends with a separator
    String currentPath;         // the loaded instrument's path as passed to the Open flow
    String answersLog;          // "? \"path\"\n" per confirmed prompt of this load
    uint8_t instrumentLoaded = 0;
    int32_t loadStatus = 0;
    std::unique_ptr<PanelElement> root;
    Rect pendingRepaint{};      // empty when nothing is pending
    std::shared_ptr<Bitmap> startupBitmap;
    int32_t showActive = 1;
    int32_t speedVolume = 1;
    // Application variables.
    int32_t cb = -1;
    int32_t sp = 30;
    int32_t vA = 0;
    int32_t vM = 0;
    uint8_t hardwareButtons = 0;
};

//! The one application state.
AppState& App();
//! Puts every item back to its initial value (deleting any instrument); for tests and the tool.
void ResetAppState();

}  // namespace chordlane

#pragma once
#include "platform/Types.h"

namespace chordlane {

// The two options of the Options menu that carry a check mark.
enum class MenuOption { ShowActive, SpeedVolume };

// The main window as the core sees it: the screen-update services rest on RepaintNow, the
// menu's check marks on SetOptionCheck.
class Window {
  public:
    virtual ~Window() = default;
    //! Invalidates r of the view (background erased) and paints it before returning.
    virtual void RepaintNow(const Rect& r) = 0;
    //! Sets or clears the check mark of an option in the Options menu.
    virtual void SetOptionCheck(MenuOption option, bool checked) = 0;
    //! Hides the frame, shows it again and brings it to the foreground (repaints it all).
    virtual void ReshowAndRaise() = 0;
};

}  // namespace chordlane

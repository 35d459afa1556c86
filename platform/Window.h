#pragma once
#include "platform/Types.h"

namespace chordlane {

// The main window as the core sees it: the screen-update services rest on RepaintNow, the
// menu's check marks on SetMenuCheck.
class Window {
public:
    virtual ~Window() = default;
    //! Invalidates r of the view (background erased) and paints it before returning.
    virtual void RepaintNow(const Rect& r) = 0;
    //! Sets or clears the check mark of a menu item, found by command in the popup at
    //! menuPosition (0 File, 1 Options, 2 Help).
    virtual void SetMenuCheck(int menuPosition, int command, bool checked) = 0;
    //! Hides the frame, shows it again and brings it to the foreground (repaints it all).
    virtual void ReshowAndRaise() = 0;
};

}  // namespace chordlane

#include "app/ScreenUpdate.h"

#include <algorithm>

#include "app/AppState.h"
#include "platform/Platform.h"
#include "view/InstrumentView.h"

namespace chordlane {

void RepaintNow(const Rect& r) {
    if (Window* window = CurrentPlatform().window) window->RepaintNow(r);
}

void SetScreenState(int32_t state) {
    SetScreenStateValue(state);
    RepaintNow(App().screenRect);
}

void RepaintIfShowActive(const Rect& r) {
    if (App().showActive) RepaintNow(r);
}

void AddPendingRepaint(const Rect& r) {
    Rect& pending = App().pendingRepaint;
    if (pending.IsEmpty()) {
        pending = r;
        return;
    }
    if (r.IsEmpty()) return;  // an empty area adds nothing, wherever its corners lie
    pending.left = std::min(pending.left, r.left);
    pending.top = std::min(pending.top, r.top);
    pending.right = std::max(pending.right, r.right);
    pending.bottom = std::max(pending.bottom, r.bottom);
}

void FlushPendingRepaint() {
    Rect& pending = App().pendingRepaint;
    if (pending.IsEmpty()) return;
    // Emptied first, so that areas added while painting wait for the next flush.
    const Rect area = pending;
    pending = {};
    RepaintNow(area);
}

void DiscardPendingRepaint() { App().pendingRepaint = {}; }

}  // namespace chordlane

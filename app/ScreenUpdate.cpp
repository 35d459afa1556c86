#include "app/ScreenUpdate.h"

#include <algorithm>

#include "app/AppState.h"
#include "platform/Platform.h"

namespace chordlane {

void RepaintNow(const Rect& r) {
    if (Window* window = CurrentPlatform().window) window->RepaintNow(r);
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
    if (r.IsEmpty()) return;  // the union with nothing is the area itself
    pending.left = std::min(pending.left, r.left);
    pending.top = std::min(pending.top, r.top);
    pending.right = std::max(pending.right, r.right);
    pending.bottom = std::max(pending.bottom, r.bottom);
}

void FlushPendingRepaint() {
    Rect& pending = App().pendingRepaint;
    if (pending.IsEmpty()) return;
    const Rect area = pending;
    pending = {};
    RepaintNow(area);
}

}  // namespace chordlane

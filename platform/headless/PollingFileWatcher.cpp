#include "platform/headless/PollingFileWatcher.h"

namespace chordlane {

bool PollingFileWatcher::Poll() {
    const uint32_t now = clock_.TickCount();
    if (!files_.Rescan().empty()) files_.NoteChange(now);
    if (!files_.TakeSettled(now)) return false;
    if (changed_) changed_();
    return true;
}

}  // namespace chordlane

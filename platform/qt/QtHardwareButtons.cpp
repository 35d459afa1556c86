#include "platform/qt/QtHardwareButtons.h"

namespace chordlane {

bool QtHardwareButtons::RegisterHotKey(int32_t id, uint32_t modifiers, uint32_t keyCode) {
    hotKeys_[id] = HotKey{modifiers, keyCode};
    return true;
}

void QtHardwareButtons::UnregisterHotKey(int32_t id) { hotKeys_.erase(id); }

bool QtHardwareButtons::Raise(int32_t id) {
    if (!IsRegistered(id) || !handler_) return false;
    handler_(id);
    return true;
}

}  // namespace chordlane

#pragma once
#include <set>

#include "platform/HardwareButtons.h"

namespace chordlane {

// Hardware buttons as on Linux: the shell's key-release function is missing unless a test
// says otherwise; registered hot keys are recorded.
class HeadlessHardwareButtons : public HardwareButtons {
  public:
    bool HasShellKeyRelease() override { return available_; }
    void ReleaseShellKey(uint32_t, uint32_t keyCode) override { released_.insert(keyCode); }
    bool RegisterHotKey(int32_t id, uint32_t, uint32_t) override {
        hotKeys_.insert(id);
        return true;
    }
    void UnregisterHotKey(int32_t id) override { hotKeys_.erase(id); }

    void SetAvailable(bool available) { available_ = available; }
    const std::set<int32_t>& HotKeys() const { return hotKeys_; }
    const std::set<uint32_t>& ReleasedKeys() const { return released_; }

  private:
    bool available_ = false;
    std::set<int32_t> hotKeys_;
    std::set<uint32_t> released_;
};

}  // namespace chordlane

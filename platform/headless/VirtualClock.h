#pragma once
#include <cstdint>
#include <functional>

#include "platform/Clock.h"

namespace chordlane {

// A clock that moves only when told. Sleep advances it, and an optional hook runs for every
// advance, so sound and completion notices keep pace with the virtual time.
class VirtualClock : public Clock {
  public:
    explicit VirtualClock(uint32_t start = 1000) : now_(start) {}
    uint32_t TickCount() override { return now_; }
    void Sleep(uint32_t milliseconds) override { Advance(milliseconds); }

    void Advance(uint32_t milliseconds) {
        now_ += milliseconds;
        if (onAdvance_) onAdvance_(now_);
    }
    void Set(uint32_t now) { now_ = now; }
    void SetAdvanceHook(std::function<void(uint32_t now)> hook) { onAdvance_ = std::move(hook); }

  private:
    uint32_t now_;
    std::function<void(uint32_t)> onAdvance_;
};

}  // namespace chordlane

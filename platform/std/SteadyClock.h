#pragma once
#include "platform/Clock.h"

namespace chordlane {

// The real tick count: milliseconds of the monotonic clock, wrapping at 2^32 like the
// device's own count, so differences stay right across the wrap.
class SteadyClock : public Clock {
  public:
    uint32_t TickCount() override;
    void Sleep(uint32_t milliseconds) override;
};

}  // namespace chordlane

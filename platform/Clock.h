#pragma once
#include <cstdint>

namespace chordlane {

// The millisecond tick count and sleep. Differences of tick counts are taken in unsigned
// 32-bit arithmetic, so the count may wrap.
class Clock {
  public:
    virtual ~Clock() = default;
    //! Milliseconds since some fixed start, wrapping at 2^32.
    virtual uint32_t TickCount() = 0;
    //! Waits the given milliseconds (a virtual clock advances instead).
    virtual void Sleep(uint32_t milliseconds) = 0;
};

}  // namespace chordlane

#pragma once
// What a thread that renders the mix for a device needs from the system, and the pacing of a
// render loop that plays to no device.
//
// Threads: RequestRealtimePriority acts on the calling thread only; BlockPacer belongs to the
// one thread whose loop it paces.

#include <chrono>
#include <cstdint>
#include <string>

namespace chordlane {

//! Asks for real-time scheduling (SCHED_FIFO) for the calling thread, so a build or a repaint
//! cannot hold the mix past its deadline; a thread that has real-time scheduling already
//! keeps it. Where the system refuses (no rtprio limit for the user, a container), the thread
//! quietly stays as it was; the answer says which, for the verbose log.
std::string RequestRealtimePriority();

// Deadlines for a loop that renders blocks of frames at a device's pace with no device to
// pace it: each block is due when the frames before it would have played. A block more than
// a whole block late is an underrun, as a device would have played a gap; the deadlines
// then start again from that moment rather than race to catch up.
class BlockPacer {
  public:
    using Clock = std::chrono::steady_clock;

    BlockPacer(uint32_t rate, uint32_t blockFrames, Clock::time_point start);

    //! Called after a block has been rendered, at now: when to render the next one.
    Clock::time_point Next(Clock::time_point now);
    uint64_t Underruns() const { return underruns_; }

  private:
    Clock::duration Played(uint64_t frames) const;

    uint32_t rate_;
    uint32_t blockFrames_;
    Clock::time_point start_;
    uint64_t rendered_ = 0;
    uint64_t underruns_ = 0;
};

}  // namespace chordlane

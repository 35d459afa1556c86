#pragma once
// What a thread that renders the mix for a device needs from the system, and the pacing of a
// render loop that plays to no device.
//
// Threads: RequestRealtimePriority acts on the calling thread only, RequestInputPriority on
// the thread it is given (any thread may ask); BlockPacer belongs to the one thread whose loop
// it paces.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace chordlane {

//! Asks for real-time scheduling (SCHED_FIFO) for the calling thread, so a build or a repaint
//! cannot hold the mix past its deadline; a thread that has real-time scheduling already
//! keeps it. Where the system refuses (no rtprio limit for the user, a container), the thread
//! quietly stays as it was; the answer says which, for the verbose log.
std::string RequestRealtimePriority();

//! Asks for the lowest real-time priority (SCHED_FIFO 1) for a thread that takes keys and
//! taps, so that a press reaches the mixer at once even while a build keeps every core busy;
//! the render thread stays far above it. thread is the kernel's id of a thread of this
//! process, 0 the calling one. Threads it starts afterwards do not inherit the priority (the
//! load's workers, the recorder). Only where there is more than one core: on one, a repaint
//! or a load at that priority would hold back everything else the person runs. Where the
//! system refuses, or there is one core, the thread stays as it was; the answer says which,
//! for the verbose log.
std::string RequestInputPriority(int thread = 0);

//! The kernel's ids of this process's threads that have the name given (as a thread names
//! itself with pthread_setname_np); none where the system does not say.
std::vector<int> ThreadsNamed(std::string_view name);

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

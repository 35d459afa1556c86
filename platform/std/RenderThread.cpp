#include "platform/std/RenderThread.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <cstring>

namespace chordlane {

std::string RequestRealtimePriority() {
    int policy = 0;
    sched_param current{};
    if (pthread_getschedparam(pthread_self(), &policy, &current) == 0 &&
        (policy == SCHED_FIFO || policy == SCHED_RR)) {
        // A sound server's client library made this thread already, at the server's choice.
        return "real-time priority " + std::to_string(current.sched_priority) + " (given)";
    }
    // Below the priorities JACK and PipeWire give their own threads (which are 70-90 by
    // default), above every ordinary thread.
    const int wanted = std::max(sched_get_priority_min(SCHED_FIFO), 60);
    sched_param param{};
    param.sched_priority = std::min(wanted, sched_get_priority_max(SCHED_FIFO));
    const int error = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    if (error == 0) return "real-time priority " + std::to_string(param.sched_priority);
    return std::string("ordinary priority (real-time refused: ") + std::strerror(error) + ")";
}

BlockPacer::BlockPacer(uint32_t rate, uint32_t blockFrames, Clock::time_point start)
    : rate_(std::max<uint32_t>(1, rate)),
      blockFrames_(std::max<uint32_t>(1, blockFrames)),
      start_(start) {}

BlockPacer::Clock::duration BlockPacer::Played(uint64_t frames) const {
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::microseconds(frames * 1000000 / rate_));
}

BlockPacer::Clock::time_point BlockPacer::Next(Clock::time_point now) {
    rendered_ += blockFrames_;
    // Deadlines count from the start, so rounding does not drift.
    const Clock::time_point due = start_ + Played(rendered_);
    if (now > due + Played(blockFrames_)) {
        ++underruns_;
        start_ = now;
        rendered_ = 0;
        return now;
    }
    return due;
}

}  // namespace chordlane

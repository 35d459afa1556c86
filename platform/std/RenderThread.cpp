#include "platform/std/RenderThread.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

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

std::string RequestInputPriority(int thread) {
    // The kernel's record, not the C library's copy, which for a thread it made may be what
    // the thread's creator had.
    const int policy = sched_getscheduler(thread);
    if (policy < 0) return std::string("ordinary priority (") + std::strerror(errno) + ")";
    sched_param current{};
    const int kind = policy & ~SCHED_RESET_ON_FORK;
    if (sched_getparam(thread, &current) == 0 && (kind == SCHED_FIFO || kind == SCHED_RR))
        return "real-time priority " + std::to_string(current.sched_priority) + " (given)";
    if (std::thread::hardware_concurrency() < 2) return "ordinary priority (one core)";
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    // sched_setscheduler acts on one thread alone on Linux (0: the calling one), and unlike
    // pthread_setschedparam it takes the flag that keeps new threads ordinary.
    if (sched_setscheduler(thread, SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0)
        return "real-time priority " + std::to_string(param.sched_priority);
    return std::string("ordinary priority (real-time refused: ") + std::strerror(errno) + ")";
}

std::vector<int> ThreadsNamed(std::string_view name) {
    std::vector<int> found;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::ifstream comm(task.path() / "comm");
        std::string line;
        if (!std::getline(comm, line) || line != name) continue;
        const std::string id = task.path().filename().string();
        int value = 0;
        if (std::from_chars(id.data(), id.data() + id.size(), value).ec == std::errc{})
            found.push_back(value);
    }
    return found;
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

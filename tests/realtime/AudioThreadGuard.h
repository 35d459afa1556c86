#pragma once
// Counts the allocations and mutex locks of threads while they are marked as rendering.

#include <atomic>
#include <cstdint>

namespace chordlane::test {

extern thread_local bool t_rendering;
extern std::atomic<int64_t> g_allocations;
extern std::atomic<int64_t> g_locks;

// Marks the calling thread as rendering for its lifetime.
struct RenderingScope {
    RenderingScope() { t_rendering = true; }
    ~RenderingScope() { t_rendering = false; }
};

//! Whether mallocs and locks are watched too in this build (not only operator new).
bool WatchesMallocAndLocks();

}  // namespace chordlane::test

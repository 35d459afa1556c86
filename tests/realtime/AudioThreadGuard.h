#pragma once
// Watches what a thread does while it renders audio: every allocation through operator new,
// every malloc (in builds without a sanitizer, which owns malloc there) and every mutex lock
// it makes while marked is counted. The audio callback must do none of them.

#include <cstdint>

namespace chordlane::test {

// Marks the calling thread as rendering for its lifetime.
class RenderingScope {
public:
    RenderingScope();
    ~RenderingScope();
    RenderingScope(const RenderingScope&) = delete;
    RenderingScope& operator=(const RenderingScope&) = delete;
};

//! Allocations made by threads while they were marked as rendering.
int64_t AllocationsWhileRendering();
//! Mutex locks taken by threads while they were marked as rendering.
int64_t LocksWhileRendering();
//! Whether mallocs and locks are watched too in this build (not only operator new).
bool WatchesMallocAndLocks();

}  // namespace chordlane::test

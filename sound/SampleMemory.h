#pragma once
#include <atomic>
#include <cstdint>

namespace chordlane {

// All sample images of one instrument together may not exceed this by default: a few
// instruments' worth, far below what a machine has, so no instrument file can exhaust memory.
// With the elements a load can build besides, a whole load stays under 1 GiB.
inline constexpr int64_t DEFAULT_SAMPLE_MEMORY_LIMIT = int64_t{512} << 20;

// The bytes the sample images of one instrument hold, against a limit. Copies are made on
// several threads at once, so the count is atomic.
class SampleMemory {
  public:
    explicit SampleMemory(int64_t limit = DEFAULT_SAMPLE_MEMORY_LIMIT) : limit_(limit) {}
    SampleMemory(const SampleMemory&) = delete;
    SampleMemory& operator=(const SampleMemory&) = delete;

    //! Counts bytes as held; false (nothing counted) when that would pass the limit.
    bool Take(int64_t bytes);
    //! Bytes taken earlier are free again.
    void Give(int64_t bytes) { held_.fetch_sub(bytes); }

    int64_t Held() const { return held_.load(); }
    int64_t Limit() const { return limit_.load(); }
    //! Images that would take the total past limit are refused from now on.
    void SetLimit(int64_t limit) { limit_.store(limit); }

  private:
    std::atomic<int64_t> held_{0};
    std::atomic<int64_t> limit_;
};

}  // namespace chordlane

#pragma once
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace chordlane {

// Sample values from the audio thread to a recording's writer thread: one producer, one
// consumer, no locks. A block goes in whole or not at all, so the file never holds half a
// block; storage is allocated up front, so writing never allocates.
class RecorderRing {
  public:
    //! Room for at least capacity values (rounded up to a power of two).
    explicit RecorderRing(size_t capacity) {
        size_t size = 64;
        while (size < capacity) size *= 2;
        values_ = std::make_unique<float[]>(size);
        size_ = size;
    }

    size_t Capacity() const { return size_; }

    //! Producer side: all n values, or none when there is no room for them.
    bool Write(const float* values, size_t n) {
        const uint64_t tail = tail_.load(std::memory_order_relaxed);
        const uint64_t head = head_.load(std::memory_order_acquire);
        if (n > size_ - static_cast<size_t>(tail - head)) return false;
        const size_t at = static_cast<size_t>(tail & (size_ - 1));
        const size_t first = std::min(n, size_ - at);
        std::memcpy(&values_[at], values, first * sizeof(float));
        std::memcpy(&values_[0], values + first, (n - first) * sizeof(float));
        tail_.store(tail + n, std::memory_order_release);
        return true;
    }

    //! Consumer side: up to max values into out; answers how many.
    size_t Read(float* out, size_t max) {
        const uint64_t head = head_.load(std::memory_order_relaxed);
        const uint64_t tail = tail_.load(std::memory_order_acquire);
        const size_t n = std::min(max, static_cast<size_t>(tail - head));
        const size_t at = static_cast<size_t>(head & (size_ - 1));
        const size_t first = std::min(n, size_ - at);
        std::memcpy(out, &values_[at], first * sizeof(float));
        std::memcpy(out + first, &values_[0], (n - first) * sizeof(float));
        head_.store(head + n, std::memory_order_release);
        return n;
    }

  private:
    std::unique_ptr<float[]> values_;
    size_t size_ = 0;
    // Counts of values ever read and written; they never wrap in practice (64-bit).
    alignas(64) std::atomic<uint64_t> head_{0};
    alignas(64) std::atomic<uint64_t> tail_{0};
};

}  // namespace chordlane

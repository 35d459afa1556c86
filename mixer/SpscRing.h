#pragma once
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <type_traits>

namespace chordlane {

// A bounded queue between exactly one producer thread and one consumer thread, without
// locks: each side only advances its own count. The mixer hands its completion notices to
// the interface thread through one, and the recorder its sample values to the writer thread.
// Storage is allocated once, up front, so neither side ever allocates.
//
// Threads: Push and Write on the producer's thread only; Pop and Read on the consumer's only;
// Empty and Capacity on any.
template <typename T>
class SpscRing {
    static_assert(std::is_trivially_copyable_v<T>, "items are copied as they are");

  public:
    //! Room for at least capacity items (rounded up to a power of two).
    explicit SpscRing(size_t capacity) {
        size_t size = 2;
        while (size < capacity) size *= 2;
        items_ = std::make_unique<T[]>(size);
        size_ = size;
    }

    size_t Capacity() const { return size_; }

    //! Producer side; false when the ring is full (the item is not queued).
    bool Push(const T& item) {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == size_) return false;
        items_[tail & (size_ - 1)] = item;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    //! Producer side: all n items, or none when there is no room for them, so the consumer
    //! never sees part of a block.
    bool Write(const T* items, size_t n) {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        const size_t head = head_.load(std::memory_order_acquire);
        if (n > size_ - (tail - head)) return false;
        const size_t at = tail & (size_ - 1);
        const size_t first = std::min(n, size_ - at);
        std::copy_n(items, first, &items_[at]);
        std::copy_n(items + first, n - first, &items_[0]);
        tail_.store(tail + n, std::memory_order_release);
        return true;
    }

    //! Consumer side; false when the ring is empty.
    bool Pop(T& item) {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) return false;
        item = items_[head & (size_ - 1)];
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    //! Consumer side: up to max items into out; answers how many.
    size_t Read(T* out, size_t max) {
        const size_t head = head_.load(std::memory_order_relaxed);
        const size_t tail = tail_.load(std::memory_order_acquire);
        const size_t n = std::min(max, tail - head);
        const size_t at = head & (size_ - 1);
        const size_t first = std::min(n, size_ - at);
        std::copy_n(&items_[at], first, out);
        std::copy_n(&items_[0], n - first, out + first);
        head_.store(head + n, std::memory_order_release);
        return n;
    }

    bool Empty() const {
        return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire);
    }

  private:
    std::unique_ptr<T[]> items_;
    size_t size_ = 0;
    // Counts of items ever read and written. They may wrap: the size is a power of two, so
    // their difference and their places in the storage stay right across the wrap.
    alignas(64) std::atomic<size_t> head_{0};
    alignas(64) std::atomic<size_t> tail_{0};
};

}  // namespace chordlane

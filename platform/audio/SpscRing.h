#pragma once
#include <atomic>
#include <cstddef>
#include <memory>

namespace chordlane {

// A bounded queue between exactly one producer thread and one consumer thread, without
// locks: each side only advances its own index. Storage is allocated once, up front, so
// pushing never allocates.
template <typename T>
class SpscRing {
public:
    //! Room for at least capacity items (rounded up to a power of two).
    explicit SpscRing(size_t capacity) {
        size_t size = 2;
        while (size < capacity + 1) size *= 2;
        items_ = std::make_unique<T[]>(size);
        mask_ = size - 1;
    }

    //! Producer side; false when the ring is full (the item is not queued).
    bool Push(const T& item) {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        const size_t next = (tail + 1) & mask_;
        if (next == head_.load(std::memory_order_acquire)) return false;
        items_[tail] = item;
        tail_.store(next, std::memory_order_release);
        return true;
    }

    //! Consumer side; false when the ring is empty.
    bool Pop(T& item) {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) return false;
        item = items_[head];
        head_.store((head + 1) & mask_, std::memory_order_release);
        return true;
    }

    bool Empty() const {
        return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire);
    }

private:
    std::unique_ptr<T[]> items_;
    size_t mask_ = 0;
    alignas(64) std::atomic<size_t> head_{0};
    alignas(64) std::atomic<size_t> tail_{0};
};

}  // namespace chordlane

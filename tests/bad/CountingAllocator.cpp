#include "tests/bad/CountingAllocator.h"

#include <malloc.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace chordlane::test {

namespace {

std::atomic<int64_t> g_held{0};
std::atomic<int64_t> g_peak{0};

void* Take(size_t size, size_t alignment, bool nothrow) {
    if (size == 0) size = 1;
    void* p = alignment > alignof(std::max_align_t)
                  ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                  : std::malloc(size);
    if (!p) {
        if (nothrow) return nullptr;
        throw std::bad_alloc();
    }
    // The usable size, so that giving back subtracts exactly what was added.
    const auto bytes = static_cast<int64_t>(malloc_usable_size(p));
    const int64_t held = g_held.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    int64_t peak = g_peak.load(std::memory_order_relaxed);
    while (held > peak && !g_peak.compare_exchange_weak(peak, held, std::memory_order_relaxed)) {
    }
    return p;
}

void Give(void* p) {
    if (!p) return;
    g_held.fetch_sub(static_cast<int64_t>(malloc_usable_size(p)), std::memory_order_relaxed);
    std::free(p);
}

}  // namespace

int64_t HeldBytes() { return g_held.load(); }
int64_t PeakBytes() { return g_peak.load(); }
void ResetPeak() { g_peak.store(g_held.load()); }

}  // namespace chordlane::test

using chordlane::test::Give;
using chordlane::test::Take;

void* operator new(size_t n) { return Take(n, 0, false); }
void* operator new[](size_t n) { return Take(n, 0, false); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return Take(n, 0, true); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return Take(n, 0, true); }
void* operator new(size_t n, std::align_val_t a) { return Take(n, static_cast<size_t>(a), false); }
void* operator new[](size_t n, std::align_val_t a) {
    return Take(n, static_cast<size_t>(a), false);
}
void* operator new(size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return Take(n, static_cast<size_t>(a), true);
}
void* operator new[](size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return Take(n, static_cast<size_t>(a), true);
}
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, size_t) noexcept { Give(p); }
void operator delete[](void* p, size_t) noexcept { Give(p); }
void operator delete(void* p, std::align_val_t) noexcept { Give(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Give(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { Give(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { Give(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Give(p); }

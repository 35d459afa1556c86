// The memory this test program holds through operator new, counted by its own replacement
// of the global allocation functions, so a test can bound what one load takes whatever the
// platform's allocator does.

#include <malloc.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace chordlane::test {
namespace {

std::atomic<int64_t> g_held{0};
std::atomic<int64_t> g_peak{0};

void* Take(size_t size, bool nothrow = false) {
    void* p = std::malloc(size ? size : 1);
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

// Every form but the over-aligned ones, which neither call nor are called by these (the
// sanitizers replace each form on its own), so what is counted is given back in step.
using chordlane::test::Give;
using chordlane::test::Take;
void* operator new(size_t n) { return Take(n); }
void* operator new[](size_t n) { return Take(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return Take(n, true); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return Take(n, true); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, size_t) noexcept { Give(p); }
void operator delete[](void* p, size_t) noexcept { Give(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Give(p); }

#include "tests/realtime/AudioThreadGuard.h"

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CHORDLANE_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define CHORDLANE_SANITIZED 1
#endif
#endif

namespace chordlane::test {

namespace {

thread_local bool t_rendering = false;
std::atomic<int64_t> g_allocations{0};
std::atomic<int64_t> g_locks{0};

void NoteAllocation() {
    if (t_rendering) g_allocations.fetch_add(1, std::memory_order_relaxed);
}

void* Take(size_t size, size_t alignment, bool nothrow) {
#ifdef CHORDLANE_SANITIZED
    NoteAllocation();
#endif
    // Elsewhere the malloc below counts it; aligned_alloc does not go through malloc.
    if (size == 0) size = 1;
    void* p = nullptr;
    if (alignment > alignof(std::max_align_t)) {
#ifndef CHORDLANE_SANITIZED
        NoteAllocation();
#endif
        p = std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
    } else {
        p = std::malloc(size);
    }
    if (!p && !nothrow) throw std::bad_alloc();
    return p;
}

}  // namespace

RenderingScope::RenderingScope() { t_rendering = true; }
RenderingScope::~RenderingScope() { t_rendering = false; }

int64_t AllocationsWhileRendering() { return g_allocations.load(); }
int64_t LocksWhileRendering() { return g_locks.load(); }

#ifdef CHORDLANE_SANITIZED
bool WatchesMallocAndLocks() { return false; }
#else
bool WatchesMallocAndLocks() { return true; }
#endif

}  // namespace chordlane::test

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
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { std::free(p); }

#ifndef CHORDLANE_SANITIZED
// Without a sanitizer the C library's allocator and mutexes can be watched as well, so that
// what libraries do inside the render (the rate converter allocates with malloc) is counted.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);

void* malloc(size_t n) {
    chordlane::test::NoteAllocation();
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t size) {
    chordlane::test::NoteAllocation();
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n) {
    chordlane::test::NoteAllocation();
    return __libc_realloc(p, n);
}

int pthread_mutex_lock(pthread_mutex_t* mutex) {
    using Lock = int (*)(pthread_mutex_t*);
    static const Lock real = reinterpret_cast<Lock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    if (chordlane::test::t_rendering) {
        chordlane::test::g_locks.fetch_add(1, std::memory_order_relaxed);
    }
    return real(mutex);
}
}
#endif

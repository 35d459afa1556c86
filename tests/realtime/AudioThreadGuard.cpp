// Watches what a thread does while it renders audio: every allocation and every mutex lock it
// makes while marked as rendering is counted. The audio callback must do none of them.
// Without a sanitizer the C library's allocator and mutexes are watched, so that what
// libraries do inside the render (the rate converter allocates with malloc) is counted; a
// sanitizer owns malloc, so there only operator new is watched.

#include "tests/realtime/AudioThreadGuard.h"

#include <dlfcn.h>
#include <pthread.h>

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

thread_local bool t_rendering = false;
std::atomic<int64_t> g_allocations{0};
std::atomic<int64_t> g_locks{0};

void NoteAllocation() {
    if (t_rendering) g_allocations.fetch_add(1, std::memory_order_relaxed);
}

#ifdef CHORDLANE_SANITIZED
bool WatchesMallocAndLocks() { return false; }
#else
bool WatchesMallocAndLocks() { return true; }
#endif

}  // namespace chordlane::test

#ifdef CHORDLANE_SANITIZED
namespace {
void* Take(size_t size, bool nothrow) {
    chordlane::test::NoteAllocation();
    void* p = std::malloc(size ? size : 1);
    if (!p && !nothrow) throw std::bad_alloc();
    return p;
}
}  // namespace

// The sanitizer replaces each form on its own: these go together, the over-aligned ones
// stay the sanitizer's.
void* operator new(size_t n) { return Take(n, false); }
void* operator new[](size_t n) { return Take(n, false); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return Take(n, true); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return Take(n, true); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#else
// operator new, plain and over-aligned, comes through these as well.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);

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
void* aligned_alloc(size_t alignment, size_t n) {
    chordlane::test::NoteAllocation();
    return __libc_memalign(alignment, n);
}
int pthread_mutex_lock(pthread_mutex_t* mutex) {
    using Lock = int (*)(pthread_mutex_t*);
    static const Lock real = reinterpret_cast<Lock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    if (chordlane::test::t_rendering) chordlane::test::g_locks.fetch_add(1);
    return real(mutex);
}
}
#endif

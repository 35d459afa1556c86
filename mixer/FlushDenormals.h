#pragma once
// Denormal floats (below about 1e-38) take the slow path in the processor: a reverb-like decay
// of a voice into near silence can cost a render tens of times its usual time and so an
// underrun. Audible sound never lives down there, so the render thread flushes them to zero.

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

#include <cstdint>

namespace chordlane {

//! Sets flush-to-zero and denormals-are-zero for the calling thread. Cheap enough to call at
//! every callback, which is what a device thread we do not own needs.
inline void FlushDenormalsOnThisThread() {
#if defined(__SSE__) || defined(__x86_64__)
    // FTZ (bit 15) and DAZ (bit 6) of MXCSR.
    _mm_setcsr(_mm_getcsr() | 0x8040);
#elif defined(__aarch64__)
    uint64_t fpcr;
    __asm__ volatile("mrs %0, fpcr" : "=r"(fpcr));
    __asm__ volatile("msr fpcr, %0" : : "r"(fpcr | (uint64_t{1} << 24)));
#endif
}

}  // namespace chordlane

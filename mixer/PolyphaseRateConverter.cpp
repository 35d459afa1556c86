#include "mixer/PolyphaseRateConverter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numeric>

#include "mixer/SincRateConverter.h"
#include "platform/Uninitialised.h"

namespace chordlane {

namespace {

// Images and aliases at least this far down in the design, so that the float taps and the
// approximate length formula still leave them more than 90 dB below the signal.
constexpr double STOPBAND_DB = 98.0;
// The passband ends at this fraction of the lower Nyquist frequency; the stopband starts at
// that frequency itself, so nothing folds back and no image lands below it.
constexpr double PASSBAND = 0.8;
// Taps per phase are padded to a multiple of this, so the dot product runs in whole vectors.
constexpr size_t LANES = 16;
// Beyond these the table stops being small and quick to build (a prime-ish rate such as
// 44 101 Hz would need 48 000 phases); libsamplerate handles such rates instead.
constexpr uint32_t MAX_PHASES = 4096;
constexpr size_t MAX_TAPS = 1024;
constexpr size_t MAX_TABLE = size_t{1} << 20;

double BesselI0(double x) {
    // The power series converges quickly for the window's arguments (at most beta, about 10).
    double sum = 1.0, term = 1.0;
    const double quarter = x * x / 4.0;
    for (int k = 1; k < 200 && term > 1e-17 * sum; ++k) {
        term *= quarter / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

std::shared_ptr<PolyphaseRateConverter::Filter> Design(uint32_t from, uint32_t to) {
    const uint32_t common = std::gcd(from, to);
    auto filter = std::make_shared<PolyphaseRateConverter::Filter>();
    filter->up = to / common;
    filter->down = from / common;
    if (filter->up > MAX_PHASES) return nullptr;
    // Frequencies in cycles per input frame.
    const double nyquist = 0.5 * std::min(from, to) / from;
    const double transition = (1.0 - PASSBAND) * nyquist;
    const double cutoff = nyquist - transition / 2.0;
    // Kaiser's estimates of the length and shape for the attenuation asked.
    const double span = (STOPBAND_DB - 7.95) / (2.285 * 2.0 * M_PI * transition);
    const double beta = 0.1102 * (STOPBAND_DB - 8.7);
    const double raw = std::ceil(span);
    if (!(raw <= static_cast<double>(MAX_TAPS))) return nullptr;
    const size_t taps = (static_cast<size_t>(raw) + LANES - 1) / LANES * LANES;
    if (taps * filter->up > MAX_TABLE) return nullptr;
    filter->taps = taps;
    filter->row.resize(taps * filter->up);
    const double half = static_cast<double>(taps) / 2.0;
    const double windowScale = 1.0 / BesselI0(beta);
    std::vector<double> row(taps);
    for (uint32_t phase = 0; phase < filter->up; ++phase) {
        // Tap j meets input frame base - taps/2 + 1 + j, where the output frame falls at
        // base + phase/up; tau is how far before the output frame that input frame lies.
        const double offset = static_cast<double>(phase) / filter->up + half - 1.0;
        double sum = 0.0;
        for (size_t j = 0; j < taps; ++j) {
            const double tau = offset - static_cast<double>(j);
            const double x = 2.0 * cutoff * tau;
            const double sinc = x == 0.0 ? 1.0 : std::sin(M_PI * x) / (M_PI * x);
            const double edge = tau / half;
            const double window = edge * edge >= 1.0
                                      ? 0.0
                                      : BesselI0(beta * std::sqrt(1.0 - edge * edge)) * windowScale;
            row[j] = 2.0 * cutoff * sinc * window;
            sum += row[j];
        }
        // Each phase on its own passes a constant unchanged: no ripple at the rate of the
        // pattern, and the level of every note exactly kept.
        float* dest = filter->row.data() + static_cast<size_t>(phase) * taps;
        for (size_t j = 0; j < taps; ++j) dest[j] = static_cast<float>(row[j] / sum);
    }
    return filter;
}

#if defined(__GNUC__)
// Eight floats that the compiler treats as one vector (two on machines with 16-byte ones).
typedef float Lanes __attribute__((vector_size(32)));
#endif

// The taps of one phase against the frames they meet: a dot product over contiguous values.
// Written with explicit vectors where the compiler offers them, because a plain float loop
// may not be reordered into one, and an array of partial sums is folded through memory.
inline float Dot(const float* taps, const float* x, size_t count) {
#if defined(__GNUC__)
    Lanes even = {}, odd = {};
    for (size_t j = 0; j < count; j += LANES) {
        Lanes t0, t1, x0, x1;
        std::memcpy(&t0, taps + j, sizeof t0);
        std::memcpy(&x0, x + j, sizeof x0);
        std::memcpy(&t1, taps + j + LANES / 2, sizeof t1);
        std::memcpy(&x1, x + j + LANES / 2, sizeof x1);
        even += t0 * x0;
        odd += t1 * x1;
    }
    const Lanes s = even + odd;
    return ((s[0] + s[4]) + (s[1] + s[5])) + ((s[2] + s[6]) + (s[3] + s[7]));
#else
    float sum = 0.0f;
    for (size_t j = 0; j < count; ++j) sum += taps[j] * x[j];
    return sum;
#endif
}

// Every output frame of one channel. Output frame n falls at input frame n * down / up:
// base advances by whole frames and phase by the remainder, so no division per frame.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("arch=x86-64-v3", "default")))
#endif
void Run(const float* row, size_t taps, uint32_t up, uint32_t down, const float* padded,
         size_t frames, float* out, size_t stride) {
    const uint32_t step = down / up;
    const uint32_t stepPhase = down % up;
    size_t base = 0;
    uint32_t phase = 0;
    for (size_t n = 0; n < frames; ++n) {
        out[n * stride] = Dot(row + static_cast<size_t>(phase) * taps, padded + base, taps);
        base += step;
        phase += stepPhase;
        if (phase >= up) {
            phase -= up;
            ++base;
        }
    }
}

}  // namespace

size_t PolyphaseRateConverter::MaxFrames(size_t inFrames, uint32_t from) const {
    const uint32_t to = TargetRate();
    if (from == 0 || to == 0) return 0;
    // Room for what either this converter or libsamplerate gives.
    return static_cast<size_t>(static_cast<double>(inFrames) * to / from) + 16;
}

std::shared_ptr<const PolyphaseRateConverter::Filter> PolyphaseRateConverter::FilterFor(
    uint32_t from, uint32_t to) const {
    if (from == 0 || to == 0) return nullptr;
    const uint64_t key = static_cast<uint64_t>(from) << 32 | to;
    // Held while a missing table is built, so several loading threads that meet a new rate
    // build it once; the design takes well under a millisecond.
    std::lock_guard<std::mutex> lock(filtersLock_);
    const auto found = filters_.find(key);
    if (found != filters_.end()) return found->second;
    std::shared_ptr<const Filter> filter;
    try {
        filter = Design(from, to);
        filters_.emplace(key, filter);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return filter;
}

int64_t PolyphaseRateConverter::Convert(const float* in, size_t inFrames, uint32_t channels,
                                        uint32_t from, float* out, size_t outCapacity) const {
    // Read once: the output may change rate while a load runs, and one sample must come out
    // at one rate.
    const uint32_t to = TargetRate();
    if (from == 0 || to == 0 || channels == 0) return -1;
    const std::shared_ptr<const Filter> filter = FilterFor(from, to);
    if (!filter)
        return SincRateConverter::ConvertTo(to, in, inFrames, channels, from, out, outCapacity);
    const size_t taps = filter->taps;
    // Output frame n stands for input instant n * down / up; every one before the input's end
    // is made, which is the input's length times the ratio, rounded up.
    if (static_cast<uint64_t>(inFrames) > (uint64_t{1} << 40)) return -1;  // 32-bit size_t too
    const uint64_t wanted =
        (static_cast<uint64_t>(inFrames) * filter->up + filter->down - 1) / filter->down;
    const size_t frames = static_cast<size_t>(std::min<uint64_t>(wanted, outCapacity));
    // One channel at a time, with silence on both sides so the taps that reach past either end
    // read zeros; the input frame base - taps/2 + 1 sits at base + taps/2 + 1 here.
    std::unique_ptr<float[]> padded;
    try {
        padded = MakeUninitialisedArray<float>(inFrames + 2 * taps);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    std::fill_n(padded.get(), taps, 0.0f);
    std::fill_n(padded.get() + taps + inFrames, taps, 0.0f);
    for (uint32_t c = 0; c < channels; ++c) {
        for (size_t i = 0; i < inFrames; ++i) padded[taps + i] = in[i * channels + c];
        Run(filter->row.data(), taps, filter->up, filter->down, padded.get() + taps / 2 + 1, frames,
            out + c, channels);
    }
    return static_cast<int64_t>(frames);
}

}  // namespace chordlane

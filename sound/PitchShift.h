#pragma once
// Pitch-synchronous overlap-add: a recording is cut into grains, one per period, centred on
// the waveform's peak, and laid out again at the spacing of a new period. The copy keeps the
// recording's length, rate and format; its loudness is held within the recording's peak by
// repeating the synthesis at 0.9 times the gain until it fits.
//
// Periods and marks are integer milli-samples so that fractional periods do not drift. The
// single- and double-precision steps are kept exactly, so copies are reproducible bit for
// bit (the build forbids contracting them into fused multiply-adds).
//
// Where the arithmetic points outside the buffers (large upward shifts put the first output
// marks before the start; grains can read one window entry past the table), those indices
// are skipped; wherever every index is inside, nothing changes. A recording that gives the
// synthesis nothing to work with -- no data, no complete period in its first half second, a
// frequency at or below 0 or at or above the rate, or a peak below 0 that no output can
// stay under -- yields a copy that holds the recording unchanged.

#include <cstdint>
#include <span>
#include <vector>

namespace chordlane {

class Sample;

enum class GrainResult { Added, NothingToAdd, Overflow };

//! Adds delta to every value, wrapping within the value's width. With 8-bit data, stored
//! unsigned around 128, -127 makes the values signed (silence at 1) and +127 undoes it.
void OffsetSamples(Sample& sample, int32_t delta);

//! The pitch phase of source, found once on its first half second (together with its peak)
//! and kept; NO_VALUE when no period closes there.
int32_t FindPitchPhase(Sample& source);

//! N + 1 quarter-cosine weights from 1 (the grain centre) down to about 0. Grains that reach
//! past entry N add nothing there. With maxEntries only the first that many are made: a
//! grain never reaches further into the window than the recording has values, while N (the
//! period) can run to billions for a tiny frequency or a huge rate.
std::vector<float> MakeWindow(int32_t n, int64_t maxEntries = INT64_MAX);

// What the grains of one synthesis pass share.
struct GrainTarget {
    void* out = nullptr;        // int8_t or int16_t values
    const void* source = nullptr;
    int64_t count = 0;          // values in out and in source (the same length)
    int32_t bits = 16;
    int32_t limit = 0;
    std::span<const float> window;
    float gain = 1.0f;
    // Extent of the values written so far, so a retry need only clear that much.
    int64_t touchedLow = INT64_MAX;
    int64_t touchedHigh = -1;
};

//! Adds one half of a grain: output from..to (inclusive, by step +1 or -1), source from
//! start by the same step, window entries from windowStart upward. Overflow when a value
//! would leave -limit..limit.
GrainResult AddGrainHalf(GrainTarget& target, int64_t from, int64_t to, int32_t step,
                         int64_t start, int32_t windowStart);

//! One synthesis pass at gain into out (cleared first); false on overflow. Source values
//! are the offset ones. Does nothing and answers true when the recording gives no grains.
bool Synthesise(Sample& out, Sample& source, std::span<const float> window, float gain);

//! Fills out with source shifted to frequency: the whole gain loop, one thread. False only
//! when out's image cannot be allocated (out is then left without one).
bool MakeShiftedSample(Sample& out, Sample& source, float frequency);

// One copy to make.
struct ShiftJob {
    Sample* out = nullptr;
    float frequency = 0.0f;
};

//! Makes every copy of source, on all cores. The copies are byte for byte those of
//! MakeShiftedSample; source is analysed once and is back to its loaded values afterwards.
//! Copies whose image cannot be allocated are left without one.
void MakeShiftedSamples(Sample& source, std::span<const ShiftJob> jobs, unsigned threads = 0);

}  // namespace chordlane

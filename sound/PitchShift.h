#pragma once
// Pitch-synchronous overlap-add: a recording is cut into grains, one per period, centred on
// the waveform's peak, and laid out again at the spacing of a new period. The copy keeps the
// recording's length, rate and format; its loudness is held within the recording's peak by
// repeating the synthesis at 0.9 times the gain until it fits.
//
// Analysis and synthesis work on offset values: every stored value less 127, for 16-bit
// data as for 8-bit data (stored unsigned around 128, which this makes signed with silence
// at 1); the copy gets the 127 back. The offset values are taken in 32 bits and the
// recording is never altered, so no value wraps round: subtracted within the sample's own
// width, the loudest negative 16-bit values and the 8-bit byte 255 would change sign, show
// up as the recording's peak and spike every copy. Wherever nothing would wrap, the copies
// are bit for bit those of offsetting the recording in place.
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

#include "sound/PitchMethod.h"

namespace chordlane {

class RateConverter;
class Sample;
class WorkBudget;

// What analysis and synthesis subtract from every stored value, and the copies add back.
inline constexpr int32_t SAMPLE_OFFSET = 127;

enum class GrainResult { Added, NothingToAdd, Overflow };

//! Value i (below ValueCount) of the sample's data less SAMPLE_OFFSET, without wrapping:
//! 8-bit values are read unsigned, 16-bit ones signed.
int32_t OffsetValue(const Sample& sample, int64_t i);

//! Stores values plus SAMPLE_OFFSET as the sample's data (as many as both hold), saturating
//! at the limits of its width rather than wrapping round.
void StoreOffsetValues(Sample& sample, std::span<const int16_t> values);

//! The pitch phase of source, found once on the offset values of its first half second
//! (together with their peak) and kept; NO_VALUE when no period closes there.
int32_t FindPitchPhase(Sample& source);

//! N + 1 quarter-cosine weights from 1 (the grain centre) down to about 0. Grains that reach
//! past entry N add nothing there. With maxEntries only the first that many are made: a
//! grain never reaches further into the window than the recording has values, while N (the
//! period) can run to billions for a tiny frequency or a huge rate.
std::vector<float> MakeWindow(int32_t n, int64_t maxEntries = INT64_MAX);

// What the grains of one synthesis pass share.
struct GrainTarget {
    // The copy's offset values, each held as silence plus the value. The limit keeps them
    // within the recording's offset peak, which is at most 32640 for 16-bit and 128 for 8-bit
    // data, so 16 bits hold either; and for 16-bit data they still do with SAMPLE_OFFSET
    // added, which lets a copy be made in its image, silence there being SAMPLE_OFFSET.
    int16_t* out = nullptr;
    int32_t silence = 0;
    const uint8_t* source = nullptr;  // the recording's data as stored
    int64_t count = 0;                // values in out and in source (the same length)
    int32_t bits = 16;
    int32_t limit = 0;
    std::span<const float> window;
    // The same entries in reverse order: the half of a grain before its centre is walked
    // upward like the other, which lets it run on vector units.
    std::span<const float> windowBackward;
    float gain = 1.0f;
    // Extent of the values written so far, so a retry need only clear that much.
    int64_t touchedLow = INT64_MAX;
    int64_t touchedHigh = -1;
    // A pass can be limited to the output indices outLow..outHigh, out then holding index
    // outLow at out[0]: it overflows exactly where a whole pass would overflow among them.
    int64_t outLow = 0;
    int64_t outHigh = INT64_MAX;
    // After an overflow: an output index whose value left the limit.
    int64_t overflowAt = -1;
    // The values weighted so far.
    int64_t work = 0;
};

//! Adds one half of a grain: output from..to (inclusive, by step +1 or -1), source from
//! start by the same step, window entries from windowStart upward. Overflow when a value
//! would leave -limit..limit.
GrainResult AddGrainHalf(GrainTarget& target, int64_t from, int64_t to, int32_t step, int64_t start,
                         int32_t windowStart);

//! One synthesis pass at gain into out, the offset values of a copy of source at frequency
//! (cleared first); false on overflow. Does nothing and answers true when the recording
//! gives no grains or out does not match its length.
bool Synthesise(std::span<int16_t> out, float frequency, Sample& source,
                std::span<const float> window, float gain);

//! Fills out with source shifted to frequency: the whole gain loop, one thread (or the fine
//! method, FinePitchShift.h). False only when memory for the copy cannot be had (out is then
//! left without an image).
bool MakeShiftedSample(Sample& out, Sample& source, float frequency,
                       PitchMethod method = PitchMethod::Exact);

// One copy to make.
struct ShiftJob {
    Sample* out = nullptr;
    float frequency = 0.0f;
};

//! The sample operations one synthesis pass of a copy of source at frequency is charged:
//! the recording's length for the clearing, and for the grains the values they weight, about
//! twice the length times the ratio of the periods. Source must have been analysed.
int64_t CopyCost(const Sample& source, float frequency);

//! Makes every copy of source, on all cores. The copies are byte for byte those of
//! MakeShiftedSample by the same method; source is analysed once and otherwise only read. Copies
//! for which memory cannot be had are left without an image, and so are those that would take work
//! past its limit (CopyCost each, charged in the order of the jobs); the answer has one
//! entry per job, true for the copies left out for work. With a conversion, source and every
//! copy made also get their played copy at the converter's rate, on the same threads; the
//! frames that takes are charged to its budget, source first and then in the order of the
//! jobs, and a copy whose frames do not fit is left out for work as well (it could not play).
//! A fine copy is charged CopyCost as well, and never more.
struct PlaybackConversion {
    const RateConverter* converter = nullptr;
    WorkBudget* frames = nullptr;  // none: no bound
};
std::vector<bool> MakeShiftedSamples(Sample& source, std::span<const ShiftJob> jobs,
                                     unsigned threads = 0, WorkBudget* work = nullptr,
                                     const PlaybackConversion& conversion = {},
                                     PitchMethod method = PitchMethod::Exact);

}  // namespace chordlane

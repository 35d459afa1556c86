#include "sound/PitchShift.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/Types.h"
#include "sound/FinePitchShift.h"
#include "sound/PlaybackRate.h"
#include "sound/Sample.h"
#include "sound/WorkBudget.h"

namespace chordlane {

namespace {

constexpr float GAIN_STEP = 0.9f;

// The period for a frequency in milli-samples, truncated from single precision; false when
// the frequency is not inside (0, rate) or the period does not fit 32 bits.
bool MilliPeriod(uint32_t rate, float frequency, int32_t& period) {
    if (!(frequency > 0.0f) || !(frequency < static_cast<float>(rate))) return false;
    const float p = static_cast<float>(static_cast<uint64_t>(rate) * 1000u) / frequency;
    if (!(p >= 1000.0f) || !(p < 2147483648.0f)) return false;
    period = static_cast<int32_t>(p);
    return true;
}

// Everything one synthesis pass needs, decided before the first pass.
struct Plan {
    int32_t phase = 0;
    int32_t psrc = 0;
    int32_t psrcN = 0;
    int32_t pout = 0;
    int32_t poutN = 0;
    int32_t limit = 0;
    int64_t count = 0;
};

// The source must have been analysed (FindPitchPhase) already.
bool MakePlan(const Sample& source, float frequency, Plan& plan) {
    const uint32_t rate = source.format.samplesPerSec;
    plan.count = source.ValueCount();
    if (plan.count <= 0 || !source.Data()) return false;
    if (source.pitchPhase == NO_VALUE || source.peak == NO_VALUE || source.peak < 0) return false;
    if (!MilliPeriod(rate, source.frequency, plan.psrc)) return false;
    if (!MilliPeriod(rate, frequency, plan.pout)) return false;
    plan.psrcN = plan.psrc / 1000;
    plan.poutN = plan.pout / 1000;
    plan.phase = source.pitchPhase;
    // The copy's offset values are held in 16 bits; an analysed peak is at most 32640.
    plan.limit = std::min<int32_t>(source.peak, INT16_MAX);
    return true;
}

// The source period in whole samples, for the window; false for a degenerate recording.
// The milli-sample period must exist as well, which bounds the window to about two million
// entries whatever the rate and frequency in the file.
bool WindowLength(const Sample& source, int32_t& n) {
    const uint32_t rate = source.format.samplesPerSec;
    int32_t period = 0;
    if (!MilliPeriod(rate, source.frequency, period)) return false;
    const float v = static_cast<float>(rate) / source.frequency;
    if (!(v >= 1.0f) || !(v < 2147483648.0f)) return false;
    n = static_cast<int32_t>(v);
    return true;
}

// Window entries a grain can reach: its first half starts at entry 0 and its second at 1,
// and neither runs over more values than the recording holds.
int64_t ReachableWindow(const Sample& source) { return int64_t{source.ValueCount()} + 1; }

// Adds count weighted source values into out, all three walked upward from the pointers
// given. Within one grain half every output index is met once, so whether any value leaves
// the limit does not depend on the order: the loop tests them all at once and can run on
// vector units, with the same single-precision products and truncations as one by one.
// (After an overflow the output is discarded, so what this half wrote does not matter.)
// The offset is taken here, in 32 bits, so the recording itself is never altered. Out holds
// silence as given (GrainTarget::silence), and the limit is taken about it.
template <typename T, bool kSixteen>
bool AddValues(int16_t* __restrict out, const T* __restrict source, const float* __restrict w,
               int64_t count, float gain, int32_t limit, int32_t silence) {
    const int32_t low = silence - limit;
    const int32_t high = silence + limit;
    int32_t outside = 0;
    for (int64_t p = 0; p < count; ++p) {
        const float s = static_cast<float>(static_cast<int32_t>(source[p]) - SAMPLE_OFFSET);
        // The product order differs between the widths, and so do the roundings.
        int32_t x = kSixteen ? static_cast<int32_t>((s * gain) * w[p])
                             : static_cast<int32_t>((s * w[p]) * gain);
        x += out[p];
        outside |= static_cast<int32_t>(x < low) | static_cast<int32_t>(x > high);
        out[p] = static_cast<int16_t>(x);
    }
    return outside == 0;
}

// What one grain adds at one output index: value j of the source weighted by window entry
// q, with the same single-precision steps as AddValues.
template <typename T, bool kSixteen>
int32_t WeightedValue(const GrainTarget& t, int64_t j, int64_t q) {
    const T* source = reinterpret_cast<const T*>(t.source);
    const float s = static_cast<float>(static_cast<int32_t>(source[j]) - SAMPLE_OFFSET);
    const float w = t.window[static_cast<size_t>(q)];
    return kSixteen ? static_cast<int32_t>((s * t.gain) * w)
                    : static_cast<int32_t>((s * w) * t.gain);
}

// After a grain half overflowed, finds an output index that left the limit. Every value
// there was within the limit before this half (else an earlier half had overflowed), so the
// value before it is the stored one less what the half added, taken back into 16 bits.
template <typename T, bool kSixteen>
int64_t OverflowIndex(const GrainTarget& t, int64_t first, int64_t j, int64_t q, int32_t step,
                      int64_t count) {
    for (int64_t d = 0; d < count; ++d) {
        const int64_t index = first + d * step;
        const int32_t added = WeightedValue<T, kSixteen>(t, j + d * step, q + d);
        const auto before = static_cast<int16_t>(t.out[index - t.outLow] - added);
        const int32_t x = before + added - t.silence;
        if (x < -t.limit || x > t.limit) return index;
    }
    return -1;
}

// One grain half of count values: output index first and source index j go with window
// entry q, and all three advance by step. T is the stored value type: int16_t, or uint8_t
// for 8-bit data. A half that runs downward is walked from its low end, with the window
// reversed, as the vectoriser handles no loop that mixes directions over values of
// different widths.
template <typename T, bool kSixteen>
GrainResult AddWidth(GrainTarget& t, int64_t first, int64_t j, int64_t q, int32_t step,
                     int64_t count) {
    const T* source = reinterpret_cast<const T*>(t.source);
    bool fits = false;
    if (step > 0) {
        fits = AddValues<T, kSixteen>(t.out + (first - t.outLow), source + j, t.window.data() + q,
                                      count, t.gain, t.limit, t.silence);
    } else {
        const int64_t back = count - 1;
        const int64_t top = static_cast<int64_t>(t.windowBackward.size()) - 1;
        fits = AddValues<T, kSixteen>(t.out + (first - back - t.outLow), source + j - back,
                                      t.windowBackward.data() + (top - (q + back)), count, t.gain,
                                      t.limit, t.silence);
    }
    if (fits) return GrainResult::Added;
    t.overflowAt = OverflowIndex<T, kSixteen>(t, first, j, q, step, count);
    return GrainResult::Overflow;
}

// One pass of the synthesis into target, which must start cleared; or, for a probing
// target, the grains that can reach its index. Grain g (from 0) is centred on output mark
// l * 1000 + (g + 1) * pout; its halves reach psrcN values either side of the centre. A pass
// ends at the first grain whose rising half has nothing to add, which happens once the
// centre or the source time reaches the end: both only grow with g, so a pass limited to
// some outputs, which starts at the first grain that can reach them, ends wherever the
// whole pass would have ended before that grain.
bool RunPass(GrainTarget& target, const Plan& plan) {
    const int64_t phase = plan.phase;
    const int64_t l = static_cast<int64_t>(plan.poutN) - plan.psrcN + phase;
    if (l >= 0) {
        if (AddGrainHalf(target, l, l + plan.psrcN - 1, +1, phase, 0) == GrainResult::Overflow)
            return false;
        const int64_t to = l > plan.poutN ? plan.poutN - l : 0;
        if (AddGrainHalf(target, l - 1, to, -1, phase - 1, 1) == GrainResult::Overflow)
            return false;
    }
    // Output marks m and source times o in milli-samples; 64 bits, since long recordings
    // take them past 2^31.
    int64_t grain = 0;
    int64_t lastCentre = INT64_MAX;
    if (target.outLow > 0 || target.outHigh < plan.count - 1) {
        // Grains centred further than psrcN + 2 from the outputs cannot reach them.
        const int64_t reach = int64_t{plan.psrcN} + 2;
        grain = std::max<int64_t>(0, ((target.outLow - reach) * 1000 - l * 1000) / plan.pout - 2);
        lastCentre = std::min(target.outHigh, plan.count) + reach;
    }
    int64_t m = l * 1000 + (grain + 1) * plan.pout;
    int64_t o = m - phase * 1000 + plan.psrc;
    for (;;) {
        const int64_t r = m / 1000;
        if (r > lastCentre) return true;
        const int64_t k = (o - 1) / plan.psrc;
        const int64_t t = phase + (k * plan.psrc) / 1000;
        const GrainResult rising = AddGrainHalf(target, r, r + plan.psrcN - 1, +1, t, 0);
        if (rising == GrainResult::Overflow) return false;
        if (rising == GrainResult::NothingToAdd) return true;
        if (AddGrainHalf(target, r - 1, r - plan.psrcN, -1, t - 1, 1) == GrainResult::Overflow)
            return false;
        m += plan.pout;
        o += plan.pout;
    }
}

// A window and the same entries in reverse order, as the grains take them.
struct Window {
    explicit Window(std::vector<float> entries)
        : forward(std::move(entries)), backward(forward.rbegin(), forward.rend()) {}
    std::vector<float> forward;
    std::vector<float> backward;
};

GrainTarget MakeTarget(std::span<int16_t> out, const Sample& source, const Plan& plan,
                       const Window& window, float gain, int32_t silence = 0) {
    GrainTarget target;
    target.silence = silence;
    target.out = out.data();
    target.source = source.Data();
    target.count = plan.count;
    target.bits = source.format.bitsPerSample;
    target.limit = plan.limit;
    target.window = window.forward;
    target.windowBackward = window.backward;
    target.gain = gain;
    return target;
}

// The copy's image with the recording's header and format; false when it cannot be had.
bool PrepareCopy(Sample& out, const Sample& source, float frequency) {
    out.frequency = frequency;
    out.dataLength = source.dataLength;
    out.pitchPhase = NO_VALUE;
    out.format = source.format;
    if (!source.Image() ||
        !out.AllocateImage(static_cast<size_t>(source.dataLength) + WAVE_HEADER_SIZE)) {
        out.ReleaseImage();
        out.dataLength = 0;
        return false;
    }
    std::memcpy(out.Image(), source.Image(), WAVE_HEADER_SIZE);
    // A byte after the last whole value (16-bit data of odd length) is silence.
    const size_t whole = static_cast<size_t>(out.ValueCount()) * (out.format.bitsPerSample / 8);
    if (whole < static_cast<size_t>(out.dataLength))
        std::memset(out.Data() + whole, 0, static_cast<size_t>(out.dataLength) - whole);
    return true;
}

// A copy that cannot be made is no sample at all, as when its image could not be had.
void DropCopy(Sample& out) {
    out.ReleaseImage();
    out.dataLength = 0;
}

// Room for the offset values of one copy; null when memory is short.
std::unique_ptr<int16_t[]> NewValues(int64_t count) {
    return std::unique_ptr<int16_t[]>(new (std::nothrow) int16_t[static_cast<size_t>(count)]);
}

// Stretches of output around the indices where earlier passes overflowed, most recently
// useful first. A pass fails as soon as any one value leaves the limit, and a failed pass's
// values are thrown away, so when a value in one of these stretches leaves the limit at the
// next gain too, that pass is known to fail without making it: only the grains that reach
// the stretch need adding, into a buffer of its size. Successive gains tend to overflow a
// little further along, hence a stretch rather than the one index.
constexpr size_t MAX_WITNESSES = 16;
constexpr int64_t WITNESS_REACH = 64;

struct Stretch {
    int64_t low = 0;
    int64_t high = 0;
};

bool FailsAtWitness(std::vector<Stretch>& witnesses, std::vector<int16_t>& buffer,
                    const GrainTarget& pass, const Plan& plan, int64_t& work) {
    for (size_t k = 0; k < witnesses.size(); ++k) {
        GrainTarget probe = pass;
        probe.outLow = witnesses[k].low;
        probe.outHigh = witnesses[k].high;
        buffer.assign(static_cast<size_t>(probe.outHigh - probe.outLow + 1),
                      static_cast<int16_t>(probe.silence));
        probe.out = buffer.data();
        const bool fits = RunPass(probe, plan);
        work += probe.work;
        if (!fits) {
            std::rotate(witnesses.begin(), witnesses.begin() + static_cast<std::ptrdiff_t>(k),
                        witnesses.begin() + static_cast<std::ptrdiff_t>(k) + 1);
            return true;
        }
    }
    return false;
}

// The gain loop: the first gain of 1, 0.9 of it, 0.9 of that and so on whose pass fits.
// Each pass starts from silence; only the extent the failed pass wrote needs clearing again,
// which leaves the result as if the whole output had been cleared. A gain whose pass is
// known to fail near an index where an earlier one failed is passed over without a whole
// pass; the gain reached and the copy are those of making every pass. Answers the values
// weighted and cleared. Silence is what values holds for an offset value of 0 (see
// GrainTarget::silence).
int64_t SynthesiseCopy(std::span<int16_t> values, const Sample& source, const Plan& plan,
                       const Window& window, int32_t silence) {
    const auto cleared = static_cast<int16_t>(silence);
    std::fill(values.begin(), values.end(), cleared);
    int64_t work = plan.count;
    std::vector<Stretch> witnesses;
    std::vector<int16_t> buffer;
    for (float gain = 1.0f;; gain = gain * GAIN_STEP) {
        GrainTarget target = MakeTarget(values, source, plan, window, gain, silence);
        if (FailsAtWitness(witnesses, buffer, target, plan, work)) continue;
        const bool fits = RunPass(target, plan);
        work += target.work;
        if (fits) return work;
        if (target.touchedHigh >= target.touchedLow) {
            work += target.touchedHigh - target.touchedLow + 1;
            std::fill(values.begin() + target.touchedLow, values.begin() + target.touchedHigh + 1,
                      cleared);
        }
        if (target.overflowAt >= 0) {
            if (witnesses.size() == MAX_WITNESSES) witnesses.pop_back();
            witnesses.insert(witnesses.begin(),
                             {std::max<int64_t>(0, target.overflowAt - WITNESS_REACH),
                              std::min(plan.count - 1, target.overflowAt + WITNESS_REACH)});
        }
    }
}

// What a copy holds when the recording gives the synthesis nothing to work with.
void CopyRecording(Sample& out, const Sample& source) {
    std::memcpy(out.Data(), source.Data(), static_cast<size_t>(out.dataLength));
    out.peak = source.peak;
}

// Runs body(k, state) for k below count on up to threads threads, each with a State of its
// own that lives for all the indices that thread takes.
template <typename State, typename Body>
void ParallelFor(size_t count, unsigned threads, const Body& body) {
    std::atomic<size_t> next{0};
    auto work = [&] {
        State state{};
        for (size_t k; (k = next.fetch_add(1)) < count;) body(k, state);
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads && t < count; ++t) {
        // Without another thread the work is simply done on this one.
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            break;
        }
    }
    work();
    for (std::thread& thread : pool) thread.join();
}

// Stores count values plus SAMPLE_OFFSET into out, held within the range of T: the same as
// clamping the 32-bit sums, but the values are held to what fits once offset and the sums
// stay in 16 bits, eight to a vector instruction; and out and values are declared apart,
// which the compiler would not check at run time (it went value by value).
template <typename T>
void StoreClamped(T* __restrict out, const int16_t* __restrict values, size_t count) {
    constexpr auto kLow = static_cast<int16_t>(
        std::max<int32_t>(INT16_MIN, int32_t{std::numeric_limits<T>::min()} - SAMPLE_OFFSET));
    constexpr auto kHigh =
        static_cast<int16_t>(int32_t{std::numeric_limits<T>::max()} - SAMPLE_OFFSET);
    for (size_t i = 0; i < count; ++i) {
        const int16_t v = std::min(kHigh, std::max(kLow, values[i]));
        out[i] = static_cast<T>(static_cast<int16_t>(v + SAMPLE_OFFSET));
    }
}

}  // namespace

int32_t OffsetValue(const Sample& sample, int64_t i) {
    const uint8_t* data = sample.Data();
    if (!data || i < 0 || i >= sample.ValueCount()) return 0;
    if (sample.format.bitsPerSample == 16) {
        int16_t v = 0;
        std::memcpy(&v, data + 2 * i, 2);
        return v - SAMPLE_OFFSET;
    }
    return data[i] - SAMPLE_OFFSET;
}

void StoreOffsetValues(Sample& sample, std::span<const int16_t> values) {
    uint8_t* data = sample.Data();
    if (!data) return;
    const size_t count =
        std::min(static_cast<size_t>(std::max(sample.ValueCount(), 0)), values.size());
    // Synthesis keeps the values within the recording's offset peak, so they fit; should one
    // not, it stays at the extreme of its sign instead of turning into the other.
    if (sample.format.bitsPerSample == 16) {
        StoreClamped(reinterpret_cast<int16_t*>(data), values.data(), count);
    } else if (sample.format.bitsPerSample == 8) {
        StoreClamped(data, values.data(), count);
    }
}

int32_t FindPitchPhase(Sample& source) {
    if (source.pitchPhase != NO_VALUE) return source.pitchPhase;
    const uint32_t rate = source.format.samplesPerSec;
    int32_t p = 0;
    if (!source.Data() || source.ValueCount() <= 0 || !MilliPeriod(rate, source.frequency, p))
        return NO_VALUE;
    const int64_t pn = p / 1000;
    int64_t n = source.ValueCount();
    if (n > rate / 2) n = rate / 2;

    int32_t best = -1;
    // Should no value of the first period exceed -1, the period's mark is taken at its start.
    int64_t bestPos = 0;
    int64_t sum = 0;
    int64_t count = 0;
    int64_t rem = 0;  // (i * 1000) modulo p, kept incrementally
    for (int64_t i = 0; i < n; ++i) {
        const int32_t v = OffsetValue(source, i);
        if (v > best) {
            best = v;
            bestPos = i;
        }
        const int64_t closing = rem - p + 1;
        if (closing >= -1000 && closing <= -1) {
            sum += (4 * pn - i + bestPos) % pn;
            ++count;
            best = -1;
        }
        if (v > source.peak) source.peak = v;
        rem += 1000;
        while (rem >= p) rem -= p;
    }
    if (count == 0) return NO_VALUE;
    source.pitchPhase = static_cast<int32_t>(sum / count);
    return source.pitchPhase;
}

std::vector<float> MakeWindow(int32_t n, int64_t maxEntries) {
    std::vector<float> window;
    if (n <= 0 || maxEntries <= 0) return window;
    const int64_t entries = std::min<int64_t>(int64_t{n} + 1, maxEntries);
    window.resize(static_cast<size_t>(entries));
    for (int64_t k = 0; k < entries; ++k) {
        const double angle = static_cast<double>(k) * 3.1415926535 / n * 0.5;
        window[k] = static_cast<float>(std::cos(angle));
    }
    return window;
}

GrainResult AddGrainHalf(GrainTarget& target, int64_t from, int64_t to, int32_t step, int64_t start,
                         int32_t windowStart) {
    const int64_t n = target.count;
    if (step > 0) {
        // The source must not run past its last value, nor the output past its end.
        if ((to - from) + start >= n) to = from - start + n - 1;
        if (to >= n) to = n - 1;
        if (from >= to) return GrainResult::NothingToAdd;
    } else {
        // Nor before the first value.
        if ((to - from) + start < 0) to = from - start;
        if (to < 0) to = 0;
        if (from <= to) return GrainResult::Added;
    }
    // q runs over the grain; only the q whose output, source and window indices all lie
    // inside are added (elsewhere the arithmetic points outside the buffers).
    int64_t qLow = 0;
    int64_t qHigh = step > 0 ? to - from : from - to;
    if (step > 0) {
        qLow = std::max({qLow, -from, -start});
        qHigh = std::min({qHigh, n - 1 - from, n - 1 - start});
    } else {
        qLow = std::max({qLow, from - (n - 1), start - (n - 1)});
        qHigh = std::min({qHigh, from, start});
    }
    const auto windowSize =
        static_cast<int64_t>(std::min(target.window.size(), target.windowBackward.size()));
    qHigh = std::min<int64_t>(qHigh, windowSize - 1 - windowStart);
    // A pass limited to some outputs adds only there. (Tested first: the bounds of a whole
    // pass would overflow the subtractions.)
    if (target.outLow > 0 || target.outHigh < n - 1) {
        if (step > 0) {
            qLow = std::max(qLow, target.outLow - from);
            qHigh = std::min(qHigh, target.outHigh - from);
        } else {
            qLow = std::max(qLow, from - target.outHigh);
            qHigh = std::min(qHigh, from - target.outLow);
        }
    }
    if (qLow > qHigh) return GrainResult::Added;

    const int64_t first = from + qLow * step;
    const int64_t last = from + qHigh * step;
    const int64_t q = windowStart + qLow;
    const int64_t count = qHigh - qLow + 1;
    const int64_t j = start + qLow * step;
    target.work += count;
    target.touchedLow = std::min({target.touchedLow, first, last});
    target.touchedHigh = std::max({target.touchedHigh, first, last});
    if (target.bits == 16) return AddWidth<int16_t, true>(target, first, j, q, step, count);
    return AddWidth<uint8_t, false>(target, first, j, q, step, count);
}

bool Synthesise(std::span<int16_t> out, float frequency, Sample& source,
                std::span<const float> window, float gain) {
    std::fill(out.begin(), out.end(), int16_t{0});
    FindPitchPhase(source);
    Plan plan;
    if (!MakePlan(source, frequency, plan) || static_cast<int64_t>(out.size()) != plan.count)
        return true;
    const Window both({window.begin(), window.end()});
    GrainTarget target = MakeTarget(out, source, plan, both, gain);
    return RunPass(target, plan);
}

bool MakeShiftedSample(Sample& out, Sample& source, float frequency, PitchMethod method) {
    if (!PrepareCopy(out, source, frequency)) return false;
    FindPitchPhase(source);
    Plan plan;
    int32_t n = 0;
    if (!MakePlan(source, frequency, plan) || !WindowLength(source, n)) {
        CopyRecording(out, source);
        return true;
    }
    if (method == PitchMethod::Fine) {
        const FineShifter fine(source);
        std::vector<float> scratch;
        if (!fine.Ready() || fine.MakeCopy(out, frequency, scratch) < 0) {
            DropCopy(out);
            return false;
        }
        out.peak = source.peak;
        return true;
    }
    const std::unique_ptr<int16_t[]> values = NewValues(plan.count);
    if (!values) {
        DropCopy(out);
        return false;
    }
    const std::span<int16_t> copy(values.get(), static_cast<size_t>(plan.count));
    const std::vector<float> window = MakeWindow(n, ReachableWindow(source));
    // The straightforward loop: every pass starts from a cleared output.
    float gain = 1.0f;
    while (!Synthesise(copy, frequency, source, window, gain)) gain = gain * GAIN_STEP;
    StoreOffsetValues(out, copy);
    out.peak = source.peak;
    return true;
}

int64_t CopyCost(const Sample& source, float frequency) {
    const int64_t count = std::max(source.ValueCount(), 0);
    Plan plan;
    if (!MakePlan(source, frequency, plan)) return count;
    // A grain every pout milli-samples, each 2 psrc milli-samples long.
    const double grains = 2.0 * static_cast<double>(plan.psrc) / static_cast<double>(plan.pout);
    const double cost = static_cast<double>(count) * (1.0 + grains);
    return cost < 9.0e18 ? static_cast<int64_t>(cost) : INT64_MAX;
}

std::vector<bool> MakeShiftedSamples(Sample& source, std::span<const ShiftJob> jobs,
                                     unsigned threads, WorkBudget* work,
                                     const PlaybackConversion& conversion, PitchMethod method) {
    std::vector<bool> overWork(jobs.size());
    const RateConverter* converter = conversion.converter;
    auto chargeFrames = [&](const Sample& sample) {
        return !conversion.frames ||
               conversion.frames->Take(static_cast<int64_t>(PlaybackFrames(sample, *converter)));
    };
    // The recording's conversion is charged first: without it even the unshifted sound
    // would not play.
    const bool convertSource = converter && chargeFrames(source);
    if (jobs.empty()) {
        if (convertSource) ConvertForPlayback(source, *converter);
        return overWork;
    }
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    // The source is analysed once for all copies; the copies then only read it.
    FindPitchPhase(source);
    int32_t n = 0;
    const bool windowed = WindowLength(source, n);
    const bool fine = method == PitchMethod::Fine;
    const Window window(windowed && !fine ? MakeWindow(n, ReachableWindow(source))
                                          : std::vector<float>());
    // The fine method's tables are shared by all its copies, as the window is by the exact ones.
    std::optional<FineShifter> fineShifter;
    if (fine && windowed) fineShifter.emplace(source);

    // Images are had and work charged in the order of the jobs, so which copies a memory or
    // work limit leaves out does not depend on the threads. A copy left out for work is left
    // without an image, as one left out for memory.
    std::vector<uint8_t> prepared(jobs.size());
    for (size_t k = 0; k < jobs.size(); ++k) {
        prepared[k] = PrepareCopy(*jobs[k].out, source, jobs[k].frequency);
        if (prepared[k] && ((work && !work->Take(CopyCost(source, jobs[k].frequency))) ||
                            (converter && !chargeFrames(*jobs[k].out)))) {
            DropCopy(*jobs[k].out);
            prepared[k] = 0;
            overWork[k] = true;
        }
    }
    std::vector<int64_t> spent(jobs.size());
    // A 16-bit copy is synthesised in its own image, which holds every offset value plus
    // SAMPLE_OFFSET in 16 bits just as StoreOffsetValues would leave it (no value within the
    // limit needs holding there): no buffer to fault in and clear besides the image, and no
    // pass to copy it over, which had become a fifth of a load. 8-bit data (stored unsigned)
    // and the fine method synthesise into one buffer per thread, had at its first copy.
    // The recording's own conversion is one more piece of work among the copies; it writes
    // only the recording's played copy, which no copy reads.
    struct Values {
        std::unique_ptr<int16_t[]> exact;
        std::vector<float> fine;
    };
    const size_t pieces = jobs.size() + (convertSource ? 1 : 0);
    ParallelFor<Values>(pieces, threads, [&](size_t k, Values& buffers) {
        if (k == jobs.size()) {
            ConvertForPlayback(source, *converter);
            return;
        }
        Sample& out = *jobs[k].out;
        if (!prepared[k]) return;
        Plan plan;
        if (!windowed || !MakePlan(source, jobs[k].frequency, plan)) {
            CopyRecording(out, source);
            if (converter) ConvertForPlayback(out, *converter);
            return;
        }
        if (fineShifter) {
            // Memory short for the shared tables or this thread's buffer: no copy, as below.
            if (!fineShifter->Ready() ||
                fineShifter->MakeCopy(out, jobs[k].frequency, buffers.fine) < 0) {
                DropCopy(out);
                return;
            }
        } else if (out.format.bitsPerSample == 16) {
            const std::span<int16_t> image(reinterpret_cast<int16_t*>(out.Data()),
                                           static_cast<size_t>(plan.count));
            spent[k] = SynthesiseCopy(image, source, plan, window, SAMPLE_OFFSET);
        } else {
            std::unique_ptr<int16_t[]>& values = buffers.exact;
            if (!values) values = NewValues(plan.count);
            if (!values) {
                DropCopy(out);
                return;
            }
            const std::span<int16_t> copy(values.get(), static_cast<size_t>(plan.count));
            spent[k] = SynthesiseCopy(copy, source, plan, window, 0);
            StoreOffsetValues(out, copy);
        }
        out.peak = source.peak;
        if (converter) ConvertForPlayback(out, *converter);
    });
    // Reruns a copy needed beyond its charge count too, against the copies of later lines:
    // summed after all threads are done, so again independent of them.
    if (work) {
        for (size_t k = 0; k < jobs.size(); ++k) {
            const int64_t beyond = spent[k] - CopyCost(source, jobs[k].frequency);
            if (beyond > 0) work->Spent(beyond);
        }
    }
    return overWork;
}

}  // namespace chordlane

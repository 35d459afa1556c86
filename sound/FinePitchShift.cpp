#include "sound/FinePitchShift.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "sound/PitchShift.h"
#include "sound/Sample.h"

namespace chordlane {

namespace {

constexpr double PI = 3.14159265358979323846;

// The interpolating filter: FILTER_TAPS source values around the position read, weighted by
// a sinc windowed with a Kaiser window, for each of FILTER_PHASES fractions of a sample. A
// fraction is rounded to the nearest row, so a grain sits at most 1/(2 FILTER_PHASES) of a
// sample from where it belongs: at 8 kHz in a 22.05 kHz recording that is a phase error of
// under 0.1 degree. The cutoff lies a little under half the rate, where recordings of notes
// hold next to nothing, so that the passband stays flat.
constexpr int32_t FILTER_TAPS = 8;
constexpr int32_t FILTER_PHASES = 512;
constexpr double FILTER_CUTOFF = 0.85;  // of half the rate
constexpr double FILTER_BETA = 6.0;

// The modified Bessel function of order 0, by its power series (the Kaiser window's shape).
double BesselI0(double x) {
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 64 && term > 1e-12 * sum; ++k) {
        const double half = x / (2.0 * k);
        term *= half * half;
        sum += term;
    }
    return sum;
}

// Row p holds the weights that read the source at a position p / FILTER_PHASES past a whole
// sample: tap t weights the value FILTER_TAPS / 2 - 1 - t samples before that whole sample.
// Each row sums to one, so silence and constant offsets pass unchanged at every fraction.
void MakeFilter(std::vector<float>& filter) {
    filter.resize(static_cast<size_t>(FILTER_PHASES) * FILTER_TAPS);
    const double half = FILTER_TAPS / 2.0;
    const double norm = BesselI0(FILTER_BETA);
    for (int32_t p = 0; p < FILTER_PHASES; ++p) {
        const double fraction = static_cast<double>(p) / FILTER_PHASES;
        double weights[FILTER_TAPS];
        double sum = 0.0;
        for (int32_t t = 0; t < FILTER_TAPS; ++t) {
            const double u = (t - (FILTER_TAPS / 2 - 1)) - fraction;
            const double x = FILTER_CUTOFF * u;
            const double sinc = x == 0.0 ? 1.0 : std::sin(PI * x) / (PI * x);
            const double r = u / half;
            const double kaiser =
                r * r < 1.0 ? BesselI0(FILTER_BETA * std::sqrt(1.0 - r * r)) / norm : 0.0;
            weights[t] = sinc * kaiser;
            sum += weights[t];
        }
        for (int32_t t = 0; t < FILTER_TAPS; ++t) {
            filter[static_cast<size_t>(p) * FILTER_TAPS + t] = static_cast<float>(weights[t] / sum);
        }
    }
}

// Adds one grain: source centre sourceMark, output centre mark, both in samples, reaching
// period either side, into out (count values). source points at the recording's value 0 with
// FILTER_TAPS readable values before it and after its last. Answers the values weighted.
int64_t AddGrain(float* __restrict out, int64_t count, const float* source, double mark,
                 double sourceMark, double period, const std::vector<float>& filter,
                 const std::vector<float>& cosines, const std::vector<float>& sines) {
    // The output indices strictly inside the window; the window is 0 at its ends.
    int64_t first = static_cast<int64_t>(std::floor(mark - period)) + 1;
    int64_t last = static_cast<int64_t>(std::ceil(mark + period)) - 1;
    // Output index i reads the source at i + shift.
    const double shift = sourceMark - mark;
    auto whole = static_cast<int64_t>(std::floor(shift));
    auto row =
        static_cast<int64_t>(std::lround((shift - static_cast<double>(whole)) * FILTER_PHASES));
    if (row == FILTER_PHASES) {
        row = 0;
        ++whole;
    }
    // Where every tap lies outside the recording the grain adds nothing; elsewhere the taps
    // stay within the zeros kept either side.
    constexpr int64_t before = FILTER_TAPS / 2 - 1;
    constexpr int64_t after = FILTER_TAPS / 2;
    first = std::max({first, int64_t{0}, -whole - after});
    last = std::min({last, count - 1, count - 1 - whole + before});
    if (first > last) return 0;
    const int64_t length = last - first + 1;
    if (length > static_cast<int64_t>(cosines.size())) return 0;  // cannot happen: see the tables
    // The window at first + n is 1/2 + 1/2 cos(a + pi n / period), a for the grain's first
    // index: expanded, the cosine is cos a cos(pi n / period) - sin a sin(pi n / period).
    const double a = PI * (static_cast<double>(first) - mark) / period;
    const auto ca = static_cast<float>(0.5 * std::cos(a));
    const auto sa = static_cast<float>(0.5 * std::sin(a));
    const float* h = filter.data() + row * FILTER_TAPS;
    const float* s = source + first + whole - before;
    float* o = out + first;
    const float* c = cosines.data();
    const float* z = sines.data();
    // The taps are unrolled so that the loop runs over several values at once on vector units.
    float taps[FILTER_TAPS];
    std::copy(h, h + FILTER_TAPS, taps);
    for (int64_t n = 0; n < length; ++n) {
        float value = 0.0f;
#pragma GCC unroll 8
        for (int32_t t = 0; t < FILTER_TAPS; ++t) value += taps[t] * s[n + t];
        o[n] += (0.5f + (ca * c[n] - sa * z[n])) * value;
    }
    return length;
}

// How far a mark may stray from one nominal period after the one before, and the least
// likeness (normalised correlation) of two periods for the recording to count as repeating.
constexpr double MARK_REACH = 0.05;
constexpr double MARK_LIKENESS = 0.6;
// The longest stretch compared, and the furthest a mark is searched either side, in samples.
constexpr int64_t MARK_SPAN = 1024;
constexpr int64_t MARK_SEARCH = 64;

// The lag near guess, within low..high (whole samples), at which the span of values around
// at best repeats; false when no lag makes it repeat well enough or the span leaves the
// values. lag is refined between samples.
bool RepeatLag(const float* x, int64_t count, int64_t at, int64_t span, int64_t low, int64_t high,
               double& lag) {
    const int64_t begin = at - span / 2;
    if (begin < 0 || begin + high + span > count || low > high) return false;
    double own = 0.0;
    for (int64_t i = 0; i < span; ++i) own += double{x[begin + i]} * x[begin + i];
    if (!(own > 0.0)) return false;
    // The energy of the span at each lag, slid along.
    double other = 0.0;
    for (int64_t i = 0; i < span; ++i) other += double{x[begin + low + i]} * x[begin + low + i];
    std::vector<double> likeness(static_cast<size_t>(high - low + 1));
    for (int64_t d = low; d <= high; ++d) {
        double product = 0.0;
        for (int64_t i = 0; i < span; ++i) product += double{x[begin + i]} * x[begin + d + i];
        likeness[static_cast<size_t>(d - low)] =
            other > 0.0 ? product / std::sqrt(own * other) : 0.0;
        const double leaving = x[begin + d];
        const double entering = x[begin + d + span];
        other += entering * entering - leaving * leaving;
    }
    size_t best = 0;
    for (size_t k = 1; k < likeness.size(); ++k) {
        if (likeness[k] > likeness[best]) best = k;
    }
    if (likeness[best] < MARK_LIKENESS) return false;
    double offset = 0.0;
    if (best > 0 && best + 1 < likeness.size()) {
        const double l = likeness[best - 1];
        const double c = likeness[best];
        const double r = likeness[best + 1];
        const double curve = l - 2.0 * c + r;
        if (curve < 0.0) offset = std::clamp(0.5 * (l - r) / curve, -0.5, 0.5);
    }
    lag = static_cast<double>(low + static_cast<int64_t>(best)) + offset;
    return true;
}

// The pitch marks of x: from first on, each a period after the one before where the waveform
// repeats it, else (silence, noise, the end) at the last period found; before first and past
// the end, a nominal period apart.
std::vector<double> FindMarks(const std::vector<float>& values, int64_t count, double first,
                              double period) {
    const float* x = values.data() + FILTER_TAPS;
    std::vector<double> marks;
    for (double m = first; m > -period; m -= period) marks.push_back(m);
    std::reverse(marks.begin(), marks.end());
    const double shortest = period * (1.0 - MARK_REACH);
    const double longest = period * (1.0 + MARK_REACH);
    const int64_t span = std::min<int64_t>(static_cast<int64_t>(period), MARK_SPAN);
    double current = period;
    for (double m = first; m < static_cast<double>(count) + period;) {
        double lag = 0.0;
        const auto guess = static_cast<int64_t>(std::lround(current));
        const int64_t low =
            std::max(static_cast<int64_t>(std::ceil(shortest)), guess - MARK_SEARCH);
        const int64_t high =
            std::min(static_cast<int64_t>(std::floor(longest)), guess + MARK_SEARCH);
        const auto at = static_cast<int64_t>(std::lround(m));
        if (span >= 8 && RepeatLag(x, count, at, span, low, high, lag)) current = lag;
        m += current;
        marks.push_back(m);
    }
    return marks;
}

}  // namespace

FineShifter::FineShifter(Sample& source) : source_(source) {
    FindPitchPhase(source);
    count_ = std::max(source.ValueCount(), 0);
    const uint32_t rate = source.format.samplesPerSec;
    if (!source.Data() || count_ == 0 || source.pitchPhase == NO_VALUE ||
        !(source.frequency > 0.0f) || rate == 0) {
        return;
    }
    phase_ = source.pitchPhase;
    period_ = static_cast<double>(rate) / static_cast<double>(source.frequency);
    try {
        values_.assign(static_cast<size_t>(count_ + 2 * FILTER_TAPS), 0.0f);
        float peak = 0.0f;
        for (int64_t i = 0; i < count_; ++i) {
            // OffsetValue takes 127 off; the centred value takes 128 off 8-bit values only.
            const int32_t stored = OffsetValue(source, i) + SAMPLE_OFFSET;
            const auto v =
                static_cast<float>(source.format.bitsPerSample == 16 ? stored : stored - 128);
            values_[static_cast<size_t>(i + FILTER_TAPS)] = v;
            peak = std::max(peak, std::fabs(v));
        }
        // A grain covers fewer than two periods and never more than the recording's values,
        // which bounds the window's tables whatever the frequency in the file.
        const auto entries = static_cast<size_t>(
            std::min<double>(2.0 * period_ + 2.0, static_cast<double>(count_) + 1.0));
        cosines_.resize(entries);
        sines_.resize(entries);
        for (size_t n = 0; n < entries; ++n) {
            const double angle = PI * static_cast<double>(n) / period_;
            cosines_[n] = static_cast<float>(std::cos(angle));
            sines_[n] = static_cast<float>(std::sin(angle));
        }
        MakeFilter(filter_);
        marks_ = FindMarks(values_, count_, phase_, period_);
        // 8-bit copies are stored from 0 to 255 around 128, and 16-bit ones reach 32767 at
        // most: a recording's -32768 must not come back as 32768, which would wrap round.
        limit_ = std::min(peak, source.format.bitsPerSample == 16 ? 32767.0f : 127.0f);
    } catch (const std::bad_alloc&) {
        return;
    }
    ready_ = true;
}

int64_t FineShifter::MakeCopy(Sample& out, float frequency, std::vector<float>& scratch) const {
    if (!ready_ || out.ValueCount() != count_ || !out.Data()) return -1;
    try {
        scratch.assign(static_cast<size_t>(count_), 0.0f);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    int64_t work = count_;
    const float* source = values_.data() + FILTER_TAPS;
    // The copy's marks, from the recording's first mark both ways: each a local period of the
    // recording on from the one before, times the ratio of the frequencies; each takes the
    // grain of the recording's mark nearest to it in time.
    const double ratio = static_cast<double>(source_.frequency) / static_cast<double>(frequency);
    const auto nearest = [&](double time) {
        const auto at = std::lower_bound(marks_.begin(), marks_.end(), time);
        size_t k = static_cast<size_t>(at - marks_.begin());
        if (k == marks_.size() || (k > 0 && time - marks_[k - 1] < marks_[k] - time)) --k;
        return k;
    };
    const auto step = [&](size_t k) {
        const size_t before = k > 0 ? k - 1 : k;
        const size_t after = k + 1 < marks_.size() ? k + 1 : k;
        const double local =
            after > before ? (marks_[after] - marks_[before]) / static_cast<double>(after - before)
                           : period_;
        return local * ratio;
    };
    auto add = [&](double mark) {
        const size_t k = nearest(mark);
        work += AddGrain(scratch.data(), count_, source, mark, marks_[k], period_, filter_,
                         cosines_, sines_);
        return k;
    };
    for (double mark = phase_ - step(nearest(phase_)); mark + period_ > 0.0;) {
        mark -= step(add(mark));
    }
    for (double mark = phase_; mark - period_ < static_cast<double>(count_);) {
        mark += step(add(mark));
    }
    // The loudest value, and the values stored rounded to the nearest (halves away from
    // zero): both loops kept simple enough to run on vector units.
    const float* values = scratch.data();
    float high = 0.0f;
    float low = 0.0f;
    for (int64_t i = 0; i < count_; ++i) {
        high = values[i] > high ? values[i] : high;
        low = values[i] < low ? values[i] : low;
    }
    const float largest = std::max(high, -low);
    const float gain = largest > limit_ ? limit_ / largest : 1.0f;
    auto rounded = [&](int64_t i) {
        const float v = std::min(std::max(values[i] * gain, -limit_), limit_);
        return static_cast<int32_t>(v + (v < 0.0f ? -0.5f : 0.5f));
    };
    uint8_t* data = out.Data();
    if (source_.format.bitsPerSample == 16) {
        // As the recording's own 16-bit data is read: the image keeps the data 2-byte aligned.
        auto* stored = reinterpret_cast<int16_t*>(data);
        for (int64_t i = 0; i < count_; ++i) stored[i] = static_cast<int16_t>(rounded(i));
    } else {
        for (int64_t i = 0; i < count_; ++i) data[i] = static_cast<uint8_t>(rounded(i) + 128);
    }
    return work;
}

}  // namespace chordlane

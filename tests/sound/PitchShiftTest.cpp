#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <span>

#include "sound/PitchShift.h"
#include "tests/sound/SoundTestSupport.h"

namespace chordlane::test {
namespace {

std::vector<int32_t> Values(const Sample& s) {
    std::vector<int32_t> v;
    for (int32_t i = 0; i < s.ValueCount(); ++i) {
        int16_t x = 0;
        if (s.format.bitsPerSample == 16) std::memcpy(&x, s.Data() + 2 * i, 2);
        v.push_back(s.format.bitsPerSample == 16 ? x : static_cast<int8_t>(s.Data()[i] - 127));
    }
    return v;
}

// The lag in [low, high] at which the middle half of the values best matches itself.
int32_t PeriodByAutocorrelation(const std::vector<int32_t>& v, int32_t low, int32_t high) {
    const size_t begin = v.size() / 4, end = v.size() * 3 / 4;
    int32_t best = low;
    double bestScore = -std::numeric_limits<double>::infinity();
    for (int32_t lag = low; lag <= high; ++lag) {
        double score = 0;
        for (size_t i = begin; i + lag < end; ++i) score += double{1} * v[i] * v[i + lag];
        if ((score /= static_cast<double>(end - begin - lag)) > bestScore)
            bestScore = score, best = lag;
    }
    return best;
}

// The copy as the pitch shifter is defined, written out plainly: one value at a time, every
// index checked, every pass from a cleared output. Only for recordings with usable grains.
std::string ReferenceCopy(const Sample& recording, float f) {
    const int32_t bits = recording.format.bitsPerSample;
    const uint32_t rate = recording.format.samplesPerSec;
    const int64_t n = recording.dataLength * 8 / bits;
    std::vector<int32_t> src = Values(recording), out(n);
    const float r1000 = static_cast<float>(rate * 1000u);
    const auto psrc = static_cast<int32_t>(r1000 / recording.frequency);
    const int32_t psrcN = psrc / 1000;
    int32_t best = -1, bestPos = 0, sum = 0, count = 0, peak = NO_VALUE;
    for (int32_t i = 0; i < std::min<int64_t>(n, rate / 2); ++i) {
        if (src[i] > best) best = src[i], bestPos = i;
        const int32_t closing = (i * 1000) % psrc - psrc + 1;
        if (closing >= -1000 && closing <= -1)
            sum += (4 * psrcN - i + bestPos) % psrcN, ++count, best = -1;
        peak = std::max(peak, src[i]);
    }
    const int32_t phase = sum / count;
    const auto nw = static_cast<int32_t>(static_cast<float>(rate) / recording.frequency);
    std::vector<float> w(nw + 1);
    for (int32_t k = 0; k <= nw; ++k)
        w[k] = static_cast<float>(std::cos(k * 3.1415926535 / nw * 0.5));
    float gain = 1.0f;
    enum { ADDED, NOTHING, OVERFLOW };
    auto half = [&](int64_t from, int64_t to, int step, int64_t start, int64_t q) {
        if (step > 0) {
            if ((to - from) + start >= n) to = from - start + n - 1;
            if ((to = std::min(to, n - 1)) <= from) return NOTHING;
        } else {
            if ((to - from) + start < 0) to = from - start;
            if ((to = std::max<int64_t>(to, 0)) >= from) return ADDED;
        }
        for (int64_t i = from, j = start;; i += step, j += step, ++q) {
            if (i >= 0 && i < n && j >= 0 && j < n && q <= nw) {
                const float s = static_cast<float>(src[j]);
                const int32_t x = out[i] + (bits == 16 ? static_cast<int32_t>((s * gain) * w[q])
                                                       : static_cast<int32_t>((s * w[q]) * gain));
                if (x < -peak || x > peak) return OVERFLOW;
                out[i] = x;
            }
            if (i == to) return ADDED;
        }
    };
    auto pass = [&] {
        std::fill(out.begin(), out.end(), 0);
        const auto pout = static_cast<int32_t>(r1000 / f);
        const int64_t poutN = pout / 1000, l = poutN - psrcN + phase;
        if (l >= 0 && (half(l, l + psrcN - 1, +1, phase, 0) == OVERFLOW ||
                       half(l - 1, l > poutN ? poutN - l : 0, -1, phase - 1, 1) == OVERFLOW))
            return false;
        for (int64_t m = l * 1000 + pout, o = m - phase * 1000 + psrc;; m += pout, o += pout) {
            const int64_t r = m / 1000, t = phase + ((o - 1) / psrc * psrc) / 1000;
            const int rising = half(r, r + psrcN - 1, +1, t, 0);
            if (rising != ADDED) return rising == NOTHING;
            if (half(r - 1, r - psrcN, -1, t - 1, 1) == OVERFLOW) return false;
        }
    };
    while (!pass()) gain = gain * 0.9f;
    std::string image(reinterpret_cast<const char*>(recording.Image()), WAVE_HEADER_SIZE);
    for (int32_t x : out) {
        if (bits == 8)
            image += static_cast<char>(x + 127);
        else
            image += Pcm16({static_cast<int16_t>(x)});
    }
    return image + std::string(recording.dataLength & (bits / 16), '\0');
}

TEST(PitchShift, OffsetOfEightBitDataRoundTrips) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    auto s = Recording({1, 1, 8000, 8}, all);
    OffsetSamples(*s, -127);
    // Silence (128) becomes 1, 127 becomes 0, and 255 wraps to -128.
    EXPECT_EQ(static_cast<int8_t>(s->Data()[128]), 1);
    EXPECT_EQ(static_cast<int8_t>(s->Data()[127]), 0);
    EXPECT_EQ(static_cast<int8_t>(s->Data()[255]), -128);
    OffsetSamples(*s, +127);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s->Data()), 256), all);
}

TEST(PitchShift, PhaseAndPeakComeFromTheFirstHalfSecondOnce) {
    // 100 Hz at 20000 per second: periods of exactly 200 samples, each peaking at 37.
    std::vector<int16_t> v(20000, 0);
    for (size_t i = 37; i < v.size(); i += 200) v[i] = 1000;
    v[15000] = 5000;  // in the second half second: not analysed
    auto s = Recording({1, 1, 20000, 16}, Pcm16(v), 100.0f);
    // The mark is counted from the sample that closes the period before it.
    EXPECT_EQ(FindPitchPhase(*s), 38);
    EXPECT_EQ(s->peak, 1000);
    s->pitchPhase = 12;
    EXPECT_EQ(FindPitchPhase(*s), 12);
}

TEST(PitchShift, CopiesHaveTheNewPeriodAndStayWithinThePeak) {
    for (const WaveSpec spec : {WaveSpec{1, 1, 22050, 16}, WaveSpec{1, 1, 11025, 8}}) {
        const float f = 220.0f;
        auto source = Recording(spec, Tone(spec, f, 1.0, spec.bits == 8 ? 100 : 20000), f);
        const std::string before = ImageOf(*source);
        for (int semitones : {7, -5, 12}) {
            const auto g = static_cast<float>(f * std::pow(1.059463, semitones));
            Sample copy;
            ASSERT_TRUE(MakeShiftedSample(copy, *source, g));
            EXPECT_EQ(copy.frequency, g);
            EXPECT_EQ(ImageOf(copy).substr(0, 44), before.substr(0, 44));
            EXPECT_EQ(copy.ImageSize(), before.size());
            const std::vector<int32_t> values = Values(copy);
            const double expected = spec.rate / g;
            EXPECT_NEAR(PeriodByAutocorrelation(values, expected * 0.7, expected * 1.3), expected,
                        1.0);
            int32_t loudest = 0;
            for (int32_t x : values) loudest = std::max(loudest, std::abs(x));
            EXPECT_LE(loudest, source->peak);
            EXPECT_GT(loudest, source->peak / 4);
        }
        // The recording is back to its loaded values.
        EXPECT_EQ(ImageOf(*source), before);
    }
}

// Signed 16-bit values are used as they are: shifted by -127 (as 8-bit data is, to centre
// it), the loudest negative values would wrap round into positive spikes.
TEST(PitchShift, LoudNegativeValuesKeepTheirSign) {
    const WaveSpec spec{1, 1, 22050, 16};
    std::vector<int16_t> v(11025);
    for (size_t i = 0; i < v.size(); ++i) v[i] = i % 100 < 10 ? 20000 : (i % 100 < 40 ? -32768 : 0);
    auto source = Recording(spec, Pcm16(v), 220.5f);
    Sample copy;
    ASSERT_TRUE(MakeShiftedSample(copy, *source, 300.0f));
    const std::vector<int32_t> values = Values(copy);
    EXPECT_LE(*std::max_element(values.begin(), values.end()), 20000);
    EXPECT_LT(*std::min_element(values.begin(), values.end()), -10000);
}

TEST(PitchShift, RecordingsWithoutUsableGrainsAreCopiedUnchanged) {
    const WaveSpec w16{1, 1, 8000, 16};
    const std::string tone = Tone(w16, 100, 0.5, 9000);
    std::vector<int16_t> negative(4000);
    for (size_t i = 0; i < negative.size(); ++i) negative[i] = static_cast<int16_t>(-10 - i % 80);
    const struct {
        WaveSpec spec;
        std::string data;
        float frequency, target;
    } cases[] = {
        {w16, tone.substr(0, 100), 100.0f, 120.0f},  // shorter than a period
        {w16, "", 100.0f, 120.0f},                   // no data
        {w16, tone, 9000.0f, 9500.0f},               // above the rate
        {w16, tone, 3000.0f, 12000.0f},              // shifted above the rate
        {w16, tone, 0.0f, 10.0f},
        {w16, tone, -100.0f, 120.0f},
        {w16, tone, std::numeric_limits<float>::quiet_NaN(), 120.0f},
        {w16, tone, NO_REAL, 2.2e9f},            // no frequency given
        {w16, Pcm16(negative), 100.0f, 150.0f},  // no value above zero
        {{1, 1, 8000, 8}, "\x80\x90\x70", 100.0f, 90.0f},
    };
    for (const auto& c : cases) {
        auto source = Recording(c.spec, c.data, c.frequency);
        const std::string before = ImageOf(*source);
        Sample copy, parallel;
        ASSERT_TRUE(MakeShiftedSample(copy, *source, c.target));
        const ShiftJob job{&parallel, c.target};
        MakeShiftedSamples(*source, std::span(&job, 1));
        EXPECT_EQ(ImageOf(copy), before) << c.frequency;
        EXPECT_EQ(ImageOf(parallel), before) << c.frequency;
        EXPECT_EQ(ImageOf(*source), before) << c.frequency;
    }
}

// The copies made on all cores, with their shortened gain loop, against the plain loop and
// against the definition written out value by value; shifts of two and three octaves put
// the first output marks before the start.
TEST(PitchShift, ParallelCopiesEqualTheStraightforwardOnes) {
    const struct {
        WaveSpec spec;
        std::string data;
        float frequency;
    } recordings[] = {
        {{1, 1, 44100, 16}, Tone({1, 1, 44100, 16}, 196, 0.6, 30000, 3.0), 196.0f},
        {{1, 1, 22050, 8}, Tone({1, 1, 22050, 8}, 110, 0.5, 120, 2.0), 110.0f},
        {{1, 1, 16000, 16}, Tone({1, 1, 16000, 16}, 333.3, 0.3, 12000) + "\x01", 333.3f},
        {{1, 1, 8000, 8}, Tone({1, 1, 8000, 8}, 61.7, 0.4, 90), 61.7f},
    };
    for (const auto& r : recordings) {
        auto source = Recording(r.spec, r.data, r.frequency);
        std::vector<std::unique_ptr<Sample>> plain, fast;
        std::vector<ShiftJob> jobs;
        for (int s : {1, 2, 7, 12, 19, 24, 36, -1, -5, -12, -30}) {
            const auto f = static_cast<float>(r.frequency * std::pow(1.059463, s));
            plain.push_back(std::make_unique<Sample>());
            ASSERT_TRUE(MakeShiftedSample(*plain.back(), *source, f));
            fast.push_back(std::make_unique<Sample>());
            jobs.push_back({fast.back().get(), f});
        }
        MakeShiftedSamples(*source, jobs, 2);
        for (size_t k = 0; k < jobs.size(); ++k) {
            EXPECT_EQ(ImageOf(*fast[k]), ImageOf(*plain[k])) << r.frequency << " copy " << k;
            EXPECT_EQ(ImageOf(*plain[k]), ReferenceCopy(*source, jobs[k].frequency))
                << r.frequency << " copy " << k;
            EXPECT_EQ(fast[k]->peak, plain[k]->peak);
        }
    }
}

}  // namespace
}  // namespace chordlane::test

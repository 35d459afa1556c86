#include "sound/PitchShift.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <span>

#include "sound/Sample.h"
#include "sound/WaveFile.h"
#include "tests/sound/WaveBytes.h"

namespace chordlane::test {
namespace {

std::unique_ptr<Sample> Recording(const WaveSpec& spec, const std::string& data, float frequency) {
    auto s = std::make_unique<Sample>();
    const std::string file = CanonicalWave(spec, data);
    EXPECT_TRUE(ParseWave(*s, {reinterpret_cast<const uint8_t*>(file.data()), file.size()}));
    s->frequency = frequency;
    return s;
}

std::string ImageOf(const Sample& s) {
    return std::string(reinterpret_cast<const char*>(s.Image()), s.ImageSize());
}

std::vector<int32_t> Values(const Sample& s) {
    std::vector<int32_t> v;
    for (int32_t i = 0; i < s.ValueCount(); ++i) {
        if (s.format.bitsPerSample == 16) {
            int16_t x;
            std::memcpy(&x, s.Data() + 2 * i, 2);
            v.push_back(x);
        } else {
            v.push_back(s.Data()[i]);
        }
    }
    return v;
}

// The lag in [low, high] at which the values correlate best with themselves.
int32_t PeriodByAutocorrelation(const std::vector<int32_t>& v, int32_t low, int32_t high) {
    const size_t begin = v.size() / 4;
    const size_t end = v.size() * 3 / 4;
    double mean = 0;
    for (size_t i = begin; i < end; ++i) mean += v[i];
    mean /= static_cast<double>(end - begin);
    int32_t best = low;
    double bestScore = -std::numeric_limits<double>::infinity();
    for (int32_t lag = low; lag <= high; ++lag) {
        double score = 0;
        for (size_t i = begin; i + lag < end; ++i) score += (v[i] - mean) * (v[i + lag] - mean);
        score /= static_cast<double>(end - begin - lag);
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

// The copy as the pitch shifter is defined, written out plainly: one value at a time, every
// index checked, every pass from a cleared output. Only for recordings with usable grains.
std::string ReferenceCopy(const Sample& recording, float f) {
    const int32_t bits = recording.format.bitsPerSample;
    const uint32_t rate = recording.format.samplesPerSec;
    const int64_t n = recording.dataLength * 8 / bits;
    std::vector<int32_t> src(n);
    for (int64_t i = 0; i < n; ++i) {
        if (bits == 16) {
            int16_t v;
            std::memcpy(&v, recording.Data() + 2 * i, 2);
            src[i] = v;
        } else {
            src[i] = static_cast<int8_t>(static_cast<uint8_t>(recording.Data()[i] - 127));
        }
    }
    const float r1000 = static_cast<float>(rate * 1000u);
    const auto psrc = static_cast<int32_t>(r1000 / recording.frequency);
    const int32_t psrcN = psrc / 1000;
    int32_t best = -1, bestPos = 0, sum = 0, count = 0, peak = NO_VALUE;
    for (int32_t i = 0; i < std::min<int64_t>(n, rate / 2); ++i) {
        const int32_t v = src[i];
        if (v > best) best = v, bestPos = i;
        const int32_t rem = (i * 1000) % psrc;
        if (rem - psrc + 1 >= -1000 && rem - psrc + 1 <= -1) {
            sum += (4 * psrcN - i + bestPos) % psrcN;
            ++count;
            best = -1;
        }
        if (v > peak) peak = v;
    }
    const int32_t phase = sum / count;
    const auto nw = static_cast<int32_t>(static_cast<float>(rate) / recording.frequency);
    std::vector<float> w(nw + 1);
    for (int32_t k = 0; k <= nw; ++k) w[k] = static_cast<float>(std::cos(k * 3.1415926535 / nw * 0.5));

    std::vector<int32_t> out(n);
    float gain = 1.0f;
    enum { ADDED, NOTHING, OVERFLOW };
    auto half = [&](int64_t from, int64_t to, int step, int64_t start, int64_t q0) {
        if (step > 0) {
            if ((to - from) + start >= n) to = from - start + n - 1;
            if (to >= n) to = n - 1;
            if (from >= to) return NOTHING;
        } else {
            if ((to - from) + start < 0) to = from - start;
            if (to < 0) to = 0;
            if (from <= to) return ADDED;
        }
        for (int64_t i = from, j = start, q = q0;; i += step, j += step, ++q) {
            if (i >= 0 && i < n && j >= 0 && j < n && q <= nw) {
                const float s = static_cast<float>(src[j]);
                int32_t x = bits == 16 ? static_cast<int32_t>((s * gain) * w[q])
                                       : static_cast<int32_t>((s * w[q]) * gain);
                x += out[i];
                if (x < -peak || x > peak) return OVERFLOW;
                out[i] = x;
            }
            if (i == to) break;
        }
        return ADDED;
    };
    auto pass = [&] {
        std::fill(out.begin(), out.end(), 0);
        const auto pout = static_cast<int32_t>(r1000 / f);
        const int32_t poutN = pout / 1000;
        const int64_t l = poutN - psrcN + phase;
        if (l >= 0) {
            if (half(l, l + psrcN - 1, +1, phase, 0) == OVERFLOW) return false;
            if (half(l - 1, l > poutN ? poutN - l : 0, -1, phase - 1, 1) == OVERFLOW) return false;
        }
        int64_t m = l * 1000 + pout, o = m - phase * 1000 + psrc;
        for (;; m += pout, o += pout) {
            const int64_t r = m / 1000, k = (o - 1) / psrc, t = phase + (k * psrc) / 1000;
            const int rising = half(r, r + psrcN - 1, +1, t, 0);
            if (rising == OVERFLOW) return false;
            if (rising == NOTHING) return true;
            if (half(r - 1, r - psrcN, -1, t - 1, 1) == OVERFLOW) return false;
        }
    };
    while (!pass()) gain = gain * 0.9f;

    std::string image(reinterpret_cast<const char*>(recording.Image()), WAVE_HEADER_SIZE);
    for (int64_t i = 0; i < n; ++i) {
        if (bits == 16) {
            image += static_cast<char>(out[i] & 0xFF);
            image += static_cast<char>((out[i] >> 8) & 0xFF);
        } else {
            image += static_cast<char>(static_cast<uint8_t>(out[i] + 127));
        }
    }
    if (bits == 16 && (recording.dataLength & 1)) image += '\0';
    return image;
}

TEST(PitchShift, OffsetOfEightBitDataRoundTrips) {
    std::vector<uint8_t> all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<uint8_t>(i));
    auto s = Recording({1, 1, 8000, 8}, Pcm8(all), 100.0f);
    OffsetSamples(*s, -127);
    // Silence (128) becomes 1; 127 becomes 0; 255 wraps to -128.
    EXPECT_EQ(static_cast<int8_t>(s->Data()[128]), 1);
    EXPECT_EQ(static_cast<int8_t>(s->Data()[127]), 0);
    EXPECT_EQ(static_cast<int8_t>(s->Data()[255]), -128);
    EXPECT_EQ(static_cast<int8_t>(s->Data()[0]), -127);
    OffsetSamples(*s, +127);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(s->Data()[i], i);
}

TEST(PitchShift, PhaseAndPeakComeFromTheFirstHalfSecond) {
    // 100 Hz at 20000 per second: periods of exactly 200 samples, each peaking at 37.
    std::vector<int16_t> v(20000, 0);
    for (size_t i = 37; i < v.size(); i += 200) v[i] = 1000;
    v[15000] = 5000;  // in the second half second: not analysed
    auto s = Recording({1, 1, 20000, 16}, Pcm16(v), 100.0f);
    // The mark is counted from the sample that closes the period before it.
    EXPECT_EQ(FindPitchPhase(*s), 38);
    EXPECT_EQ(s->peak, 1000);
    // Found once: later calls keep it.
    s->pitchPhase = 12;
    EXPECT_EQ(FindPitchPhase(*s), 12);
}

TEST(PitchShift, WindowCoversThePeriod) {
    // 110 Hz at 22050 per second: a period of 200 whole samples.
    const std::vector<float> w = MakeWindow(200);
    ASSERT_EQ(w.size(), 201u);
    EXPECT_EQ(w[0], 1.0f);
    EXPECT_LT(w[200], 1e-6f);
    for (size_t k = 1; k < w.size(); ++k) EXPECT_LT(w[k], w[k - 1]);
    EXPECT_TRUE(MakeWindow(0).empty());
}

TEST(PitchShift, CopyHasTheNewPeriodAndStaysWithinThePeak) {
    const uint32_t rate = 22050;
    const float f = 220.0f;
    auto source = Recording({1, 1, rate, 16}, Pcm16(To16(Tone(rate, f, 1.0, 20000))), f);
    const std::string before = ImageOf(*source);
    for (int semitones : {7, -5, 12}) {
        const float g = static_cast<float>(f * std::pow(1.059463, semitones));
        Sample copy;
        ASSERT_TRUE(MakeShiftedSample(copy, *source, g));
        EXPECT_EQ(copy.dataLength, source->dataLength);
        EXPECT_EQ(copy.frequency, g);
        EXPECT_EQ(std::memcmp(copy.Image(), source->Image(), WAVE_HEADER_SIZE), 0);
        EXPECT_EQ(copy.format.samplesPerSec, rate);

        const std::vector<int32_t> values = Values(copy);
        const double expected = rate / g;
        const int32_t period = PeriodByAutocorrelation(values, static_cast<int32_t>(expected * 0.7),
                                                       static_cast<int32_t>(expected * 1.3));
        EXPECT_NEAR(period, expected, 1.0) << semitones;
        int32_t loudest = 0;
        for (int32_t x : values) loudest = std::max(loudest, std::abs(x));
        EXPECT_LE(loudest, source->peak) << semitones;
        EXPECT_GT(loudest, source->peak / 4) << semitones;
    }
    EXPECT_EQ(ImageOf(*source), before);
}

TEST(PitchShift, EightBitCopiesStayWithinThePeakAroundSilence) {
    const uint32_t rate = 11025;
    const float f = 110.0f;
    auto source = Recording({1, 1, rate, 8}, Pcm8(To8(Tone(rate, f, 1.0, 100))), f);
    const std::string before = ImageOf(*source);
    Sample copy;
    ASSERT_TRUE(MakeShiftedSample(copy, *source, f * 1.5f));
    EXPECT_EQ(ImageOf(*source), before);
    // The peak is measured on values offset by -127, so the copy lies within it around 127.
    ASSERT_NE(source->peak, NO_VALUE);
    for (int32_t x : Values(copy)) {
        EXPECT_LE(x - 127, source->peak);
        EXPECT_GE(x - 127, -source->peak);
    }
    const double expected = rate / (f * 1.5);
    EXPECT_NEAR(PeriodByAutocorrelation(Values(copy), 50, 90), expected, 1.0);
}

TEST(PitchShift, RecordingsWithoutUsableGrainsAreCopiedUnchanged) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        WaveSpec spec;
        std::string data;
        float frequency;
        float target;
    };
    std::vector<int16_t> negative(4000);
    for (size_t i = 0; i < negative.size(); ++i) negative[i] = static_cast<int16_t>(-10 - i % 80);
    const std::string tone = Pcm16(To16(Tone(8000, 100, 0.5, 9000)));
    const Case cases[] = {
        {"shorter than a period", {1, 1, 8000, 16}, tone.substr(0, 100), 100.0f, 120.0f},
        {"no data", {1, 1, 8000, 16}, "", 100.0f, 120.0f},
        {"frequency above the rate", {1, 1, 8000, 16}, tone, 9000.0f, 9500.0f},
        {"target above the rate", {1, 1, 8000, 16}, tone, 3000.0f, 12000.0f},
        {"frequency zero", {1, 1, 8000, 16}, tone, 0.0f, 10.0f},
        {"frequency negative", {1, 1, 8000, 16}, tone, -100.0f, 120.0f},
        {"frequency not a number", {1, 1, 8000, 16}, tone, nan, 120.0f},
        {"missing frequency", {1, 1, 8000, 16}, tone, NO_REAL, 2.2e9f},
        {"no value above zero", {1, 1, 8000, 16}, Pcm16(negative), 100.0f, 150.0f},
        {"eight-bit, shorter than a period", {1, 1, 8000, 8}, "\x80\x90\x70", 100.0f, 90.0f},
    };
    for (const Case& c : cases) {
        auto source = Recording(c.spec, c.data, c.frequency);
        const std::string before = ImageOf(*source);
        Sample copy;
        ASSERT_TRUE(MakeShiftedSample(copy, *source, c.target)) << c.what;
        EXPECT_EQ(ImageOf(copy), before) << c.what;
        EXPECT_EQ(ImageOf(*source), before) << c.what;

        Sample parallel;
        const ShiftJob job{&parallel, c.target};
        MakeShiftedSamples(*source, std::span(&job, 1));
        EXPECT_EQ(ImageOf(parallel), before) << c.what;
    }
}

// The copies made on all cores, with their shortened gain loop, against the plain loop and
// against the definition written out value by value.
TEST(PitchShift, ParallelCopiesEqualTheStraightforwardOnes) {
    struct Recorded {
        WaveSpec spec;
        std::string data;
        float frequency;
    };
    const Recorded recordings[] = {
        {{1, 1, 44100, 16}, Pcm16(To16(Tone(44100, 196, 0.6, 30000, 3.0))), 196.0f},
        {{1, 1, 22050, 8}, Pcm8(To8(Tone(22050, 110, 0.5, 120, 2.0))), 110.0f},
        // Odd length, and marks that do not fall on whole samples.
        {{1, 1, 16000, 16}, Pcm16(To16(Tone(16000, 333.3, 0.3, 12000))) + "\x01", 333.3f},
        {{1, 1, 8000, 8}, Pcm8(To8(Tone(8000, 61.7, 0.4, 90))), 61.7f},
    };
    for (const Recorded& r : recordings) {
        auto source = Recording(r.spec, r.data, r.frequency);
        const std::string before = ImageOf(*source);
        std::vector<std::unique_ptr<Sample>> plain;
        std::vector<std::unique_ptr<Sample>> fast;
        std::vector<ShiftJob> jobs;
        for (int s : {1, 2, 7, 12, 19, 24, 36, -1, -5, -12, -30}) {
            const auto f = static_cast<float>(r.frequency * std::pow(1.059463, s));
            plain.push_back(std::make_unique<Sample>());
            ASSERT_TRUE(MakeShiftedSample(*plain.back(), *source, f));
            fast.push_back(std::make_unique<Sample>());
            jobs.push_back({fast.back().get(), f});
        }
        ASSERT_EQ(ImageOf(*source), before);
        MakeShiftedSamples(*source, jobs, 2);
        EXPECT_EQ(ImageOf(*source), before);
        for (size_t k = 0; k < jobs.size(); ++k) {
            EXPECT_EQ(ImageOf(*fast[k]), ImageOf(*plain[k])) << r.frequency << " copy " << k;
            EXPECT_EQ(ImageOf(*plain[k]), ReferenceCopy(*source, jobs[k].frequency))
                << r.frequency << " copy " << k;
            EXPECT_EQ(fast[k]->peak, plain[k]->peak);
            EXPECT_EQ(fast[k]->frequency, plain[k]->frequency);
        }
    }
}

}  // namespace
}  // namespace chordlane::test

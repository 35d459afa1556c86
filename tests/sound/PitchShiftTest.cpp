#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <span>

#include "sound/PitchShift.h"
#include "tests/sound/SoundTestSupport.h"

namespace chordlane::test {
namespace {

// The stored values less 127, as analysis and synthesis see them (checked on their own below).
std::vector<int32_t> Values(const Sample& s) {
    std::vector<int32_t> v;
    for (int32_t i = 0; i < s.ValueCount(); ++i) v.push_back(OffsetValue(s, i));
    return v;
}

// The stored values less silence (the byte 128, or 0).
std::vector<int32_t> Centred(const Sample& s) {
    std::vector<int32_t> v = Values(s);
    for (int32_t& x : v) x += 127 - (s.format.bitsPerSample == 8 ? 128 : 0);
    return v;
}

std::string Encode(const WaveSpec& form, const std::vector<int32_t>& stored) {
    std::string s;
    for (int32_t x : stored)
        s += form.bits == 8 ? std::string(1, static_cast<char>(x))
                            : Pcm16({static_cast<int16_t>(x)});
    return s;
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

// How alike two waveforms are, whatever their levels: 1 for the same shape, 0 for unrelated
// ones, -1 for the same shape upside down.
double Likeness(const std::vector<int32_t>& a, const std::vector<int32_t>& b) {
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        ab += double{1} * a[i] * b[i];
        aa += double{1} * a[i] * a[i];
        bb += double{1} * b[i] * b[i];
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

TEST(PitchShift, OffsetValuesNeverWrap) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    auto bytes = Recording({1, 1, 8000, 8}, all);
    std::vector<int16_t> offset;
    for (int i = 0; i < 256; ++i) offset.push_back(static_cast<int16_t>(OffsetValue(*bytes, i)));
    // Silence (128) becomes 1, 127 becomes 0, and 255 is 128 rather than -128.
    EXPECT_EQ(offset[128], 1);
    EXPECT_EQ(offset[127], 0);
    EXPECT_EQ(offset[255], 128);
    EXPECT_EQ(offset[0], -127);
    StoreOffsetValues(*bytes, offset);
    EXPECT_EQ(ImageOf(*bytes).substr(44), all);

    auto words = Recording({1, 1, 8000, 16}, Pcm16({-32768, -32642, -32641, 0, 32767}));
    EXPECT_EQ(Values(*words), (std::vector<int32_t>{-32895, -32769, -32768, -127, 32640}));
    // What does not fit the width stays at the extreme of its own sign.
    StoreOffsetValues(*words, std::vector<int16_t>{-32768, 32640, 32641, 32767, -1});
    EXPECT_EQ(ImageOf(*words).substr(44), Pcm16({-32641, 32767, 32767, 32767, 126}));
    auto few = Recording({1, 1, 8000, 8}, std::string(5, '\0'));
    StoreOffsetValues(*few, std::vector<int16_t>{-128, -127, 128, 129, 30000});
    EXPECT_EQ(ImageOf(*few).substr(44), std::string("\x00\x00\xFF\xFF\xFF", 5));
}

TEST(PitchShift, CopiesHaveTheNewPeriodAndStayWithinThePeak) {
    for (const WaveSpec form : {WaveSpec{1, 1, 22050, 16}, WaveSpec{1, 1, 11025, 8}}) {
        const float f = 220.0f;
        auto source = Recording(form, Tone(form, f, 1.0, form.bits == 8 ? 100 : 20000), f);
        const std::string before = ImageOf(*source);
        for (int semitones : {7, -5, 12}) {
            const auto g = static_cast<float>(f * std::pow(1.059463, semitones));
            Sample copy;
            ASSERT_TRUE(MakeShiftedSample(copy, *source, g));
            EXPECT_EQ(copy.frequency, g);
            EXPECT_EQ(ImageOf(copy).substr(0, 44), before.substr(0, 44));
            EXPECT_EQ(copy.ImageSize(), before.size());
            const std::vector<int32_t> values = Values(copy);
            const double expected = form.rate / g;
            EXPECT_NEAR(PeriodByAutocorrelation(values, expected * 0.7, expected * 1.3), expected,
                        1.0);
            int32_t loudest = 0;
            for (int32_t x : values) loudest = std::max(loudest, std::abs(x));
            EXPECT_LE(loudest, source->peak);
            EXPECT_GT(loudest, source->peak / 4);
        }
        // The recording is left as it was loaded.
        EXPECT_EQ(ImageOf(*source), before);
    }
}

// The loudest values of a recording lie outside what its own width holds once 127 is
// subtracted: -32768 in 16-bit data, the byte 255 in 8-bit data. Subtracted within the width
// they would change sign, become the recording's peak and spike every copy. A sound copy stays
// within the recording's range and has the shape of the copy of the same recording at half
// its level, where no value comes near the extremes.
// The copies made on all cores, with their shortened gain loop, equal the plain loop's: shifts
// of two and three octaves put the first output marks before the start; shift 0 lays the
// grains back on their own marks. A 16-bit recording at full scale takes its copies' values,
// which all cores make in the copies' images with 127 added, up to 32767 itself.
TEST(PitchShift, LoudestValuesDoNotWrapIntoSpikesAndAllCoresMakeThePlainCopies) {
    const WaveSpec w16{1, 1, 22050, 16}, w8{1, 1, 11025, 8};
    std::vector<int32_t> pulses(11025), clipped8, clipped16;
    for (size_t i = 0; i < pulses.size(); ++i)
        pulses[i] = i % 100 < 10 ? 20000 : (i % 100 < 40 ? -32768 : 0);
    // A tone driven past full scale, clipped at both extremes.
    for (int i = 0; i < 5512; ++i) {
        const double t = 2 * 3.14159265358979 * 220.5 * i / 11025;
        const double x = 1.5 * (std::sin(t) + 0.5 * std::sin(2 * t));
        clipped8.push_back(std::clamp<int32_t>(std::lround(128 + x * 128), 0, 255));
        clipped16.push_back(std::clamp<int32_t>(std::lround(x * 32768), -32768, 32767));
    }
    const struct {
        WaveSpec form;
        std::vector<int32_t> stored;
    } recordings[] = {{w16, pulses}, {w8, clipped8}, {{1, 1, 11025, 16}, clipped16}};
    for (const auto& r : recordings) {
        const int32_t silence = r.form.bits == 8 ? 128 : 0;
        ASSERT_TRUE(std::ranges::count(r.stored, r.form.bits == 8 ? 255 : -32768) > 0);
        std::vector<int32_t> halved;
        for (int32_t x : r.stored) halved.push_back(silence + (x - silence) / 2);
        // A 16-bit recording ending in half a value: the fast loop must stop before it.
        auto source = Recording(r.form, Encode(r.form, r.stored) + (silence ? "" : "\x01"), 220.5f);
        auto half = Recording(r.form, Encode(r.form, halved), 220.5f);
        const std::string before = ImageOf(*source);
        const auto [low, high] = std::ranges::minmax(Values(*source));
        std::vector<std::unique_ptr<Sample>> plain, fast;
        std::vector<ShiftJob> jobs;
        for (int semitones : {-7, 0, 5, 12, -30, -12, 24, 36}) {
            SCOPED_TRACE(testing::Message() << r.form.bits << "-bit, " << semitones);
            const auto f = static_cast<float>(220.5 * std::pow(1.059463, semitones));
            plain.push_back(std::make_unique<Sample>());
            fast.push_back(std::make_unique<Sample>());
            jobs.push_back({fast.back().get(), f});
            ASSERT_TRUE(MakeShiftedSample(*plain.back(), *source, f));
            if (std::abs(semitones) > 12) continue;
            Sample halfCopy;
            ASSERT_TRUE(MakeShiftedSample(halfCopy, *half, f));
            const auto [copyLow, copyHigh] = std::ranges::minmax(Values(*plain.back()));
            EXPECT_GE(copyLow, low);
            EXPECT_LE(copyHigh, high);
            EXPECT_GE(Likeness(Centred(*plain.back()), Centred(halfCopy)), 0.99);
        }
        MakeShiftedSamples(*source, jobs, 2);
        for (size_t k = 0; k < jobs.size(); ++k) {
            EXPECT_EQ(ImageOf(*fast[k]), ImageOf(*plain[k])) << k;
            EXPECT_EQ(fast[k]->peak, plain[k]->peak) << k;
        }
        EXPECT_EQ(ImageOf(*source), before);
    }
}

TEST(PitchShift, RecordingsWithoutUsableGrainsAreCopiedUnchanged) {
    const WaveSpec w16{1, 1, 8000, 16};
    const std::string tone = Tone(w16, 100, 0.5, 9000);
    std::vector<int16_t> negative(4000);
    for (size_t i = 0; i < negative.size(); ++i) negative[i] = static_cast<int16_t>(-10 - i % 80);
    const struct {
        WaveSpec form;
        std::string data;
        float frequency, target;
    } cases[] = {
        {w16, tone.substr(0, 100), 100.0f, 120.0f},  // shorter than a period
        {w16, "", 100.0f, 120.0f},                   // no data
        {w16, tone, 9000.0f, 9500.0f},               // above the rate
        {w16, tone, 3000.0f, 12000.0f},              // shifted above the rate
        {w16, tone, std::numeric_limits<float>::quiet_NaN(), 120.0f},
        {w16, tone, NO_REAL, 2.2e9f},            // no frequency given
        {w16, Pcm16(negative), 100.0f, 150.0f},  // no value above zero
        {{1, 1, 8000, 8}, "\x80\x90\x70", 100.0f, 90.0f},
    };
    for (const auto& c : cases) {
        auto source = Recording(c.form, c.data, c.frequency);
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

}  // namespace
}  // namespace chordlane::test

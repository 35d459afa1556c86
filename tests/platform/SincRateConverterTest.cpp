// Sounds converted to the output's rate when they load: a sine at each common recording rate
// comes out at 48 kHz at its level and length, with every image or alias of the conversion
// far below it; a sound already at 48 kHz is played as it is.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/audio/SincRateConverter.h"
#include "sound/PitchShift.h"
#include "sound/PlaybackRate.h"
#include "sound/Sample.h"
#include "sound/WorkBudget.h"

namespace chordlane::test {
namespace {

constexpr uint32_t OUT_RATE = 48000;
constexpr double SIGNAL_HZ = 4410.0;

//! One second of the tones at rate, 16-bit mono, as a loaded sample holds it.
void FillSample(Sample& sample, uint32_t rate, const std::vector<double>& tones, double amplitude) {
    const auto frames = static_cast<int32_t>(rate);
    ASSERT_TRUE(sample.AllocateImage(WAVE_HEADER_SIZE + 2 * static_cast<size_t>(frames)));
    std::memset(sample.Image(), 0, WAVE_HEADER_SIZE);
    sample.dataLength = 2 * frames;
    sample.format = WaveFormat{1, 1, rate, rate * 2, 2, 16, 0};
    for (int32_t i = 0; i < frames; ++i) {
        double v = 0.0;
        for (double hz : tones) v += amplitude * std::sin(2 * M_PI * hz * i / rate);
        const auto value = static_cast<int16_t>(std::lround(v * 32767.0));
        std::memcpy(sample.Data() + 2 * i, &value, 2);
    }
}

std::vector<double> Played(const Sample& sample) {
    std::vector<double> values(sample.PlayLength() / 2);
    for (size_t i = 0; i < values.size(); ++i) {
        int16_t v;
        std::memcpy(&v, sample.PlayData() + 2 * i, 2);
        values[i] = v / 32767.0;
    }
    return values;
}

//! The amplitude of the component at hz, over a stretch of the middle that holds a whole
//! number of its periods (0.1 s at 48 kHz does for every multiple of 10 Hz), so no other
//! tone leaks into it.
double Amplitude(const std::vector<double>& values, double hz) {
    const size_t n = OUT_RATE / 10;
    const size_t from = values.size() / 2 - n / 2;
    double re = 0.0, im = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double angle = 2 * M_PI * hz * static_cast<double>(i) / OUT_RATE;
        re += values[from + i] * std::cos(angle);
        im += values[from + i] * std::sin(angle);
    }
    return 2.0 * std::hypot(re, im) / n;
}

double Decibels(double ratio) { return 20.0 * std::log10(ratio); }

struct Case {
    uint32_t rate;
    std::vector<double> extraTones;  // in the source, to be removed
    std::vector<double> unwanted;    // where images or aliases would land at 48 kHz
};

TEST(SincRateConverterTest, ASineComesOutCleanAtItsLevelAndLength) {
    const std::vector<Case> cases = {
        // Images of the upsampling at 22050 - 4410, and at 22050 + 4410 folded back.
        {22050, {}, {17640.0, OUT_RATE - (22050.0 + SIGNAL_HZ)}},
        // Images at 44100 -+ 4410 fold back to 8310 and 510.
        {44100, {}, {8310.0, 510.0}},
        // A tone above the new Nyquist frequency must go, not fold to 48000 - 30000.
        {96000, {30000.0}, {18000.0}},
    };
    SincRateConverter converter(OUT_RATE);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        Sample sample;
        std::vector<double> tones = {SIGNAL_HZ};
        tones.insert(tones.end(), c.extraTones.begin(), c.extraTones.end());
        FillSample(sample, c.rate, tones, 0.45);
        // The image is untouched: it is what the samples command writes.
        const std::vector<uint8_t> image(sample.Image(), sample.Image() + sample.ImageSize());
        ASSERT_TRUE(ConvertForPlayback(sample, converter));
        EXPECT_EQ(std::vector<uint8_t>(sample.Image(), sample.Image() + sample.ImageSize()), image);
        EXPECT_EQ(sample.PlayFormat().samplesPerSec, OUT_RATE);
        EXPECT_EQ(sample.PlayFormat().bitsPerSample, 16);

        const std::vector<double> out = Played(sample);
        // One second in, one second out, to within the converter's own rounding.
        EXPECT_NEAR(static_cast<double>(out.size()), OUT_RATE, 2.0);
        const double signal = Amplitude(out, SIGNAL_HZ);
        EXPECT_NEAR(Decibels(signal / 0.45), 0.0, 0.1);
        for (double hz : c.unwanted) {
            SCOPED_TRACE(hz);
            EXPECT_LT(Decibels(Amplitude(out, hz) / signal), -90.0);
        }
    }
}

TEST(SincRateConverterTest, ASoundAtTheOutputsRateIsPlayedAsItIs) {
    SincRateConverter converter(OUT_RATE);
    Sample sample;
    FillSample(sample, OUT_RATE, {SIGNAL_HZ}, 0.45);
    ASSERT_TRUE(ConvertForPlayback(sample, converter));
    EXPECT_EQ(sample.PlayData(), sample.Data());
    EXPECT_EQ(sample.PlayedSize(), 0u);
    EXPECT_EQ(sample.PlayLength(), static_cast<uint32_t>(sample.dataLength));
}

// The converted copy counts against the instrument's sample memory like the image, and one
// that does not fit is left out rather than taking the memory past its limit.
TEST(SincRateConverterTest, ConvertedCopiesCountAgainstTheSampleMemory) {
    SincRateConverter converter(OUT_RATE);
    SampleMemory memory;
    {
        Sample sample(&memory);
        FillSample(sample, 22050, {SIGNAL_HZ}, 0.45);
        const int64_t image = memory.Held();
        ASSERT_TRUE(ConvertForPlayback(sample, converter));
        EXPECT_EQ(memory.Held(), image + static_cast<int64_t>(sample.PlayedSize()));
        memory.SetLimit(image + 1000);
        EXPECT_FALSE(ConvertForPlayback(sample, converter));
        EXPECT_EQ(sample.PlayData(), sample.Data());
        EXPECT_EQ(memory.Held(), image);
    }
    EXPECT_EQ(memory.Held(), 0);
}

// A load converts its copies on the threads that make them, within a bound of frames: the
// recording first, then the copies in order, so which ones a hostile file loses does not
// depend on the threads; a copy that could not be converted is left out, as it could not play.
TEST(SincRateConverterTest, CopiesAreConvertedAsTheyAreMadeWithinTheLoadsBound) {
    SincRateConverter converter(OUT_RATE);
    Sample recording;
    FillSample(recording, 22050, {441.0}, 0.45);
    recording.frequency = 441.0f;
    std::vector<std::unique_ptr<Sample>> copies;
    std::vector<ShiftJob> jobs;
    for (float hz : {467.2f, 495.0f, 416.3f, 392.9f}) {
        copies.push_back(std::make_unique<Sample>());
        jobs.push_back({copies.back().get(), hz});
    }
    // Room for the recording and two copies: a second's frames at 48 kHz each, and a little.
    WorkBudget frames(3 * (OUT_RATE + 1) + 100);
    const std::vector<bool> overWork =
        MakeShiftedSamples(recording, jobs, 2, nullptr, {&converter, &frames});
    EXPECT_EQ(overWork, (std::vector<bool>{false, false, true, true}));
    for (const Sample* s : {&recording, copies[0].get(), copies[1].get()}) {
        EXPECT_EQ(s->PlayFormat().samplesPerSec, OUT_RATE);
        EXPECT_NEAR(s->PlayLength() / 2.0, OUT_RATE, 2.0);
    }
    EXPECT_EQ(copies[2]->Image(), nullptr);
    EXPECT_EQ(copies[3]->Image(), nullptr);

    // The copies are those made without conversion, byte for byte.
    Sample plain;
    ASSERT_TRUE(MakeShiftedSample(plain, recording, jobs[1].frequency));
    ASSERT_EQ(plain.ImageSize(), copies[1]->ImageSize());
    EXPECT_EQ(std::memcmp(plain.Image(), copies[1]->Image(), plain.ImageSize()), 0);
}

}  // namespace
}  // namespace chordlane::test

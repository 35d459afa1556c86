// Sounds converted to the output's rate when they load, by both converters: a sine at each
// common recording rate comes out at 48 kHz at its level and length, with every image or
// alias of the conversion far below it; a sound already at 48 kHz is played as it is. Then
// what only the polyphase filter promises: its exact length, notes that start on time,
// channels kept apart, the same result on any thread, and libsamplerate for odd rates.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "mixer/PolyphaseRateConverter.h"
#include "mixer/SincRateConverter.h"
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

template <class Converter>
class RateConverterTest : public ::testing::Test {};
using Converters = ::testing::Types<PolyphaseRateConverter, SincRateConverter>;
TYPED_TEST_SUITE(RateConverterTest, Converters);

TYPED_TEST(RateConverterTest, ASineComesOutCleanAtItsLevelAndLength) {
    const std::vector<Case> cases = {
        // Images of the upsampling at 22050 - 4410, and at 22050 + 4410 folded back.
        {22050, {}, {17640.0, OUT_RATE - (22050.0 + SIGNAL_HZ)}},
        // Images at 44100 -+ 4410 fold back to 8310 and 510.
        {44100, {}, {8310.0, 510.0}},
        // A tone above the new Nyquist frequency must go, not fold to 48000 - 30000.
        {96000, {30000.0}, {18000.0}},
    };
    TypeParam converter(OUT_RATE);
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

TYPED_TEST(RateConverterTest, ASoundAtTheOutputsRateIsPlayedAsItIs) {
    TypeParam converter(OUT_RATE);
    Sample sample;
    FillSample(sample, OUT_RATE, {SIGNAL_HZ}, 0.45);
    ASSERT_TRUE(ConvertForPlayback(sample, converter));
    EXPECT_EQ(sample.PlayData(), sample.Data());
    EXPECT_EQ(sample.PlayedSize(), 0u);
    EXPECT_EQ(sample.PlayLength(), static_cast<uint32_t>(sample.dataLength));
}

// The converted copy counts against the instrument's sample memory like the image, and one
// that does not fit is left out rather than taking the memory past its limit.
TYPED_TEST(RateConverterTest, ConvertedCopiesCountAgainstTheSampleMemory) {
    TypeParam converter(OUT_RATE);
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
TYPED_TEST(RateConverterTest, CopiesAreConvertedAsTheyAreMadeWithinTheLoadsBound) {
    TypeParam converter(OUT_RATE);
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
}

//! Frames of mono or interleaved float sound converted by converter from rate from.
std::vector<float> ConvertFloats(const RateConverter& converter, const std::vector<float>& in,
                                 uint32_t channels, uint32_t from) {
    std::vector<float> out(converter.MaxFrames(in.size() / channels, from) * channels);
    const int64_t made = converter.Convert(in.data(), in.size() / channels, channels, from,
                                           out.data(), out.size() / channels);
    EXPECT_GE(made, 0);
    out.resize(made < 0 ? 0 : static_cast<size_t>(made) * channels);
    return out;
}

//! Every channel-th value of values from the first'th: one channel of interleaved sound.
std::vector<double> Channel(const std::vector<float>& values, uint32_t channels, uint32_t first) {
    std::vector<double> one;
    for (size_t i = first; i < values.size(); i += channels) one.push_back(values[i]);
    return one;
}

// The copy's length is the recording's times the ratio, rounded up: every output instant
// before the recording's end, never a frame the load's bound did not count on, and cut at
// the room given. A changed output rate applies to the next conversion.
TEST(PolyphaseRateConverterTest, TheLengthIsTheInputsTimesTheRatioRoundedUp) {
    PolyphaseRateConverter converter(OUT_RATE);
    for (uint32_t from : {22050u, 44100u, 96000u}) {
        for (size_t frames : {size_t{1}, size_t{147}, size_t{22051}}) {
            SCOPED_TRACE(testing::Message() << from << " Hz, " << frames << " frames");
            const std::vector<float> in(frames, 0.25f);
            const size_t expected = (frames * OUT_RATE + from - 1) / from;
            EXPECT_EQ(ConvertFloats(converter, in, 1, from).size(), expected);
            EXPECT_LE(expected, frames * OUT_RATE / from + 1);
        }
    }
    std::vector<float> in(22050, 0.25f), out(100);
    EXPECT_EQ(converter.Convert(in.data(), in.size(), 1, 22050, out.data(), out.size()), 100);
    converter.SetTargetRate(44100);
    EXPECT_EQ(ConvertFloats(converter, in, 1, 22050).size(), 44100u);
}

// A constant comes out as the same constant at every output frame, whichever phase of the
// filter makes it, and a click or a note's onset lands on the output frame of its instant:
// the filter's delay is taken out, so a converted note starts when the recorded one did.
TEST(PolyphaseRateConverterTest, LevelIsKeptAndOnsetsLandOnTime) {
    PolyphaseRateConverter converter(OUT_RATE);
    // Input frame, and the output frame at the same instant, for each rate.
    const struct {
        uint32_t from;
        size_t at;
        size_t lands;
    } cases[] = {{22050, 441, 960}, {44100, 735, 800}, {96000, 1000, 500}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        const std::vector<float> constant =
            ConvertFloats(converter, std::vector<float>(4000, 0.5f), 1, c.from);
        ASSERT_GT(constant.size(), 1000u);
        for (size_t i = 200; i < constant.size() - 200; ++i)
            ASSERT_NEAR(constant[i], 0.5f, 5e-7f) << i;

        std::vector<float> click(4000, 0.0f);
        click[c.at] = 1.0f;
        const std::vector<float> out = ConvertFloats(converter, click, 1, c.from);
        size_t peak = 0;
        for (size_t i = 1; i < out.size(); ++i)
            if (std::fabs(out[i]) > std::fabs(out[peak])) peak = i;
        EXPECT_EQ(peak, c.lands);
        // Symmetric about it: no part of the filter's delay is left.
        EXPECT_NEAR(out[c.lands - 1], out[c.lands + 1], 1e-6f);

        std::vector<float> onset(4000, 0.0f);
        for (size_t i = c.at; i < onset.size(); ++i) onset[i] = 0.5f;
        const std::vector<float> step = ConvertFloats(converter, onset, 1, c.from);
        // Its time is the click's, above; it is silent a few milliseconds before it.
        EXPECT_NEAR(step[c.lands - OUT_RATE / 500], 0.0f, 1e-3f);
    }
}

// Stereo comes out with each channel converted on its own: a tone on the left at its level
// on the left only, a different one on the right likewise.
TEST(PolyphaseRateConverterTest, StereoChannelsStayApart) {
    PolyphaseRateConverter converter(OUT_RATE);
    const uint32_t from = 22050;
    std::vector<float> in(2 * from);
    for (size_t i = 0; i < from; ++i) {
        in[2 * i] = static_cast<float>(0.5 * std::sin(2 * M_PI * SIGNAL_HZ * i / from));
        in[2 * i + 1] = static_cast<float>(0.25 * std::sin(2 * M_PI * 1000.0 * i / from));
    }
    const std::vector<float> out = ConvertFloats(converter, in, 2, from);
    ASSERT_EQ(out.size(), 2u * OUT_RATE);
    const std::vector<double> left = Channel(out, 2, 0), right = Channel(out, 2, 1);
    EXPECT_NEAR(Decibels(Amplitude(left, SIGNAL_HZ) / 0.5), 0.0, 0.1);
    EXPECT_NEAR(Decibels(Amplitude(right, 1000.0) / 0.25), 0.0, 0.1);
    EXPECT_LT(Decibels(Amplitude(left, 1000.0) / 0.5), -100.0);
    EXPECT_LT(Decibels(Amplitude(right, SIGNAL_HZ) / 0.25), -100.0);
}

// A load converts its copies on several threads with one converter; the filters they build
// for rates met for the first time, at the same moment, give what one thread alone gets.
TEST(PolyphaseRateConverterTest, ThreadsConvertingAtOnceGetTheSameResult) {
    std::vector<float> in(30000);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<float>(std::sin(0.013 * i * (1 + i / 9000.0)));
    const uint32_t rates[] = {22050, 44100, 11025, 32000};
    std::vector<std::vector<float>> alone;
    {
        PolyphaseRateConverter single(OUT_RATE);
        for (uint32_t from : rates) alone.push_back(ConvertFloats(single, in, 1, from));
    }
    PolyphaseRateConverter shared(OUT_RATE);
    std::vector<std::vector<float>> first(4), second(4);
    // The second thread goes through the rates the other way round, so they meet on one
    // rate's first use as well as on different ones.
    std::thread a([&] {
        for (size_t r = 0; r < 4; ++r) first[r] = ConvertFloats(shared, in, 1, rates[r]);
    });
    std::thread b([&] {
        for (size_t r = 4; r-- > 0;) second[r] = ConvertFloats(shared, in, 1, rates[r]);
    });
    a.join();
    b.join();
    for (size_t r = 0; r < 4; ++r) {
        SCOPED_TRACE(rates[r]);
        EXPECT_EQ(first[r], alone[r]);
        EXPECT_EQ(second[r], alone[r]);
    }
}

// A rate whose ratio to the output's reduces to no small fraction (44 101 Hz against 48 kHz
// would need 48 000 phases) is converted by libsamplerate rather than refused: the same
// values, whose quality the sine test above holds for libsamplerate.
TEST(PolyphaseRateConverterTest, AnOddRateGoesToLibsamplerate) {
    PolyphaseRateConverter converter(OUT_RATE);
    SincRateConverter sinc(OUT_RATE);
    Sample odd, reference;
    FillSample(odd, 44101, {SIGNAL_HZ}, 0.45);
    FillSample(reference, 44101, {SIGNAL_HZ}, 0.45);
    ASSERT_TRUE(ConvertForPlayback(odd, converter));
    ASSERT_TRUE(ConvertForPlayback(reference, sinc));
    EXPECT_EQ(Played(odd), Played(reference));
}

// Hands back what it is given, as if converted: the played copy's 16-bit values come back
// exactly, the extremes included, and values beyond full scale are held at it.
class UnchangingConverter : public RateConverter {
  public:
    uint32_t TargetRate() const override { return OUT_RATE; }
    size_t MaxFrames(size_t inFrames, uint32_t) const override { return inFrames; }
    int64_t Convert(const float* in, size_t inFrames, uint32_t channels, uint32_t, float* out,
                    size_t outCapacity) const override {
        const size_t frames = std::min(inFrames, outCapacity);
        std::copy(in, in + frames * channels, out);
        for (size_t i = 0; i < frames * channels; ++i)
            if (in[i] == -1.0f) out[i] = -1.5f;  // a converter's overshoot past full scale
        return static_cast<int64_t>(frames);
    }
};

TEST(PolyphaseRateConverterTest, PlayedCopiesRoundEveryValueBackExactly) {
    Sample sample;
    const int32_t values = 65536;
    ASSERT_TRUE(sample.AllocateImage(WAVE_HEADER_SIZE + 2 * static_cast<size_t>(values)));
    std::memset(sample.Image(), 0, WAVE_HEADER_SIZE);
    sample.dataLength = 2 * values;
    sample.format = WaveFormat{1, 1, 22050, 44100, 2, 16, 0};
    for (int32_t i = 0; i < values; ++i) {
        const auto v = static_cast<int16_t>(i - 32768);
        std::memcpy(sample.Data() + 2 * i, &v, 2);
    }
    ASSERT_TRUE(ConvertForPlayback(sample, UnchangingConverter{}));
    ASSERT_EQ(sample.PlayedSize(), 2u * values);
    EXPECT_EQ(std::memcmp(sample.PlayData(), sample.Data(), 2u * values), 0);
}

}  // namespace
}  // namespace chordlane::test

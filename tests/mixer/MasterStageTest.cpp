// The limiter at the end of the mix, on blocks of interleaved stereo as the mixer hands them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "mixer/MasterStage.h"

namespace chordlane::test {
namespace {

constexpr uint32_t RATE = 48000;

//! Runs frames through the stage in blocks of the given sizes, over and over.
std::vector<float> Through(MasterStage& stage, std::vector<float> mix,
                           std::initializer_list<size_t> blocks = {256}) {
    size_t done = 0;
    for (auto b = blocks.begin(); done < mix.size() / 2;) {
        const size_t n = std::min(*b, mix.size() / 2 - done);
        stage.Process(mix.data() + 2 * done, n);
        done += n;
        if (++b == blocks.end()) b = blocks.begin();
    }
    return mix;
}

std::vector<float> Sine(size_t frames, double hz, double amplitude, double phase = 0.0) {
    std::vector<float> out(2 * frames);
    for (size_t f = 0; f < frames; ++f) {
        const auto v = static_cast<float>(amplitude * std::sin(2 * M_PI * hz * f / RATE + phase));
        out[2 * f] = v;
        out[2 * f + 1] = v;
    }
    return out;
}

float Loudest(const std::vector<float>& mix) {
    float peak = 0.0f;
    for (float x : mix) peak = std::max(peak, std::fabs(x));
    return peak;
}

float LargestStep(const std::vector<float>& mix, size_t from = 0) {
    float step = 0.0f;
    for (size_t i = from + 2; i < mix.size(); ++i)
        step = std::max(step, std::fabs(mix[i] - mix[i - 2]));
    return step;
}

// Sixty-four voices, each a loud note of its own pitch and phase, sum to several times full
// scale; not one value leaves the ceiling, in blocks of any size, and the loudest stay near it.
TEST(MasterStageTest, SixtyFourLoudVoicesNeverPassTheCeiling) {
    constexpr size_t FRAMES = RATE / 2;
    std::vector<float> mix(2 * FRAMES, 0.0f);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> phase(0.0, 2 * M_PI);
    for (int v = 0; v < 64; ++v) {
        const std::vector<float> voice =
            Sine(FRAMES, 82.0 * std::pow(2.0, v / 12.0), 0.8, phase(random));
        for (size_t i = 0; i < mix.size(); ++i) mix[i] += voice[i] * (i % 2 ? 0.7f : 1.0f);
    }
    ASSERT_GT(Loudest(mix), 4.0f);
    MasterStage stage(MasterStageConfig{.rate = RATE});
    const std::vector<float> out = Through(stage, mix, {256, 1, 17, 1024, 64});
    EXPECT_LE(Loudest(out), stage.Ceiling());
    EXPECT_GT(Loudest(out), 0.95f * stage.Ceiling());
    // Nor does a 16-bit file of it reach its largest value.
    for (float x : out) ASSERT_LT(std::abs(std::lrintf(x * 32767.0f)), 32767);
}

// A mix that stays within the ceiling comes out bit for bit, only delayed by the look-ahead,
// also right after a loud passage once the gain has risen back.
TEST(MasterStageTest, QuietMixesPassBitForBit) {
    MasterStage stage(MasterStageConfig{.rate = RATE});
    const float ceiling = stage.Ceiling();
    std::mt19937 random(3);
    std::uniform_real_distribution<float> value(-ceiling, ceiling);
    std::vector<float> quiet(2 * RATE);
    for (float& x : quiet) x = value(random);
    quiet[10] = ceiling;
    quiet[11] = -ceiling;

    const size_t delay = 2 * stage.Latency();
    std::vector<float> out = Through(stage, quiet, {256, 3, 700});
    for (size_t i = 0; i < delay; ++i) ASSERT_EQ(out[i], 0.0f);
    for (size_t i = delay; i < out.size(); ++i) ASSERT_EQ(out[i], quiet[i - delay]) << i;

    // A loud half second, a second for the release, and the quiet mix again.
    Through(stage, Sine(RATE / 2, 300, 3.0));
    Through(stage, std::vector<float>(2 * RATE, 0.0f));
    out = Through(stage, quiet);
    for (size_t i = delay; i < out.size(); ++i) ASSERT_EQ(out[i], quiet[i - delay]) << i;
}

// A quiet tone jumps to eight times its level for a few milliseconds. A limiter that cut the
// gain at the peak, or clipped, would make steps several times those of the same tone at the
// ceiling; this one brings the gain down on its way to the first peak, so the steps stay
// within a little of that tone's own, and after the burst the tone comes back without a jump.
TEST(MasterStageTest, ALoudTransientIsCaughtWithoutAClick) {
    constexpr double HZ = 1000.0;
    std::vector<float> mix = Sine(RATE / 10, HZ, 0.45);
    // The burst starts and ends where the tone crosses zero, so the input has no step.
    const size_t from = 2400;
    const size_t to = 2400 + 240;
    for (size_t i = 2 * from; i < 2 * to; ++i) mix[i] *= 8.0f;
    MasterStage stage(MasterStageConfig{.rate = RATE});
    const std::vector<float> out = Through(stage, mix);

    const float ownStep = static_cast<float>(stage.Ceiling() * 2 * std::sin(M_PI * HZ / RATE));
    EXPECT_LE(LargestStep(out), ownStep * 1.25f);
    EXPECT_LE(Loudest(out), stage.Ceiling());
    // The burst still stands out: limited to the ceiling, not pushed down with the tone.
    const size_t delay = stage.Latency();
    const std::vector<float> burst(out.begin() + 2 * (from + delay),
                                   out.begin() + 2 * (to + delay));
    EXPECT_GT(Loudest(burst), 0.97f * stage.Ceiling());
    // Clipping the same input would have made steps several times larger.
    std::vector<float> clipped = mix;
    for (float& x : clipped) x = std::clamp(x, -stage.Ceiling(), stage.Ceiling());
    EXPECT_GT(LargestStep(clipped), 2.0f * ownStep);
}

TEST(MasterStageTest, ValuesThatAreNoNumbersBecomeSilenceAndDoNotStickTheGain) {
    std::vector<float> mix = Sine(4800, 440, 0.5);
    mix[200] = std::numeric_limits<float>::quiet_NaN();
    mix[201] = std::numeric_limits<float>::infinity();
    mix[500] = -std::numeric_limits<float>::infinity();
    MasterStage stage(MasterStageConfig{.rate = RATE});
    const std::vector<float> out = Through(stage, mix);
    for (float x : out) ASSERT_TRUE(std::isfinite(x));
    const size_t delay = 2 * stage.Latency();
    // Away from them the tone is untouched.
    for (size_t i = 2000; i < out.size(); ++i) ASSERT_EQ(out[i], mix[i - delay]);
}

}  // namespace
}  // namespace chordlane::test

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "sound/PitchShift.h"
#include "sound/WorkBudget.h"
#include "tests/sound/SoundTestSupport.h"

namespace chordlane::test {
namespace {

// A tone of `quiet` amplitude with a last stretch at `loud`: the peak the copies must stay
// under is measured on the first half second only, so with the loud part after it every
// gain down from 1 overflows there until gain times loud fits under quiet.
std::string QuietThenLoud(const WaveSpec& form, double frequency, double seconds,
                          double loudSeconds, double quiet, double loud) {
    return Tone(form, frequency, seconds - loudSeconds, quiet) +
           Tone(form, frequency, loudSeconds, loud);
}

float Shifted(float frequency, int semitones) {
    return static_cast<float>(frequency * std::pow(1.059463, semitones));
}

// Makes every shift of source both ways -- the straightforward gain loop, one full pass per
// gain, and the copies as a load makes them -- and expects the same bytes.
void ExpectSameCopies(Sample& source, const std::vector<int>& shifts) {
    std::vector<std::unique_ptr<Sample>> plain, fast;
    std::vector<ShiftJob> jobs;
    for (int semitones : shifts) {
        const float f = Shifted(source.frequency, semitones);
        plain.push_back(std::make_unique<Sample>());
        fast.push_back(std::make_unique<Sample>());
        jobs.push_back({fast.back().get(), f});
        ASSERT_TRUE(MakeShiftedSample(*plain.back(), source, f));
    }
    MakeShiftedSamples(source, jobs, 2);
    for (size_t k = 0; k < jobs.size(); ++k) {
        EXPECT_EQ(ImageOf(*fast[k]), ImageOf(*plain[k])) << "shift " << shifts[k];
        EXPECT_EQ(fast[k]->peak, plain[k]->peak) << "shift " << shifts[k];
    }
}

TEST(GainLoop, ALoudEndFarUpGivesTheCopiesOfEveryPass) {
    // The shape that made loads hang: a slow tone, quiet but for its end, copied far up
    // (at 4 kHz, 2.5 Hz shifted up 127 semitones is still below the rate).
    for (uint16_t bits : {uint16_t{16}, uint16_t{8}}) {
        SCOPED_TRACE(bits);
        const WaveSpec form{1, 1, 4000, bits};
        const double quiet = bits == 8 ? 12 : 300;
        const double loud = bits == 8 ? 120 : 30000;
        auto source = Recording(form, QuietThenLoud(form, 2.5, 0.55, 0.05, quiet, loud), 2.5f);
        ExpectSameCopies(*source, {1, 12, 24, 60, 96, 127, -1, -12, -40});
    }
}

TEST(GainLoop, ManyRecordingsGiveTheCopiesOfEveryPass) {
    std::mt19937 random(17);
    auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    const uint32_t rates[] = {8000, 11025, 22050};
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        const WaveSpec form{1, 1, rates[round % 3], static_cast<uint16_t>(round % 4 ? 16 : 8)};
        const double full = form.bits == 8 ? 127 : 32767;
        const float frequency = static_cast<float>(uniform(30, 900));
        const double seconds = uniform(0.05, 0.8);
        std::string data;
        switch (round % 5) {
            case 0:  // loud after the analysed half second, by a random factor
                data = QuietThenLoud(form, frequency, std::max(seconds, 0.6), 0.05,
                                     uniform(0.01, 0.3) * full, uniform(0.5, 1.0) * full);
                break;
            case 1:  // loud throughout, decaying
                data = Tone(form, frequency, seconds, uniform(0.3, 1.0) * full, uniform(0, 8));
                break;
            case 2:  // noise, so grains overlap unlike one another
                for (int i = 0; i < static_cast<int>(form.rate * seconds); ++i) {
                    const auto v = static_cast<int32_t>(uniform(-full, full));
                    data += form.bits == 8 ? std::string(1, static_cast<char>(128 + v / 2))
                                           : Pcm16({static_cast<int16_t>(v)});
                }
                break;
            case 3:  // full-scale pulses after silence
            {
                const int count = static_cast<int>(form.rate * seconds);
                for (int i = 0; i < count; ++i) {
                    const bool pulse = i > count / 2 && i % 50 < 3;
                    data += form.bits == 8 ? std::string(1, static_cast<char>(pulse ? 255 : 128))
                                           : Pcm16({static_cast<int16_t>(pulse ? -32768 : 0)});
                }
                break;
            }
            default:  // a tone rising steadily in level
                data = Tone(form, frequency, seconds, uniform(0.01, 0.1) * full, -uniform(1, 6));
                break;
        }
        auto source = Recording(form, data, frequency);
        std::vector<int> shifts;
        for (int k = 0; k < 6; ++k)
            shifts.push_back(std::uniform_int_distribution(-36, 48)(random));
        ExpectSameCopies(*source, shifts);
    }
}

TEST(GainLoop, CopiesBeyondTheWorkLimitAreLeftOutInJobOrder) {
    const WaveSpec form{1, 1, 8000, 16};
    auto source = Recording(form, Tone(form, 100, 0.2, 8000), 100.0f);
    FindPitchPhase(*source);
    std::vector<std::unique_ptr<Sample>> copies;
    std::vector<ShiftJob> jobs;
    int64_t firstThree = 0;
    for (int s : {1, 2, 3, 4, -1}) {
        copies.push_back(std::make_unique<Sample>());
        jobs.push_back({copies.back().get(), Shifted(100.0f, s)});
        if (s >= 1 && s <= 3) firstThree += CopyCost(*source, jobs.back().frequency);
    }
    // Each copy costs more the further up it goes.
    EXPECT_GT(CopyCost(*source, Shifted(100.0f, 12)), CopyCost(*source, 100.0f));
    EXPECT_GT(CopyCost(*source, 100.0f), CopyCost(*source, Shifted(100.0f, -12)));
    WorkBudget work(firstThree + CopyCost(*source, jobs[4].frequency));
    const std::vector<bool> overWork = MakeShiftedSamples(*source, jobs, 2, &work);
    EXPECT_EQ(overWork, (std::vector<bool>{false, false, false, true, false}));
    EXPECT_EQ(copies[3]->Image(), nullptr);
    for (size_t k : {0u, 1u, 2u, 4u}) {
        Sample plain;
        ASSERT_TRUE(MakeShiftedSample(plain, *source, jobs[k].frequency));
        EXPECT_EQ(ImageOf(*copies[k]), ImageOf(plain)) << k;
    }
    // Reruns beyond a copy's charge are counted too, against later lines.
    EXPECT_GE(work.Used(), work.Limit());
    EXPECT_FALSE(work.Take(1));
}

// The recordings the shipped instruments copy furthest up, each to two octaves: reasonable
// instruments, whose copies must stay what they always were.
TEST(GainLoop, ShippedRecordingsToTwoOctavesUpGiveTheCopiesOfEveryPass) {
    const std::filesystem::path sounds =
        std::filesystem::path(CHORDLANE_SOURCE_DIR) / "instruments" / "sounds";
    const struct {
        const char* file;
        float frequency;
    } recordings[] = {{"epiano-c4.wav", 261.626f}, {"gtr-e4.wav", 329.628f}, {"kick.wav", 55.0f}};
    for (const auto& r : recordings) {
        SCOPED_TRACE(r.file);
        std::ifstream in(sounds / r.file, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
        Sample source;
        ASSERT_TRUE(ParseWave(source, bytes));
        source.frequency = r.frequency;
        std::vector<int> shifts;
        for (int s = -12; s <= 24; ++s) shifts.push_back(s);
        ExpectSameCopies(source, shifts);
    }
}

}  // namespace
}  // namespace chordlane::test

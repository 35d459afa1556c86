#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "sound/PitchShift.h"
#include "sound/WorkBudget.h"
#include "tests/sound/SoundTestSupport.h"

namespace chordlane::test {
namespace {

constexpr double PI = std::numbers::pi;
// The harmonics of the test note: a spectrum that falls off, as most instruments' do.
const std::vector<double> HARMONICS = {1.0, 0.6, 0.4, 0.3, 0.2};

// A note of five harmonics in cosine phase, so that the waveform peaks once a period.
std::string HarmonicTone(const WaveSpec& w, double frequency, double seconds, double amplitude) {
    std::string s;
    double sum = 0;
    for (const double a : HARMONICS) sum += a;
    for (size_t i = 0; i < static_cast<size_t>(w.rate * seconds); ++i) {
        double x = 0;
        for (size_t h = 0; h < HARMONICS.size(); ++h)
            x += HARMONICS[h] * std::cos(2 * PI * frequency * (h + 1) * i / w.rate);
        const long v = std::lround(amplitude * x / sum);
        s += w.bits == 8 ? std::string(1, static_cast<char>(128 + v))
                         : Pcm16({static_cast<int16_t>(v)});
    }
    return s;
}

// The stored values less silence (the byte 128, or 0).
std::vector<double> Centred(const Sample& s) {
    std::vector<double> v;
    for (int32_t i = 0; i < s.ValueCount(); ++i) {
        const int32_t stored = OffsetValue(s, i) + SAMPLE_OFFSET;
        v.push_back(s.format.bitsPerSample == 8 ? stored - 128 : stored);
    }
    return v;
}

// The Hann-windowed Fourier coefficient at frequency of length values from start.
std::complex<double> Coefficient(const std::vector<double>& v, double rate, double frequency,
                                 size_t start, size_t length) {
    std::complex<double> sum = 0;
    double weights = 0;
    for (size_t i = 0; i < length; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * PI * (i + 0.5) / length);
        sum += w * v[start + i] * std::polar(1.0, -2 * PI * frequency * i / rate);
        weights += w;
    }
    return 2.0 * sum / weights;
}

// The frequency of the partial near guess: from how far its phase turns between two windows,
// first a little apart (which tells a wide range apart), then further (which is precise).
double PartialFrequency(const std::vector<double>& v, double rate, double guess) {
    const auto length = static_cast<size_t>(0.1 * rate);
    const size_t start = v.size() / 4;
    double f = guess;
    for (const double apart : {0.01, 0.2}) {
        const auto d = static_cast<size_t>(apart * rate);
        const double turn = std::arg(Coefficient(v, rate, f, start + d, length) /
                                     Coefficient(v, rate, f, start, length));
        const double expected = 2 * PI * f * static_cast<double>(d) / rate;
        const double off = std::remainder(turn - expected, 2 * PI);
        f += off * rate / (2 * PI * static_cast<double>(d));
    }
    return f;
}

// The spectrum a copy keeps: one period of the note around its peak, weighted by the Hann
// window over two periods, at frequency: the harmonics, each spread by the window's transform
// (1 at its own frequency, 1/2 half a period's worth of frequency away, 0 a whole one away).
double GrainSpectrum(double frequency, double f0) {
    double sum = 0;
    for (size_t h = 0; h < HARMONICS.size(); ++h) {
        for (const double sign : {-1.0, 1.0}) {
            const double u = 2 * (frequency + sign * f0 * (h + 1)) / f0;
            const double sinc = u == 0 ? 1 : std::sin(PI * u) / (PI * u);
            sum += HARMONICS[h] * (std::fabs(std::fabs(u) - 1) < 1e-9 ? 0.5 : sinc / (1 - u * u));
        }
    }
    return std::fabs(sum);
}

double Peak(const std::vector<double>& v) {
    double peak = 0;
    for (const double x : v) peak = std::max(peak, std::fabs(x));
    return peak;
}

// Every shift an instrument asks for, at both widths: the copy sits within 5 cents of the
// frequency asked for, keeps the note's spectrum, stays within the recording's peak without
// falling far below it, and keeps the recording's header (length, rate, format).
TEST(FinePitchShift, CopiesAreInTuneKeepTheSpectrumAndStayWithinThePeak) {
    for (const WaveSpec form : {WaveSpec{1, 1, 22050, 16}, WaveSpec{1, 1, 11025, 8}}) {
        // A period of a whole number of samples keeps every peak on a sample.
        const double f0 = form.rate / 100.0;
        auto source = Recording(form, HarmonicTone(form, f0, 1.2, form.bits == 8 ? 100 : 12000),
                                static_cast<float>(f0));
        const std::string before = ImageOf(*source);
        const double peak = Peak(Centred(*source));
        for (int shift = -12; shift <= 12; ++shift) {
            SCOPED_TRACE("bits " + std::to_string(form.bits) + ", shift " + std::to_string(shift));
            const auto target = static_cast<float>(f0 * std::pow(2.0, shift / 12.0));
            Sample copy;
            ASSERT_TRUE(MakeShiftedSample(copy, *source, target, PitchMethod::Fine));
            EXPECT_EQ(copy.frequency, target);
            ASSERT_EQ(copy.ImageSize(), before.size());
            EXPECT_EQ(ImageOf(copy).substr(0, WAVE_HEADER_SIZE),
                      before.substr(0, WAVE_HEADER_SIZE));
            const std::vector<double> values = Centred(copy);
            const double found = PartialFrequency(values, form.rate, target);
            EXPECT_LT(std::fabs(1200 * std::log2(found / target)), 5.0) << found << " Hz";
            EXPECT_LE(Peak(values), peak);
            EXPECT_GT(Peak(values), peak / 3);
            // Each harmonic of the copy against the first, as the kept spectrum has them,
            // wherever that is loud enough to measure and well below half the rate.
            const size_t start = values.size() / 4;
            const auto length = static_cast<size_t>(0.5 * form.rate);
            const double first = std::abs(Coefficient(values, form.rate, target, start, length));
            for (int k = 2; k * target < 0.4 * form.rate; ++k) {
                const double expected = GrainSpectrum(k * target, f0) / GrainSpectrum(target, f0);
                if (expected < 0.1) continue;
                const double measured =
                    std::abs(Coefficient(values, form.rate, k * target, start, length)) / first;
                EXPECT_NEAR(20 * std::log10(measured / expected), 0.0, 1.0) << "harmonic " << k;
            }
        }
        // The recording is left as it was loaded.
        EXPECT_EQ(ImageOf(*source), before);
    }
}

// A recording at full scale, down to -32768 and the byte 0: no value of a copy may come back
// past the other end of its width, which would wrap it round into a jump across the range.
TEST(FinePitchShift, FullScaleRecordingsDoNotWrap) {
    for (const WaveSpec form : {WaveSpec{1, 1, 22050, 16}, WaveSpec{1, 1, 11025, 8}}) {
        std::string data;
        for (int i = 0; i < static_cast<int>(form.rate) / 2; ++i) {
            const double x = std::sin(2 * PI * i / 50.0);
            data += form.bits == 8 ? std::string(1, static_cast<char>(std::clamp(
                                                        std::lround(128 + 128 * x), 0L, 255L)))
                                   : Pcm16({static_cast<int16_t>(
                                         std::clamp(std::lround(32768 * x), -32768L, 32767L))});
        }
        auto source = Recording(form, data, form.rate / 50.0f);
        for (const int shift : {-7, 5, 12}) {
            Sample copy;
            ASSERT_TRUE(MakeShiftedSample(copy, *source,
                                          form.rate / 50.0f * std::pow(2.0f, shift / 12.0f),
                                          PitchMethod::Fine));
            const std::vector<double> values = Centred(copy);
            const double full = form.bits == 8 ? 128 : 32768;
            for (size_t i = 1; i < values.size(); ++i)
                ASSERT_LT(std::fabs(values[i] - values[i - 1]), 1.5 * full) << "at " << i;
        }
    }
}

// What an instrument gets from recordings that give the synthesis nothing to work with is
// the recording itself, from the single copy as from the copies on all cores.
TEST(FinePitchShift, RecordingsWithNothingToWorkWithAreCopiedUnchanged) {
    const WaveSpec w16{1, 1, 22050, 16}, w8{1, 1, 11025, 8};
    struct Case {
        const char* what;
        std::unique_ptr<Sample> source;
        float target;
    };
    std::vector<Case> cases;
    cases.push_back({"no data", Recording(w16, "", 220.0f), 440.0f});
    cases.push_back(
        {"shorter than a period", Recording(w16, Tone(w16, 220, 0.004, 8000), 220.0f), 330.0f});
    cases.push_back({"no frequency", Recording(w16, Tone(w16, 220, 0.2, 8000), 0.0f), 330.0f});
    cases.push_back(
        {"target at the rate", Recording(w8, Tone(w8, 220, 0.2, 90), 220.0f), 11025.0f});
    cases.push_back({"silence below the offset",
                     Recording(w16, Pcm16(std::vector<int16_t>(3000, 0)), 220.0f), 330.0f});
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string before = ImageOf(*c.source);
        Sample single;
        ASSERT_TRUE(MakeShiftedSample(single, *c.source, c.target, PitchMethod::Fine));
        EXPECT_EQ(ImageOf(single), before);
        Sample many;
        const ShiftJob job{&many, c.target};
        MakeShiftedSamples(*c.source, std::span(&job, 1), 2, nullptr, {}, PitchMethod::Fine);
        EXPECT_EQ(ImageOf(many), before);
    }
}

// FNV-1a of the bytes: a copy's fingerprint.
uint64_t Fingerprint(const std::string& bytes) {
    uint64_t hash = 14695981039346656037u;
    for (const char c : bytes) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 1099511628211u;
    }
    return hash;
}

// The exact method stays what it was bit for bit, whichever way its copies are asked for:
// the fingerprints below are those of the copies made before the fine method existed.
// The fine copies on all cores are byte for byte the single ones, and charged as the exact
// copies are, so a work limit leaves out the same copies whichever method is chosen.
TEST(FinePitchShift, ExactCopiesAreUnchangedAndFineCopiesAgreeOnAllCores) {
    const WaveSpec w16{1, 1, 22050, 16}, w8{1, 1, 11025, 8};
    for (const WaveSpec form : {w16, w8}) {
        auto source =
            Recording(form, Tone(form, 196, 0.6, form.bits == 8 ? 110 : 30000, 2.0), 196.0f);
        uint64_t fingerprint = 0;
        std::vector<std::unique_ptr<Sample>> exact, fine, single;
        std::vector<ShiftJob> exactJobs, fineJobs;
        for (int shift = -12; shift <= 12; shift += 3) {
            const auto f = static_cast<float>(196.0 * std::pow(2.0, shift / 12.0));
            Sample plain;
            ASSERT_TRUE(MakeShiftedSample(plain, *source, f));
            fingerprint = fingerprint * 31 + Fingerprint(ImageOf(plain));
            exact.push_back(std::make_unique<Sample>());
            exactJobs.push_back({exact.back().get(), f});
            fine.push_back(std::make_unique<Sample>());
            fineJobs.push_back({fine.back().get(), f});
            single.push_back(std::make_unique<Sample>());
            ASSERT_TRUE(MakeShiftedSample(*single.back(), *source, f, PitchMethod::Fine));
        }
        EXPECT_EQ(fingerprint, form.bits == 8 ? 1277559820402187085u : 9003106790119701029u)
            << "bits " << form.bits;
        WorkBudget exactWork, fineWork;
        MakeShiftedSamples(*source, exactJobs, 2, &exactWork);
        MakeShiftedSamples(*source, fineJobs, 2, &fineWork, {}, PitchMethod::Fine);
        uint64_t again = 0;
        for (size_t k = 0; k < exact.size(); ++k) {
            again = again * 31 + Fingerprint(ImageOf(*exact[k]));
            EXPECT_EQ(ImageOf(*fine[k]), ImageOf(*single[k])) << "copy " << k;
            EXPECT_NE(ImageOf(*fine[k]), ImageOf(*exact[k])) << "copy " << k;
        }
        EXPECT_EQ(again, fingerprint);
        int64_t charged = 0;
        for (const ShiftJob& job : fineJobs) charged += CopyCost(*source, job.frequency);
        EXPECT_EQ(fineWork.Used(), charged);
        EXPECT_GE(exactWork.Used(), charged);

        // A limit that holds the first three copies leaves out the rest.
        WorkBudget tight(charged / 2);
        std::vector<std::unique_ptr<Sample>> limited;
        std::vector<ShiftJob> limitedJobs;
        for (const ShiftJob& job : fineJobs) {
            limited.push_back(std::make_unique<Sample>());
            limitedJobs.push_back({limited.back().get(), job.frequency});
        }
        const std::vector<bool> overWork =
            MakeShiftedSamples(*source, limitedJobs, 2, &tight, {}, PitchMethod::Fine);
        int64_t allowed = 0;
        for (size_t k = 0; k < limitedJobs.size(); ++k) {
            allowed += CopyCost(*source, limitedJobs[k].frequency);
            const bool fits = allowed <= charged / 2;
            EXPECT_EQ(overWork[k], !fits) << "copy " << k;
            EXPECT_EQ(limited[k]->Image() != nullptr, fits) << "copy " << k;
            if (fits) {
                EXPECT_EQ(ImageOf(*limited[k]), ImageOf(*single[k]));
            }
        }
    }
}

}  // namespace
}  // namespace chordlane::test

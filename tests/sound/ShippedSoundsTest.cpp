// The wave files shipped with the sample instruments: each is a wave file the program can
// load, its true pitch is the one its instrument states (the pitch shifting derives every
// other note from that statement), and the generator still makes exactly the committed bytes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/ChordlaneTest.h"
#include "tools/soundgen/Catalogue.h"

namespace chordlane::test {
namespace {

namespace fs = std::filesystem;

const fs::path SOURCE_DIR = CHORDLANE_SOURCE_DIR;
const fs::path INSTRUMENTS = SOURCE_DIR / "instruments";

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + i];
    return v;
}

struct Wave {
    int rate = 0;
    std::vector<double> samples;
};

// The program reads wave files in the canonical 44-byte layout only, so anything else
// shipped would be misread: demand exactly that layout, 16-bit mono PCM.
::testing::AssertionResult ReadCanonicalWave(const fs::path& path, Wave& wave) {
    const std::vector<uint8_t> b = ReadBytes(path);
    if (b.size() < 44) return ::testing::AssertionFailure() << path << " is not a wave file";
    const std::string riff(b.begin(), b.begin() + 4), wave4(b.begin() + 8, b.begin() + 12),
        fmt(b.begin() + 12, b.begin() + 16), data(b.begin() + 36, b.begin() + 40);
    if (riff != "RIFF" || wave4 != "WAVE" || fmt != "fmt " || Le(b, 16, 4) != 16 ||
        data != "data") {
        return ::testing::AssertionFailure() << path << " is not in the 44-byte layout";
    }
    wave.rate = static_cast<int>(Le(b, 24, 4));
    if (Le(b, 20, 2) != 1 || Le(b, 22, 2) != 1 || Le(b, 34, 2) != 16 ||
        (wave.rate != 22050 && wave.rate != 44100) || Le(b, 28, 4) != Le(b, 24, 4) * 2 ||
        Le(b, 32, 2) != 2) {
        return ::testing::AssertionFailure()
               << path << " is not 16-bit mono PCM at 22050 or 44100 Hz";
    }
    if (Le(b, 40, 4) != b.size() - 44 || Le(b, 4, 4) != b.size() - 8 || b.size() % 2 != 0) {
        return ::testing::AssertionFailure() << path << " has wrong chunk sizes";
    }
    for (size_t i = 44; i + 1 < b.size(); i += 2) {
        wave.samples.push_back(static_cast<int16_t>(Le(b, i, 2)) / 32768.0);
    }
    return ::testing::AssertionSuccess();
}

// Sum of squared differences between the signal and itself shifted by lag, over count
// samples from the start.
double Difference(const std::vector<double>& x, size_t lag, size_t count) {
    double sum = 0.0;
    for (size_t i = 0; i < count; ++i) {
        const double d = x[i] - x[i + lag];
        sum += d * d;
    }
    return sum;
}

// Where the minimum of a parabola through three equally spaced values lies, relative to
// the middle one.
double ParabolaOffset(double before, double at, double after) {
    const double curve = before - 2.0 * at + after;
    return curve > 0.0 ? 0.5 * (before - after) / curve : 0.0;
}

// The fundamental frequency of a recording, from the periodicity of its waveform: the
// attack is skipped, the period is found coarsely as the first clear dip of the normalised
// difference function, then refined by comparing the signal with itself many periods later,
// which divides the error of the sub-sample estimate by the number of periods.
double MeasurePitch(const std::vector<double>& signal, int rate) {
    const size_t start = static_cast<size_t>(rate) * 8 / 100;
    if (signal.size() < start + static_cast<size_t>(rate) / 10) return 0.0;
    const size_t end = std::min(signal.size(), start + static_cast<size_t>(rate) * 45 / 100);
    const std::vector<double> x(signal.begin() + start, signal.begin() + end);

    const size_t maxLag = std::min(static_cast<size_t>(rate) / 30, x.size() / 3);
    const size_t minLag = std::max<size_t>(2, static_cast<size_t>(rate) / 2500);
    const size_t window = x.size() - maxLag - 1;
    std::vector<double> d(maxLag + 2, 0.0), normalised(maxLag + 2, 1.0);
    double running = 0.0;
    for (size_t lag = 1; lag <= maxLag + 1; ++lag) {
        d[lag] = Difference(x, lag, window);
        running += d[lag];
        normalised[lag] = running > 0.0 ? d[lag] * lag / running : 1.0;
    }
    size_t best = 0;
    for (size_t lag = minLag; lag <= maxLag; ++lag) {
        if (normalised[lag] < 0.2 && normalised[lag] <= normalised[lag - 1] &&
            normalised[lag] <= normalised[lag + 1]) {
            best = lag;
            break;
        }
    }
    if (best == 0) {
        best = minLag;
        for (size_t lag = minLag; lag <= maxLag; ++lag) {
            if (normalised[lag] < normalised[best]) best = lag;
        }
    }
    double period = best + ParabolaOffset(d[best - 1], d[best], d[best + 1]);

    for (int periods = 2;; periods *= 2) {
        const double target = periods * period;
        const size_t centre = static_cast<size_t>(std::floor(target + 0.5));
        if (centre + 5 > x.size() / 2) break;
        const size_t count = x.size() - centre - 5;
        std::vector<double> near;
        for (size_t lag = centre - 4; lag <= centre + 4; ++lag) {
            near.push_back(Difference(x, lag, count));
        }
        const size_t at =
            static_cast<size_t>(std::min_element(near.begin() + 1, near.end() - 1) - near.begin());
        const double lag = static_cast<double>(centre - 4 + at) +
                           ParabolaOffset(near[at - 1], near[at], near[at + 1]);
        period = lag / periods;
    }
    return rate / period;
}

double Cents(double measured, double stated) { return 1200.0 * std::log2(measured / stated); }

std::vector<double> Harmonics(int rate, double f, int first, int last, double seconds,
                              double decay) {
    std::vector<double> x(static_cast<size_t>(seconds * rate));
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        for (int k = first; k <= last; ++k) {
            x[i] += std::sin(2.0 * M_PI * k * f * t + 0.7 * k) / k;
        }
        x[i] *= std::exp(-t / decay) * 0.2;
    }
    return x;
}

TEST(PitchMeasurementTest, FindsTheFundamentalOfKnownSignals) {
    // A low string-like tone, a high pure tone, and a tone whose fundamental is missing:
    // the measured pitch is that of the period, not of the strongest partial.
    EXPECT_NEAR(Cents(MeasurePitch(Harmonics(22050, 82.4069, 1, 12, 1.0, 0.5), 22050), 82.4069),
                0.0, 0.5);
    EXPECT_NEAR(Cents(MeasurePitch(Harmonics(44100, 1318.51, 1, 1, 0.5, 1.0), 44100), 1318.51), 0.0,
                0.5);
    EXPECT_NEAR(Cents(MeasurePitch(Harmonics(22050, 151.3, 3, 9, 0.6, 0.3), 22050), 151.3), 0.0,
                0.5);
    // Too short to hold anything after its attack.
    EXPECT_EQ(MeasurePitch(std::vector<double>(100, 0.5), 22050), 0.0);
}

// One `s` line: the sound's name, its wave file and the pitch it states.
struct SoundLine {
    std::string instrument;
    int line = 0;
    std::string name;
    std::string file;
    double frequency = 0.0;
};

// Tokens as instrument files write them: separated by blanks, optionally quoted.
std::vector<std::string> Tokens(const std::string& text) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) ++i;
        if (i >= text.size()) break;
        if (text[i] == '"' || text[i] == '\'') {
            const char quote = text[i];
            const size_t close = text.find(quote, i + 2);
            const size_t stop = close == std::string::npos ? text.size() : close;
            tokens.push_back(text.substr(i + 1, stop - i - 1));
            i = stop + 1;
        } else {
            const size_t stop = text.find_first_of(" \t\r", i);
            tokens.push_back(text.substr(i, stop == std::string::npos ? stop : stop - i));
            i = stop == std::string::npos ? text.size() : stop;
        }
    }
    return tokens;
}

// The `s` lines that name a wave file outright (prompted ones name the user's file).
std::vector<SoundLine> SoundLines(const fs::path& instrument, bool hasHeader) {
    std::vector<SoundLine> found;
    std::ifstream in(instrument);
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if ((hasHeader && number == 1) || text.empty() || text[0] != 's') continue;
        std::vector<std::string> t = Tokens(text.substr(1));
        if (t.size() >= 2 && t[1].starts_with('*')) {
            t[1].erase(0, 1);
            if (t[1].empty()) t.erase(t.begin() + 1);
        }
        if (t.size() >= 2 && t[1].starts_with('-')) t.erase(t.begin() + 1);
        if (t.size() < 5 || t[1].starts_with('?')) continue;
        std::replace(t[1].begin(), t[1].end(), '\\', '/');
        found.push_back({instrument.filename().string(), number, t[0], t[1], std::stod(t[2])});
    }
    return found;
}

std::vector<SoundLine> ShippedSoundLines() {
    std::vector<SoundLine> all;
    for (const auto& entry : fs::directory_iterator(INSTRUMENTS)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".clx" && ext != ".cly") continue;
        const std::vector<SoundLine> lines = SoundLines(entry.path(), true);
        all.insert(all.end(), lines.begin(), lines.end());
    }
    // The built-in instrument "!" is the guitar among them, packed into the program.
    return all;
}

TEST(ShippedSoundsTest, EveryStatedPitchIsTheTruePitch) {
    const std::vector<SoundLine> lines = ShippedSoundLines();
    ASSERT_FALSE(lines.empty());
    std::map<std::string, double> measured;
    for (const SoundLine& s : lines) {
        SCOPED_TRACE(s.instrument + ":" + std::to_string(s.line) + " " + s.name);
        const fs::path path = INSTRUMENTS / s.file;
        if (!measured.contains(s.file)) {
            Wave wave;
            ASSERT_TRUE(ReadCanonicalWave(path, wave));
            measured[s.file] = MeasurePitch(wave.samples, wave.rate);
            std::printf("%-28s measured %9.3f Hz\n", s.file.c_str(), measured[s.file]);
        }
        EXPECT_NEAR(Cents(measured[s.file], s.frequency), 0.0, 10.0)
            << s.file << " measures " << measured[s.file] << " Hz, stated " << s.frequency;
    }
}

TEST(ShippedSoundsTest, EveryShippedWaveIsUsedByAnInstrument) {
    std::set<std::string> used;
    for (const SoundLine& s : ShippedSoundLines()) used.insert(s.file);
    size_t waves = 0;
    for (const auto& entry : fs::directory_iterator(INSTRUMENTS / "sounds")) {
        if (entry.path().extension() != ".wav") continue;
        ++waves;
        const std::string relative = "sounds/" + entry.path().filename().string();
        EXPECT_TRUE(used.contains(relative))
            << relative << " is shipped but no instrument states its pitch";
    }
    EXPECT_GT(waves, 0u);
}

class GeneratedFilesTest : public ChordlaneTest {};

TEST_F(GeneratedFilesTest, GeneratorReproducesTheCommittedFiles) {
    std::string error;
    ASSERT_TRUE(soundgen::WriteAll(temp_, error)) << error;
    const std::vector<soundgen::GeneratedFile> files = soundgen::GenerateAll();
    ASSERT_FALSE(files.empty());
    size_t total = 0;
    for (const soundgen::GeneratedFile& file : files) {
        const std::vector<uint8_t> written = ReadBytes(temp_ / file.path);
        EXPECT_EQ(written, file.bytes) << file.path << " was not written as generated";
        EXPECT_TRUE(ReadBytes(SOURCE_DIR / file.path) == written)
            << file.path
            << " differs from what the generator makes; run the regenerate-data target";
        total += written.size();
    }
    // The committed data stays small enough to ship in the repository.
    EXPECT_LT(total, 3u * 1024 * 1024);
}

}  // namespace
}  // namespace chordlane::test

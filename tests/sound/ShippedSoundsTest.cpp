// The wave files shipped with the sample instruments: each is a wave file the program can
// load, its true pitch is the one its instrument states (the pitch shifting derives every
// other note from that statement), and the generator still makes exactly the committed bytes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>

#include "sound/Sample.h"
#include "sound/WaveFile.h"
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

// Sum of squared differences between the signal and itself shifted by lag, over count
// samples from the start.
double Difference(const std::vector<double>& x, size_t lag, size_t count) {
    double sum = 0.0;
    for (size_t i = 0; i < count; ++i) sum += (x[i] - x[i + lag]) * (x[i] - x[i + lag]);
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
    std::vector<double> d(maxLag + 2, 0.0), normalised(maxLag + 2, 1.0);
    double running = 0.0;
    for (size_t lag = 1; lag <= maxLag + 1; ++lag) {
        d[lag] = Difference(x, lag, x.size() - maxLag - 1);
        running += d[lag];
        normalised[lag] = running > 0.0 ? d[lag] * lag / running : 1.0;
    }
    size_t best = 0;
    for (size_t lag = minLag; lag <= maxLag && best == 0; ++lag) {
        if (normalised[lag] < 0.2 && normalised[lag] <= normalised[lag - 1] &&
            normalised[lag] <= normalised[lag + 1]) {
            best = lag;
        }
    }
    if (best == 0) {
        best = static_cast<size_t>(
            std::min_element(normalised.begin() + minLag, normalised.begin() + maxLag + 1) -
            normalised.begin());
    }
    double period = best + ParabolaOffset(d[best - 1], d[best], d[best + 1]);
    for (int periods = 2;; periods *= 2) {
        const auto centre = static_cast<size_t>(std::floor(periods * period + 0.5));
        if (centre + 5 > x.size() / 2) break;
        std::vector<double> near;
        for (size_t lag = centre - 4; lag <= centre + 4; ++lag) {
            near.push_back(Difference(x, lag, x.size() - centre - 5));
        }
        const auto at =
            static_cast<size_t>(std::min_element(near.begin() + 1, near.end() - 1) - near.begin());
        period = (static_cast<double>(centre - 4 + at) +
                  ParabolaOffset(near[at - 1], near[at], near[at + 1])) /
                 periods;
    }
    return rate / period;
}

// One `s` line that names a wave file outright (prompted ones name the user's file).
struct SoundLine {
    std::string where;  // instrument, line and sound name
    std::string file;
    double frequency = 0.0;
};

std::vector<SoundLine> ShippedSoundLines() {
    // A quiet mark or an option may stand before the file.
    const std::regex sound(R"(^s\s+(\S+)\s+\*?\s*(?:-\S+\s+)?(\S+\.wav)\s+([0-9.]+))");
    std::vector<SoundLine> all;
    for (const auto& entry : fs::directory_iterator(INSTRUMENTS)) {
        if (entry.path().extension() != ".clx" && entry.path().extension() != ".cly") continue;
        std::ifstream in(entry.path());
        std::smatch m;
        for (auto [text, number] = std::pair{std::string(), 1}; std::getline(in, text); ++number) {
            if (!std::regex_search(text, m, sound)) continue;
            std::string file = m[2];
            std::replace(file.begin(), file.end(), '\\', '/');
            all.push_back(
                {entry.path().filename().string() + ":" + std::to_string(number) + " " + m[1].str(),
                 file, std::stod(m[3])});
        }
    }
    return all;
}

TEST(ShippedSoundsTest, EveryStatedPitchIsTheTruePitchOfAWaveThatLoads) {
    const std::vector<SoundLine> lines = ShippedSoundLines();
    ASSERT_FALSE(lines.empty());
    std::map<std::string, double> measured;
    for (const SoundLine& s : lines) {
        SCOPED_TRACE(s.where);
        if (!measured.contains(s.file)) {
            Sample wave;
            ASSERT_TRUE(ParseWave(wave, ReadBytes(INSTRUMENTS / s.file)));
            ASSERT_EQ(wave.format.bitsPerSample, 16);
            std::vector<double> values(wave.ValueCount());
            for (size_t i = 0; i < values.size(); ++i) {
                int16_t v;
                std::memcpy(&v, wave.Data() + 2 * i, 2);
                values[i] = v / 32768.0;
            }
            measured[s.file] = MeasurePitch(values, static_cast<int>(wave.format.samplesPerSec));
            std::printf("%-28s measured %9.3f Hz\n", s.file.c_str(), measured[s.file]);
        }
        EXPECT_NEAR(1200.0 * std::log2(measured[s.file] / s.frequency), 0.0, 10.0)
            << s.file << " measures " << measured[s.file] << " Hz, stated " << s.frequency;
    }
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

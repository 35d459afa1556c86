// Loading a sound element: all copies of a 2-second plucked note, from a WAV and from a FLAC
// file, and the copies alone on one thread and on all cores.
#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "elements/Instrument.h"
#include "elements/SoundElement.h"
#include "platform/Text.h"
#include "platform/headless/HeadlessPlatform.h"
#include "sound/PitchShift.h"
#include "sound/Sample.h"
#include "sound/WaveFile.h"

namespace chordlane {
namespace {

constexpr uint32_t RATE = 44100;
constexpr float NOTE = 196.0f;  // G3

// A plucked string (Karplus-Strong), 2 seconds, as a canonical 16-bit mono wave file.
std::string PluckedNote() {
    const size_t period = static_cast<size_t>(RATE / NOTE);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    std::vector<double> line(period);
    for (double& x : line) x = noise(random);
    std::string data;
    for (size_t i = 0; i < RATE * 2; ++i) {
        const size_t k = i % period;
        const double y = line[k];
        line[k] = 0.996 * 0.5 * (line[k] + line[(k + 1) % period]);
        const auto v = static_cast<int16_t>(std::lround(y * 24000));
        data += static_cast<char>(v & 0xFF);
        data += static_cast<char>((v >> 8) & 0xFF);
    }
    auto put32 = [](std::string& s, uint32_t v) {
        for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    std::string file = "RIFF";
    put32(file, 36 + static_cast<uint32_t>(data.size()));
    file += "WAVEfmt ";
    put32(file, 16);
    file += std::string("\x01\x00\x01\x00", 4);
    put32(file, RATE);
    put32(file, RATE * 2);
    file += std::string("\x02\x00\x10\x00", 4);
    file += "data";
    put32(file, static_cast<uint32_t>(data.size()));
    return file + data;
}

const std::string& NotePath() {
    static const std::string path = [] {
        const auto p = std::filesystem::temp_directory_path() / "chordlane-bench-note.wav";
        std::ofstream(p, std::ios::binary) << PluckedNote();
        return p.string();
    }();
    return path;
}

// SetActive of a sound element with LOW and HIGH 24: reading the file, 48 copies.
void BM_LoadSoundElement(benchmark::State& state) {
    HeadlessPlatform platform;
    const auto range = static_cast<int32_t>(state.range(0));
    int64_t held = 0;
    for (auto _ : state) {
        // A fresh instrument each time: one instrument's work budget is spent after a few
        // loads, and the loads after that would make no copies at all.
        state.PauseTiming();
        auto instrument = std::make_unique<Instrument>(platform.services);
        state.ResumeTiming();
        SoundElement sound(*instrument, u"gtr", u"", FromUtf8(NotePath()), NOTE, range, range,
                           true);
        const int64_t before = instrument->memory.samples.Held();
        sound.SetActive(true);
        held = instrument->memory.samples.Held() - before;
        if (sound.GetSample(range)->dataLength == 0)
            state.SkipWithError("the copies were not made");
        benchmark::DoNotOptimize(sound.GetSample(0));
    }
    state.counters["bytes_held"] = static_cast<double>(held);
    state.counters["copies"] = 2.0 * range;
}
BENCHMARK(BM_LoadSoundElement)->Arg(24)->Arg(12)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same note as a 16-bit WAV and as a FLAC file, loaded by a sound element with LOW and
// HIGH as given: read (and decode), then the copies. With 0 there are no copies, so the
// figure is reading against decoding alone.
void BM_LoadSoundElementFrom(benchmark::State& state, const char* kind) {
    HeadlessPlatform platform;
    const std::string wave = PluckedNote();
    auto path = std::filesystem::temp_directory_path() / "chordlane-bench-note";
    path += kind;
    if (std::string(kind) == ".wav") {
        std::ofstream(path, std::ios::binary) << wave;
    } else {
        SF_INFO info{0, static_cast<int>(RATE), 1, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 0, 0};
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        std::vector<int16_t> values((wave.size() - 44) / 2);
        std::memcpy(values.data(), wave.data() + 44, 2 * values.size());
        sf_writef_short(file, values.data(), static_cast<sf_count_t>(values.size()));
        sf_close(file);
    }
    const auto range = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        // A fresh instrument each time, whose work budget is not spent yet.
        state.PauseTiming();
        auto instrument = std::make_unique<Instrument>(platform.services);
        state.ResumeTiming();
        SoundElement sound(*instrument, u"gtr", u"", FromUtf8(path.string()), NOTE, range, range,
                           true);
        sound.SetActive(true);
        if (!sound.HasSamples() || sound.GetSample(range)->dataLength == 0)
            state.SkipWithError("the note did not load");
        benchmark::DoNotOptimize(sound.GetSample(0));
    }
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK_CAPTURE(BM_LoadSoundElementFrom, wav, ".wav")
    ->Arg(0)
    ->Arg(12)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_LoadSoundElementFrom, flac, ".flac")
    ->Arg(0)
    ->Arg(12)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The 48 copies alone (the file already read), on the given number of threads.
void BM_ShiftedCopies(benchmark::State& state) {
    Sample recording;
    const std::string file = PluckedNote();
    ParseWave(recording, {reinterpret_cast<const uint8_t*>(file.data()), file.size()});
    recording.frequency = NOTE;
    std::vector<std::unique_ptr<Sample>> copies;
    std::vector<ShiftJob> jobs;
    double r = 1.059463;
    for (int s = 1; s <= 24; ++s, r *= 1.059463) {
        copies.push_back(std::make_unique<Sample>());
        jobs.push_back({copies.back().get(), static_cast<float>(NOTE * r)});
    }
    r = 1.059463;
    for (int s = 1; s <= 24; ++s, r *= 1.059463) {
        copies.push_back(std::make_unique<Sample>());
        jobs.push_back({copies.back().get(), static_cast<float>(NOTE / r)});
    }
    const auto threads = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        MakeShiftedSamples(recording, jobs, threads);
        benchmark::DoNotOptimize(copies[0]->Data());
    }
}
BENCHMARK(BM_ShiftedCopies)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The plain gain loop, one copy after the other: what the parallel copies must equal.
void BM_ShiftedCopiesStraightforward(benchmark::State& state) {
    Sample recording;
    const std::string file = PluckedNote();
    ParseWave(recording, {reinterpret_cast<const uint8_t*>(file.data()), file.size()});
    recording.frequency = NOTE;
    std::vector<Sample> copies(48);
    for (auto _ : state) {
        double r = 1.059463;
        for (int s = 0; s < 24; ++s, r *= 1.059463) {
            MakeShiftedSample(copies[s], recording, static_cast<float>(NOTE * r));
            MakeShiftedSample(copies[24 + s], recording, static_cast<float>(NOTE / r));
        }
        benchmark::DoNotOptimize(copies[0].Data());
    }
}
BENCHMARK(BM_ShiftedCopiesStraightforward)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every sound element of a shipped instrument ("s NAME FILE FREQ LOW HIGH" lines): the time
// to load them all and the bytes their samples hold.
void BM_ShippedInstrumentSounds(benchmark::State& state, const char* instrument) {
    HeadlessPlatform platform;
    Instrument owner(platform.services);
    const std::string path = std::string(CHORDLANE_SOURCE_DIR) + "/instruments/" + instrument;
    struct Declared {
        std::string name, file;
        float frequency;
        int low, high;
    };
    std::vector<Declared> sounds;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string directive;
        Declared d;
        if (words >> directive >> d.name >> d.file >> d.frequency >> d.low >> d.high &&
            directive == "s") {
            sounds.push_back(d);
        }
    }
    int64_t held = 0;
    for (auto _ : state) {
        std::vector<std::unique_ptr<SoundElement>> elements;
        const int64_t before = owner.memory.samples.Held();
        for (const Declared& d : sounds) {
            elements.push_back(std::make_unique<SoundElement>(owner, FromUtf8(d.name),
                                                              FromUtf8(path), FromUtf8(d.file),
                                                              d.frequency, d.low, d.high, true));
            elements.back()->SetActive(true);
        }
        held = owner.memory.samples.Held() - before;
    }
    state.counters["sounds"] = static_cast<double>(sounds.size());
    state.counters["bytes_held"] = static_cast<double>(held);
}
BENCHMARK_CAPTURE(BM_ShippedInstrumentSounds, guitar, "guitar.clx")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_ShippedInstrumentSounds, keyboard, "keyboard.clx")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace chordlane

BENCHMARK_MAIN();

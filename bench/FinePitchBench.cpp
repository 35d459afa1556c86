// Loading a shipped instrument with each method of making pitch copies: the fine method's
// load should take at most three times the exact one's. Headless, so nothing is converted to
// an output's rate: the copies are nearly all of the load, and the ratio is the strictest.
// Single recordings' copies (all semitones an octave either way, one thread) show the
// synthesis alone.

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/OpenFlow.h"
#include "elements/Instrument.h"
#include "platform/Text.h"
#include "platform/headless/HeadlessPlatform.h"
#include "sound/PitchShift.h"
#include "sound/Sample.h"
#include "sound/WaveFile.h"

namespace {

using namespace chordlane;

const char* const INSTRUMENTS[] = {"guitar.clx", "keyboard.clx", "strummer.clx"};

std::string Shipped(const std::string& name) {
    return std::string(CHORDLANE_SOURCE_DIR) + "/instruments/" + name;
}

// range(0): the instrument; range(1): 0 exact, 1 fine.
void BM_LoadShippedInstrument(benchmark::State& state) {
    const std::string file = Shipped(INSTRUMENTS[state.range(0)]);
    HeadlessPlatform platform;
    for (auto _ : state) {
        Instrument instrument(platform.services);
        instrument.SetScreen(240, 320);
        instrument.load.programFolder = FromUtf8(Shipped(""));
        instrument.options.pitch = state.range(1) ? PitchMethod::Fine : PitchMethod::Exact;
        const OpenResult result = OpenInstrument(instrument, FromUtf8(file));
        if (result.outcome != OpenResult::Outcome::Loaded) state.SkipWithError("did not load");
        benchmark::DoNotOptimize(instrument.root.get());
    }
    state.SetLabel(std::string(INSTRUMENTS[state.range(0)]) +
                   (state.range(1) ? " fine" : " exact"));
}
BENCHMARK(BM_LoadShippedInstrument)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// range(0): the sound; range(1): 0 exact, 1 fine.
void BM_CopiesOfOneRecording(benchmark::State& state) {
    const char* sounds[] = {"sounds/gtr-e2.wav", "sounds/epiano-c4.wav"};
    const float frequencies[] = {82.4069f, 261.626f};
    std::ifstream in(Shipped(sounds[state.range(0)]), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    const PitchMethod method = state.range(1) ? PitchMethod::Fine : PitchMethod::Exact;
    for (auto _ : state) {
        // A fresh recording each time: its analysis is part of a load.
        Sample recording;
        if (!ParseWave(recording, bytes)) state.SkipWithError("no recording");
        recording.frequency = frequencies[state.range(0)];
        std::vector<std::unique_ptr<Sample>> copies;
        std::vector<ShiftJob> jobs;
        for (int s = -12; s <= 12; ++s) {
            if (s == 0) continue;
            copies.push_back(std::make_unique<Sample>());
            jobs.push_back({copies.back().get(),
                            static_cast<float>(recording.frequency * std::pow(2.0, s / 12.0))});
        }
        MakeShiftedSamples(recording, jobs, 1, nullptr, {}, method);
        benchmark::DoNotOptimize(copies.back()->Data());
    }
    state.SetLabel(std::string(sounds[state.range(0)]) + (state.range(1) ? " fine" : " exact"));
}
BENCHMARK(BM_CopiesOfOneRecording)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);

}  // namespace

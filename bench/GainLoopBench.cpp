// The gain loop on a recording that is quiet but for its end, copied far up: the shape whose
// reruns once held loads for seconds. The copies as a load makes them against the
// straightforward loop, one full pass per gain, which they must equal.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sound/PitchShift.h"
#include "sound/Sample.h"
#include "sound/WaveFile.h"

namespace {

using namespace chordlane;

constexpr uint32_t RATE = 8000;
constexpr double TONE = 5.0;

// 1 s at 8 kHz of a 5 Hz tone, quiet but for its last 50 ms, as a wave file.
std::string QuietThenLoud() {
    std::string data;
    for (uint32_t i = 0; i < RATE; ++i) {
        const double a = i >= RATE - 400 ? 20000 : 200;
        const auto v =
            static_cast<int16_t>(std::lround(a * std::sin(6.283185307 * TONE * i / RATE)));
        data += static_cast<char>(v & 0xFF);
        data += static_cast<char>((v >> 8) & 0xFF);
    }
    auto le = [](uint32_t v, int bytes) {
        std::string s;
        for (int k = 0; k < bytes; ++k) s += static_cast<char>((v >> (8 * k)) & 0xFF);
        return s;
    };
    return "RIFF" + le(36 + static_cast<uint32_t>(data.size()), 4) + "WAVEfmt " + le(16, 4) +
           le(1, 2) + le(1, 2) + le(RATE, 4) + le(RATE * 2, 4) + le(2, 2) + le(16, 2) + "data" +
           le(static_cast<uint32_t>(data.size()), 4) + data;
}

void Load(Sample& recording) {
    const std::string file = QuietThenLoud();
    ParseWave(recording, {reinterpret_cast<const uint8_t*>(file.data()), file.size()});
    recording.frequency = static_cast<float>(TONE);
}

// Copies at shifts range(0) to range(1), as a load makes them, on one thread.
void BM_QuietThenLoudCopies(benchmark::State& state) {
    Sample recording;
    Load(recording);
    std::vector<std::unique_ptr<Sample>> copies;
    std::vector<ShiftJob> jobs;
    for (int64_t s = state.range(0); s <= state.range(1); ++s) {
        copies.push_back(std::make_unique<Sample>());
        jobs.push_back({copies.back().get(), static_cast<float>(TONE * std::pow(1.059463, s))});
    }
    for (auto _ : state) {
        MakeShiftedSamples(recording, jobs, 1);
        benchmark::DoNotOptimize(copies[0]->Data());
    }
}
BENCHMARK(BM_QuietThenLoudCopies)
    ->Args({1, 24})
    ->Args({100, 103})
    ->Args({124, 127})
    ->Unit(benchmark::kMillisecond);

// The same copies by the straightforward loop.
void BM_QuietThenLoudCopiesStraightforward(benchmark::State& state) {
    Sample recording;
    Load(recording);
    for (auto _ : state) {
        for (int64_t s = state.range(0); s <= state.range(1); ++s) {
            Sample copy;
            MakeShiftedSample(copy, recording, static_cast<float>(TONE * std::pow(1.059463, s)));
            benchmark::DoNotOptimize(copy.Data());
        }
    }
}
BENCHMARK(BM_QuietThenLoudCopiesStraightforward)
    ->Args({1, 24})
    ->Args({100, 103})
    ->Args({124, 127})
    ->Unit(benchmark::kMillisecond);

}  // namespace

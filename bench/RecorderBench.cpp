// What recording costs the audio callback: the render of one 256-frame block of the mix, with
// and without a recording tapping it, while the recording's writer thread writes the file.
// callback_core_ppm is the share of one core the callback takes at 48 kHz, in millionths
// (1 % is 10000); the recording's cost is the difference between the two runs.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "mixer/Recorder.h"
#include "mixer/WaveMapper.h"
#include "platform/Text.h"

namespace chordlane {
namespace {

constexpr size_t BLOCK = 256;
constexpr uint32_t MIX_RATE = 48000;
constexpr int BLOCKS = 20000;  // about 107 s of sound

void BM_RecordingTap(benchmark::State& state) {
    const bool recording = state.range(0) != 0;
    WaveMapper mapper(WaveMapperConfig{MIX_RATE, 16, 1024});
    // The ring holds the whole run, so every block takes the copying path, never an overrun.
    Recorder recorder(mapper, {.ringMs = 1000 * (BLOCKS * BLOCK / MIX_RATE + 2)});
    const std::string path = "/tmp/chordlane-bench-" + std::to_string(getpid()) + ".wav";
    if (recording && !recorder.Start(FromUtf8(path), 16).empty()) {
        state.SkipWithError("cannot write the recording");
        return;
    }
    std::vector<float> block(2 * BLOCK, 0.0f);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        mapper.Render(block, BLOCK);
        benchmark::DoNotOptimize(block.data());
    }
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    const RecordingStats stats = recorder.Stop();
    std::remove(path.c_str());
    if (stats.overruns) state.SkipWithError("the ring overran: blocks took the short path");
    // Seconds of callback per second of sound, in millionths (wall time, as the device sees it).
    const double sound = static_cast<double>(state.iterations()) * BLOCK / MIX_RATE;
    state.counters["callback_core_ppm"] = spent.count() / sound * 1e6;
    state.SetLabel(recording ? "recording" : "not recording");
}
BENCHMARK(BM_RecordingTap)->Arg(0)->Arg(1)->Iterations(BLOCKS)->Repetitions(3);

}  // namespace
}  // namespace chordlane

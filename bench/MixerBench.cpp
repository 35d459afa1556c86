// The mixer's block render: 64 sounding voices, one second of 48 kHz stereo in blocks of
// 256 frames. Sounds arrive at the mix's rate (they are converted when loaded), and the sum
// of 64 notes is loud enough to keep the master stage limiting.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "mixer/WaveMapper.h"

namespace chordlane {
namespace {

constexpr int VOICES = 64;
constexpr size_t BLOCK = 256;
constexpr uint32_t MIX_RATE = 48000;

void BM_MixerRender(benchmark::State& state) {
    const uint32_t rate = MIX_RATE;
    WaveMapper mapper(WaveMapperConfig{MIX_RATE, 256, 1024, {}});
    // Two seconds of a note per voice, so every voice sounds through the measured second.
    std::vector<std::vector<int16_t>> notes(VOICES);
    std::vector<WaveHeader> headers(VOICES);
    std::vector<WaveDevice> devices(VOICES);
    const WaveFormat format{1, 1, rate, rate * 2, 2, 16, 0};
    for (int v = 0; v < VOICES; ++v) {
        notes[v].resize(2 * rate);
        for (size_t i = 0; i < notes[v].size(); ++i) {
            notes[v][i] = static_cast<int16_t>(500 * std::sin(i * (0.01 + 0.001 * v)));
        }
        mapper.Open(&devices[v], format, nullptr);
    }
    std::vector<float> block(2 * BLOCK);
    for (auto _ : state) {
        state.PauseTiming();
        for (int v = 0; v < VOICES; ++v) {
            mapper.Reset(devices[v]);
            headers[v] = WaveHeader{};
            headers[v].data = reinterpret_cast<const uint8_t*>(notes[v].data());
            headers[v].bufferLength = static_cast<uint32_t>(notes[v].size() * 2);
            mapper.Prepare(devices[v], &headers[v]);
            mapper.Write(devices[v], &headers[v]);
        }
        mapper.DeliverNotices();
        state.ResumeTiming();
        for (size_t done = 0; done < MIX_RATE; done += BLOCK) mapper.Render(block, BLOCK);
        benchmark::DoNotOptimize(block.data());
    }
}
BENCHMARK(BM_MixerRender)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace chordlane

// The master stage alone: one second of 48 kHz stereo in blocks of 256 frames, for a mix
// that stays below the ceiling and for one that needs limiting all the time. The time per
// iteration is the share of one core it takes (10 ms is 1 %).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "mixer/MasterStage.h"

namespace chordlane {
namespace {

constexpr uint32_t RATE = 48000;
constexpr size_t BLOCK = 256;

void BM_MasterStage(benchmark::State& state) {
    const float level = static_cast<float>(state.range(0)) / 100.0f;
    MasterStage stage(MasterStageConfig{.rate = RATE});
    std::vector<float> second(2 * RATE);
    for (size_t f = 0; f < RATE; ++f) {
        // A chord of three partials with a slow swell, so the gain keeps moving.
        const double t = static_cast<double>(f) / RATE;
        const double swell = 0.6 + 0.4 * std::sin(2 * M_PI * 3 * t);
        const double v = swell *
                         (std::sin(2 * M_PI * 220 * t) + 0.5 * std::sin(2 * M_PI * 330 * t) +
                          0.3 * std::sin(2 * M_PI * 440 * t)) /
                         1.8;
        second[2 * f] = static_cast<float>(level * v);
        second[2 * f + 1] = static_cast<float>(level * v * 0.9);
    }
    std::vector<float> block(2 * BLOCK);
    for (auto _ : state) {
        for (size_t done = 0; done + BLOCK <= RATE; done += BLOCK) {
            std::copy(second.begin() + 2 * done, second.begin() + 2 * (done + BLOCK),
                      block.begin());
            stage.Process(block.data(), BLOCK);
            benchmark::DoNotOptimize(block.data());
        }
    }
    state.SetLabel(level < 1.0f ? "below the ceiling" : "limiting");
}
BENCHMARK(BM_MasterStage)->Arg(50)->Arg(400)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace chordlane

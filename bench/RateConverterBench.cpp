// What converting one second of mono sound to 48 kHz costs, by source rate, for the polyphase
// filter and for libsamplerate: a load converts every pitch copy, so this times the copies'
// seconds is the conversion's share of a load.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "mixer/PolyphaseRateConverter.h"
#include "mixer/SincRateConverter.h"

namespace chordlane {
namespace {

template <class Converter>
void BM_ConvertOneSecond(benchmark::State& state) {
    const auto from = static_cast<uint32_t>(state.range(0));
    Converter converter(48000);
    std::vector<float> in(from);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] =
            0.5f * static_cast<float>(std::sin(2.0 * M_PI * 441.0 * static_cast<double>(i) / from));
    std::vector<float> out(converter.MaxFrames(in.size(), from));
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            converter.Convert(in.data(), in.size(), 1, from, out.data(), out.size()));
        benchmark::ClobberMemory();
    }
}
BENCHMARK_TEMPLATE(BM_ConvertOneSecond, PolyphaseRateConverter)
    ->Arg(22050)
    ->Arg(44100)
    ->Arg(96000)
    ->Arg(44101)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_ConvertOneSecond, SincRateConverter)
    ->Arg(22050)
    ->Arg(44100)
    ->Arg(96000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace chordlane

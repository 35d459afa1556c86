// How fast chordlane-tool play runs: a 2-second strum across the built-in guitar's six
// strings, mixed on the virtual clock millisecond by millisecond, with and without writing
// the WAV file. The strings ring on after the strum, so each run mixes up to six voices.
#include <benchmark/benchmark.h>

#include "app/OpenFlow.h"
#include "elements/Instrument.h"
#include "mixer/PolyphaseRateConverter.h"
#include "mixer/SincRateConverter.h"
#include "tools/OfflineEngine.h"
#include "tools/ScriptRunner.h"
#include "tools/ToolSession.h"

namespace chordlane {
namespace {

constexpr char STRUM[] = "strum 20 296 220 296 2000 100\n";
constexpr double STRUM_SECONDS = 2.0;

void BM_PlayGuitarStrum(benchmark::State& state, const char* wavPath) {
    tool::ToolSession session(tool::CommonOptions{});
    tool::OfflineEngine engine(session.Platform(), session.GetInstrument(), {.wavPath = wavPath});
    if (OpenInstrument(session.GetInstrument(), String(u"!")).outcome !=
        OpenResult::Outcome::Loaded) {
        state.SkipWithError("the built-in instrument did not load");
        return;
    }
    const tool::ScriptParse parsed = tool::ParseScript(STRUM);
    tool::ScriptRunner runner(engine.View(), session.Platform().clock, session.Platform().dialogs);
    for (auto _ : state) runner.Run(*parsed.script);
    // Seconds of sound per second of work: how many times faster than real time.
    state.counters["realtime"] =
        benchmark::Counter(STRUM_SECONDS * state.iterations(), benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(BM_PlayGuitarStrum, mix_only, "")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PlayGuitarStrum, to_wav_file, "/tmp/chordlane_bench_strum.wav")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace chordlane

namespace chordlane {
namespace {

// The whole load of the built-in guitar (copies, and with conversion their 48 kHz copies
// too), as the program loads it; the sample memory it holds afterwards as a counter. Arg 0
// loads without conversion, 1 converts with libsamplerate, 2 with the polyphase filter the
// programs use. The CPU column is the whole process's, all loading threads together: on a
// shared machine the wall time says more about the neighbours than about the load.
void BM_LoadBuiltInGuitar(benchmark::State& state) {
    tool::ToolSession session(tool::CommonOptions{});
    SincRateConverter sinc(48000);
    PolyphaseRateConverter polyphase(48000);
    RateConverter* const converters[] = {nullptr, &sinc, &polyphase};
    const char* const labels[] = {"copies only", "libsamplerate to 48 kHz", "polyphase to 48 kHz"};
    Platform& services = session.Platform().services;
    services.rates = converters[state.range(0)];
    int64_t held = 0;
    for (auto _ : state) {
        if (OpenInstrument(session.GetInstrument(), String(u"!")).outcome !=
            OpenResult::Outcome::Loaded) {
            state.SkipWithError("the built-in instrument did not load");
            break;
        }
        held = session.GetInstrument().memory.samples.Held();
    }
    services.rates = nullptr;
    state.counters["sample_MB"] = static_cast<double>(held) / 1e6;
    state.SetLabel(labels[state.range(0)]);
}
BENCHMARK(BM_LoadBuiltInGuitar)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
}  // namespace chordlane

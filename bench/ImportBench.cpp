// Importing a piano preset of a full General MIDI SoundFont (Debian's fluid-soundfont-gm,
// 140 MB), as chordlane-tool import does: the figure behind the promise of under 10 s and
// 400 MB. Run it alone for a true peak:
//   build/default/bench/chordlane_bench --benchmark_filter=ImportFluidR3

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>

#include "import/LibraryImport.h"

namespace chordlane {
namespace {

constexpr char FLUID_R3[] = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void BM_ImportFluidR3Piano(benchmark::State& state) {
    if (!std::filesystem::exists(FLUID_R3)) {
        state.SkipWithError("no FluidR3_GM.sf2: apt-get install fluid-soundfont-gm");
        return;
    }
    size_t waveBytes = 0, notes = 0;
    for (auto _ : state) {
        std::string reason;
        auto library = OpenSoundLibrary(FLUID_R3, reason, [](const std::string&) {});
        if (!library) {
            state.SkipWithError(reason.c_str());
            return;
        }
        const auto preset = FindPreset(*library, "0:0");
        if (!preset) {
            state.SkipWithError("FluidR3_GM.sf2 has no preset 0:0");
            return;
        }
        const ImportedInstrument imported = ImportPreset(*library, *preset, ImportLayout::Keyboard);
        waveBytes = 0;
        for (const ImportedFile& wave : imported.waves) waveBytes += wave.bytes.size();
        notes = imported.notes.size();
        benchmark::DoNotOptimize(imported.text.data());
    }
    state.counters["notes"] = static_cast<double>(notes);
    state.counters["wave_MB"] = static_cast<double>(waveBytes) / (1024.0 * 1024.0);
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_ImportFluidR3Piano)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace chordlane

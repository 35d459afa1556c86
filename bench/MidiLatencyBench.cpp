// How long a note-on takes from the stroke that causes it to the far side of the live MIDI
// port: a tap plucks a string of the built-in guitar through the program's own stroke
// handling, its note goes out on the port "Chordlane", and a second JACK client takes it
// in. Needs a JACK server (make bench starts one on the dummy driver, with a period of
// 32 frames at 48 kHz, so a note waits at most 0.67 ms for its period); without one the
// benchmark says so and is skipped.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "app/midi/MidiNotes.h"
#include "app/midi/MidiNotesPort.h"
#include "app/midi/MidiNotesTrace.h"
#include "platform/rtmidi/RtMidiOutput.h"
#include "tests/support/JackMidiReader.h"
#include "tools/OfflineEngine.h"
#include "tools/ScriptRunner.h"
#include "tools/ToolLoad.h"
#include "tools/ToolSession.h"

namespace chordlane {
namespace {

using test::JackMidiReader;

void BM_MidiNoteOnLatency(benchmark::State& state) {
    if (RtMidiOutput::Probe(MidiSystem::Jack).system != MidiSystem::Jack) {
        state.SkipWithError("no JACK server (JACK_DEFAULT_SERVER names the one to use)");
        return;
    }
    RtMidiOutput::Opened opened = RtMidiOutput::Open({.system = MidiSystem::Jack});
    if (!opened.port) {
        state.SkipWithError(("the port did not open: " + opened.error).c_str());
        return;
    }
    JackMidiReader reader("Chordlane:Chordlane");
    if (!reader.Error().empty()) {
        state.SkipWithError(reader.Error().c_str());
        return;
    }
    tool::ToolSession session(tool::CommonOptions{});
    tool::OfflineEngine engine(session.Platform(), session.GetInstrument(), {});
    MidiNoteTracker notes;
    MidiNotesPort live(*opened.port);
    notes.AddSink(live);
    MidiNotesTrace trace(notes, session.Platform().clock);
    tool::ScopedService<EventTrace> installed(session.GetInstrument().trace, &trace);
    if (tool::LoadForTool(session, "!", {}) != 0) {
        state.SkipWithError("the built-in instrument did not load");
        return;
    }
    // The low E string at the first fret; a tap more than 25 ms after the last is a new
    // stroke, and each strikes the string anew (a note-off, then the note-on).
    const tool::ScriptParse tap = tool::ParseScript("tap 22 100\n");
    const tool::ScriptParse pause = tool::ParseScript("wait 30\n");
    tool::ScriptRunner runner(engine.View(), session.Platform().clock, session.Platform().dialogs);
    const auto patience = std::chrono::milliseconds(200);
    size_t seen = 0;
    std::vector<double> latencies;
    int lost = 0;
    for (auto _ : state) {
        const auto stroke = JackMidiReader::Clock::now();
        runner.Run(*tap.script);
        const auto noteOn = reader.NextNoteOn(seen, patience);
        if (!noteOn) {
            // A reader that misses its period on an overloaded machine loses what came in
            // it; counted, and the next tap measured afresh.
            ++lost;
            state.SetIterationTime(std::chrono::duration<double>(patience).count());
            seen = reader.Wait(0, std::chrono::milliseconds(0)).size();
        } else {
            const double seconds = std::chrono::duration<double>(noteOn->second - stroke).count();
            state.SetIterationTime(seconds);
            latencies.push_back(seconds * 1000.0);
            seen = noteOn->first + 1;
        }
        state.PauseTiming();
        runner.Run(*pause.script);
        state.ResumeTiming();
    }
    state.counters["lost"] = lost;
    if (latencies.empty()) return;
    // The mean hides how often a note is late: the spread is what a player feels.
    std::sort(latencies.begin(), latencies.end());
    auto at = [&latencies](double q) {
        return latencies[std::min(latencies.size() - 1, static_cast<size_t>(q * latencies.size()))];
    };
    state.counters["median_ms"] = at(0.5);
    state.counters["p90_ms"] = at(0.9);
    state.counters["p99_ms"] = at(0.99);
    state.counters["worst_ms"] = latencies.back();
    state.counters["within_1ms"] =
        static_cast<double>(std::upper_bound(latencies.begin(), latencies.end(), 1.0) -
                            latencies.begin()) /
        static_cast<double>(latencies.size());
}

BENCHMARK(BM_MidiNoteOnLatency)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(2000);

}  // namespace
}  // namespace chordlane

// Sound a studio can trust: while 32 voices of the guitar's recordings sound through the real
// output and a full-screen window repaints 60 times a second, how often does the output run
// dry? Two runs: PulseAudio (PortAudio's ALSA "pulse" device) at 256 frames, and JACK at
// 128 frames (the server's period is set to 128 for the run and put back after). The count
// is the counter "underruns"; the run lasts CHORDLANE_STRESS_SECONDS seconds (default 60),
// after a sixth of that with the output open and nothing to do ("idle_underruns_per_min").
//
// The voices are started as a person starts them: taps on the buttons of an instrument
// through the program's own view and stroke handling, which play through the program's mixer.
// The window is the shipped guitar painted at 1920 x 1080 through QtSurface into a QImage,
// on this thread, the one that also taps and delivers the mixer's notices -- the interface
// thread's work in the program. A run without a server (no JACK server, no PulseAudio) is
// skipped and says why.
#include <benchmark/benchmark.h>
#include <jack/jack.h>
#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "app/OpenFlow.h"
#include "bench/FullScreenPaint.h"
#include "bench/OffscreenApplication.h"
#include "elements/Instrument.h"
#include "mixer/PolyphaseRateConverter.h"
#include "mixer/WaveMapper.h"
#include "platform/Text.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/portaudio/PortAudioOutput.h"
#include "platform/qt/QtPictureLoader.h"
#include "tools/ScriptRunner.h"
#include "view/InstrumentView.h"

namespace chordlane {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int VOICES = 32;
constexpr int COLUMNS = 4;
constexpr int BUTTON_WIDTH = 240 / COLUMNS;
constexpr int BUTTON_HEIGHT = 320 / (VOICES / COLUMNS);
constexpr auto FRAME = std::chrono::microseconds(1000000 / 60);
// Every voice is struck again this often, before its note (1.2 s at the least) has ended.
constexpr auto RESTRIKE = std::chrono::milliseconds(500);

double StressSeconds() {
    const char* text = std::getenv("CHORDLANE_STRESS_SECONDS");
    const double seconds = text ? std::atof(text) : 60.0;
    return seconds > 0 ? seconds : 60.0;
}

// 32 voices, each on a button of a 4 x 8 grid, playing the guitar's six recordings at up to
// five semitones up; written to a folder of its own, beside a link to the shipped sounds.
std::filesystem::path WriteVoicesInstrument() {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("chordlane-stress-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::error_code ignored;
    std::filesystem::create_directory_symlink(
        std::filesystem::path(CHORDLANE_SOURCE_DIR) / "instruments" / "sounds", folder / "sounds",
        ignored);
    const char* recordings[] = {"gtr-e2 82.4069", "gtr-a2 110",     "gtr-d3 146.832",
                                "gtr-g3 195.998", "gtr-b3 246.942", "gtr-e4 329.628"};
    auto n = [](int i) { return std::to_string(i); };
    std::string text = "cl1.0\nd 240 320\n";
    for (int s = 0; s < 6; ++s) {
        const std::string r = recordings[s];
        const size_t space = r.find(' ');
        text +=
            "s g" + n(s) + " sounds/" + r.substr(0, space) + ".wav" + r.substr(space) + " 0 5\n";
    }
    for (int i = 0; i < VOICES; ++i) {
        text += "v v" + n(i) + "\nbr p" + n(i) + " " + n(i % COLUMNS * BUTTON_WIDTH) + " " +
                n(i / COLUMNS * BUTTON_HEIGHT) + " " + n(BUTTON_WIDTH) + " " + n(BUTTON_HEIGHT) +
                "\n";
    }
    text += "{ init\n";
    for (int i = 0; i < VOICES; ++i) {
        text += "=s v" + n(i) + ".ns g" + n(i % 6) + "+" + n(i / 6) + "\n=s p" + n(i) + ".na v" +
                n(i) + "\n";
    }
    text += "}\n";
    std::ofstream(folder / "voices.clx") << text;
    return folder;
}

// The program's mixer, counting the notes started on it and the notices of notes ended, so
// the run can tell how many voices sounded.
class CountingMixer : public WaveMapper {
  public:
    WaveResult Open(WaveDevice* device, const WaveFormat& format, NoticeHandler handler) override {
        auto counted = [this, inner = std::move(handler)](WaveDevice d, WaveHeader* h) {
            ++ended;
            if (inner) inner(d, h);
        };
        return WaveMapper::Open(device, format, std::move(counted));
    }
    WaveResult Write(WaveDevice device, WaveHeader* header) override {
        const WaveResult r = WaveMapper::Write(device, header);
        if (r == WaveResult::Ok) ++started;
        return r;
    }
    int64_t Sounding() const { return started - ended; }

    int64_t started = 0, ended = 0;
};

// Sets a JACK server's period for as long as it lives, then puts the old one back.
class JackPeriod {
  public:
    explicit JackPeriod(jack_nframes_t frames) {
        jack_status_t status{};
        client_ = jack_client_open("chordlane stress period", JackNoStartServer, &status);
        if (!client_) return;
        previous_ = jack_get_buffer_size(client_);
        ok_ = previous_ == frames || jack_set_buffer_size(client_, frames) == 0;
    }
    ~JackPeriod() {
        if (!client_) return;
        if (ok_ && previous_ != jack_get_buffer_size(client_))
            jack_set_buffer_size(client_, previous_);
        jack_client_close(client_);
    }
    bool Running() const { return client_ != nullptr; }
    bool Ok() const { return ok_; }

  private:
    jack_client_t* client_ = nullptr;
    jack_nframes_t previous_ = 0;
    bool ok_ = false;
};

void BM_UnderrunsUnderLoad(benchmark::State& state, const char* device, uint32_t frames) {
    EnsureOffscreenApplication();
    std::optional<JackPeriod> period;
    if (std::string(device).rfind("JACK", 0) == 0) {
        period.emplace(frames);
        if (!period->Running()) {
            state.SkipWithError("no JACK server (JACK_DEFAULT_SERVER names the one to use)");
            return;
        }
        if (!period->Ok()) {
            state.SkipWithError("the JACK server would not take the period");
            return;
        }
    }
    const double seconds = StressSeconds();

    // The sound: the program's mixer on the real output, sounds converted to its rate.
    HeadlessPlatform platform;
    QtPictureLoader pictures{*platform.files};
    platform.services.pictures = &pictures;
    CountingMixer mixer;
    AudioOutputConfig config;
    config.device = device;
    config.framesPerBuffer = frames;
    AudioOpenResult opened = OpenAudioOutput(mixer, config, false);
    if (!opened.output) {
        state.SkipWithError(("the output did not open: " + opened.problem).c_str());
        return;
    }
    PolyphaseRateConverter rates(opened.output->Rate());
    platform.services.waveOut = &mixer;
    platform.services.rates = &rates;

    const std::filesystem::path folder = WriteVoicesInstrument();
    Instrument voices(platform.services);
    voices.SetScreen(240, 320);
    const bool loaded =
        OpenInstrument(voices, FromUtf8((folder / "voices.clx").string())).outcome ==
        OpenResult::Outcome::Loaded;
    // The window: the shipped guitar, with its pictures, as a full-screen window paints it.
    Instrument guitar(platform.services);
    guitar.SetScreen(240, 320);
    const bool guitarLoaded = OpenInstrument(guitar, FromUtf8(std::string(CHORDLANE_SOURCE_DIR) +
                                                              "/instruments/guitar.clx"))
                                  .outcome == OpenResult::Outcome::Loaded;
    if (!loaded || !guitarLoaded) {
        opened.output->Stop();
        std::filesystem::remove_all(folder);
        state.SkipWithError("an instrument did not load");
        return;
    }
    InstrumentView voicesView(voices);
    InstrumentView window(guitar);
    tool::ScriptRunner runner(voicesView, platform.clock, platform.dialogs);
    std::vector<tool::ScriptParse> taps;
    for (int i = 0; i < VOICES; ++i) {
        const int x = i % COLUMNS * BUTTON_WIDTH + BUTTON_WIDTH / 2;
        const int y = i / COLUMNS * BUTTON_HEIGHT + BUTTON_HEIGHT / 2;
        // The virtual clock moves on after each tap: taps closer together than a stroke's
        // spacing would be one stroke.
        taps.push_back(tool::ParseScript("tap " + std::to_string(x) + " " + std::to_string(y) +
                                         "\nwait 30\n"));
    }

    FullScreenPaint screen;
    auto paint = [&] { screen.Paint(window); };

    // What the output counts with nothing to do, for a sixth of the run: a JACK dummy
    // server's own timer, late by a few microseconds now and then on a virtual machine, is
    // counted as an xrun too, and no client can help that.
    const double idleSeconds = seconds / 6;
    const uint64_t idleBefore = opened.output->Underruns();
    std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
    const double idlePerMinute =
        static_cast<double>(opened.output->Underruns() - idleBefore) * 60.0 / idleSeconds;

    int64_t painted = 0, lateFrames = 0, fewestSounding = VOICES;
    uint64_t underruns = 0;
    double worstPaintMs = 0;
    for (auto _ : state) {
        // Every voice struck once, then held at 32 for the run.
        for (const tool::ScriptParse& tap : taps) runner.Run(*tap.script);
        mixer.DeliverNotices();
        const uint64_t before = opened.output->Underruns();
        const auto start = Clock::now();
        const auto end = start + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(seconds));
        auto nextFrame = start;
        size_t nextVoice = 0;
        const auto strikeEvery = RESTRIKE / VOICES;
        auto nextStrike = start + strikeEvery;
        while (Clock::now() < end) {
            const auto paintStart = Clock::now();
            paint();
            const double paintMs =
                std::chrono::duration<double, std::milli>(Clock::now() - paintStart).count();
            worstPaintMs = std::max(worstPaintMs, paintMs);
            ++painted;
            mixer.DeliverNotices();
            fewestSounding = std::min(fewestSounding, mixer.Sounding());
            for (; Clock::now() >= nextStrike; nextStrike += strikeEvery) {
                runner.Run(*taps[nextVoice].script);
                nextVoice = (nextVoice + 1) % taps.size();
            }
            nextFrame += FRAME;
            if (Clock::now() > nextFrame) {
                ++lateFrames;
                nextFrame = Clock::now();
            }
            std::this_thread::sleep_until(nextFrame);
        }
        underruns = opened.output->Underruns() - before;
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    opened.output->Stop();
    std::filesystem::remove_all(folder);
    mixer.DeliverNotices();
    state.counters["underruns"] = static_cast<double>(underruns);
    state.counters["underruns_per_min"] = static_cast<double>(underruns) * 60.0 / seconds;
    state.counters["idle_underruns_per_min"] = idlePerMinute;
    state.counters["seconds"] = seconds;
    state.counters["frames"] = frames;
    state.counters["paint_hz"] = static_cast<double>(painted) / seconds;
    state.counters["late_paints"] = static_cast<double>(lateFrames);
    state.counters["worst_paint_ms"] = worstPaintMs;
    state.counters["fewest_voices"] = static_cast<double>(fewestSounding);
    state.counters["notes_started"] = static_cast<double>(mixer.started);
    state.SetLabel(opened.output->Describe() + "; " + std::to_string(underruns) + " underrun" +
                   (underruns == 1 ? "" : "s") + " in " + std::to_string(seconds) + " s");
}

BENCHMARK_CAPTURE(BM_UnderrunsUnderLoad, pulseaudio_256, "ALSA: pulse", 256u)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_UnderrunsUnderLoad, jack_128, "JACK Audio Connection Kit: system", 128u)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace chordlane

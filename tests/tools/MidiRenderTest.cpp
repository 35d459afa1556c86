// The MIDI file of chordlane-tool play --midi played by another program's synthesizer
// (FluidSynth, through a General MIDI SoundFont): it sounds where the performance's notes
// were and lasts as long as the performance.
#include <fluidsynth.h>
#include <gmock/gmock.h>

#include <cmath>
#include <memory>

#include "tests/sound/SoundTestSupport.h"
#include "tests/tools/ToolRunner.h"

namespace chordlane::test {
namespace {

const char* const kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
constexpr int kRate = 44100;

// Two buttons: "long" rings 2 seconds at 440 Hz (note 69), "low" one second at 110 Hz
// (note 45).
const char* const kKeys =
    "s long long.wav 440 0 0\n"
    "s low low.wav 110 0 0\n"
    "v v1\nv v2\n"
    "br k1 0 0 40 40\nbr k2 40 0 40 40\n"
    "{ init\n=s v1.ns long\n=s v2.ns low\n=s k1.na v1\n=s k2.na v2\n}\n";

struct Rendering {
    std::vector<float> frames;  // mono, the left channel
    int totalTicks = -1;        // the player's length of the file
    double endMs = -1;          // when the player's position reached that length
};

// The file as FluidSynth's player plays it on the SoundFont's first preset, rendered on the
// sample clock (not the wall clock), until the player is done: it waits for the last
// voices' release to end as well.
Rendering RenderWithFluidSynth(const std::string& midi) {
    Rendering rendering;
    std::vector<float>& out = rendering.frames;
    std::unique_ptr<fluid_settings_t, void (*)(fluid_settings_t*)> settings(new_fluid_settings(),
                                                                            delete_fluid_settings);
    fluid_settings_setnum(settings.get(), "synth.sample-rate", kRate);
    fluid_settings_setstr(settings.get(), "player.timing-source", "sample");
    fluid_settings_setint(settings.get(), "synth.lock-memory", 0);
    std::unique_ptr<fluid_synth_t, void (*)(fluid_synth_t*)> synth(new_fluid_synth(settings.get()),
                                                                   delete_fluid_synth);
    if (fluid_synth_sfload(synth.get(), kSoundFont, 1) == FLUID_FAILED) return rendering;
    std::unique_ptr<fluid_player_t, void (*)(fluid_player_t*)> player(new_fluid_player(synth.get()),
                                                                      delete_fluid_player);
    if (fluid_player_add(player.get(), midi.c_str()) != FLUID_OK) return rendering;
    fluid_player_play(player.get());
    constexpr int BLOCK = 64;
    constexpr size_t LIMIT = 60 * kRate;  // a player that never ends is a failure, not a hang
    float left[BLOCK], right[BLOCK];
    while (fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING && out.size() < LIMIT) {
        fluid_synth_write_float(synth.get(), BLOCK, left, 0, 1, right, 0, 1);
        out.insert(out.end(), left, left + BLOCK);
        // The player reads the file in its first callback, and knows its length from then.
        rendering.totalTicks = fluid_player_get_total_ticks(player.get());
        if (rendering.endMs < 0 && rendering.totalTicks > 0 &&
            fluid_player_get_current_tick(player.get()) >= rendering.totalTicks)
            rendering.endMs = static_cast<double>(out.size()) * 1000 / kRate;
    }
    return rendering;
}

// The root mean square of the frames between the two times.
double Rms(const std::vector<float>& frames, int fromMs, int toMs) {
    const size_t from = static_cast<size_t>(fromMs) * kRate / 1000;
    const size_t to = std::min(frames.size(), static_cast<size_t>(toMs) * kRate / 1000);
    if (to <= from) return 0.0;
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += static_cast<double>(frames[i]) * frames[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

class MidiRenderTest : public ToolTest {};

TEST_F(MidiRenderTest, FluidSynthPlaysTheFileForItsLengthWithSoundWhereTheNotesWere) {
    if (!std::filesystem::exists(kSoundFont)) GTEST_SKIP() << "no " << kSoundFont;
    const WaveSpec form;
    WriteFile("long.wav", CanonicalWave(form, Tone(form, 440, 2.0, 8000)));
    WriteFile("low.wav", CanonicalWave(form, Tone(form, 110, 1.0, 8000)));
    // k1 at 0 ms (to 2000), k2 at 2500 ms (to 3500); the performance ends at 4000 ms.
    const std::string script = "tap 20 20\nwait 2500\ntap 60 20\nwait 1500\n";
    const ToolRun run = Run({"play", Instrument("keys.clx", kKeys), "--script",
                             WriteFile("script.txt", script).string(), "--midi", Path("out.mid")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_THAT(run.out, ::testing::HasSubstr("2500 start \"v2\" sample=\"low\""));

    const Rendering rendering = RenderWithFluidSynth(Path("out.mid"));
    const std::vector<float>& sound = rendering.frames;
    ASSERT_FALSE(sound.empty()) << "FluidSynth did not play the file";
    // 1000 ticks a second: the file is as long as the performance, and so is its playing.
    EXPECT_EQ(rendering.totalTicks, 4000);
    EXPECT_NEAR(rendering.endMs, 4000, 10);

    // A tap is a soft stroke (velocity 38) and a piano decays: "sounding" is well above
    // FluidSynth's silence, and the notes' starts are found by their first loud frame.
    constexpr double SOUNDING = 2e-5, SILENT = 1e-5;
    const auto onsetMs = [&](int afterMs) {
        for (size_t i = static_cast<size_t>(afterMs) * kRate / 1000; i < sound.size(); ++i)
            if (std::abs(sound[i]) > 1e-4) return static_cast<double>(i) * 1000 / kRate;
        return -1.0;
    };
    EXPECT_NEAR(onsetMs(0), 0, 10);
    EXPECT_NEAR(onsetMs(2200), 2500, 10);
    // Each note sounds until its note-off (2000 and 3500 ms) and has died away after it.
    for (const auto& [from, to] : {std::pair{0, 2000}, std::pair{2500, 3500}}) {
        for (int t = from; t < to; t += 100)
            EXPECT_GT(Rms(sound, t, t + 100), SOUNDING) << "at " << t << " ms";
    }
    EXPECT_LT(Rms(sound, 2300, 2495), SILENT);
    EXPECT_LT(Rms(sound, 3800, 4000), SILENT);
    EXPECT_LT(Rms(sound, 4000, static_cast<int>(sound.size() * 1000 / kRate)), SILENT);
}

}  // namespace
}  // namespace chordlane::test

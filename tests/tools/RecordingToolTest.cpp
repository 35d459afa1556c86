// A recording of a scripted performance through the offline mixer holds the same samples as
// chordlane-tool play -o of the same script: the recorder taps the very blocks the output
// plays, and its file is written as the offline mix's is.
#include <gmock/gmock.h>

#include <algorithm>

#include "mixer/Recorder.h"
#include "tests/support/WavReader.h"
#include "tests/tools/ToolRunner.h"
#include "tools/OfflineEngine.h"
#include "tools/ScriptRunner.h"
#include "tools/ToolCommand.h"
#include "tools/ToolLoad.h"
#include "tools/ToolSession.h"

namespace chordlane::test {
namespace {

// Strums the built-in guitar's strings, changes chord by key and strums again.
constexpr char PERFORMANCE[] =
    "strum 20 296 220 296 200 10\n"
    "wait 700\n"
    "key 50\n"
    "wait 400\n"
    "strum 220 296 20 296 120 8\n"
    "wait 900\n";

TEST_F(ToolTest, ARecordedPerformanceHoldsTheSamplesThatPlayWritesForTheSameScript) {
    const std::string script = WriteFile("performance.txt", PERFORMANCE).string();
    const ToolRun play = Run({"play", "!", "--script", script, "-o", Path("play.wav")});
    ASSERT_EQ(play.exitCode, 0) << play.err;

    // The same performance in this process, with a recorder on the offline mixer.
    tool::CommonOptions common;
    common.home = (temp_ / "home").string();
    tool::ToolSession session(common);
    tool::OfflineEngine engine(session.Platform(), session.GetInstrument(), {});
    // Room for the whole performance: the comparison is of samples, not of the disk's pace.
    Recorder recorder(engine.Mixer(), {.ringMs = 60'000});
    ASSERT_EQ(recorder.Start(FromUtf8(Path("recorded.wav")), 16), "");
    ASSERT_EQ(tool::LoadForTool(session, "!", common), tool::EXIT_DONE);
    std::string error;
    const std::optional<tool::Script> parsed = tool::ReadScriptFile(script, error);
    ASSERT_TRUE(parsed) << error;
    tool::ScriptRunner(engine.View(), session.Platform().clock, session.Platform().dialogs)
        .Run(*parsed);
    const RecordingStats stats = recorder.Stop();
    EXPECT_EQ(stats.overruns, 0u);
    EXPECT_EQ(stats.error, "");

    const WavContent played = ReadWav(Path("play.wav"));
    const WavContent recorded = ReadWav(Path("recorded.wav"));
    ASSERT_TRUE(played.valid);
    ASSERT_TRUE(recorded.valid);
    EXPECT_EQ(recorded.rate, played.rate);
    EXPECT_EQ(recorded.bits, 16);
    // 2.3 s of performance, and the guitar sounded in it.
    EXPECT_EQ(played.samples.size(), 2u * 48000u * 2320u / 1000u);
    EXPECT_GT(*std::max_element(played.samples.begin(), played.samples.end()), 1000);
    // The output plays the mix late by the master stage's look-ahead, and the recording
    // holds what it plays; play -o takes that delay out.
    const size_t late = 2u * engine.Mixer().MasterLatency();
    ASSERT_GT(late, 0u);
    ASSERT_EQ(recorded.samples.size(), played.samples.size());
    EXPECT_TRUE(std::all_of(recorded.samples.begin(), recorded.samples.begin() + late,
                            [](int32_t v) { return v == 0; }));
    EXPECT_TRUE(
        std::equal(recorded.samples.begin() + late, recorded.samples.end(), played.samples.begin()))
        << recorded.samples.size() << " samples recorded, " << played.samples.size() << " played";
}

}  // namespace
}  // namespace chordlane::test

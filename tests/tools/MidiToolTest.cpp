// chordlane-tool play --midi: the notes of a scripted performance, read back from the file
// and held against the event log of the same run.
#include <gmock/gmock.h>

#include <cstdlib>
#include <regex>

#include "tests/sound/SoundTestSupport.h"
#include "tests/support/MidiFileReader.h"
#include "tests/tools/ToolRunner.h"

namespace chordlane::test {
namespace {

using ::testing::HasSubstr;

// Five buttons in a row, 40 pixels wide, each playing one voice. The 100 ms tone at 440 Hz
// is note 69; at 110 Hz it is two octaves lower; at 3.4375 Hz it would be note -15; "long"
// rings for two seconds.
const char* const kKeys =
    "s a tone.wav 440 0 4\n"
    "s lo tone.wav 110 0 0\n"
    "s deep tone.wav 3.4375 0 0\n"
    "s long long.wav 440 0 0\n"
    "v v1\nv v2\nv v3\nv v4\nv v5\n"
    "br k1 0 0 40 40\nbr k2 40 0 40 40\nbr k3 80 0 40 40\nbr k4 120 0 40 40\n"
    "br k5 160 0 40 40\n"
    "{ init\n"
    "=s v1.ns \"a+2\"\n=s v2.ns \"a+2\"\n=s v3.ns lo\n=s v4.ns deep\n=s v5.ns long\n"
    "=s k1.na v1\n=s k2.na v2\n=s k3.na v3\n=s k4.na v4\n=s k5.na v5\n"
    "}\n";

std::string Tap(int key) { return "tap " + std::to_string(20 + 40 * (key - 1)) + " 20\n"; }

// The time of the log's last "done" line for voice, -1 when there is none.
int DoneTime(const std::string& log, const std::string& voice) {
    const std::regex done("(\\d+) done \"" + voice + "\"");
    int time = -1;
    for (auto it = std::sregex_iterator(log.begin(), log.end(), done); it != std::sregex_iterator();
         ++it) {
        time = std::stoi((*it)[1]);
    }
    return time;
}

class MidiToolTest : public ToolTest {
  protected:
    void SetUp() override {
        ToolTest::SetUp();
        const WaveSpec form;
        WriteFile("tone.wav", CanonicalWave(form, Tone(form, 440, 0.1, 8000)));
        WriteFile("long.wav", CanonicalWave(form, Tone(form, 440, 2.0, 8000)));
    }
    // Plays script on the keys; answers the file read back (empty events on failure).
    MidiFile Play(const std::string& script) {
        run = Run({"play", Instrument("keys.clx", kKeys), "--script",
                   WriteFile("script.txt", script).string(), "--midi", Path("out.mid")});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::string error;
        const auto file = ReadMidiFile(ReadBytes(temp_ / "out.mid"), error);
        EXPECT_TRUE(file) << error;
        return file.value_or(MidiFile{});
    }
    ToolRun run;
};

TEST_F(MidiToolTest, NotesFollowTheBaseNoteAndShiftAndEndWithTheirSounds) {
    const MidiFile file = Play(Tap(1) + "wait 300\n" + Tap(3) + "wait 300\n");
    EXPECT_EQ(file.format, 0);
    EXPECT_EQ(file.tracks, 1);
    // A quarter note a second in 1000 ticks: a tick is a millisecond for every reader.
    EXPECT_EQ(file.division, 1000);
    EXPECT_EQ(file.tempos, (std::vector<std::pair<uint32_t, uint32_t>>{{0, 1000000}}));
    // A tap's strength 30 at the start-up volumes is volume 30: velocity 38.
    ASSERT_THAT(run.out, HasSubstr("0 start \"v1\" sample=\"a\" shift=2 volume=30"));
    const uint32_t end1 = DoneTime(run.out, "v1"), end3 = DoneTime(run.out, "v3");
    EXPECT_EQ(
        file.events,
        (std::vector<MidiEvent>{
            {0, 0x90, 71, 38}, {end1, 0x80, 71, 64}, {300, 0x90, 45, 38}, {end3, 0x80, 45, 64}}));
    EXPECT_EQ(file.endTick, 600u);
}

TEST_F(MidiToolTest, AnotherProgramsReaderPlaysTheFileAtTheLogsSpeed) {
    // Python's mido (Debian's, as the tests install it) is a reader written to the standard
    // rather than to us: the length it computes from division and tempo is the performance's.
    if (std::system("/usr/bin/python3 -c 'import mido' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3-mido is not installed (make test installs it)";
    Play(Tap(1) + "wait 300\n" + Tap(3) + "wait 300\n");
    const std::string script = WriteFile("length.py",
                                         "import mido, sys\n"
                                         "print(round(mido.MidiFile(sys.argv[1]).length * 1000))\n")
                                   .string();
    const std::string command = "/usr/bin/python3 '" + script + "' '" + Path("out.mid") + "' >'" +
                                Path("length.txt") + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadBytes(temp_ / "length.txt");
    EXPECT_EQ(ReadBytes(temp_ / "length.txt"), "600\n");
}

TEST_F(MidiToolTest, OverlapsOfOneNoteNumberEndTheEarlierNoteOnceAndOnlyThere) {
    // v1 and v2 play the same note, each struck again before its sound ends. (Taps 30 ms
    // apart: a touch within 25 ms would continue the stroke.)
    const MidiFile file = Play(Tap(1) + "wait 30\n" + Tap(2) + "wait 30\n" + Tap(1) + "wait 30\n" +
                               Tap(2) + "wait 300\n");
    const uint32_t end = DoneTime(run.out, "v2");
    ASSERT_GE(end, 190u) << run.out;
    ASSERT_LT(DoneTime(run.out, "v1"), static_cast<int>(end)) << run.out;
    // Each new start of the note ends the one sounding; the voices' own ends (v1's at 160
    // and the restarts) belong to notes already taken over, except v2's last.
    EXPECT_EQ(file.events, (std::vector<MidiEvent>{{0, 0x90, 71, 38},
                                                   {30, 0x80, 71, 64},
                                                   {30, 0x90, 71, 38},
                                                   {60, 0x80, 71, 64},
                                                   {60, 0x90, 71, 38},
                                                   {90, 0x80, 71, 64},
                                                   {90, 0x90, 71, 38},
                                                   {end, 0x80, 71, 64}}))
        << run.out;
}

TEST_F(MidiToolTest, NotesStillRingingEndWithTheScriptAndNotesOutOfRangeAreLeftOut) {
    const MidiFile file = Play(Tap(4) + "wait 30\n" + Tap(5) + "wait 470\n");
    EXPECT_THAT(run.out, HasSubstr("0 start \"v4\" sample=\"deep\""));
    EXPECT_EQ(file.events, (std::vector<MidiEvent>{{30, 0x90, 69, 38}, {500, 0x80, 69, 64}}));
    EXPECT_EQ(file.endTick, 500u);
}

TEST_F(MidiToolTest, AnUnwritableFileIsABadCommandLineAndAMissingInstrumentLeavesNoFile) {
    const ToolRun bad =
        Run({"play", Instrument("keys.clx", kKeys), "--midi", Path("no/such/folder/out.mid")});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_THAT(bad.err, HasSubstr("cannot write"));
    EXPECT_EQ(Run({"play", Instrument("keys.clx", kKeys), "--midi", ""}).exitCode, 2);
    EXPECT_EQ(Run({"play", Path("missing.clx"), "--midi", Path("gone.mid")}).exitCode, 4);
    EXPECT_FALSE(std::filesystem::exists(temp_ / "gone.mid"));
}

}  // namespace
}  // namespace chordlane::test

// File -> Record without a window: where the file goes, that no file is ever replaced, the
// companion that records the same performance, and what the person is told.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "app/RecordingSession.h"
#include "app/midi/MidiNotes.h"
#include "app/midi/MidiRecordingCompanion.h"
#include "platform/Text.h"
#include "tests/support/ChordlaneTest.h"
#include "tests/support/FakeRecorder.h"
#include "tests/support/MidiFileReader.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr LocalTime WHEN{2026, 12, 7, 8, 5, 3};

class FakeCompanion : public RecordingCompanion {
  public:
    std::string Begin(const String&) override { return beginProblem; }
    std::string End() override {
        ++ended;
        return "notes in 'x.mid'";
    }
    int ended = 0;
    std::string beginProblem;
};

class RecordingSessionTest : public ChordlaneTest {
  protected:
    String Name(const char16_t* suffix) {
        return TempFolder() + u"Chordlane 2026-12-07 08-05-03" + suffix;
    }
    FakeRecorder recorder_;
    RecordingSession session_{&recorder_, platform_.files.get()};
};

TEST_F(RecordingSessionTest, RecordsIntoTheHomeFolderUnderTheDateAndTimeWithoutReplacingAFile) {
    ASSERT_EQ(session_.Start(TempFolder(), WHEN), "");
    session_.Stop();
    // The fake made no file: these stand for earlier recordings and their notes.
    WriteFile("Chordlane 2026-12-07 08-05-03.wav", "RIFF");
    ASSERT_EQ(session_.Start(TempFolder(), WHEN), "");
    session_.Stop();
    WriteFile("Chordlane 2026-12-07 08-05-03 (2).mid", "MThd");
    ASSERT_EQ(session_.Start(TempFolder(), WHEN), "");
    EXPECT_THAT(recorder_.starts, ElementsAre(Name(u".wav"), Name(u" (2).wav"), Name(u" (3).wav")));
    // Destroying the session finishes the recording under way.
    { RecordingSession(&recorder_, nullptr).Start(TempFolder(), WHEN); }
    EXPECT_FALSE(recorder_.recording);
}

// A companion that cannot record leaves the sound recording, and the log line says why. (One
// that can records under the same name and ends with the sound: the MIDI test below.)
TEST_F(RecordingSessionTest, ACompanionThatCannotRecordLeavesTheSoundRecording) {
    FakeCompanion notes;
    notes.beginProblem = "no MIDI file: disk full";
    session_.SetCompanion(&notes);
    ASSERT_EQ(session_.Start(TempFolder(), WHEN), "");
    EXPECT_TRUE(session_.IsRecording());
    EXPECT_THAT(session_.Stop(), HasSubstr("no MIDI file: disk full"));
    EXPECT_EQ(notes.ended, 0);
}

TEST_F(RecordingSessionTest, TheLogLineCountsOnlyTheUnderrunsWithinTheRecording) {
    uint64_t underruns = 5;  // before the recording: not its own
    session_.SetUnderrunCounter([&] { return underruns; });
    ASSERT_EQ(session_.Start(TempFolder(), WHEN), "");
    EXPECT_THAT(session_.Stop(), HasSubstr("; no underrun of the sound output"));
    ASSERT_EQ(session_.Start(TempFolder(), WHEN), "");
    underruns += 2;
    EXPECT_THAT(session_.Stop(), HasSubstr("; 2 underruns of the sound output (gaps heard"));
}

TEST_F(RecordingSessionTest, ProblemsAreSaidWithTheFileAndALostBlockOrFailedWriteIsLogged) {
    EXPECT_THAT(RecordingSession(nullptr, nullptr).Start(TempFolder(), WHEN), HasSubstr("no"));
    EXPECT_THAT(session_.Start(u"", WHEN), HasSubstr("home folder"));
    recorder_.startError = "Permission denied";
    EXPECT_EQ(session_.Start(TempFolder(), WHEN),
              "cannot record to '" + ToUtf8(Name(u".wav")) + "': Permission denied");
    EXPECT_FALSE(session_.IsRecording());

    recorder_.startError.clear();
    ASSERT_EQ(session_.Start(TempFolder(), WHEN), "");
    recorder_.progress.frames = 65 * 48000 + 47999;
    EXPECT_EQ(session_.StatusText(), u"Recording 1:05");
    EXPECT_EQ(session_.CheckProblem(), "");
    recorder_.progress.overruns = 3;
    recorder_.progress.lostFrames = 768;
    recorder_.progress.error = "writing: No space left on device";
    const std::string line = session_.CheckProblem();
    EXPECT_FALSE(session_.IsRecording());
    EXPECT_THAT(line,
                HasSubstr("recorded '" + ToUtf8(Name(u".wav")) + "': 1:05 (66.00 s) at 48000 Hz"));
    EXPECT_THAT(line, HasSubstr("3 blocks (768 frames) lost"));
    EXPECT_THAT(line, HasSubstr("No space left on device"));
    EXPECT_EQ(FormatDuration(3600 * 2 + 61.9), "2:01:01");
}

// With MIDI on, the notes of the recording go beside it, timed from its start; a note that
// began before the recording ends in it without its note-on, and with MIDI off no file is
// made at all.
TEST_F(RecordingSessionTest, WithMidiOnTheRecordingsNotesGoBesideItInAStandardMidiFile) {
    MidiNoteTracker notes;
    bool midiOn = true;
    MidiRecordingCompanion companion(notes, platform_.clock, *platform_.files,
                                     [&] { return midiOn; });
    session_.SetCompanion(&companion);
    const int before = 0, during = 0;
    notes.VoiceStarted(&before, 60, 100, platform_.clock.TickCount());
    platform_.clock.Advance(500);
    ASSERT_EQ(session_.Start(TempFolder(), WHEN), "");
    platform_.clock.Advance(10);
    notes.VoiceStarted(&during, 64, 60, platform_.clock.TickCount());
    platform_.clock.Advance(20);
    notes.VoiceEnded(&before, platform_.clock.TickCount());
    platform_.clock.Advance(5);
    EXPECT_THAT(session_.Stop(), HasSubstr(ToUtf8(Name(u".mid"))));

    std::string error;
    std::ifstream in(std::filesystem::path(ToUtf8(Name(u".mid"))), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::optional<MidiFile> file = ReadMidiFile(bytes, error);
    ASSERT_TRUE(file) << error;
    EXPECT_THAT(file->events,
                ElementsAre(MidiEvent{10, 0x90, 64, 76}, MidiEvent{35, 0x80, 64, 64}));
    EXPECT_EQ(file->endTick, 35u);

    midiOn = false;
    ASSERT_EQ(session_.Start(TempFolder(), WHEN), "");
    session_.Stop();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(ToUtf8(Name(u" (2).mid")))));
}

}  // namespace
}  // namespace chordlane::test

// File -> Record without a window: where the file goes, that nothing is ever replaced, the
// companion that records the same performance, and what the person is told.
#include <gmock/gmock.h>

#include "app/RecordingSession.h"
#include "tests/support/ChordlaneTest.h"
#include "tests/support/FakeRecorder.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr LocalTime WHEN{2026, 12, 7, 8, 5, 3};

// Notes what it is told; answers what a test sets.
class FakeCompanion : public RecordingCompanion {
  public:
    std::string Begin(const String& basePath) override {
        begun.push_back(basePath);
        return beginProblem;
    }
    std::string End() override {
        ++ended;
        return endNote;
    }
    std::vector<String> begun;
    int ended = 0;
    std::string beginProblem;
    std::string endNote;
};

class RecordingSessionTest : public ChordlaneTest {
  protected:
    String Home() { return TempFolder(); }
    FakeRecorder recorder_;
    RecordingSession session_{&recorder_, platform_.files.get()};
};

TEST_F(RecordingSessionTest, RecordsIntoTheHomeFolderUnderTheDateAndTimeWithoutReplacingAFile) {
    ASSERT_EQ(session_.Start(Home(), WHEN), "");
    EXPECT_TRUE(session_.IsRecording());
    EXPECT_EQ(session_.Path(), Home() + u"Chordlane 2026-12-07 08-05-03.wav");
    session_.Stop();
    // The recorder made no file; a file of that name appears, as a real recording leaves
    // one. A second recording in the same second, and one whose .mid name is taken, get
    // numbers.
    WriteFile("Chordlane 2026-12-07 08-05-03.wav", "RIFF");
    ASSERT_EQ(session_.Start(Home(), WHEN), "");
    session_.Stop();
    WriteFile("Chordlane 2026-12-07 08-05-03 (2).mid", "MThd");
    ASSERT_EQ(session_.Start(Home(), WHEN), "");
    session_.Stop();
    EXPECT_THAT(recorder_.starts, ElementsAre(Home() + u"Chordlane 2026-12-07 08-05-03.wav",
                                              Home() + u"Chordlane 2026-12-07 08-05-03 (2).wav",
                                              Home() + u"Chordlane 2026-12-07 08-05-03 (3).wav"));
    EXPECT_EQ(recorder_.stops, 3);
}

TEST_F(RecordingSessionTest, ARecordingThatCannotStartSaysWhyAndRecordsNothing) {
    RecordingSession none(nullptr, platform_.files.get());
    EXPECT_FALSE(none.Available());
    EXPECT_THAT(none.Start(Home(), WHEN), HasSubstr("no"));
    EXPECT_FALSE(none.IsRecording());

    EXPECT_THAT(session_.Start(u"", WHEN), HasSubstr("home folder"));
    recorder_.startError = "Permission denied";
    const std::string problem = session_.Start(Home(), WHEN);
    EXPECT_THAT(problem, HasSubstr("Chordlane 2026-12-07 08-05-03.wav"));
    EXPECT_THAT(problem, HasSubstr("Permission denied"));
    EXPECT_FALSE(session_.IsRecording());
    EXPECT_EQ(session_.Stop(), "");
    EXPECT_EQ(session_.StatusText(), u"");
}

TEST_F(RecordingSessionTest, TheCompanionRecordsUnderTheSameNameAndEndsWithTheSound) {
    FakeCompanion notes;
    notes.endNote = "notes in 'x.mid'";
    session_.SetCompanion(&notes);
    ASSERT_EQ(session_.Start(Home(), WHEN), "");
    EXPECT_THAT(notes.begun, ElementsAre(Home() + u"Chordlane 2026-12-07 08-05-03"));
    EXPECT_EQ(notes.ended, 0);
    const std::string line = session_.Stop();
    EXPECT_EQ(notes.ended, 1);
    EXPECT_THAT(line, HasSubstr("notes in 'x.mid'"));

    // A companion that cannot record leaves the sound recording, and the log line says why.
    notes.beginProblem = "no MIDI file: disk full";
    ASSERT_EQ(session_.Start(Home(), WHEN), "");
    EXPECT_TRUE(session_.IsRecording());
    EXPECT_THAT(session_.Stop(), HasSubstr("no MIDI file: disk full"));
    EXPECT_EQ(notes.ended, 1);
}

TEST_F(RecordingSessionTest, TheWindowShowsTheRecordedTimeAndTheLogLineWhatWentWrong) {
    ASSERT_EQ(session_.Start(Home(), WHEN), "");
    recorder_.progress.frames = 65 * 48000 + 47999;
    EXPECT_EQ(session_.StatusText(), u"Recording 1:05");
    recorder_.progress.overruns = 3;
    recorder_.progress.lostFrames = 768;
    const std::string line = session_.Stop();
    EXPECT_THAT(line,
                HasSubstr("recorded '" + ToUtf8(Home()) + "Chordlane 2026-12-07 08-05-03.wav'"));
    EXPECT_THAT(line, HasSubstr("1:05 (66.00 s) at 48000 Hz, 16-bit stereo"));
    EXPECT_THAT(line, HasSubstr("3 blocks (768 frames) lost"));
    EXPECT_EQ(FormatDuration(3600 * 2 + 61.9), "2:01:01");
    EXPECT_EQ(FormatDuration(-1), "0:00");
}

TEST_F(RecordingSessionTest, AWriteFailureOrAFullFileEndsTheRecordingWithTheReason) {
    ASSERT_EQ(session_.Start(Home(), WHEN), "");
    EXPECT_EQ(session_.CheckProblem(), "");
    EXPECT_TRUE(session_.IsRecording());
    recorder_.progress.error = "writing: No space left on device";
    EXPECT_THAT(session_.CheckProblem(), HasSubstr("No space left on device"));
    EXPECT_FALSE(session_.IsRecording());
    EXPECT_EQ(recorder_.stops, 1);

    recorder_.progress.error.clear();
    recorder_.progress.full = true;
    ASSERT_EQ(session_.Start(Home(), WHEN), "");
    EXPECT_THAT(session_.CheckProblem(), HasSubstr("4 GiB"));
    EXPECT_FALSE(session_.IsRecording());
}

TEST_F(RecordingSessionTest, DestroyingTheSessionFinishesTheRecording) {
    {
        RecordingSession session(&recorder_, platform_.files.get());
        ASSERT_EQ(session.Start(Home(), WHEN), "");
    }
    EXPECT_FALSE(recorder_.recording);
    EXPECT_EQ(recorder_.stops, 1);
}

}  // namespace
}  // namespace chordlane::test

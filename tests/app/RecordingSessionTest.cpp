// File -> Record without a window: where the file goes, that no file is ever replaced, the
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

class FakeCompanion : public RecordingCompanion {
  public:
    std::string Begin(const String& basePath) override {
        begun.push_back(basePath);
        return beginProblem;
    }
    std::string End() override {
        ++ended;
        return "notes in 'x.mid'";
    }
    std::vector<String> begun;
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

TEST_F(RecordingSessionTest, TheCompanionRecordsUnderTheSameNameAndEndsWithTheSound) {
    FakeCompanion notes;
    session_.SetCompanion(&notes);
    ASSERT_EQ(session_.Start(TempFolder(), WHEN), "");
    EXPECT_THAT(notes.begun, ElementsAre(Name(u"")));
    EXPECT_EQ(notes.ended, 0);
    EXPECT_THAT(session_.Stop(), HasSubstr("notes in 'x.mid'"));
    EXPECT_EQ(notes.ended, 1);
    // A companion that cannot record leaves the sound recording, and the log line says why.
    notes.beginProblem = "no MIDI file: disk full";
    ASSERT_EQ(session_.Start(TempFolder(), WHEN), "");
    EXPECT_THAT(session_.Stop(), HasSubstr("no MIDI file: disk full"));
    EXPECT_EQ(notes.ended, 1);
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

}  // namespace
}  // namespace chordlane::test

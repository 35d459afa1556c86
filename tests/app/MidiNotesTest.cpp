// The note logic every MIDI destination shares, and the Standard MIDI File it writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MidiNotes.h"
#include "app/MidiNotesFile.h"
#include "tests/support/MidiFileReader.h"

namespace chordlane::test {
namespace {

// What a sink heard, one "on N V @T" or "off N @T" per event.
class HeardSink : public MidiSink {
  public:
    void NoteOn(uint32_t ms, uint8_t note, uint8_t velocity) override {
        heard.push_back("on " + std::to_string(note) + " " + std::to_string(velocity) + " @" +
                        std::to_string(ms));
    }
    void NoteOff(uint32_t ms, uint8_t note) override {
        heard.push_back("off " + std::to_string(note) + " @" + std::to_string(ms));
    }
    std::vector<std::string> heard;
};

using Heard = std::vector<std::string>;

class MidiNotesTest : public ::testing::Test {
  protected:
    void SetUp() override { tracker.AddSink(sink); }
    MidiNoteTracker tracker;
    HeardSink sink;
    // Voices are keys only.
    const int voiceA = 0, voiceB = 0, voiceC = 0;
};

TEST(MidiNoteNumbers, NoteAndVelocityFollowTheSoundAndVolumeWithinMidiRange) {
    EXPECT_EQ(MidiNoteTracker::NoteFor(0, 0), 69);
    EXPECT_EQ(MidiNoteTracker::NoteFor(-29, 3), 43);
    EXPECT_EQ(MidiNoteTracker::NoteFor(-69, 0), 0);
    EXPECT_EQ(MidiNoteTracker::NoteFor(58, 0), 127);
    EXPECT_EQ(MidiNoteTracker::NoteFor(-70, 0), -1);
    EXPECT_EQ(MidiNoteTracker::NoteFor(59, 0), -1);
    // A sum that would wrap a 32-bit value back into range is still out of it.
    EXPECT_EQ(MidiNoteTracker::NoteFor(2147483647, 2147483647), -1);
    EXPECT_EQ(MidiNoteTracker::NoteFor(-2147483647 - 1, -60), -1);

    EXPECT_EQ(MidiNoteTracker::VelocityFor(30), 38);    // 3860 / 100
    EXPECT_EQ(MidiNoteTracker::VelocityFor(60), 76);    // 7670 / 100
    EXPECT_EQ(MidiNoteTracker::VelocityFor(100), 127);  // 12750 / 100
    EXPECT_EQ(MidiNoteTracker::VelocityFor(1), 1);      // 177 / 100
    EXPECT_EQ(MidiNoteTracker::VelocityFor(0), 1);      // 0, raised to the least
    EXPECT_EQ(MidiNoteTracker::VelocityFor(-500), 1);
    EXPECT_EQ(MidiNoteTracker::VelocityFor(150), 127);
    // volume * 127 overflows 32 bits here.
    EXPECT_EQ(MidiNoteTracker::VelocityFor(2147483647), 127);
    EXPECT_EQ(MidiNoteTracker::VelocityFor(-2147483647 - 1), 1);
}

TEST_F(MidiNotesTest, AVoiceEndsItsNoteOnceWhenReleasedEndedOrStartedAgain) {
    tracker.VoiceStarted(&voiceA, 60, 100, 10);
    tracker.VoiceEnded(&voiceA, 20);  // released
    tracker.VoiceEnded(&voiceA, 25);  // its sound then ends: nothing more
    tracker.VoiceStarted(&voiceA, 62, 30, 30);
    tracker.VoiceStarted(&voiceA, 64, 30, 40);  // struck again before it ended
    EXPECT_EQ(sink.heard,
              (Heard{"on 60 127 @10", "off 60 @20", "on 62 38 @30", "off 62 @40", "on 64 38 @40"}));
    EXPECT_EQ(tracker.SoundingNotes(), (std::vector<uint8_t>{64}));
}

TEST_F(MidiNotesTest, ASecondVoiceOnASoundingNumberTakesItOverAndTheFirstEndsSilently) {
    tracker.VoiceStarted(&voiceA, 60, 100, 0);
    tracker.VoiceStarted(&voiceB, 60, 60, 5);
    // A's end would cut B's note short.
    tracker.VoiceEnded(&voiceA, 8);
    tracker.VoiceStarted(&voiceC, 61, 60, 9);
    tracker.VoiceEnded(&voiceB, 12);
    EXPECT_EQ(sink.heard,
              (Heard{"on 60 127 @0", "off 60 @5", "on 60 76 @5", "on 61 76 @9", "off 60 @12"}));
    // Restarting A, whose note was taken over, must not end B's successor either.
    tracker.VoiceStarted(&voiceB, 60, 100, 20);
    tracker.VoiceStarted(&voiceA, 70, 100, 21);
    EXPECT_EQ(sink.heard.back(), "on 70 127 @21");
    EXPECT_EQ(tracker.SoundingNotes(), (std::vector<uint8_t>{60, 61, 70}));
}

TEST_F(MidiNotesTest, ANoteOutOfRangeIsLeftOutButStillEndsTheVoicesPreviousNote) {
    tracker.VoiceStarted(&voiceA, 60, 100, 0);
    tracker.VoiceStarted(&voiceA, -1, 100, 10);
    tracker.VoiceEnded(&voiceA, 20);
    tracker.VoiceStarted(&voiceB, 128, 100, 30);
    EXPECT_EQ(sink.heard, (Heard{"on 60 127 @0", "off 60 @10"}));
    EXPECT_TRUE(tracker.SoundingNotes().empty());
}

TEST_F(MidiNotesTest, TheEndEndsEverySoundingNoteLowestFirstAndOnlyOnce) {
    tracker.VoiceStarted(&voiceA, 72, 100, 0);
    tracker.VoiceStarted(&voiceB, 48, 100, 1);
    tracker.VoiceStarted(&voiceC, 60, 100, 2);
    tracker.VoiceEnded(&voiceC, 3);
    tracker.EndAll(50);
    tracker.VoiceEnded(&voiceA, 60);
    tracker.EndAll(70);
    EXPECT_EQ(Heard(sink.heard.begin() + 3, sink.heard.end()),
              (Heard{"off 60 @3", "off 48 @50", "off 72 @50"}));
}

TEST_F(MidiNotesTest, EverySinkHearsTheSameNotesUntilItIsRemoved) {
    HeardSink second;
    tracker.AddSink(second);
    tracker.AddSink(second);  // once only
    tracker.VoiceStarted(&voiceA, 60, 100, 0);
    tracker.RemoveSink(second);
    tracker.VoiceEnded(&voiceA, 5);
    EXPECT_EQ(second.heard, (Heard{"on 60 127 @0"}));
    EXPECT_EQ(sink.heard, (Heard{"on 60 127 @0", "off 60 @5"}));
}

std::optional<MidiFile> ReadBack(const std::vector<uint8_t>& bytes) {
    std::string error;
    auto file = ReadMidiFile(std::string(bytes.begin(), bytes.end()), error);
    EXPECT_TRUE(file) << error;
    return file;
}

TEST(MidiNotesFileTest, AFileHoldsTheNotesInMillisecondTicksFromItsStartAndEndsTheTrack) {
    MidiNotesFile file(1000);
    MidiNoteTracker tracker;
    tracker.AddSink(file);
    const int voice = 0, other = 0;
    tracker.VoiceStarted(&voice, 69, 60, 1000);
    tracker.VoiceStarted(&other, 40, 100, 1127);  // a delta of two bytes
    tracker.VoiceEnded(&voice, 1127);
    tracker.EndAll(1500);
    const auto read = ReadBack(file.Finish(1500));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->format, 0);
    EXPECT_EQ(read->tracks, 1);
    EXPECT_EQ(read->division, 0xE728);
    EXPECT_EQ(
        read->events,
        (std::vector<MidiEvent>{
            {0, 0x90, 69, 76}, {127, 0x90, 40, 127}, {127, 0x80, 69, 64}, {500, 0x80, 40, 64}}));
    EXPECT_EQ(read->endTick, 500u);
}

TEST(MidiNotesFileTest, LongGapsAndAWrappingClockKeepTheirTimes) {
    // The tick count wraps past 2^32 during the performance.
    MidiNotesFile file(0xFFFFFF00u);
    file.NoteOn(0xFFFFFF00u, 60, 100);
    file.NoteOff(0x00000100u, 60);                    // 512 ms later, across the wrap
    file.NoteOn(0x00000100u + 0x0FFFFFFFu, 61, 100);  // the largest four-byte delta
    const auto read = ReadBack(file.Finish(0x00000100u + 0x10000000u + 3600000u));
    ASSERT_TRUE(read);
    ASSERT_EQ(read->events.size(), 4u);
    EXPECT_EQ(read->events[1].tick, 512u);
    EXPECT_EQ(read->events[2].tick, 512u + 0x0FFFFFFFu);
    // The note still held when the file ends is ended there, at the track's end.
    EXPECT_EQ(read->events[3], (MidiEvent{512u + 0x10000000u + 3600000u, 0x80, 61, 64}));
    EXPECT_EQ(read->endTick, 512u + 0x10000000u + 3600000u);
}

TEST(MidiNotesFileTest, AFileAttachedMidPerformanceLeavesOutEndsOfNotesItNeverBegan) {
    MidiNoteTracker tracker;
    const int early = 0, late = 0;
    tracker.VoiceStarted(&early, 50, 100, 0);
    MidiNotesFile file(10);
    tracker.AddSink(file);
    tracker.VoiceStarted(&late, 52, 100, 20);
    tracker.VoiceEnded(&early, 30);
    // Still sounding when the file is finished: ended in it, at its end.
    const auto read = ReadBack(file.Finish(40));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->events, (std::vector<MidiEvent>{{10, 0x90, 52, 127}, {30, 0x80, 52, 64}}));
    // Nothing reaches a finished file.
    tracker.VoiceStarted(&early, 55, 100, 50);
    EXPECT_EQ(ReadBack(file.Finish(60))->events.size(), 2u);
}

}  // namespace
}  // namespace chordlane::test

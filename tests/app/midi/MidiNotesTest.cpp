// The note logic every MIDI destination shares, and the Standard MIDI File it writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/midi/MidiNotes.h"
#include "app/midi/MidiNotesFile.h"
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
    EXPECT_EQ(MidiNoteTracker::NoteFor(-29, 3), 43);
    EXPECT_EQ(MidiNoteTracker::NoteFor(-69, 0), 0);
    EXPECT_EQ(MidiNoteTracker::NoteFor(59, 0), -1);
    // A sum that would wrap a 32-bit value back into range is still out of it.
    EXPECT_EQ(MidiNoteTracker::NoteFor(2147483647, 2147483647), -1);
    EXPECT_EQ(MidiNoteTracker::NoteFor(-2147483647 - 1, -60), -1);

    EXPECT_EQ(MidiNoteTracker::VelocityFor(60), 76);  // 7670 / 100
    EXPECT_EQ(MidiNoteTracker::VelocityFor(0), 1);    // 0, raised to the least
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

std::optional<MidiFile> ReadBack(const std::vector<uint8_t>& bytes) {
    std::string error;
    auto file = ReadMidiFile(std::string(bytes.begin(), bytes.end()), error);
    EXPECT_TRUE(file) << error;
    return file;
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

}  // namespace
}  // namespace chordlane::test

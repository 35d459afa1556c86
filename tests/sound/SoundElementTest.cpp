#include "sound/SoundElement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "app/EventTrace.h"
#include "language/NameRegistry.h"
#include "tests/sound/WaveBytes.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

int32_t BaseNoteOf(float frequency) {
    return SoundElement(u"s", u"", u"x.wav", frequency, 0, 0, true).BaseNote();
}

TEST(SoundElementNotes, BaseNoteIsTheNearestSemitoneFrom440) {
    EXPECT_EQ(BaseNoteOf(440.0f), 0);
    EXPECT_EQ(BaseNoteOf(466.16f), 1);
    EXPECT_EQ(BaseNoteOf(415.3f), -1);
    EXPECT_EQ(BaseNoteOf(82.41f), -29);
    EXPECT_EQ(BaseNoteOf(452.0f), 0);
    EXPECT_EQ(BaseNoteOf(453.0f), 1);
    EXPECT_EQ(BaseNoteOf(880.0f), 12);
    EXPECT_EQ(BaseNoteOf(NO_REAL), 267);
    // No note at all: no undefined conversion, and no match far down the keyboard.
    EXPECT_EQ(BaseNoteOf(0.0f), 0);
    EXPECT_EQ(BaseNoteOf(-440.0f), 0);
}

// Records the messages and ends of the event log.
class MessageLog : public EventTrace {
public:
    void Stroke(Point, Point, int32_t) override {}
    void Event(const String&, bool) override {}
    void Pressed(const Element&, bool) override {}
    void Start(const Element&, const Element&, int32_t, int32_t, uint32_t) override {}
    void Stop(const Element&) override {}
    void Done(const Element&, const Element*) override {}
    void Message(const String& text) override { messages.push_back(text); }
    std::vector<String> messages;
};

class SoundElementTest : public ChordlaneTest {
protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        WriteFile("inst/note.wav", CanonicalWave({1, 1, 11025, 16},
                                                 Pcm16(To16(Tone(11025, 220, 0.3, 10000)))));
        SetTrace(&log_);
    }
    void TearDown() override {
        SetTrace(nullptr);
        ChordlaneTest::TearDown();
    }
    std::unique_ptr<SoundElement> Make(const String& file, int32_t low, int32_t high,
                                       bool quiet = false) {
        return std::make_unique<SoundElement>(u"gtr", TempFolder() + u"inst/guitar.clx", file,
                                              220.0f, low, high, quiet);
    }
    MessageLog log_;
};

TEST_F(SoundElementTest, HoldsOneSamplePerSemitoneOfItsRange) {
    auto sound = Make(u"note.wav", 3, 2);
    EXPECT_EQ(sound->GetSample(0), nullptr);
    sound->SetActive(true);
    ASSERT_TRUE(sound->IsActive());
    ASSERT_EQ(sound->SampleCount(), 6);
    Sample* recording = sound->GetSample(0);
    ASSERT_NE(recording, nullptr);
    EXPECT_EQ(recording->frequency, 220.0f);
    EXPECT_EQ(recording->owner, sound.get());

    double r = 1.0;
    for (int32_t s = 1; s <= 2; ++s) {
        r *= 1.059463;
        Sample* up = sound->GetSample(s);
        ASSERT_NE(up, nullptr);
        EXPECT_EQ(up->frequency, static_cast<float>(220.0f * r));
        EXPECT_EQ(up->shift, s);
        EXPECT_EQ(up->dataLength, recording->dataLength);
    }
    r = 1.0;
    for (int32_t s = 1; s <= 3; ++s) {
        r *= 1.059463;
        EXPECT_EQ(sound->GetSample(-s)->frequency, static_cast<float>(220.0f / r));
    }
    // Shifts beyond the range take its ends.
    EXPECT_EQ(sound->GetSample(-5), sound->GetSample(-3));
    EXPECT_EQ(sound->GetSample(9), sound->GetSample(2));
    EXPECT_EQ(sound->GetSample(-5)->shift, -3);

    // Registered as a sound: the note name finds it.
    EXPECT_EQ(FindSound(u"gtr+1", NO_VALUE), sound->GetSample(1));
    EXPECT_TRUE(log_.messages.empty());
    EXPECT_TRUE(platform_.messages.Texts().empty());
}

TEST_F(SoundElementTest, SamplesStayAcrossDeactivation) {
    auto sound = Make(u"note.wav", 1, 1);
    sound->SetActive(true);
    Sample* before = sound->GetSample(1);
    std::filesystem::remove(temp_ / "inst/note.wav");
    sound->SetActive(false);
    EXPECT_EQ(FindSound(u"gtr", NO_VALUE), nullptr);
    sound->SetActive(true);
    EXPECT_TRUE(sound->IsActive());
    EXPECT_EQ(sound->GetSample(1), before);
}

TEST_F(SoundElementTest, RangeIsCapped) {
    auto sound = Make(u"note.wav", 500, 128);
    EXPECT_EQ(sound->Low(), MAX_SHIFT_RANGE);
    EXPECT_EQ(sound->High(), MAX_SHIFT_RANGE);
    EXPECT_EQ(Make(u"note.wav", -4, -1)->Low(), 0);
}

TEST_F(SoundElementTest, AMissingFileIsReportedUnlessQuiet) {
    auto sound = Make(u"missing.wav", 2, 2);
    sound->SetActive(true);
    EXPECT_FALSE(sound->IsActive());
    EXPECT_FALSE(sound->HasSamples());
    EXPECT_TRUE(SoundList().empty());
    ASSERT_EQ(platform_.messages.Texts().size(), 1u);
    EXPECT_EQ(platform_.messages.Texts()[0], u"Could not load: missing.wav\n");
    EXPECT_EQ(log_.messages, platform_.messages.Texts());

    auto quiet = Make(u"missing.wav", 2, 2, true);
    quiet->SetActive(true);
    EXPECT_FALSE(quiet->IsActive());
    EXPECT_EQ(platform_.messages.Texts().size(), 1u);

    // A later activation tries again.
    WriteFile("inst/missing.wav", CanonicalWave({1, 1, 8000, 8}, Pcm8(To8(Tone(8000, 220, 0.2, 60)))));
    quiet->SetActive(true);
    EXPECT_TRUE(quiet->IsActive());
    EXPECT_EQ(quiet->SampleCount(), 5);
}

TEST_F(SoundElementTest, UnplayableFilesAndLongNamesInTheMessage) {
    WriteFile("inst/float.wav", CanonicalWave({3, 1, 8000, 32}, std::string(64, '\0')));
    Make(u"float.wav", 0, 0)->SetActive(true);
    const String longName = String(200, u'n') + u".wav";
    Make(longName, 0, 0)->SetActive(true);
    ASSERT_EQ(platform_.messages.Texts().size(), 2u);
    EXPECT_EQ(platform_.messages.Texts()[0], u"Could not load: float.wav\n");
    // The formatted text is cut at 127 characters.
    EXPECT_EQ(platform_.messages.Texts()[1], (u"Could not load: " + longName).substr(0, 127));
}

TEST_F(SoundElementTest, CopiesBeyondTheMemoryLimitAreMissing) {
    const int64_t limit = Sample::MemoryLimit();
    const int64_t imageBytes = 44 + 2 * static_cast<int64_t>(11025 * 0.3);
    Sample::SetMemoryLimit(Sample::HeldBytes() + 3 * imageBytes);
    auto sound = Make(u"note.wav", 2, 2);
    sound->SetActive(true);
    Sample::SetMemoryLimit(limit);
    ASSERT_TRUE(sound->IsActive());
    // The recording and the first two copies fit (upward first); the rest are missing.
    EXPECT_NE(sound->GetSample(0), nullptr);
    EXPECT_NE(sound->GetSample(1), nullptr);
    EXPECT_NE(sound->GetSample(2), nullptr);
    EXPECT_EQ(sound->GetSample(-1), nullptr);
    EXPECT_EQ(sound->GetSample(-2), nullptr);
}

}  // namespace
}  // namespace chordlane::test

#include <gtest/gtest.h>

#include <filesystem>

#include "elements/Instrument.h"
#include "elements/SoundElement.h"
#include "tests/sound/SoundTestSupport.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

TEST(SoundElementNotes, BaseNoteIsTheNearestSemitoneFrom440) {
    // No note at all (0, below 0): no undefined conversion, and no match far down the keyboard.
    const std::pair<float, int32_t> table[] = {{415.3f, -1},   {452.0f, 0}, {453.0f, 1},
                                               {NO_REAL, 267}, {0.0f, 0},   {-440.0f, 0}};
    const Platform none;
    Instrument instrument(none);
    for (auto [frequency, note] : table) {
        EXPECT_EQ(SoundElement(instrument, u"s", u"", u"x.wav", frequency, 0, 0, true).BaseNote(),
                  note)
            << frequency;
    }
}

class SoundElementTest : public ChordlaneTest {
  protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        const WaveSpec form{1, 1, 11025, 16};
        WriteFile("inst/note.wav", CanonicalWave(form, Tone(form, 220, 0.3, 10000)));
    }
    // Collects the messages meant for the user, which the program shows in a message box.
    struct UserMessages : ParseListener {
        void UserMessage(const String& text) override { texts.push_back(text); }
        std::vector<String> texts;
    };

    std::unique_ptr<SoundElement> Make(const String& file, int32_t low, int32_t high,
                                       bool quiet = false) {
        return std::make_unique<SoundElement>(
            instrument_, u"gtr", TempFolder() + u"inst/guitar.clx", file, 220.0f, low, high, quiet);
    }
    const std::vector<String>& Messages() { return messages_.texts; }

    UserMessages messages_;
    ListenerScope listening_{instrument_.listeners, &messages_};
};

TEST_F(SoundElementTest, HoldsOneSamplePerSemitoneOfItsRange) {
    auto sound = Make(u"note.wav", 3, 2);
    EXPECT_EQ(sound->GetSample(0), nullptr);
    sound->SetActive(true);
    ASSERT_EQ(sound->SampleCount(), 6);
    EXPECT_EQ(sound->GetSample(-3)->shift, -3);
    EXPECT_EQ(sound->GetSample(-3)->owner, sound.get());
    EXPECT_NEAR(sound->GetSample(-3)->frequency, 185.0, 0.01);
    // Shifts beyond the range take its ends.
    EXPECT_EQ(sound->GetSample(-5), sound->GetSample(-3));
    EXPECT_EQ(sound->GetSample(9), sound->GetSample(2));
    EXPECT_EQ(instrument_.names.FindSound(u"gtr+1", NO_VALUE), sound->GetSample(1));
    EXPECT_TRUE(Messages().empty());

    // Deactivated and activated again: nothing is read or computed anew.
    Sample* before = sound->GetSample(1);
    std::filesystem::remove(temp_ / "inst/note.wav");
    sound->SetActive(false);
    EXPECT_EQ(instrument_.names.FindSound(u"gtr", NO_VALUE), nullptr);
    sound->SetActive(true);
    EXPECT_EQ(sound->GetSample(1), before);

    EXPECT_EQ(Make(u"note.wav", 500, 128)->Low(), MAX_SHIFT_RANGE);
    EXPECT_EQ(Make(u"note.wav", 500, 128)->High(), MAX_SHIFT_RANGE);
}

TEST_F(SoundElementTest, AFileThatCannotBeLoadedIsReportedUnlessQuiet) {
    auto sound = Make(u"missing.wav", 2, 2);
    sound->SetActive(true);
    EXPECT_FALSE(sound->IsActive());
    EXPECT_FALSE(sound->HasSamples());
    EXPECT_TRUE(instrument_.names.SoundList().empty());
    auto quiet = Make(u"missing.wav", 2, 2, true);
    quiet->SetActive(true);
    const String longName = String(200, u'n') + u".wav";
    Make(longName, 0, 0)->SetActive(true);
    // The message is bounded like the buffer it once went through.
    EXPECT_EQ(Messages(), (std::vector<String>{u"Could not load: missing.wav\n",
                                               (u"Could not load: " + longName).substr(0, 127)}));

    // A later activation tries again.
    WriteFile("inst/missing.wav",
              CanonicalWave({1, 1, 8000, 8}, Tone({1, 1, 8000, 8}, 220, 0.2, 60)));
    quiet->SetActive(true);
    EXPECT_TRUE(quiet->IsActive());
    EXPECT_EQ(quiet->SampleCount(), 5);
}

TEST_F(SoundElementTest, CopiesBeyondTheMemoryLimitAreMissing) {
    SampleMemory& memory = instrument_.memory.samples;
    memory.SetLimit(3 * (44 + 2 * 3307));
    auto sound = Make(u"note.wav", 2, 2);
    sound->SetActive(true);
    ASSERT_TRUE(sound->IsActive());
    // The recording and the upward copies, made first, fit; the downward ones do not.
    EXPECT_NE(sound->GetSample(2), nullptr);
    EXPECT_EQ(sound->GetSample(-1), nullptr);
    EXPECT_EQ(sound->GetSample(-2), nullptr);
    EXPECT_GT(memory.Held(), 0);
    EXPECT_LE(memory.Held(), memory.Limit());
    // The element's samples give their bytes back when it goes.
    sound.reset();
    EXPECT_EQ(memory.Held(), 0);
}

}  // namespace
}  // namespace chordlane::test

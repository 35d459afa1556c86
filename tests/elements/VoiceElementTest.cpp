#include <gtest/gtest.h>

#include <algorithm>

#include "elements/GroupElement.h"
#include "elements/NameRegistry.h"
#include "elements/SoundElement.h"
#include "elements/VoiceElement.h"
#include "tests/elements/ElementTestSupport.h"
#include "tests/sound/SoundTestSupport.h"

namespace chordlane::test {
namespace {

class VoiceElementTest : public ElementTest {
  protected:
    void SetUp() override {
        ElementTest::SetUp();
        WriteFile("note.wav",
                  CanonicalWave({1, 1, 8000, 16}, Tone({1, 1, 8000, 16}, 220, 0.1, 8000)));
        sound_ = std::make_unique<SoundElement>(instrument_, u"gtr", TempFolder() + u"i.clx",
                                                u"note.wav", 220.0f, 2, 2, false);
        sound_->SetActive(true);
        instrument_.variables.vM = 50;
    }
    std::unique_ptr<VoiceElement> Voice(const String& name, const String& sample = u"gtr") {
        auto v = std::make_unique<VoiceElement>(instrument_, name);
        v->SetString(u"ns", sample);
        return v;
    }
    bool IsPlaying(const Element* e) {
        return std::count(Names().PlayingList().begin(), Names().PlayingList().end(), e) == 1;
    }

    std::unique_ptr<SoundElement> sound_;
    Listener button_{instrument_};
};

TEST_F(VoiceElementTest, VolumeFollowsTheStrokeOnlyWithSpeedToVolume) {
    auto v = Voice(u"v");
    // (vm + vM) * strength / 100 + va + vA, truncated toward zero; strength 50 without speed.
    // clang-format off
    const struct {
        int32_t speedVolume, vm, va, vA, strength, volume;
    } cases[] = {{0, 50, 0, 0, 5, 50}, {1, 50, 0, 0, 80, 80}, {1, 30, -4, 7, 80, 67},
                 {1, -83, 0, 0, 50, -16}};
    // clang-format on
    for (const auto& c : cases) {
        instrument_.options.speedVolume = c.speedVolume;
        instrument_.variables.vA = c.vA;
        v->SetInt(u"vm", c.vm);
        v->SetInt(u"va", c.va);
        EXPECT_EQ(v->VolumeFor(c.strength), c.volume) << c.vm;
    }
}

TEST_F(VoiceElementTest, ChangingTheSampleNameOrShiftLooksItUpAgain) {
    auto v = Voice(u"v");
    v->SetInt(u"vm", 50);
    v->Trigger(50, nullptr);
    v->SetInt(u"ns", 2);
    v->Trigger(50, nullptr);
    v->SetString(u"ns", u"nothing");
    v->Trigger(50, nullptr);
    v->SetString(u"ns", u"gtr-1");  // -1 from the name, +2 from "ns"
    v->Trigger(50, nullptr);
    // A sound element made inactive later does not take a found sample away.
    sound_->SetActive(false);
    v->Trigger(50, nullptr);
    EXPECT_EQ(trace_.sounds,
              (std::vector<std::string>{"start v gtr 0 50 32767", "start v gtr 2 50 32767",
                                        "start v gtr 1 50 32767", "start v gtr 1 50 32767"}));
}

TEST_F(VoiceElementTest, ReleaseStopsTheSoundAndLeavesThePlayingList) {
    Voice(u"s", u"nothing")->Trigger(NO_VALUE, nullptr);
    EXPECT_TRUE(trace_.sounds.empty());

    auto v = Voice(u"v");
    v->Trigger(60, &button_);
    v->Trigger(60, &button_);
    EXPECT_TRUE(IsPlaying(v.get()));
    v->Trigger(NO_VALUE, nullptr);
    EXPECT_FALSE(IsPlaying(v.get()));
    EXPECT_EQ(trace_.sounds.back(), "stop v");
    // Released while the cut of the second trigger was pending: the cut sound's notice then
    // reports the end.
    platform_.clock.Advance(0);
    EXPECT_EQ(button_.done, 1);

    // A sound that simply ran out stays in the list.
    v->Trigger(60, &button_);
    platform_.clock.Advance(200);
    EXPECT_EQ(button_.done, 2);
    EXPECT_TRUE(IsPlaying(v.get()));
}

TEST_F(VoiceElementTest, JoiningAGroupOnceAndLeavingItWhenDestroyed) {
    GroupElement chord(instrument_, u"chord");
    chord.SetActive(true);
    auto v = Voice(u"v");
    v->SetActive(true);
    v->SetString(u"ng", u"chord");
    v->SetString(u"ng", u"chord");
    EXPECT_EQ(chord.Members().size(), 1u);
    chord.Trigger(70, &button_);
    EXPECT_EQ(trace_.sounds.size(), 1u);

    // Only a group can be joined.
    auto w = Voice(u"w");
    w->SetActive(true);
    w->SetString(u"ng", u"gtr");
    w->SetString(u"ng", u"absent");
    EXPECT_TRUE(w->GroupName().empty());

    v.reset();
    EXPECT_TRUE(chord.Members().empty());
}

}  // namespace
}  // namespace chordlane::test

#include "elements/VoiceElement.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/EventTrace.h"
#include "elements/GroupElement.h"
#include "language/NameRegistry.h"
#include "platform/headless/FakeWaveOutput.h"
#include "sound/SoundElement.h"
#include "tests/sound/WaveBytes.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

class Log : public EventTrace {
public:
    void Stroke(Point, Point, int32_t) override {}
    void Event(const String&, bool) override {}
    void Pressed(const Element&, bool) override {}
    void Start(const Element& voice, const Element& sound, int32_t shift, int32_t volume,
               uint32_t level) override {
        lines.push_back("start " + ToUtf8(voice.Name()) + " " + ToUtf8(sound.Name()) + " " +
                        std::to_string(shift) + " " + std::to_string(volume) + " " +
                        std::to_string(level));
    }
    void Stop(const Element& voice) override { lines.push_back("stop " + ToUtf8(voice.Name())); }
    void Done(const Element& voice, const Element* source) override {
        lines.push_back("done " + ToUtf8(voice.Name()) + " " +
                        (source ? ToUtf8(source->Name()) : std::string("-")));
    }
    void Message(const String&) override {}
    std::vector<std::string> lines;
};

class Button : public Element {
public:
    Button() : Element(u"btn") {}
    const char* ClassName() const override { return "Button"; }
    void OnSoundDone() override { ++done; }
    int done = 0;
};

class VoiceElementTest : public ChordlaneTest {
protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        SoundChannel::ResetStartTime();
        WriteFile("note.wav", CanonicalWave({1, 1, 8000, 16}, Pcm16(To16(Tone(8000, 220, 0.1, 8000)))));
        sound_ = std::make_unique<SoundElement>(u"gtr", TempFolder() + u"i.clx", u"note.wav",
                                                220.0f, 2, 2, false);
        sound_->SetActive(true);
        ASSERT_TRUE(sound_->IsActive());
        App().vM = 50;
        SetTrace(&log_);
    }
    void TearDown() override {
        SetTrace(nullptr);
        ChordlaneTest::TearDown();
    }
    FakeWaveOutput& Fake() { return static_cast<FakeWaveOutput&>(*platform_.waveOut); }
    std::unique_ptr<VoiceElement> Voice(const String& name, const String& sample = u"gtr") {
        auto v = std::make_unique<VoiceElement>(name);
        v->SetString(u"ns", sample);
        return v;
    }
    bool IsPlaying(const Element* e) {
        const auto& list = PlayingList();
        return std::count(list.begin(), list.end(), e) == 1;
    }

    std::unique_ptr<SoundElement> sound_;
    Log log_;
    Button button_;
};

TEST_F(VoiceElementTest, VolumeFollowsTheStrokeOnlyWithSpeedToVolume) {
    auto v = Voice(u"v");
    App().speedVolume = 0;
    EXPECT_EQ(v->VolumeFor(5), 50);
    EXPECT_EQ(v->VolumeFor(95), 50);
    App().speedVolume = 1;
    EXPECT_EQ(v->VolumeFor(80), 80);

    v->SetInt(u"vm", 30);   // (30 + 50) * 80 / 100 = 64
    v->SetInt(u"va", -4);
    App().vA = 7;
    EXPECT_EQ(v->VolumeFor(80), 67);
    v->SetInt(u"vm", -83);  // (-33 * 50) / 100 truncates toward zero
    v->SetInt(u"va", 0);
    App().vA = 0;
    EXPECT_EQ(v->VolumeFor(50), -16);

    // What the channel is given and the level it sets, in the event log.
    v->SetInt(u"vm", 50);
    v->Trigger(80, &button_);
    v->Trigger(250, &button_);
    ASSERT_EQ(log_.lines.size(), 2u);
    EXPECT_EQ(log_.lines[0], "start v gtr 0 80 52428");
    EXPECT_EQ(log_.lines[1], "start v gtr 0 250 65535");
}

TEST_F(VoiceElementTest, PropertiesAndDefaults) {
    auto v = Voice(u"v");
    EXPECT_EQ(v->GetKind(), KIND_VOICE);
    EXPECT_EQ(v->GetInt(u"ns"), NO_VALUE);
    EXPECT_EQ(v->GetInt(u"va"), 0);
    EXPECT_EQ(v->GetInt(u"vm"), 50);
    EXPECT_EQ(v->GetInt(u"dm"), 100);
    EXPECT_EQ(v->GetInt(u"xx"), NO_VALUE);
    v->SetInt(u"dm", 30);
    v->SetInt(u"d", 99);
    v->SetInt(u"dmx", 99);
    EXPECT_EQ(v->GetInt(u"dm"), 30);
    EXPECT_EQ(v->GetInt(u"d"), NO_VALUE);
}

TEST_F(VoiceElementTest, ChangingTheSampleNameOrShiftLooksItUpAgain) {
    auto v = Voice(u"v");
    v->Trigger(50, nullptr);
    EXPECT_EQ(v->ResolvedSample(), sound_->GetSample(0));
    v->SetInt(u"ns", 2);
    EXPECT_EQ(v->ResolvedSample(), nullptr);
    v->Trigger(50, nullptr);
    EXPECT_EQ(v->ResolvedSample(), sound_->GetSample(2));
    EXPECT_EQ(Fake().PlayedBuffers().back().data, sound_->GetSample(2)->Data());

    v->SetString(u"ns", u"nothing");
    EXPECT_EQ(v->ResolvedSample(), nullptr);
    const size_t writes = Fake().Count("write");
    v->Trigger(50, nullptr);
    EXPECT_EQ(Fake().Count("write"), writes);
    // An element made inactive later does not take a resolved sample away.
    platform_.clock.Advance(200);
    v->SetString(u"ns", u"gtr");
    v->Trigger(50, nullptr);
    platform_.clock.Advance(200);
    sound_->SetActive(false);
    v->Trigger(50, nullptr);
    EXPECT_EQ(Fake().Count("write"), writes + 2);
}

TEST_F(VoiceElementTest, ReleaseStopsTheSoundAndLeavesThePlayingList) {
    auto silent = Voice(u"s", u"nothing");
    silent->Trigger(NO_VALUE, nullptr);
    EXPECT_TRUE(Fake().Calls().empty());
    EXPECT_TRUE(log_.lines.empty());

    auto v = Voice(u"v");
    v->Trigger(60, &button_);
    v->Trigger(60, &button_);
    EXPECT_TRUE(IsPlaying(v.get()));
    v->Trigger(NO_VALUE, nullptr);
    EXPECT_FALSE(IsPlaying(v.get()));
    EXPECT_EQ(log_.lines.back(), "stop v");
    // Released while the cut of the second trigger was pending: the cut sound's notice then
    // reports the end.
    platform_.clock.Advance(0);
    EXPECT_EQ(button_.done, 1);
    EXPECT_EQ(log_.lines.back(), "done v btn");

    // A sound that simply ran out stays in the list.
    v->Trigger(60, &button_);
    platform_.clock.Advance(200);
    EXPECT_EQ(button_.done, 2);
    EXPECT_TRUE(IsPlaying(v.get()));
}

TEST_F(VoiceElementTest, JoiningAGroupOnceAndLeavingItWhenDestroyed) {
    GroupElement chord(u"chord");
    chord.SetActive(true);
    auto v = Voice(u"v");
    v->SetActive(true);
    v->SetString(u"ng", u"chord");
    v->SetString(u"ng", u"chord");
    EXPECT_EQ(v->GroupName(), u"chord");
    ASSERT_EQ(chord.Members().size(), 1u);
    chord.Trigger(70, &button_);
    EXPECT_EQ(Fake().Count("write"), 1u);

    // Only a group can be joined.
    auto w = Voice(u"w");
    w->SetActive(true);
    w->SetString(u"ng", u"gtr");
    w->SetString(u"ng", u"absent");
    EXPECT_TRUE(w->GroupName().empty());

    v.reset();
    EXPECT_TRUE(chord.Members().empty());
    chord.Trigger(70, &button_);
    EXPECT_EQ(Fake().Count("write"), 1u);
}

}  // namespace
}  // namespace chordlane::test

#include "elements/GroupElement.h"
#include "elements/PlayAction.h"
#include "language/NameRegistry.h"
#include "sound/SoundElement.h"
#include "tests/elements/ElementTestSupport.h"

namespace chordlane::test {
namespace {

// A voice as the playing list sees it: in the list once started, out when released.
class PlayingVoice : public Recorder {
public:
    using Recorder::Recorder;
    void Trigger(int32_t value, Element* source) override {
        Recorder::Trigger(value, source);
        value == NO_VALUE ? StopPlaying(this) : StartPlaying(this);
    }
};

class NameRegistryTest : public ElementTest {
protected:
    //! The event names that pressing the keys raised.
    std::vector<String> Keys(std::initializer_list<uint32_t> downs) {
        trace_.events.clear();
        for (uint32_t code : downs) OnKeyDown(code);
        return trace_.events;
    }
};

TEST_F(NameRegistryTest, EachPanelScopeFallsBackToTheGlobalName) {
    Recorder global(u"y"), scoped(u"Ay"), later(u"y");
    Register(u"y", &global);
    EXPECT_EQ(Lookup(u"Ay"), &global);
    Register(u"Ay", &scoped);
    EXPECT_EQ(Lookup(u"Ay"), &scoped);
    EXPECT_EQ(Lookup(u"xy"), nullptr);  // only capitals are panel letters
    Register(u"y", &later);
    EXPECT_EQ(Lookup(u"By"), &later);
}

TEST_F(NameRegistryTest, AHiddenSoundIsFoundByNameButNoLongerListed) {
    SoundElement sound(u"gtr", u"", u"gtr.wav", 440.0f, 0, 0, true);
    sound.SetActive(true);
    sound.SetActive(true);
    EXPECT_EQ(SoundList(), (std::vector<Element*>{&sound}));
    sound.SetActive(false);
    EXPECT_TRUE(SoundList().empty());
    EXPECT_EQ(Lookup(u"gtr"), &sound);
}

TEST_F(NameRegistryTest, HardwareButtonsArrowsAndTheActionKey) {
    EXPECT_EQ(Keys({195, 193, 207}), (std::vector<String>{u"b3", u"b1", u"b15"}));
    EXPECT_EQ(Keys({37, 131, 38, 132, 39, 199, 131, 40, 132}),
              (std::vector<String>{u"btl", u"bdu", u"b7", u"btr", u"bdd"}));
    OnKeyUp(40);
    EXPECT_TRUE(Keys({131, 132}).empty());
    EXPECT_EQ(Keys({134, 131}), (std::vector<String>{u"ba", String(u"bt") + char16_t(134)}));
}

TEST_F(NameRegistryTest, LettersDigitsModifiersAndOtherKeys) {
    EXPECT_EQ(Keys({65, 90, 48, 57, 13, 127}),
              (std::vector<String>{u"bka", u"bkz", u"bk0", u"bk9", u"bx0d", u"bx7f"}));
    OnKeyDown(16);
    EXPECT_EQ(Keys({65}), (std::vector<String>{u"bkA"}));
    OnKeyDown(17);  // Control wins over Shift
    EXPECT_EQ(Keys({65, 132}), (std::vector<String>{String(u"bk\x01"), String(u"bd\x01")}));
    OnKeyUp(17);
    OnKeyUp(16);
    // Neither digit nor letter above 127: no event, and the last key is gone.
    EXPECT_EQ(Keys({66, 215, 131}), (std::vector<String>{u"bkb"}));
}

TEST_F(NameRegistryTest, EventsTriggerTheirElementWithTheKeyStrengthAndInitFallsBack) {
    auto& key = Add<Recorder>(nullptr, u"bkh");
    auto& init = Add<Recorder>(nullptr, u"init");
    Activate();
    App().sp = 77;
    OnKeyDown(72);
    EXPECT_EQ(key.values, (std::vector<int32_t>{77}));
    EXPECT_EQ(key.sources, (std::vector<Element*>{nullptr}));
    trace_.events.clear();
    FireInitEvent(2);
    FireInitEvent(-4);
    EXPECT_EQ(trace_.events, (std::vector<String>{u"Binit", u"init"}));
    EXPECT_EQ(init.values, (std::vector<int32_t>{0, 0, 0}));
}

TEST_F(NameRegistryTest, PlayingSilencesTheFirstOtherVoiceOfTheSameString) {
    auto& e1 = Add<PlayingVoice>(nullptr, u"E1");
    auto& e2 = Add<PlayingVoice>(nullptr, u"E2");
    auto& a1 = Add<PlayingVoice>(nullptr, u"A1");
    auto& g1 = Add<PlayingVoice>(nullptr, u"G1");
    auto& g3 = Add<PlayingVoice>(nullptr, u"G3");
    auto& chord = Add<GroupElement>(nullptr, u"chord");
    chord.Add(std::make_unique<PlayAction>(u"G1>", NO_VALUE));
    chord.Add(std::make_unique<PlayAction>(u"G3>", 70));
    Activate();
    for (PlayingVoice* v : {&e1, &e2, &a1}) v->Trigger(30, nullptr);
    chord.Trigger(20, nullptr);
    EXPECT_EQ(e1.values, (std::vector<int32_t>{30, NO_VALUE}));
    EXPECT_EQ(g1.values, (std::vector<int32_t>{20}));
    EXPECT_EQ(g3.values, (std::vector<int32_t>{70}));
    EXPECT_EQ(PlayingList(), (std::vector<Element*>{&e2, &a1, &g1, &g3}));
    // A release silences nothing else; an action's own strength wins over it.
    chord.Trigger(NO_VALUE, nullptr);
    EXPECT_EQ(g3.values.back(), 70);
    EXPECT_EQ(PlayingList(), (std::vector<Element*>{&e2, &a1, &g3}));
    ReleaseOthers(0, &e2);
    EXPECT_EQ(PlayingList(), (std::vector<Element*>{&e2}));
}

TEST_F(NameRegistryTest, ResettingTheInstrumentForgetsEverything) {
    Add<Recorder>(nullptr, u"a");
    Add<SoundElement>(nullptr, u"s", u"", u"s.wav", 440.0f, 0, 0, true);
    Activate();
    Add<PlayingVoice>(nullptr, u"v").Trigger(1, nullptr);
    CurrentParseState().panelCounter = 3;
    ResetInstrument();
    EXPECT_TRUE(Registry().empty() && SoundList().empty() && PlayingList().empty());
    EXPECT_EQ(Lookup(u"a"), nullptr);
    EXPECT_EQ(CurrentParseState().panelCounter, 0);
    EXPECT_TRUE(Root().Group().Members().empty());
}

}  // namespace
}  // namespace chordlane::test

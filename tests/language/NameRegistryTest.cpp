#include "elements/PlayAction.h"
#include "language/NameRegistry.h"
#include "sound/SoundElement.h"
#include "tests/elements/ElementTestSupport.h"

namespace chordlane::test {
namespace {

// Writes down every event name that is looked up, with whether an element had it.
class EventNames : public PressTrace {
public:
    void Event(const String& name, bool found) override {
        names.push_back(name);
        founds.push_back(found);
    }
    std::vector<String> names;
    std::vector<bool> founds;
};

// A voice as far as the playing list sees it: in the list once started, out when released.
class PlayingVoice : public Recorder {
public:
    using Recorder::Recorder;
    void Trigger(int32_t value, Element* source) override {
        Recorder::Trigger(value, source);
        if (value == NO_VALUE) {
            StopPlaying(this);
        } else {
            StartPlaying(this);
        }
    }
};

class NameRegistryTest : public ElementTest {
protected:
    void SetUp() override {
        ElementTest::SetUp();
        SetTrace(&events_);
    }
    //! The event names that pressing (and releasing) the keys raised.
    std::vector<String> Keys(std::initializer_list<uint32_t> downs) {
        events_.names.clear();
        for (uint32_t code : downs) OnKeyDown(code);
        return events_.names;
    }

    EventNames events_;
};

TEST_F(NameRegistryTest, EachPanelScopeFallsBackToTheGlobalName) {
    Recorder global(u"y"), scoped(u"Ay"), lower(u"ay");
    Register(u"y", &global);
    EXPECT_EQ(Lookup(u"Ay"), &global);
    Register(u"Ay", &scoped);
    EXPECT_EQ(Lookup(u"Ay"), &scoped);
    EXPECT_EQ(Lookup(u"By"), &global);
    EXPECT_EQ(Lookup(u"xy"), nullptr);  // only capitals are panel letters
    EXPECT_EQ(Lookup(u"y"), &global);
    EXPECT_EQ(Lookup(u""), nullptr);
    Register(u"y", &lower);  // a later element of the same name replaces the earlier
    EXPECT_EQ(Lookup(u"By"), &lower);
}

TEST_F(NameRegistryTest, AnInactiveSoundIsFoundByNameButNotPlayed) {
    SoundElement sound(u"gtr", u"", u"gtr.wav", 440.0f, 0, 0, true);
    sound.SetActive(true);
    EXPECT_EQ(SoundList(), (std::vector<Element*>{&sound}));
    sound.SetActive(true);
    EXPECT_EQ(SoundList().size(), 1u);
    sound.SetActive(false);
    EXPECT_TRUE(SoundList().empty());
    EXPECT_EQ(Lookup(u"gtr"), &sound);
    Unregister(u"nobody");
}

TEST_F(NameRegistryTest, HardwareButtonsArrowsAndTheActionKey) {
    EXPECT_EQ(Keys({195, 193, 207, 200}), (std::vector<String>{u"b3", u"b1", u"b15", u"b8"}));
    EXPECT_EQ(Keys({37, 131, 38, 132, 39, 131, 40, 132}),
              (std::vector<String>{u"btl", u"bdu", u"btr", u"bdd"}));
    // A hardware button leaves the last key as it was.
    EXPECT_EQ(Keys({37, 199, 131}), (std::vector<String>{u"b7", u"btl"}));
    OnKeyUp(37);
    EXPECT_TRUE(Keys({131, 132}).empty());
    EXPECT_EQ(Keys({134, 131}), (std::vector<String>{u"ba", String(u"bt") + char16_t(134)}));
}

TEST_F(NameRegistryTest, LettersDigitsAndOtherKeys) {
    EXPECT_EQ(Keys({65, 90, 48, 57}), (std::vector<String>{u"bka", u"bkz", u"bk0", u"bk9"}));
    OnKeyDown(16);
    EXPECT_EQ(Keys({65}), (std::vector<String>{u"bkA"}));
    OnKeyDown(17);  // Control wins over Shift
    EXPECT_EQ(Keys({65}), (std::vector<String>{String(u"bk") + char16_t(1)}));
    OnKeyUp(17);
    EXPECT_EQ(Keys({66}), (std::vector<String>{u"bkB"}));
    OnKeyUp(16);
    EXPECT_EQ(Keys({66}), (std::vector<String>{u"bkb"}));
    EXPECT_EQ(Keys({13, 1, 127}), (std::vector<String>{u"bx0d", u"bx01", u"bx7f"}));
    // Neither digit nor letter above 127: no event, and the last key is gone.
    EXPECT_EQ(Keys({37, 215, 131}), (std::vector<String>{}));
    EXPECT_EQ(Keys({0}), (std::vector<String>{}));
    // The last key of a letter is the character it produced.
    EXPECT_EQ(Keys({65, 132}), (std::vector<String>{u"bka", u"bda"}));
}

TEST_F(NameRegistryTest, AnEventTriggersItsElementWithTheKeyStrength) {
    auto& hello = Add<Recorder>(nullptr, u"bkh");
    Activate();
    App().sp = 77;
    OnKeyDown(72);
    OnKeyDown(73);
    EXPECT_EQ(hello.values, (std::vector<int32_t>{77}));
    EXPECT_EQ(hello.sources, (std::vector<Element*>{nullptr}));
    EXPECT_EQ(events_.founds, (std::vector<bool>{false, true, false}));  // "init", bkh, bki
}

TEST_F(NameRegistryTest, InitEventsNameTheirPanelLetter) {
    auto& init = Add<Recorder>(nullptr, u"init");
    auto& binit = Add<Recorder>(nullptr, u"Binit");
    Activate();
    events_.names.clear();
    FireInitEvent(2);
    FireInitEvent(3);
    FireInitEvent(0);
    FireInitEvent(-4);
    EXPECT_EQ(events_.names, (std::vector<String>{u"Binit", u"Cinit", u"init", u"init"}));
    EXPECT_EQ(binit.values, (std::vector<int32_t>{0}));
    EXPECT_EQ(init.values, (std::vector<int32_t>{0, 0, 0, 0}));
}

TEST_F(NameRegistryTest, PlayingSilencesTheFirstOtherVoiceOfTheSameString) {
    auto& e1 = Add<PlayingVoice>(nullptr, u"E1");
    auto& e2 = Add<PlayingVoice>(nullptr, u"E2");
    auto& a1 = Add<PlayingVoice>(nullptr, u"A1");
    auto& g1 = Add<PlayingVoice>(nullptr, u"G1");
    auto& g3 = Add<PlayingVoice>(nullptr, u"G3");
    auto& group = Add<GroupElement>(nullptr, u"chord");
    group.Add(std::make_unique<PlayAction>(u"G1>", NO_VALUE));
    group.Add(std::make_unique<PlayAction>(u"G3>", 70));
    Activate();
    e1.Trigger(30, nullptr);
    e2.Trigger(30, nullptr);
    a1.Trigger(30, nullptr);

    group.Trigger(30, nullptr);
    EXPECT_EQ(e1.values, (std::vector<int32_t>{30, NO_VALUE}));
    EXPECT_EQ(a1.values, (std::vector<int32_t>{30}));
    EXPECT_EQ(e2.values, (std::vector<int32_t>{30}));
    EXPECT_EQ(g1.values, (std::vector<int32_t>{30}));
    EXPECT_EQ(g3.values, (std::vector<int32_t>{70}));
    EXPECT_EQ(PlayingList(), (std::vector<Element*>{&e2, &a1, &g1, &g3}));

    // A release passes through without silencing anything else.
    group.Trigger(NO_VALUE, nullptr);
    EXPECT_EQ(g1.values.back(), NO_VALUE);
    EXPECT_EQ(g3.values.back(), 70);  // its own strength wins over the release
    EXPECT_EQ(a1.values.size(), 1u);

    ReleaseOthers(0, &e2);
    EXPECT_EQ(PlayingList(), (std::vector<Element*>{&e2}));
}

TEST_F(NameRegistryTest, ResettingTheInstrumentForgetsEverything) {
    Add<Recorder>(nullptr, u"a");
    Add<PlayingVoice>(nullptr, u"v").Trigger(1, nullptr);
    SoundElement* sound = &Add<SoundElement>(nullptr, u"s", u"", u"s.wav", 440.0f, 0, 0, true);
    Activate();
    ASSERT_EQ(SoundList(), (std::vector<Element*>{sound}));
    CurrentParseState().panelCounter = 3;
    App().currentPath = u"x.clx";
    ResetInstrument();
    EXPECT_EQ(Lookup(u"a"), nullptr);
    EXPECT_TRUE(Registry().empty());
    EXPECT_TRUE(SoundList().empty());
    EXPECT_TRUE(PlayingList().empty());
    EXPECT_EQ(CurrentParseState().panelCounter, 0);
    EXPECT_TRUE(App().currentPath.empty());
    EXPECT_TRUE(Root().Group().Members().empty());
}

}  // namespace
}  // namespace chordlane::test

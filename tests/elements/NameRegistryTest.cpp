#include "elements/GroupElement.h"
#include "elements/NameRegistry.h"
#include "elements/PlayAction.h"
#include "elements/SoundElement.h"
#include "tests/elements/ElementTestSupport.h"
#include "tests/sound/SoundTestSupport.h"

namespace chordlane::test {
namespace {

// A voice as the playing list sees it: in the list once started, out when released.
class PlayingVoice : public Recorder {
  public:
    using Recorder::Recorder;
    void Trigger(int32_t value, Element* source) override {
        Recorder::Trigger(value, source);
        value == NO_VALUE ? Owner().names.StopPlaying(this) : Owner().names.StartPlaying(this);
    }
};

class NameRegistryTest : public ElementTest {
  protected:
    //! An active sound element of a short tone at frequency, two semitones each way.
    SoundElement& Sound(const String& name, float frequency) {
        const WaveSpec form{1, 1, 8000, 16};
        WriteFile("note.wav", CanonicalWave(form, Tone(form, frequency, 0.05, 8000)));
        auto& sound = Add<SoundElement>(nullptr, name, TempFolder() + u"i.clx", u"note.wav",
                                        frequency, 2, 2, true);
        sound.SetActive(true);
        EXPECT_TRUE(sound.IsActive());
        return sound;
    }
    //! "SOUND SHIFT" of the sample FindSound answers, or "none".
    std::string Found(const String& form, int32_t offset = NO_VALUE) {
        const Sample* s = Names().FindSound(form, offset);
        return s ? ToUtf8(s->owner->Name()) + " " + std::to_string(s->shift) : "none";
    }
};

TEST_F(NameRegistryTest, EachPanelScopeFallsBackToTheGlobalName) {
    Recorder global(instrument_, u"y"), scoped(instrument_, u"Ay"), later(instrument_, u"y");
    Names().Register(u"y", &global);
    EXPECT_EQ(Names().Lookup(u"Ay"), &global);
    Names().Register(u"Ay", &scoped);
    EXPECT_EQ(Names().Lookup(u"Ay"), &scoped);
    EXPECT_EQ(Names().Lookup(u"xy"), nullptr);  // only capitals are panel letters
    Names().Register(u"y", &later);
    EXPECT_EQ(Names().Lookup(u"By"), &later);
}

TEST_F(NameRegistryTest, FindSoundByNameByNumberAndByNoteCountedFromA4) {
    auto& a4 = Sound(u"gtr", 440.0f);  // base note 0; note numbers put A4 at 48
    Sound(u"gtr-hi", 880.0f);          // base note 12
    Sound(u"gtr-ab", 103.83f);         // -25: Ab1 is 23 (a flat A counts as 11)
    Sound(u"gtr-cs", 277.18f);         // -8: C#3 is 40
    // Rows: the form, an offset, the sample found (clamped to the sound's range).
    // clang-format off
    const std::tuple<const char16_t*, int32_t, const char*> cases[] = {
        {u"gtr", 2, "gtr 2"},         {u"gtr-2", NO_VALUE, "gtr -2"},
        {u"gtr+12", NO_VALUE, "gtr 2"}, {u"gtr-A4", -1, "gtr -1"},
        {u"gtr-A5", NO_VALUE, "gtr-hi 0"}, {u"gtr-Ab1", NO_VALUE, "gtr-ab 0"},
        {u"gtr-C#3", NO_VALUE, "gtr-cs 0"}, {u"gtr-D3", NO_VALUE, "gtr-cs 1"},
        {u"gtr-C2", NO_VALUE, "none"},  {u"bass-A4", NO_VALUE, "none"}};
    // clang-format on
    for (const auto& [form, offset, found] : cases)
        EXPECT_EQ(Found(form, offset), found) << ToUtf8(form);
    // A hidden sound is no longer played, but is still found by name.
    a4.SetActive(false);
    EXPECT_EQ(Found(u"gtr-A4"), "none");
    EXPECT_EQ(Names().Lookup(u"gtr"), &a4);
}

TEST_F(NameRegistryTest, KeysRaiseTheirEventNamesWhichTriggerWithTheStrengthOfATap) {
    auto& key = Add<Recorder>(nullptr, u"bkh");
    Activate();
    instrument_.variables.sp = 77;
    // Each row presses its keys (negative codes release them) after the rows above it.
    const std::pair<std::vector<int32_t>, std::vector<String>> script[] = {
        {{195, 193, 207}, {u"b3", u"b1", u"b15"}},
        // Up and down (131, 132) name the last key; arrows only become the last key.
        {{37, 131, 38, 132, 39, 199, 131, 40, 132}, {u"btl", u"bdu", u"b7", u"btr", u"bdd"}},
        {{-40, 131, 132}, {}},
        {{134, 131}, {u"ba", String(u"bt") + char16_t(134)}},
        {{65, 90, 48, 57, 13, 127}, {u"bka", u"bkz", u"bk0", u"bk9", u"bx0d", u"bx7f"}},
        {{16, 65, 17, 65, 132}, {u"bkA", String(u"bk\x01"), String(u"bd\x01")}},
        // Neither digit nor letter above 127: no event, and the last key is gone.
        {{-17, -16, 66, 215, 131}, {u"bkb"}},
    };
    for (const auto& [codes, events] : script) {
        trace_.events.clear();
        for (int32_t code : codes) code < 0 ? Names().OnKeyUp(-code) : Names().OnKeyDown(code);
        EXPECT_EQ(trace_.events, events) << codes[0];
    }
    Names().OnKeyDown(72);
    EXPECT_EQ(key.values, (std::vector<int32_t>{77}));
    EXPECT_EQ(key.sources, (std::vector<Element*>{nullptr}));
}

TEST_F(NameRegistryTest, PlayingSilencesTheFirstOtherVoiceOfTheSameString) {
    auto& e1 = Add<PlayingVoice>(nullptr, u"E1");
    auto& e2 = Add<PlayingVoice>(nullptr, u"E2");
    auto& a1 = Add<PlayingVoice>(nullptr, u"A1");
    auto& g1 = Add<PlayingVoice>(nullptr, u"G1");
    auto& g3 = Add<PlayingVoice>(nullptr, u"G3");
    auto& chord = Add<GroupElement>(nullptr, u"chord");
    chord.Add(std::make_unique<PlayAction>(instrument_, u"G1>", NO_VALUE));
    chord.Add(std::make_unique<PlayAction>(instrument_, u"G3>", 70));
    Activate();
    for (PlayingVoice* v : {&e1, &e2, &a1}) v->Trigger(30, nullptr);
    chord.Trigger(20, nullptr);
    EXPECT_EQ(e1.values, (std::vector<int32_t>{30, NO_VALUE}));
    EXPECT_EQ(g1.values, (std::vector<int32_t>{20}));
    EXPECT_EQ(g3.values, (std::vector<int32_t>{70}));
    EXPECT_EQ(Names().PlayingList(), (std::vector<Element*>{&e2, &a1, &g1, &g3}));
    // A release silences nothing else; an action's own strength wins over it.
    chord.Trigger(NO_VALUE, nullptr);
    EXPECT_EQ(g3.values.back(), 70);
    EXPECT_EQ(Names().PlayingList(), (std::vector<Element*>{&e2, &a1, &g3}));
    Names().ReleaseOthers(0, &e2);
    EXPECT_EQ(Names().PlayingList(), (std::vector<Element*>{&e2}));
}

}  // namespace
}  // namespace chordlane::test

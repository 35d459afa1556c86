// Instruments side by side in one process: each has its own names, trigger budget, sample
// memory and playback, also when they play on one wave output.
#include <algorithm>

#include "elements/GroupElement.h"
#include "elements/InstrumentBuilder.h"
#include "elements/TriggerGuard.h"
#include "tests/elements/ElementTestSupport.h"
#include "tests/sound/SoundTestSupport.h"
#include "tests/support/FakeWaveOutput.h"

namespace chordlane::test {
namespace {

class TwoInstrumentsTest : public ChordlaneTest {
  protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        const WaveSpec form{1, 1, 8000, 16};
        WriteFile("short.wav", CanonicalWave(form, Tone(form, 220, 0.1, 8000)));
        WriteFile("long.wav", CanonicalWave(form, Tone(form, 220, 0.3, 8000)));
    }

    //! Loads, as the Open flow does, a sound "gtr" of the wave file, a voice "v" playing it
    //! and a button "b" at the top left striking the voice.
    void Load(Instrument& instrument, const std::string& wave, TestTrace& trace) {
        instrument.SetScreen(240, 320);
        instrument.trace = &trace;
        instrument.root = std::make_unique<PanelElement>(
            instrument, u"!", std::make_unique<Rect>(instrument.screen.rect), 0);
        InstrumentBuilder(instrument)
            .ParseString("s gtr " + wave + R"( 220 0 0
v v
br b 0 0 20 20
{ init
=s v.ns gtr
=s b.na v
}
)",
                         TempFolder() + u"i.clx");
        instrument.root->SetActiveWhere(true, KIND_CONTAINER);
        instrument.root->SetActive(true);
    }
    static void Strike(Instrument& instrument) {
        instrument.root->ResetPenInside(STYLUS_POINT, false);
        instrument.root->OnStroke({9, 9}, {10, 10}, 50, false, STYLUS_POINT);
    }
    //! A button stays pressed until the sound it started has ended.
    static bool Sounding(const Instrument& instrument) {
        return static_cast<VisualElement*>(instrument.names.Lookup(u"b"))->IsPressed();
    }
    static long Ends(const TestTrace& trace) {
        return std::count(trace.sounds.begin(), trace.sounds.end(), "done v b");
    }
    FakeWaveOutput& Output() { return static_cast<FakeWaveOutput&>(*platform_.waveOut); }
    void Advance(uint32_t ms) { platform_.clock.Advance(ms); }
};

TEST_F(TwoInstrumentsTest, OnOneOutputEachHearsTheEndsOfItsOwnSoundsOnly) {
    TestTrace firstTrace, secondTrace;
    // Two sets of services, one output and one clock.
    const Platform services = platform_.services;
    Instrument first(platform_.services), second(services);
    // The same names in both: each voice must find its own instrument's sound.
    Load(first, "long.wav", firstTrace);
    Load(second, "short.wav", secondTrace);
    Strike(first);
    Strike(second);
    EXPECT_EQ(Output().OpenDevices(), 2u);
    EXPECT_TRUE(Sounding(first) && Sounding(second));

    Advance(100);
    EXPECT_EQ(Ends(secondTrace), 1);
    EXPECT_FALSE(Sounding(second));
    EXPECT_EQ(Ends(firstTrace), 0);
    EXPECT_TRUE(Sounding(first));
    Advance(200);
    EXPECT_EQ(Ends(firstTrace), 1);
    EXPECT_FALSE(Sounding(first));
    EXPECT_EQ(Ends(secondTrace), 1);
}

TEST_F(TwoInstrumentsTest, TheOtherPlaysToItsEndWhenOneIsUnloadedOrDestroyed) {
    for (const bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroyed" : "unloaded");
        TestTrace stayingTrace, goingTrace;
        Instrument staying(platform_.services);
        auto going = std::make_unique<Instrument>(platform_.services);
        Load(staying, "long.wav", stayingTrace);
        Load(*going, "long.wav", goingTrace);
        const int64_t held = staying.memory.samples.Held();
        Strike(staying);
        Strike(*going);
        Advance(100);
        if (destroy) {
            going.reset();
        } else {
            going->ResetInstrument();
        }
        EXPECT_EQ(Output().OpenDevices(), 1u);
        EXPECT_TRUE(Sounding(staying));
        EXPECT_GT(held, 0);
        EXPECT_EQ(staying.memory.samples.Held(), held);

        Advance(200);
        EXPECT_EQ(Ends(stayingTrace), 1);
        EXPECT_FALSE(Sounding(staying));
        EXPECT_EQ(Ends(goingTrace), 0);  // its voice went before its sound ended
        EXPECT_EQ(Output().PendingNotices(), 0u);
    }
}

TEST_F(TwoInstrumentsTest, NamesAndTriggerBudgetsAreEachInstrumentsOwn) {
    Instrument other(platform_.services);
    Recorder mine(instrument_, u"x"), theirs(other, u"x"), only(other, u"only");
    for (Recorder* r : {&mine, &theirs, &only}) r->SetActive(true);
    EXPECT_EQ(instrument_.names.Lookup(u"x"), &mine);
    EXPECT_EQ(other.names.Lookup(u"x"), &theirs);
    EXPECT_EQ(instrument_.names.Lookup(u"only"), nullptr);

    // A trigger under way in one instrument has reached all it may, and its chain is as
    // deep as it may be ...
    TriggerScope busy(instrument_.budgets.triggers);
    ASSERT_TRUE(instrument_.budgets.triggers.ChargeVisits(MAX_VISITS));
    bool links[TriggerBudget::MAX_DEPTH] = {};
    std::vector<std::unique_ptr<TriggerGuard>> chain;
    for (bool& link : links) {
        chain.push_back(std::make_unique<TriggerGuard>(instrument_.budgets.triggers, link));
    }
    bool flag = false;
    EXPECT_FALSE(TriggerGuard(instrument_.budgets.triggers, flag).Allowed());
    GroupElement spent(instrument_, u"g");
    spent.AddByName(u"x");
    spent.Trigger(40, nullptr);
    EXPECT_TRUE(mine.values.empty());
    // ... while the other's triggers are counted apart.
    EXPECT_TRUE(TriggerGuard(other.budgets.triggers, flag).Allowed());
    GroupElement group(other, u"g");
    group.AddByName(u"x");
    group.Trigger(40, nullptr);
    EXPECT_EQ(theirs.values, (std::vector<int32_t>{40}));

    instrument_.names.Clear();
    EXPECT_EQ(other.names.Lookup(u"x"), &theirs);
}

}  // namespace
}  // namespace chordlane::test

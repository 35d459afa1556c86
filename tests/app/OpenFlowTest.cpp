#include <gmock/gmock.h>

#include "app/OpenFlow.h"
#include "language/NameRegistry.h"
#include "tests/language/InstrumentTest.h"
#include "view/InstrumentView.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

// A voice that counts its releases and leaves the playing list only if told to.
class CountingVoice : public IndexedElement {
public:
    CountingVoice(int& releases, bool leaves)
        : IndexedElement(u"held"), releases_(releases), leaves_(leaves) {}
    const char* ClassName() const override { return "CountingVoice"; }
    int32_t GetKind() const override { return KIND_VOICE; }
    void Trigger(int32_t value, Element*) override {
        if (value != NO_VALUE) return;
        ++releases_;
        if (leaves_) StopPlaying(this);
    }

private:
    int& releases_;
    bool leaves_;
};

class OpenFlowTest : public InstrumentTest {
protected:
    //! Loads an instrument with one playing voice, then opens another one; answers how long
    //! the flow waited for the voice and how often it was released.
    std::pair<uint32_t, int> ReopenWhilePlaying(bool voiceLeaves) {
        Load("gr old 0 0 1 1\n");
        int releases = 0;
        auto voice = std::make_unique<CountingVoice>(releases, voiceLeaves);
        StartPlaying(voice.get());
        Root().Add(std::move(voice));
        const uint32_t before = platform_.clock.TickCount();
        Load("gr new 0 0 1 1\n");
        return {platform_.clock.TickCount() - before, releases};
    }
};

TEST_F(OpenFlowTest, CancellingTheOpenDialogKeepsTheCurrentInstrument) {
    Load("gr old 0 0 1 1\n");
    const PanelElement* root = App().root.get();
    const String path = App().currentPath;
    platform_.dialogs.Cancel();
    EXPECT_EQ(OpenInstrument(std::nullopt).outcome, OpenResult::Outcome::Cancelled);
    EXPECT_EQ(App().root.get(), root);
    EXPECT_EQ(App().currentPath, path);
    EXPECT_EQ(App().instrumentLoaded, 1);
    EXPECT_NE(Lookup(u"old"), nullptr);
}

TEST_F(OpenFlowTest, WithoutAPathTheChosenFileIsLoadedAndBecomesTheCurrentPath) {
    const String path = WriteInstrument("chosen.clx", "gr r 0 0 1 1\n");
    platform_.dialogs.Answer(path);
    EXPECT_EQ(OpenInstrument(std::nullopt).outcome, OpenResult::Outcome::Loaded);
    EXPECT_EQ(App().currentPath, path);
    EXPECT_THAT(Describe(Root()), ElementsAre("RectElement r"));
    const FileDialogRequest& request = platform_.dialogs.Requests().back();
    EXPECT_EQ(request.title, u"Open an Instrument");
    EXPECT_THAT(request.filters,
                ElementsAre(Pair(u"Chordlane Instrument (*.clx,*.cly)", u"*.clx;*.cly")));
    EXPECT_TRUE(request.mustExist);
}

TEST_F(OpenFlowTest, OpeningReleasesPlayingVoicesWithoutWaitingWhenTheyStop) {
    EXPECT_EQ(ReopenWhilePlaying(true), std::make_pair(0u, 1));
    EXPECT_THAT(PlayingList(), IsEmpty());
}

TEST_F(OpenFlowTest, OpeningWaitsAtMostTenTimesTenMillisecondsForVoices) {
    EXPECT_EQ(ReopenWhilePlaying(false), std::make_pair(100u, 1));
    // The new instrument starts with nothing playing whatever the old one did.
    EXPECT_THAT(PlayingList(), IsEmpty());
    EXPECT_THAT(Describe(Root()), ElementsAre("RectElement new"));
}

TEST_F(OpenFlowTest, AnAbandonedLoadReturnsToTheStartupScreen) {
    platform_.dialogs.Cancel();
    const OpenResult result = Load("gr r 0 0 1 1\ni -a ?*.clx T\n");
    EXPECT_EQ(result.outcome, OpenResult::Outcome::Aborted);
    EXPECT_EQ(ScreenStateValue(), 1);
    EXPECT_EQ(App().instrumentLoaded, 0);
    EXPECT_EQ(App().currentPath, u"");
    EXPECT_THAT(Members(Root()), IsEmpty());
    EXPECT_EQ(Lookup(u"r"), nullptr);
}

TEST_F(OpenFlowTest, AFileThatCannotBeFoundGivesAnEmptyLoadedInstrument) {
    const OpenResult result = Open(u"nowhere.clx");
    EXPECT_EQ(result.outcome, OpenResult::Outcome::Loaded);
    EXPECT_FALSE(result.found);
    EXPECT_EQ(App().instrumentLoaded, 1);
    EXPECT_EQ(App().currentPath, u"nowhere.clx");
    EXPECT_THAT(Members(Root()), IsEmpty());
    EXPECT_EQ(RectOf(App().root.get()), (Rect{0, 0, 239, 319}));
}

TEST_F(OpenFlowTest, ActivationLeavesNestedPanelsHiddenAndFiresInit) {
    Load(R"(gr top 0 0 1 1
[ shown 0 0 10 10
gr a 0 0 1 1
]
[ hidden 0 0 10 10
gr b 0 0 1 1
]
{ init
=b shown.e
}
)");
    EXPECT_TRUE(Root().IsActive());
    EXPECT_TRUE(Find(u"top")->IsActive());
    EXPECT_TRUE(Find(u"shown")->IsActive());  // by its init action
    EXPECT_TRUE(Find(u"Aa")->IsActive());
    EXPECT_FALSE(Find(u"hidden")->IsActive());
    EXPECT_FALSE(Find(u"Bb")->IsActive());
    EXPECT_EQ(Lookup(u"Bb"), nullptr);
}

TEST_F(OpenFlowTest, LoadingDropsPendingRepaintsAndShowsTheWindowAgainOnce) {
    App().pendingRepaint = {1, 1, 5, 5};
    Load("gr r 0 0 1 1\n");
    EXPECT_TRUE(App().pendingRepaint.IsEmpty());
    EXPECT_EQ(platform_.window.Reshows(), 1);
    EXPECT_EQ(ScreenStateValue(), 2);
}

TEST_F(OpenFlowTest, EachLoadStartsAFreshInstrument) {
    platform_.dialogs.Answer(u"/x/a.wav");
    Load("[ p 0 0 10 10\nv x\n]\ns a ?*.wav T 440 0 0\n");
    ASSERT_NE(Lookup(u"p"), nullptr);
    ASSERT_FALSE(App().answersLog.empty());
    Load("[ q 0 0 10 10\nv y\n]\n");
    EXPECT_EQ(Lookup(u"p"), nullptr);
    EXPECT_NE(Find(u"Ay"), nullptr);  // panel numbers count from 1 again
    EXPECT_EQ(App().answersLog, u"");
}

}  // namespace
}  // namespace chordlane::test

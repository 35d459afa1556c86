#include <gmock/gmock.h>

#include "app/OpenFlow.h"
#include "elements/NameRegistry.h"
#include "tests/language/InstrumentTest.h"
#include "view/InstrumentView.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

// A voice that counts its releases but never leaves the playing list.
class StuckVoice : public IndexedElement {
  public:
    StuckVoice(Instrument& owner, int& releases)
        : IndexedElement(owner, u"held"), releases_(releases) {}
    const char* ClassName() const override { return "StuckVoice"; }
    void Trigger(int32_t value, Element*) override { releases_ += value == NO_VALUE; }

  private:
    int& releases_;
};

using OpenFlowTest = InstrumentTest;

TEST_F(OpenFlowTest, CancellingTheOpenDialogKeepsTheCurrentInstrument) {
    Load("gr old 0 0 1 1\n");
    const PanelElement* root = instrument_.root.get();
    platform_.dialogs.Cancel();
    EXPECT_EQ(OpenInstrument(instrument_, std::nullopt).outcome, OpenResult::Outcome::Cancelled);
    EXPECT_EQ(instrument_.root.get(), root);
    EXPECT_EQ(instrument_.load.loaded, 1);
    EXPECT_THAT(platform_.dialogs.Requests().back().filters,
                ElementsAre(Pair(u"Chordlane Instrument (*.clx,*.cly)", u"*.clx;*.cly")));
}

TEST_F(OpenFlowTest, OpeningReleasesPlayingVoicesAndWaitsAtMostTenTimesTenMilliseconds) {
    Load("gr old 0 0 1 1\n");
    int releases = 0;
    auto voice = std::make_unique<StuckVoice>(instrument_, releases);
    instrument_.names.StartPlaying(voice.get());
    Root().Add(std::move(voice));
    const uint32_t before = platform_.clock.TickCount();
    Load("gr new 0 0 1 1\n");
    EXPECT_EQ(releases, 1);
    EXPECT_EQ(platform_.clock.TickCount() - before, 100u);
    EXPECT_THAT(instrument_.names.PlayingList(), IsEmpty());
    EXPECT_THAT(Describe(Root()), ElementsAre("RectElement new"));
}

TEST_F(OpenFlowTest, AnAbandonedLoadReturnsToTheStartupScreen) {
    platform_.dialogs.Cancel();
    EXPECT_EQ(Load("gr r 0 0 1 1\ni -a ?*.clx T\n").outcome, OpenResult::Outcome::Aborted);
    EXPECT_EQ(instrument_.screen.state, SCREEN_TAP_TO_START);
    EXPECT_EQ(instrument_.load.loaded, 0);
    EXPECT_EQ(instrument_.load.currentPath, u"");
    EXPECT_EQ(instrument_.names.Lookup(u"r"), nullptr);
}

TEST_F(OpenFlowTest, AFileThatCannotBeFoundGivesAnEmptyLoadedInstrument) {
    instrument_.screen.pendingRepaint = {1, 1, 5, 5};
    const OpenResult result = Open(u"nowhere.clx");
    EXPECT_EQ(result.outcome, OpenResult::Outcome::Loaded);
    EXPECT_FALSE(result.found);
    EXPECT_EQ(instrument_.load.loaded, 1);
    EXPECT_EQ(instrument_.load.currentPath, u"nowhere.clx");
    EXPECT_THAT(Members(Root()), IsEmpty());
    EXPECT_EQ(RectOf(instrument_.root.get()), (Rect{0, 0, 239, 319}));
    // The window is shown anew once, so what waited to be repainted is dropped.
    EXPECT_TRUE(instrument_.screen.pendingRepaint.IsEmpty());
    EXPECT_EQ(platform_.window.Reshows(), 1);
}

TEST_F(OpenFlowTest, FilesOfPanelsNotShownYetAreReportedOnlyWhenTheSearchFailsThem) {
    WriteFile("here.wav", "not loaded before the panel is shown");
    Load(
        "[ p 0 0 10 10\ns here here.wav 440 0 0\ns gone gone.wav 440 0 0\n]\n"
        "s shown shown.wav 440 0 0\n");
    EXPECT_THAT(listener_.reports, ElementsAre("main.clx:6: wave file not loaded shown.wav",
                                               "main.clx:4: wave file not loaded gone.wav"));
    // Only a sound that tried to load tells the user.
    EXPECT_THAT(platform_.messages.Texts(),
                ElementsAre(u"Could not load: shown.wav (" + TempFolder() + u"main.clx:6)\n"));
}

TEST_F(OpenFlowTest, EachLoadStartsAFreshInstrument) {
    platform_.dialogs.Answer(u"/x/a.wav");
    Load("[ p 0 0 10 10\nv x\n]\ns a ?*.wav T 440 0 0\n");
    ASSERT_FALSE(instrument_.load.answersLog.empty());
    Load("[ q 0 0 10 10\nv y\n]\n");
    EXPECT_EQ(instrument_.names.Lookup(u"p"), nullptr);
    EXPECT_NE(Find(u"Ay"), nullptr);  // panel numbers count from 1 again
    EXPECT_EQ(instrument_.load.answersLog, u"");
}

}  // namespace
}  // namespace chordlane::test

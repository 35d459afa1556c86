// Reloading the instrument on show when its files change: the answers its prompts were given
// are used again and the program's options and variables kept, the replaced instrument rings
// out, and a broken edit is said once and the instrument as it was plays on. When a burst of
// saves has settled is WatchedFiles' to decide (FileWatcherTest).
#include <gmock/gmock.h>

#include <filesystem>

#include "app/LiveReload.h"
#include "app/OpenFlow.h"
#include "elements/Element.h"
#include "elements/PanelElement.h"
#include "platform/headless/PollingFileWatcher.h"
#include "tests/sound/SoundTestSupport.h"
#include "tests/support/ChordlaneTest.h"
#include "tests/support/FakeWaveOutput.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// The button "b" plays the chosen wave file; "parts.clx" adds the shape and the sound
// "tone", both of which the edits below change.
constexpr char MAIN[] = R"(cl1.0 main
d 240 320
i parts.clx
s picked ?*.wav "Choose a wave" 220 0 0
v vp
br b 0 0 20 20
{ init
=s vp.ns picked
=s b.na vp
}
)";

class LiveReloadTest : public ChordlaneTest {
  protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        WriteWave("tone.wav", 8000, 0.1);
        WriteWave("chosen.wav", 8000, 0.3);
        WriteFile("parts.clx", "cl1.0 parts\ngr shape 0 100 50 50\ns tone tone.wav 220 0 0\n");
        main_ = FromUtf8(WriteFile("main.clx", MAIN).string());
        reload_.SetReplaced([this](Instrument&) { ++replaced_; });
    }
    void TearDown() override {
        reload_.SetWatcher(nullptr);
        ChordlaneTest::TearDown();
    }

    void WriteWave(const std::string& name, uint32_t rate, double seconds) {
        const WaveSpec form{1, 1, rate, 16};
        WriteFile(name, CanonicalWave(form, Tone(form, 220, seconds, 8000)));
    }
    //! Opens main.clx as the program does, answering its prompt, and starts watching.
    void OpenMain() {
        Instrument& shown = reload_.Current();
        shown.SetScreen(240, 320);
        // Pictures are looked for as written and in the home folder only.
        shown.load.homeFolder = TempFolder();
        platform_.dialogs.Answer(TempFolder() + u"chosen.wav");
        ASSERT_EQ(OpenInstrument(shown, main_).outcome, OpenResult::Outcome::Loaded);
        reload_.SetWatcher(&watcher_);
    }
    //! Lets time pass in steps of 10 ms, looking at the files at each.
    void Settle(uint32_t ms = 100) {
        for (uint32_t t = 0; t < ms; t += 10) {
            watcher_.Poll();
            platform_.clock.Advance(10);
        }
        watcher_.Poll();
    }
    //! Strikes the button "b" of the instrument on show.
    void StrikeB() {
        Instrument& shown = reload_.Current();
        shown.root->ResetPenInside(0, false);
        shown.root->OnStroke({9, 9}, {10, 10}, 50, false, 0);
    }
    static bool Pressed(Instrument& instrument, std::u16string_view name) {
        auto* button = static_cast<VisualElement*>(instrument.names.Lookup(String(name)));
        return button && button->IsPressed();
    }
    FakeWaveOutput& Output() { return static_cast<FakeWaveOutput&>(*platform_.waveOut); }
    const std::vector<String>& Messages() { return platform_.messages.Texts(); }

    String main_;
    LiveReload reload_{platform_.services, {.instruments = 2, .ms = 1000}};
    PollingFileWatcher watcher_{platform_.clock};
    int replaced_ = 0;
};

TEST_F(LiveReloadTest, ALoadNotesEveryFileItReadOnceAndNotTheOnesItCouldNotFind) {
    WriteFile("pic.bmp", std::string(64, 'x'));
    WriteFile("parts.clx",
              "cl1.0 parts\ngr shape 0 100 50 50\ns tone tone.wav 220 0 0\n"
              "s again ./tone.wav 220 0 0\ns gone missing.wav 220 0 0\ngi pic pic.bmp 0 0 9 9\n");
    OpenMain();
    std::vector<std::string> names;
    for (const String& path : reload_.Current().UsedFiles()) {
        const std::filesystem::path file(ToUtf8(path));
        EXPECT_TRUE(file.is_absolute()) << file;
        names.push_back(file.filename().string());
    }
    // A picture that does not decode is watched too: mending it is an edit to see.
    EXPECT_THAT(names, ElementsAre("main.clx", "parts.clx", "tone.wav", "pic.bmp", "chosen.wav"));
}

TEST_F(LiveReloadTest, EditsOfAnIncludedFileAndAWaveFileReloadKeepingAnswersOptionsAndVariables) {
    OpenMain();
    // The options and variables are the program's, not the file's: a reload keeps them.
    const MenuOptions options{.showActive = 0, .speedVolume = 0, .hardwareButtons = 1};
    const AppVariables variables{.cb = 0x123456, .sp = 7, .vA = -3, .vM = 80};
    reload_.Current().options = options;
    reload_.Current().variables = variables;
    const String answers = reload_.Current().load.answersLog;
    ASSERT_THAT(ToUtf8(answers), HasSubstr("chosen.wav"));
    ASSERT_EQ(platform_.dialogs.Requests().size(), 1u);
    platform_.window.ClearRepaints();
    const int reshows = platform_.window.Reshows();

    WriteFile("parts.clx", "cl1.0 parts\ngr edited 0 100 50 50\ns tone tone.wav 220 0 0\n");
    Settle();
    EXPECT_EQ(replaced_, 1);
    // Painted once, all of it; the window is not raised over the author's editor.
    EXPECT_THAT(platform_.window.Repaints(), ElementsAre(Rect{0, 0, 239, 319}));
    EXPECT_EQ(platform_.window.Reshows(), reshows);
    EXPECT_NE(reload_.Current().names.Lookup(u"edited"), nullptr);
    EXPECT_EQ(reload_.Current().names.Lookup(u"shape"), nullptr);
    EXPECT_EQ(reload_.Current().options, options);
    EXPECT_EQ(reload_.Current().variables, variables);

    // The chosen wave file, read through the answer, is watched as well: at a new rate it
    // sounds at that rate.
    WriteWave("chosen.wav", 16000, 0.3);
    Settle();
    EXPECT_EQ(replaced_, 2);
    StrikeB();
    ASSERT_EQ(Output().OpenDevices(), 1u);
    const WaveFormat* format = Output().FormatOf(Output().Calls().back().device);
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->samplesPerSec, 16000u);

    // No dialog was asked again, and the new load remembers the same answers.
    EXPECT_EQ(platform_.dialogs.Requests().size(), 1u);
    EXPECT_EQ(reload_.Current().load.answersLog, answers);
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(LiveReloadTest, AFileRenamedOverAWatchedOneReloadsAndIsWatchedAfterwards) {
    OpenMain();
    // Same size and written in the same clock tick as far as the file system can tell: only
    // the file being another one shows the change.
    WriteFile("parts.new", "cl1.0 parts\ngr shapf 0 100 50 50\ns tone tone.wav 220 0 0\n");
    std::filesystem::rename(temp_ / "parts.new", temp_ / "parts.clx");
    Settle();
    EXPECT_EQ(replaced_, 1);
    EXPECT_NE(reload_.Current().names.Lookup(u"shapf"), nullptr);

    WriteFile("parts.clx", "cl1.0 parts\ngr again 0 100 50 50\ns tone tone.wav 220 0 0\n");
    Settle();
    EXPECT_EQ(replaced_, 2);
    EXPECT_NE(reload_.Current().names.Lookup(u"again"), nullptr);
}

TEST_F(LiveReloadTest, ABrokenEditIsSaidOnceAndTheInstrumentAsItWasPlaysOn) {
    OpenMain();
    Instrument* before = &reload_.Current();
    StrikeB();
    ASSERT_TRUE(Pressed(*before, u"b"));
    platform_.window.ClearRepaints();

    // Half-way through an edit: the file includes one with nothing to draw, and one not there.
    WriteFile("part.clx", "cl1.0 part\nv lonely\n");
    WriteFile("main.clx", "cl1.0 main\ni part.clx\ni gone.clx\n");
    Settle();
    EXPECT_EQ(replaced_, 0);
    EXPECT_EQ(&reload_.Current(), before);
    EXPECT_TRUE(Pressed(*before, u"b"));
    ASSERT_EQ(Messages().size(), 1u);
    const std::string said = ToUtf8(Messages()[0]);
    EXPECT_THAT(said, HasSubstr("has nothing to show"));
    EXPECT_THAT(said, HasSubstr("main.clx:3: include file \"gone.clx\" cannot be found"));
    EXPECT_THAT(said, HasSubstr("as it was plays on"));
    // Nothing of the failed load was painted over the instrument playing.
    EXPECT_THAT(platform_.window.Repaints(), IsEmpty());

    // Saved again with the same fault: nothing more is said.
    WriteFile("main.clx", "cl1.0 main\ni part.clx\ni gone.clx\n\n");
    Settle();
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_EQ(&reload_.Current(), before);

    // The fix is in the newly included file, which the old instrument never read.
    WriteFile("part.clx", "cl1.0 part\ngr fixed 0 0 9 9\n");
    Settle();
    EXPECT_EQ(replaced_, 1);
    EXPECT_NE(reload_.Current().names.Lookup(u"fixed"), nullptr);
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_THAT(ToUtf8(Messages()[1]), HasSubstr("with problems"));
}

TEST_F(LiveReloadTest, ALoadWithAMissingWaveFileReplacesTheOldOneAndListsWhereItWasNamed) {
    OpenMain();
    WriteFile("parts.clx", "cl1.0 parts\ngr shape 0 100 50 50\ns tone tones.wav 220 0 0\n");
    Settle();
    EXPECT_EQ(replaced_, 1);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_THAT(ToUtf8(Messages()[0]), HasSubstr("parts.clx:3: wave file \"tones.wav\""));
    // By hand, the same problem is said again: the author asked.
    reload_.Reload(ReloadTrigger::ByHand);
    EXPECT_EQ(Messages().size(), 2u);
}

// The replaced instrument's sounds ring out; one that would ring longer than the second the
// reload allows is silenced then.
TEST_F(LiveReloadTest, TheReplacedInstrumentRingsOutAndThenGoesOrIsSilencedAfterASecond) {
    OpenMain();
    Instrument* before = &reload_.Current();
    StrikeB();  // the chosen wave: 300 ms
    reload_.Reload(ReloadTrigger::ByHand);
    ASSERT_NE(&reload_.Current(), before);
    EXPECT_EQ(reload_.Ringing(), 1u);
    EXPECT_EQ(Output().OpenDevices(), 1u);

    platform_.clock.Advance(100);
    reload_.ReleaseQuiet();
    EXPECT_EQ(reload_.Ringing(), 1u);  // still sounding
    platform_.clock.Advance(300);
    reload_.ReleaseQuiet();
    EXPECT_EQ(reload_.Ringing(), 0u);
    EXPECT_EQ(Output().OpenDevices(), 0u);

    WriteWave("chosen.wav", 8000, 3.0);
    reload_.Reload(ReloadTrigger::ByHand);
    StrikeB();
    reload_.Reload(ReloadTrigger::ByHand);
    ASSERT_EQ(reload_.Ringing(), 1u);
    platform_.clock.Advance(1100);
    reload_.ReleaseQuiet();
    EXPECT_EQ(reload_.Ringing(), 0u);
    EXPECT_EQ(Output().OpenDevices(), 0u);
}

TEST_F(LiveReloadTest, APromptNotAnsweredBeforeIsAskedByHandOnly) {
    // The prompt was cancelled: "-c" skips the line and nothing is remembered.
    WriteFile("main.clx", std::string(MAIN).replace(std::string(MAIN).find("?*"), 2, "-c ?*"));
    Instrument& shown = reload_.Current();
    shown.SetScreen(240, 320);
    platform_.dialogs.Cancel();
    ASSERT_EQ(OpenInstrument(shown, main_).outcome, OpenResult::Outcome::Loaded);
    reload_.SetWatcher(&watcher_);
    ASSERT_EQ(platform_.dialogs.Requests().size(), 1u);

    WriteFile("parts.clx", "cl1.0 parts\ngr edited 0 100 50 50\n");
    Settle();
    EXPECT_EQ(replaced_, 1);
    EXPECT_EQ(platform_.dialogs.Requests().size(), 1u);
    // The person's own cancel, kept by the reload: no problem of the edit to tell.
    EXPECT_THAT(Messages(), IsEmpty());

    reload_.Reload(ReloadTrigger::ByHand);
    EXPECT_EQ(platform_.dialogs.Requests().size(), 2u);
}

TEST_F(LiveReloadTest, AChangeDuringAHoldReloadsWhenItEndsUnlessALoadWatchedAfresh) {
    OpenMain();
    {
        const LiveReload::Hold saving(reload_);  // Save As, its dialog open
        WriteFile("parts.clx", "cl1.0 parts\ngr edited 0 100 50 50\n");
        Settle();
        EXPECT_EQ(replaced_, 0);
    }
    EXPECT_EQ(replaced_, 1);
    EXPECT_NE(reload_.Current().names.Lookup(u"edited"), nullptr);

    {
        const LiveReload::Hold opening(reload_);  // File -> Open, which loads afresh
        WriteFile("parts.clx", "cl1.0 parts\ngr again 0 100 50 50\n");
        Settle();
        reload_.WatchCurrent();
    }
    EXPECT_EQ(replaced_, 1);
}

}  // namespace
}  // namespace chordlane::test

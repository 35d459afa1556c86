// The scripts of render and play: how they are read, and how they drive the view, the
// dialogs and the clock of the tool's engine.
#include <gmock/gmock.h>

#include "app/AppState.h"
#include "app/EventTrace.h"
#include "app/OpenFlow.h"
#include "tests/elements/ElementTestSupport.h"
#include "tools/OfflineEngine.h"
#include "tools/ScriptRunner.h"
#include "tools/ToolSession.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using tool::ScriptOp;

// The strokes the view hands on: where each ends, and the clock's tick count at that moment.
struct TimedTrace : TestTrace {
    explicit TimedTrace(Clock& clock) : clock(clock) {}
    void Stroke(Point, Point to, int32_t) override { seen.emplace_back(clock.TickCount(), to); }
    Clock& clock;
    std::vector<std::pair<uint32_t, Point>> seen;
};

std::vector<ScriptOp> Ops(const tool::Script& script) {
    std::vector<ScriptOp> ops;
    for (const tool::ScriptCommand& c : script.commands) ops.push_back(c.op);
    return ops;
}

TEST(ScriptParseTest, ReadsCommandsSkippingCommentsAndBlankLines) {
    const tool::ScriptParse parsed = tool::ParseScript(
        "# warm up\n\n  tap 10 -20   # a comment after a command\nstrum 1 2 3 4 250 5\r\n"
        "wait 100\nanswer \"/my files/#1 \\\"a\\\".clx\"\ncancel\nkey 65\nhotkey 207\nactivate 2\n"
        "menu speedvolume");
    ASSERT_TRUE(parsed.script) << parsed.error;
    const tool::Script& script = *parsed.script;
    EXPECT_THAT(Ops(script), ElementsAre(ScriptOp::Tap, ScriptOp::Strum, ScriptOp::Wait,
                                         ScriptOp::Answer, ScriptOp::Cancel, ScriptOp::Key,
                                         ScriptOp::HotKey, ScriptOp::Activate, ScriptOp::Menu));
    EXPECT_EQ(script.commands[0].line, 3);
    EXPECT_EQ(script.commands[0].y1, -20);
    EXPECT_EQ(script.commands[1].moves, 5u);
    EXPECT_EQ(script.commands[3].path, "/my files/#1 \"a\".clx");
    EXPECT_EQ(script.commands[8].item, tool::MenuItem::SpeedVolume);
    EXPECT_EQ(script.durationMs, 350u);
}

TEST(ScriptParseTest, NamesTheLineAndTheReasonOfABadLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"tap 1 2\nfly 3 4\n", "2: unknown command 'fly'"},
        {"down 1\n", "1: down wants X Y"},
        {"move 1 2.5\n", "1: move: Y is not a 32-bit integer: '2.5'"},
        {"strum 0 0 9 9 100 0\n", "1: strum: N must be a whole number from 1"},
        {"hotkey 192\n", "1: hotkey: CODE must be a whole number from 193 to 207"},
        {"menu close\n", "1: menu ITEM is open, saveas,"},
        {"answer \"a b\n", "1: a quoted word has no closing"},
    };
    for (const auto& [text, reason] : cases) {
        const tool::ScriptParse parsed = tool::ParseScript(text);
        EXPECT_FALSE(parsed.script) << text;
        EXPECT_THAT(parsed.error, StartsWith(reason)) << text;
    }
    const tool::ScriptParse nul = tool::ParseScript(std::string_view("wait 1\ntap 1 2\0x\n", 16));
    EXPECT_EQ(nul.error, "2: the line holds a NUL byte");
}

TEST(ScriptParseTest, BoundsTheTimeAndTheMovesOfAScript) {
    const tool::ScriptLimits limits{.maxMs = 1000, .maxMoves = 50};
    EXPECT_TRUE(tool::ParseScript("wait 600\nstrum 0 0 1 1 400 50\n", limits).script);
    EXPECT_EQ(tool::ParseScript("wait 600\nwait 401\n", limits).error,
              "2: the script would run longer than 1000 ms");
    EXPECT_EQ(tool::ParseScript("strum 0 0 1 1 0 30\nstrum 0 0 1 1 0 21\n", limits).error,
              "2: the strums would make more than 50 moves");
    // The default bound stops a wait of days before anything runs.
    EXPECT_THAT(tool::ParseScript("wait 4294967295\n").error, HasSubstr("longer than"));
}

class ScriptRunnerTest : public ChordlaneTest {
  protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        session_ = std::make_unique<tool::ToolSession>(tool::CommonOptions{});
        engine_ = std::make_unique<tool::OfflineEngine>(session_->Platform(),
                                                        tool::OfflineEngineConfig{});
    }
    void TearDown() override {
        SetTrace(nullptr);
        engine_.reset();
        session_.reset();
        ChordlaneTest::TearDown();
    }
    VirtualClock& Clock() { return session_->Platform().clock; }
    tool::ScriptRun Run(const std::string& text) {
        const tool::ScriptParse parsed = tool::ParseScript(text);
        EXPECT_TRUE(parsed.script) << parsed.error;
        if (!parsed.script) return {};
        return tool::ScriptRunner(engine_->View(), Clock(), session_->Platform().dialogs)
            .Run(*parsed.script);
    }
    std::string Instrument(const std::string& name, const std::string& body) {
        return WriteFile(name, "cl1.0\n" + body).string();
    }
    std::unique_ptr<tool::ToolSession> session_;
    std::unique_ptr<tool::OfflineEngine> engine_;
};

TEST_F(ScriptRunnerTest, StrumMovesAtTruncatedTimesToTruncatedPoints) {
    OpenInstrument(FromUtf8(Instrument("a.clx", "br b 0 0 240 320\n")));
    TimedTrace trace(Clock());
    SetTrace(&trace);
    const uint32_t t = Clock().TickCount();
    EXPECT_EQ(Run("strum 10 20 -7 33 100 3\n").elapsedMs, 100u);
    // x: 10 + (-17 * i) / 3 truncates toward zero: 5, -1, -7; y: 20 + 13 * i / 3: 24, 28, 33.
    EXPECT_EQ(trace.seen,
              (std::vector<std::pair<uint32_t, Point>>{
                  {t, {10, 20}}, {t + 33, {5, 24}}, {t + 66, {-1, 28}}, {t + 100, {-7, 33}}}));
}

TEST_F(ScriptRunnerTest, AnswersFeedTheDialogsOfMenuOpenAndTheFirstTap) {
    const std::string a = Instrument("a.clx", "gr a 0 0 1 1\n");
    const std::string b = Instrument("b.clx", "gr b 0 0 1 1\n");
    // Nothing is loaded: the first tap opens the Open dialog, which the answer fills.
    Run("answer \"" + a + "\"\ntap 5 5\n");
    EXPECT_EQ(ToUtf8(App().currentPath), a);
    EXPECT_TRUE(App().instrumentLoaded);
    // A cancelled Open keeps the instrument; an answered one replaces it.
    Run("cancel\nmenu open\n");
    EXPECT_EQ(ToUtf8(App().currentPath), a);
    Run("answer " + b + "\nmenu open\n");
    EXPECT_EQ(ToUtf8(App().currentPath), b);
}

TEST_F(ScriptRunnerTest, MenuExitEndsTheScript) {
    const tool::ScriptRun run =
        Run("wait 10\nmenu showactive\nmenu exit\nmenu showactive\nwait 50\n");
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.elapsedMs, 10u);
    EXPECT_EQ(App().showActive, 0);  // toggled once, not back
}

TEST_F(ScriptRunnerTest, ActivationReadsTheVolumeTheProgramStoresAtItsFirstStart) {
    App().vM = 7;
    Run("activate 1\n");
    EXPECT_EQ(App().vM, 50);
}

}  // namespace
}  // namespace chordlane::test

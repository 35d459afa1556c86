// How the scripts of render and play are read: what a bad line says, and the bounds that keep
// a script from running for days. Running them is checked through the tool itself.
#include <gmock/gmock.h>

#include <tuple>

#include "tools/ScriptRunner.h"

namespace chordlane::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(ScriptParseTest, NamesTheLineAndTheReasonOfABadLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"# comment\n\ntap 1 2  # after a command\nfly 3 4\n", "4: unknown command 'fly'"},
        {"move 1 2.5\n", "1: move: Y is not a 32-bit integer: '2.5'"},
        {"strum 0 0 9 9 100 0\n", "1: strum: N must be a whole number from 1"},
        {"hotkey 192\n", "1: hotkey: CODE must be a whole number from 193 to 207"},
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

TEST(ScriptParseTest, TouchLinesNameAPointFromZeroToNineAndItsAction) {
    const tool::ScriptParse parsed =
        tool::ParseScript("touch 9 down 1 -2\ntouch 0 move +3 4\ntouch 1 up\n");
    ASSERT_TRUE(parsed.script) << parsed.error;
    const auto& c = parsed.script->commands;
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].op, tool::ScriptOp::TouchDown);
    EXPECT_EQ((std::tuple{c[0].code, c[0].x1, c[0].y1}), (std::tuple{9u, 1, -2}));
    EXPECT_EQ(c[1].op, tool::ScriptOp::TouchMove);
    EXPECT_EQ((std::tuple{c[1].code, c[1].x1, c[1].y1}), (std::tuple{0u, 3, 4}));
    EXPECT_EQ(c[2].op, tool::ScriptOp::TouchUp);
    EXPECT_EQ(c[2].code, 1u);

    const std::pair<const char*, const char*> bad[] = {
        {"touch\n", "1: touch wants N down X Y, N move X Y or N up"},
        {"touch 1\n", "1: touch wants N down X Y, N move X Y or N up"},
        {"touch 10 down 1 2\n", "1: touch: N must be a whole number from 0 to 9, not '10'"},
        {"touch -1 up\n", "1: touch: N must be a whole number from 0 to 9, not '-1'"},
        {"touch 1 tap 1 2\n", "1: touch wants N down X Y, N move X Y or N up, not 'tap'"},
        {"touch 1 down 5\n", "1: touch N down wants X Y"},
        {"touch 1 up 5 5\n", "1: touch N up takes nothing more"},
        {"touch 1 move 5 y\n", "1: touch: Y is not a 32-bit integer: 'y'"},
    };
    for (const auto& [text, reason] : bad) EXPECT_EQ(tool::ParseScript(text).error, reason);
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

}  // namespace
}  // namespace chordlane::test

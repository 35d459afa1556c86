// How the scripts of render and play are read: what a bad line says, and the bounds that keep
// a script from running for days. Running them is checked through the tool itself.
#include <gmock/gmock.h>

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
        {"touch 1 down 5 5\ntouch 1 tap 1 2\n", "2: touch wants N down X Y, N move X Y or N up"},
        {"touch 1 up 5 5\n", "1: touch N up takes nothing more"},
        {"touch 1 move 5\n", "1: touch N move wants X Y"},
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

}  // namespace
}  // namespace chordlane::test

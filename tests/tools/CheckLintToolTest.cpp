// What check finds beyond the lines the loader skips: names that find nothing when played,
// groups and panels left open at the end of their file, elements off the screen.
#include <gmock/gmock.h>

#include "tests/tools/ToolRunner.h"

namespace chordlane::test {
namespace {

class CheckLintToolTest : public ToolTest {
  protected:
    // The check output of an instrument file "main.clx" with this body (line 2 onwards).
    std::string Check(const std::string& body, int expectedExit) {
        const ToolRun run = Run({"check", Instrument("main.clx", body)});
        EXPECT_EQ(run.exitCode, expectedExit) << run.out << run.err;
        return run.out;
    }
    std::string At(int line) { return Path("main.clx") + ":" + std::to_string(line) + ": "; }
};

TEST_F(CheckLintToolTest, AMisspeltNameIsReportedWithTheClosestDefinedName) {
    EXPECT_EQ(Check(R"(v kick
br pad 0 0 50 50
{ init
=s pad.na kik
}
)",
                    1),
              At(5) + "name \"kik\" resolves to nothing (did you mean \"kick\"?)\n");
}

TEST_F(CheckLintToolTest, ANameFarFromEveryDefinedOneIsReportedWithoutASuggestion) {
    EXPECT_EQ(Check("v kick\n> snaredrum\n", 1),
              At(3) + "name \"snaredrum\" resolves to nothing\n");
}

TEST_F(CheckLintToolTest, ANameFoundWithoutItsPanelPrefixIsNotReported) {
    // Inside the panel "kick" is looked up as "Akick" and found as "kick".
    EXPECT_EQ(Check(R"(v kick
[ p 0 0 240 320
br pad 0 0 50 50
{ init
=s pad.na kick
}
]
)",
                    0),
              "");
}

TEST_F(CheckLintToolTest, AGroupLeftOpenIsReportedAtTheLineThatOpensIt) {
    EXPECT_EQ(Check("v kick\n{ chords\n> kick\n", 1),
              At(3) + "group \"chords\" is not closed before the end of the file\n");
}

TEST_F(CheckLintToolTest, APanelLeftOpenIsReportedAtTheLineThatOpensIt) {
    EXPECT_EQ(Check("v kick\n[ p2 0 0 240 320\nbr pad 0 0 50 50\n", 1),
              At(3) + "panel \"p2\" is not closed before the end of the file\n");
}

TEST_F(CheckLintToolTest, AGroupLeftOpenInAnIncludedFileIsReportedInThatFile) {
    const std::string part = Instrument("part.clx", "{ chords\nv kick\n");
    EXPECT_EQ(Check("i part.clx\n> kick\n", 1),
              part + ":2: group \"chords\" is not closed before the end of the file\n");
}

TEST_F(CheckLintToolTest, AnElementWhollyOutsideTheScreenIsReported) {
    EXPECT_EQ(Check("gr far 300 10 20 20\n", 1),
              At(2) + "rectangle of \"far\" lies wholly outside the 240x320 screen\n");
}

TEST_F(CheckLintToolTest, AnElementPartlyOnTheScreenIsNotReported) {
    EXPECT_EQ(Check("gr edge 230 310 20 20\n", 0), "");
}

}  // namespace
}  // namespace chordlane::test

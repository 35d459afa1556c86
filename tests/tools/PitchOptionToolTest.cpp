#include <gmock/gmock.h>

#include <algorithm>
#include <map>

#include "tests/sound/SoundTestSupport.h"
#include "tests/tools/ToolRunner.h"

namespace chordlane::test {
namespace {

using ::testing::HasSubstr;

// --pitch chooses how the copies are made: exact is what no option gives, byte for byte;
// fine makes other copies of the same size; anything else is a bad command line.
TEST_F(ToolTest, PitchOptionChoosesHowCopiesAreMadeAndRefusesOtherWords) {
    const WaveSpec form;
    WriteFile("a.wav", CanonicalWave(form, Tone(form, 440, 0.3, 8000)));
    const std::string main = Instrument("main.clx", "s tone a.wav 440 2 2\n");
    std::map<std::string, std::string> copies;
    for (const std::string pitch : {"", "exact", "fine"}) {
        std::vector<std::string> args = {"samples", main, "-d", Path("out-" + pitch)};
        if (!pitch.empty()) args.insert(args.end(), {"--pitch", pitch});
        const ToolRun run = Run(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "tone file=a.wav base=0 low=2 high=2 written=5\n");
        for (const char* shift : {"-2", "2"})
            copies[pitch] +=
                ReadBytes(temp_ / ("out-" + pitch) / ("tone." + std::string(shift) + ".wav"));
    }
    EXPECT_EQ(copies["exact"], copies[""]);
    EXPECT_NE(copies["fine"], copies[""]);
    EXPECT_EQ(copies["fine"].size(), copies[""].size());

    const std::vector<std::vector<std::string>> bad = {
        {"samples", main, "-d", Path("x"), "--pitch", "coarse"},
        {"check", main, "--pitch=Fine"},
        {"check", main, "--pitch"},
    };
    for (const auto& args : bad) {
        const ToolRun run = RunTool(args, temp_);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_THAT(run.err, HasSubstr("--pitch"));
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    const ToolRun help = RunTool({"--help"}, temp_);
    EXPECT_THAT(help.out, HasSubstr("--pitch"));
}

}  // namespace
}  // namespace chordlane::test

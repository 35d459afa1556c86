#include <gmock/gmock.h>

#include <algorithm>

#include "language/Packer.h"
#include "tests/sound/SoundTestSupport.h"
#include "tests/tools/ToolRunner.h"

namespace chordlane::test {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

class InstrumentToolTest : public ToolTest {
  protected:
    std::string Wave(const std::string& name) {
        const WaveSpec form;
        return WriteFile(name, CanonicalWave(form, Tone(form, 440, 0.1, 8000))).string();
    }
};

TEST_F(InstrumentToolTest, CheckPrintsEveryProblemWithItsFileAndLine) {
    Instrument("part.clx", "v ok\ns n file.wav 440 3\n");
    const std::string main = Instrument("main.clx", R"(gr r 1 2 3
  br indented 0 0 1 1
# a comment is no problem
i part.clx
i missing.clx
gi pic nothere.bmp 0 0 1 1
s snd nothere.wav 440 0 0
=i x 5
)");
    const ToolRun run = Run({"check", main});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, main + ":2: gr: missing H of the rectangle X Y W H\n" +  //
                           main + ":3: indented line beginning with 'br' is ignored\n" +
                           Path("part.clx") + ":3: s: missing HIGH\n" +  //
                           main + ":6: include file \"missing.clx\" cannot be found\n" + main +
                           ":9: =i: no '.' between TARGET and PROP\n" + main +
                           ":7: picture \"nothere.bmp\" cannot be loaded\n" + main +
                           ":8: wave file \"nothere.wav\" cannot be loaded\n");
    EXPECT_THAT(run.err, HasSubstr("message: Could not load: nothere.wav (" + main + ":8)\n"));
}

// A load abandoned in a prompt (3) is checked with render, bad command lines (2) below.
TEST_F(InstrumentToolTest, ACleanCheckSaysNothingAndAFileNotFoundExitsWithFour) {
    Wave("a.wav");
    const ToolRun clean = Run({"check", Instrument("clean.clx", "s a a.wav 440 1 1\ni !\n")});
    EXPECT_EQ(clean.exitCode, 0) << clean.out << clean.err;
    EXPECT_EQ(clean.out, "");
    const ToolRun missing = Run({"dump", Path("nowhere.clx")});
    EXPECT_EQ(missing.exitCode, 4);
    EXPECT_EQ(missing.out, "");
}

TEST_F(InstrumentToolTest, DumpPrintsTheTreeAndTheRegistry) {
    const std::string main = Instrument("main.clx", R"(d 480 640
br key 20 40 100 60
{ chord
v low
=i low.vm +5 0 100
}
[ page 10 10 100 100
gt label "C#" 0 0 20 20
]
> low 7
=b key.e false
=r key.b 0 0 10 10
=s key.na "chord"
)");
    const ToolRun run = Run({"dump", main, "--registry"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string grey = "colours=0x909090,0x0080FF,0x000000,0x000000";
    EXPECT_EQ(run.out,
              "PanelElement \"!\" active=1 number=0 init=1 bounds=0,0,239,319 " + grey + "\n" +
                  "  RectButtonElement \"key\" active=1 bounds=10,20,60,50 " + grey +
                  " pressed=0 na=\"\" nb=\"\"\n" +
                  "  GroupElement \"chord\" active=1\n"
                  "    VoiceElement \"low\" active=1 ns=\"\" shift=none va=0 vm=50 dm=100 ng=\"\"\n"
                  "    SetIntAction \"low=i\" active=1 prop=\"vm\" value=none step=5 limit=100 "
                  "restart=0\n"
                  "  PanelElement \"page\" active=0 number=1 init=0 bounds=5,5,55,55 " +
                  grey + "\n" +
                  "    TextElement \"Alabel\" active=0 text=\"C#\" bounds=5,5,15,15 " + grey +
                  " at=0 ns=0 nm=1 nd=1 display=\"C#\"\n" +
                  "  PlayAction \"low>\" active=1 value=7\n"
                  "  SetFlagAction \"key=b\" active=1 prop=\"e\" value=0\n"
                  "  SetRectAction \"key=r\" active=1 prop=\"b\" rect=0,0,5,5\n"
                  "  SetStringAction \"key=s\" active=1 prop=\"na\" value=\"chord\"\n"
                  "registry \"!\" PanelElement \"!\"\n"
                  "registry \"chord\" GroupElement \"chord\"\n"
                  "registry \"key\" RectButtonElement \"key\"\n"
                  "registry \"low\" VoiceElement \"low\"\n"
                  "registry \"page\" PanelElement \"page\"\n");
}

TEST_F(InstrumentToolTest, SamplesWritesEveryShiftOfEverySoundAndAnswersFeedThePrompts) {
    const std::string a = Wave("a.wav");
    const std::string b = Wave("b.wav");
    const std::string main = Instrument(
        "main.clx", "s \"my sound\" a.wav 440 1 1\ns p ?*.wav P 440 0 0\ns q ?*.wav Q 440 0 0\n");
    const ToolRun run = Run({"samples", main, "-d", Path("out"), "--answer", b, "--answer", a});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "my sound file=a.wav base=0 low=1 high=1 written=3\np file=" + b +
                           " base=0 low=0 high=0 written=1\nq file=" + a +
                           " base=0 low=0 high=0 written=1\n");
    EXPECT_EQ(ReadBytes(temp_ / "out" / "my_sound.-1.wav").substr(0, 4) +
                  ReadBytes(temp_ / "out" / "my_sound.1.wav").substr(0, 4),
              "RIFFRIFF");
    // The unshifted sample is the recording itself, so its image is the file's.
    EXPECT_EQ(ReadBytes(temp_ / "out" / "my_sound.0.wav"), ReadBytes(a));
}

TEST_F(InstrumentToolTest, CommonOptionsSetTheScreenTheHomeFolderAndTiming) {
    WriteFile("home/fromhome.clx", "cl1.0\ngr h 0 0 1 1\n");
    const ToolRun run =
        Run({"dump", Instrument("main.clx", "i fromhome.clx\n"), "--screen", "480x640", "--time"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("bounds=0,0,479,639"));
    EXPECT_THAT(run.out, HasSubstr("RectElement \"h\""));
    EXPECT_THAT(run.err,
                MatchesRegex("time parse_ms=[0-9]+\\.[0-9]{3} activate_ms=[0-9]+\\.[0-9]{3}\n"));
}

// How packed text reads back is checked with the readers; here the tool writes what the packer
// makes of the file without its header.
TEST_F(InstrumentToolTest, PackWritesThePackedTextOfTheFileAfterItsHeader) {
    WriteFile("in.clx", "cl1.0\ngr a 1 2 3 4\n\xC3\xA9=b x.e f\r\n");
    const ToolRun run = RunTool({"pack", Path("in.clx"), Path("out.clx")}, temp_);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    const std::vector<uint8_t> expected = PackFile(u"gr a 1 2 3 4\n\u00e9=b x.e f\r\n");
    EXPECT_EQ(ReadBytes(temp_ / "out.clx"), std::string(expected.begin(), expected.end()));
}

TEST_F(InstrumentToolTest, BadCommandLinesAndPackInputsExitWithTwoAndOneLine) {
    WriteFile("packed.clx", "CL\n\x12");
    WriteFile("in.clx", "h\n");
    std::filesystem::create_directories(temp_ / "folder");
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"check", "x.clx", "--screen", "-1x5"},
        {"samples", "x.clx"},  // no -d
        {"pack", Path("missing.clx"), Path("o.clx")},
        {"pack", Path("packed.clx"), Path("o.clx")},
        {"pack", Path("in.clx"), Path("folder")},
    };
    for (const auto& args : bad) {
        const ToolRun run = RunTool(args, temp_);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.starts_with("chordlane-tool: ")) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(temp_ / "o.clx"));
}

TEST_F(InstrumentToolTest, HelpAndVersion) {
    const ToolRun version = RunTool({"--version"}, temp_);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "chordlane-tool " CHORDLANE_VERSION "\n");
    const ToolRun help = RunTool({"--help"}, temp_);
    EXPECT_EQ(help.exitCode, 0);
    // Command names are padded to the longest one, so the synopsis lines line up.
    EXPECT_THAT(help.out, ::testing::ContainsRegex("chordlane-tool pack +IN OUT"));
}

}  // namespace
}  // namespace chordlane::test

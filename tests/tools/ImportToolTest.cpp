// chordlane-tool import as a user runs it, and sound libraries in place of FILE.
#include <gmock/gmock.h>

#include "tests/import/ImportTestSupport.h"
#include "tests/tools/ToolRunner.h"

namespace chordlane::test {
namespace {

using ::testing::HasSubstr;

class ImportToolTest : public ToolTest {
  protected:
    void SetUp() override {
        ToolTest::SetUp();
        // 0.1 s of A4 whose loop holds whole periods: every key lasts as long as its press.
        WriteWav(temp_ / "samples" / "a4.wav", Sine(440, 44000, 4400), 44000);
    }
    //! An SFZ of one looped sine region over keys low to high.
    void WriteSfz(const std::string& name, int low, int high, const std::string& extra = "") {
        WriteText(temp_ / name, "<control> default_path=samples/\n<region> sample=a4.wav lokey=" +
                                    std::to_string(low) + " hikey=" + std::to_string(high) +
                                    " pitch_keycenter=a4 loop_mode=loop_continuous "
                                    "loop_start=1000 loop_end=3999 " +
                                    extra + "\n");
    }
    ToolRun Import(std::vector<std::string> args) {
        args.insert(args.begin(), "import");
        return RunTool(args, temp_);
    }
    ToolRun CheckClean(const std::string& file) {
        ToolRun run = Run({"check", file});
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        EXPECT_EQ(run.out, "");
        return run;
    }
};

TEST_F(ImportToolTest, SfzIsWrittenAsAKeyboardThatChecksCleanAndPlaysInTune) {
    WriteSfz("Sine Lib.sfz", 57, 84);
    ToolRun list = Import({Path("Sine Lib.sfz"), "--list"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out, "0:0 \"Sine Lib\"\n");

    ToolRun run = Import({Path("Sine Lib.sfz"), "-o", Path("out")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, Path("out") + "/Sine_Lib.clx\n");
    EXPECT_EQ(run.err, "");
    for (int note : {57, 60, 69, 84}) {
        const MonoWav wav =
            ReadMonoWav(temp_ / "out" / "Sine_Lib" / ("k" + std::to_string(note) + ".wav"));
        ASSERT_TRUE(wav.valid) << note;
        EXPECT_EQ(wav.rate, 44100u);
        EXPECT_NEAR(Cents(MeasureFrequency(wav.frames, wav.rate, 0.5, 1.5), NoteFrequency(note)),
                    0.0, 5.0)
            << note;
        EXPECT_NEAR(SoundingSeconds(wav.frames, wav.rate), 2.0, 0.05) << note;
    }
    EXPECT_FALSE(std::filesystem::exists(temp_ / "out" / "Sine_Lib" / "k56.wav"));
    EXPECT_FALSE(std::filesystem::exists(temp_ / "out" / "Sine_Lib" / "k85.wav"));

    const std::string keyboard = Path("out/Sine_Lib.clx");
    CheckClean(keyboard);
    ToolRun dump = Run({"dump", keyboard, "--registry"});
    EXPECT_THAT(dump.out, HasSubstr("registry \"k60\" RectButtonElement \"k60\""));
    EXPECT_THAT(dump.out, HasSubstr("registry \"k71\" RectButtonElement \"k71\""));
    // The keys of a page enter the registry when it is shown; middle C's page shows first: its C is
    // the broad key at the left of the top octave. The second tab shows the next two octaves, C6
    // where C4 was.
    WriteText(temp_ / "tap.txt",
              "tap 15 130\nwait 100\ntap 180 19\nwait 50\ntap 15 130\nwait 50\n");
    ToolRun play = Run({"play", keyboard, "--script", Path("tap.txt")});
    EXPECT_EQ(play.exitCode, 0) << play.err;
    EXPECT_THAT(play.out, HasSubstr("press \"k60\""));
    EXPECT_THAT(play.out, HasSubstr("start \"v60\" sample=\"s60\" shift=0"));
    EXPECT_THAT(play.out, HasSubstr("press \"k84\""));
    EXPECT_THAT(play.out, HasSubstr("start \"v84\" sample=\"s84\" shift=0"));
    ToolRun render = Run({"render", keyboard, "-o", Path("keys.png")});
    EXPECT_EQ(render.exitCode, 0) << render.err;
}

TEST_F(ImportToolTest, ALibraryStandsForFileInTheOtherCommands) {
    WriteSfz("lib.sfz", 60, 64);
    const std::string library = Path("lib.sfz");
    CheckClean(library + "#0:0");
    CheckClean(library + "#lib");
    CheckClean(library);
    ToolRun dump = Run({"dump", library + "#0:0", "--registry"});
    EXPECT_EQ(dump.exitCode, 0) << dump.err;
    EXPECT_THAT(dump.out, HasSubstr("registry \"k64\" RectButtonElement \"k64\""));
    // Nothing is written: the import stays in memory.
    EXPECT_FALSE(std::filesystem::exists(temp_ / "lib"));
    EXPECT_FALSE(std::filesystem::exists(temp_ / "lib.clx"));

    ToolRun missing = Run({"check", Path("none.sfz") + "#0:0"});
    EXPECT_EQ(missing.exitCode, 4);
    EXPECT_EQ(missing.err, "chordlane-tool: " + Path("none.sfz") + " cannot be found\n");
    WriteText(temp_ / "bad.sf2", "RIFF");
    ToolRun unreadable = Run({"check", Path("bad.sf2") + "#0:0"});
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_THAT(unreadable.err, HasSubstr("chordlane-tool: import: " + Path("bad.sf2") + ": "));
    ToolRun noPreset = Run({"check", library + "#1:0"});
    EXPECT_EQ(noPreset.exitCode, 5);
    EXPECT_THAT(noPreset.err, HasSubstr(library + " has no preset '1:0'"));
}

TEST_F(ImportToolTest, ExitCodesTellWhatWentWrong) {
    WriteSfz("lib.sfz", 60, 64);
    WriteText(temp_ / "garbage.sf2", "RIFF\x04\0\0\0sfbk");
    ToolRun unreadable = Import({Path("garbage.sf2")});
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_THAT(unreadable.err, HasSubstr("chordlane-tool: import: " + Path("garbage.sf2") + ": "));
    EXPECT_EQ(std::count(unreadable.err.begin(), unreadable.err.end(), '\n'), 1);
    EXPECT_EQ(Import({Path("none.sfz")}).exitCode, 1);
    EXPECT_EQ(Import({Path("lib.sfz"), "--layout", "harp"}).exitCode, 2);
    EXPECT_EQ(Import({Path("lib.sfz"), "--bogus"}).exitCode, 2);
    EXPECT_EQ(Import({}).exitCode, 2);
    ToolRun noPreset = Import({Path("lib.sfz"), "--preset", "Piano", "-o", Path("out")});
    EXPECT_EQ(noPreset.exitCode, 5);
    EXPECT_EQ(noPreset.out, "");
}

TEST_F(ImportToolTest, SfzWarningsAreToldOnceEachAndOneShotsBecomePads) {
    WriteText(temp_ / "kit.sfz",
              "<group> loop_mode=one_shot cutoff=100\n<region> sample=samples/a4.wav key=36\n"
              "<region> sample=samples/a4.wav key=38 cutoff=200\n"
              "<region> sample=samples/a4.wav key=100 pitch_keycenter=100\n");
    ToolRun run = Import({Path("kit.sfz"), "-o", temp_.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, Path("kit.sfz") + ":1: unknown opcode 'cutoff' is ignored\n");
    EXPECT_EQ(run.out, Path("kit.clx") + "\n");
    const std::string text = ReadBytes(temp_ / "kit.clx");
    EXPECT_THAT(text, HasSubstr("br !d36 "));
    EXPECT_THAT(text, HasSubstr("\"Bass Drum 1\""));
    EXPECT_THAT(text, HasSubstr("\"Acoustic Snare\""));
    EXPECT_THAT(text, HasSubstr(" E7 "));
    const MonoWav kick = ReadMonoWav(temp_ / "kit" / "d36.wav");
    EXPECT_NEAR(kick.Seconds(), 0.1, 0.01);
    CheckClean(Path("kit.clx"));
}

TEST_F(ImportToolTest, SoundFontPresetsAreListedAndImportedInEveryLayout) {
    WriteText(temp_ / "font.sf2",
              Sf2Bytes({{"Sine \"Lead\"", 0, 1}, {"Kit", 128, 0}, {"Bass", 0, 0}}, 30, 90));
    const std::string font = Path("font.sf2");
    ToolRun list = Import({font, "--list"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out, "0:0 \"Bass\"\n0:1 \"Sine \\\"Lead\\\"\"\n128:0 \"Kit\"\n");
    EXPECT_EQ(list.err, "");

    ToolRun kit = Import({font, "--preset", "Kit", "-o", temp_.string()});
    ASSERT_EQ(kit.exitCode, 0) << kit.err;
    EXPECT_TRUE(std::filesystem::exists(temp_ / "Kit" / "d30.wav"));
    // The General MIDI drums (35 to 81), and the lowest note besides for the 48th pad.
    EXPECT_TRUE(std::filesystem::exists(temp_ / "Kit" / "d35.wav"));
    EXPECT_TRUE(std::filesystem::exists(temp_ / "Kit" / "d81.wav"));
    EXPECT_FALSE(std::filesystem::exists(temp_ / "Kit" / "d31.wav"));
    EXPECT_FALSE(std::filesystem::exists(temp_ / "Kit" / "d82.wav"));
    CheckClean(Path("Kit.clx"));

    ToolRun strummer = Import({font, "--preset", "0:0", "--layout", "strummer", "-o", Path("s")});
    ASSERT_EQ(strummer.exitCode, 0) << strummer.err;
    EXPECT_EQ(strummer.out, Path("s") + "/Bass.clx\n");
    CheckClean(Path("s/Bass.clx"));
    // The built-in guitar's C chord pad, then its fifth string: C3 on the A string's third fret.
    WriteText(temp_ / "strum.txt", "tap 17 17\nwait 50\ntap 58 296\nwait 50\n");
    ToolRun play = Run({"play", Path("s/Bass.clx"), "--script", Path("strum.txt")});
    EXPECT_EQ(play.exitCode, 0) << play.err;
    EXPECT_THAT(play.out, HasSubstr("sample=\"s-48\" shift=0"));
    const MonoWav e2 = ReadMonoWav(temp_ / "s" / "Bass" / "k40.wav");
    EXPECT_NEAR(Cents(MeasureFrequency(e2.frames, e2.rate, 0.5, 1.5), NoteFrequency(40)), 0.0, 5.0);

    ToolRun keyboard = Run({"check", font + "#0:1"});
    EXPECT_EQ(keyboard.exitCode, 0) << keyboard.out << keyboard.err;
}

// Debian's small General MIDI SoundFont, where it is installed.
TEST_F(ImportToolTest, GeneralMidiSoundFontImportsItsPianoAndDrums) {
    const std::string font = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    if (!std::filesystem::exists(font)) GTEST_SKIP() << font << " is not installed";
    ToolRun list = Import({font, "--list"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out.substr(0, 4), "0:0 ");
    EXPECT_THAT(list.out, HasSubstr("\n128:0 "));
    ToolRun piano = Import({font, "--preset", "0:0", "-o", Path("gm")});
    ASSERT_EQ(piano.exitCode, 0) << piano.err;
    const std::string path = piano.out.substr(0, piano.out.size() - 1);
    CheckClean(path);
    size_t waves = 0;
    for (const auto& entry : std::filesystem::directory_iterator(path.substr(0, path.size() - 4))) {
        waves += entry.path().filename().string().starts_with("k");
    }
    EXPECT_EQ(waves, 88u);
    ToolRun drums = Import({font, "--preset", "128:0", "-o", Path("gm")});
    ASSERT_EQ(drums.exitCode, 0) << drums.err;
    CheckClean(drums.out.substr(0, drums.out.size() - 1));
}

}  // namespace
}  // namespace chordlane::test

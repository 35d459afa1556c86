#include "import/LibraryImport.h"
#include "import/SfzLibrary.h"
#include "tests/import/ImportTestSupport.h"

namespace chordlane::test {
namespace {

class SfzLibraryTest : public ImportTest {
  protected:
    std::unique_ptr<SfzLibrary> Load(const std::string& text) {
        WriteText(temp_ / "lib.sfz", text);
        std::string reason;
        auto library = SfzLibrary::Open(Path("lib.sfz"), reason, Collect());
        EXPECT_TRUE(library) << reason;
        return library;
    }
    double PitchOf(SfzLibrary& library, int note) {
        const std::vector<float> sound = library.RenderNote({}, note);
        return MeasureFrequency(sound, IMPORT_RATE, 0.5, 1.5);
    }
};

TEST(SfzKeyTest, ReadsNumbersAndNoteNames) {
    EXPECT_EQ(ParseSfzKey("60"), 60);
    EXPECT_EQ(ParseSfzKey("c4"), 60);
    EXPECT_EQ(ParseSfzKey("C4"), 60);
    EXPECT_EQ(ParseSfzKey("c#4"), 61);
    EXPECT_EQ(ParseSfzKey("eb4"), 63);
    EXPECT_EQ(ParseSfzKey("a4"), 69);
    EXPECT_EQ(ParseSfzKey("c-1"), 0);
    EXPECT_EQ(ParseSfzKey("g9"), 127);
    EXPECT_EQ(ParseSfzKey("g#9"), -1);
    EXPECT_EQ(ParseSfzKey("128"), -1);
    EXPECT_EQ(ParseSfzKey("h4"), -1);
    EXPECT_EQ(ParseSfzKey("c"), -1);
    EXPECT_EQ(ParseSfzKey(""), -1);
}

TEST_F(SfzLibraryTest, OpcodesInheritFromGlobalGroupAndDefines) {
    WriteWav(temp_ / "samples" / "a.wav", Sine(440, 44100, 44100), 44100);
    WriteText(temp_ / "parts" / "more.sfz", "<region> key=72 sample=a.wav\n");
    auto library = Load(
        "\xEF\xBB\xBF// a comment\r\n#define $LOW 48\n<control> default_path=samples\\\n"
        "<global> volume=-6 /* spans\n lines */ ampeg_release=0.5\n"
        "<group> lokey=$LOW hikey=c4 pitch_keycenter=a4 tune=10\n"
        "<region> sample=a.wav transpose=1\n"
        "<group> loop_mode=one_shot\n#include \"parts/more.sfz\"\n");
    ASSERT_TRUE(library);
    ASSERT_EQ(library->Regions().size(), 2u);
    const SfzRegion& first = library->Regions()[0];
    EXPECT_EQ(first.sample, (temp_ / "samples" / "a.wav").string());
    EXPECT_EQ(first.lokey, 48);
    EXPECT_EQ(first.hikey, 60);
    EXPECT_EQ(first.keycenter, 69);
    EXPECT_EQ(first.transpose, 1);
    EXPECT_DOUBLE_EQ(first.tune, 10);
    EXPECT_DOUBLE_EQ(first.volume, -6);
    EXPECT_DOUBLE_EQ(first.release, 0.5);
    EXPECT_EQ(first.loopMode, SfzRegion::LoopMode::Unset);
    // The second group replaces the first; the global stays.
    const SfzRegion& second = library->Regions()[1];
    EXPECT_EQ(second.lokey, 72);
    EXPECT_EQ(second.keycenter, 72);
    EXPECT_EQ(second.loopMode, SfzRegion::LoopMode::OneShot);
    EXPECT_DOUBLE_EQ(second.tune, 0);
    EXPECT_DOUBLE_EQ(second.volume, -6);
    EXPECT_EQ(second.where, (temp_ / "parts" / "more.sfz").string() + ":1");
    EXPECT_TRUE(warnings_.empty()) << warnings_.front();
    const std::vector<int> notes = library->Notes({});
    ASSERT_EQ(notes.size(), 14u);
    EXPECT_EQ(notes.front(), 48);
    EXPECT_EQ(notes.back(), 72);
}

TEST_F(SfzLibraryTest, UnknownOpcodesAndBadValuesAreToldOnceEach) {
    WriteWav(temp_ / "a.wav", Sine(440, 44100, 4410), 44100);
    auto library = Load(
        "<group> cutoff=500 lokey=zz\n<region> sample=a.wav cutoff=300 fil_type=lpf_2p\n"
        "<region> sample=a.wav cutoff=200\n");
    ASSERT_TRUE(library);
    const std::string file = Path("lib.sfz");
    const std::vector<std::string> expected = {
        file + ":1: unknown opcode 'cutoff' is ignored",
        file + ":1: 'lokey' wants a note number or name, not 'zz'",
        file + ":2: unknown opcode 'fil_type' is ignored"};
    EXPECT_EQ(warnings_, expected);
}

TEST_F(SfzLibraryTest, KeysSoundInTuneWithTheirKeycenterTuneAndTranspose) {
    WriteWav(temp_ / "a.wav", Sine(440, 48000, 96000), 48000);
    auto library = Load(
        "<region> sample=a.wav lokey=40 hikey=59 pitch_keycenter=a4\n"
        "<region> sample=a.wav lokey=60 hikey=90 pitch_keycenter=69 tune=-50 transpose=2\n");
    ASSERT_TRUE(library);
    for (int note : {40, 57, 59}) {
        EXPECT_NEAR(Cents(PitchOf(*library, note), NoteFrequency(note)), 0.0, 5.0) << note;
    }
    // Two semitones up less half of one.
    for (int note : {60, 69, 90}) {
        EXPECT_NEAR(Cents(PitchOf(*library, note), NoteFrequency(note + 1) * std::pow(2, 0.5 / 12)),
                    0.0, 5.0)
            << note;
    }
}

TEST_F(SfzLibraryTest, LoopsAreUnrolledForTheHeldTimeThenReleased) {
    // 0.1 s of a sine whose loop holds whole periods (100 frames at 44 kHz).
    WriteWav(temp_ / "a.wav", Sine(440, 44000, 4400), 44000);
    auto library = Load(
        "<region> sample=a.wav key=69 loop_mode=loop_continuous loop_start=1000 loop_end=3999 "
        "ampeg_release=0.5\n"
        "<region> sample=a.wav key=70 pitch_keycenter=70 loop_mode=loop_sustain loop_start=1000 "
        "loop_end=3999 ampeg_release=2\n"
        "<region> sample=a.wav key=71 pitch_keycenter=71 ampeg_release=2\n"
        "<region> sample=a.wav key=72 pitch_keycenter=72 loop_mode=one_shot\n");
    ASSERT_TRUE(library);
    const std::vector<float> looped = library->RenderNote({}, 69);
    EXPECT_NEAR(SoundingSeconds(looped, IMPORT_RATE), 2.5, 0.05);
    EXPECT_NEAR(Cents(MeasureFrequency(looped, IMPORT_RATE, 0.2, 1.9), 440.0), 0.0, 5.0);
    // Halfway through the release the level is about half of what it was.
    float held = 0, releasing = 0;
    for (size_t i = 0; i < 2000; ++i) {
        held = std::max(held, std::abs(looped[static_cast<size_t>(1.9 * IMPORT_RATE) + i]));
        releasing =
            std::max(releasing, std::abs(looped[static_cast<size_t>(2.25 * IMPORT_RATE) + i]));
    }
    EXPECT_NEAR(releasing / held, 0.5, 0.05);
    // Sustain loops only while held: then the sample plays out its last 0.01 s.
    EXPECT_NEAR(SoundingSeconds(library->RenderNote({}, 70), IMPORT_RATE), 2.01, 0.02);
    // Unlooped samples and one-shots play once.
    EXPECT_NEAR(SoundingSeconds(library->RenderNote({}, 71), IMPORT_RATE), 0.1, 0.01);
    EXPECT_NEAR(SoundingSeconds(library->RenderNote({}, 72), IMPORT_RATE), 0.1, 0.01);
}

TEST_F(SfzLibraryTest, ReleaseRegionsSoundWhereThePressEndsAndLegatoOnesNever) {
    WriteWav(temp_ / "tone.wav", Sine(440, 44100, 44100), 44100);
    WriteWav(temp_ / "thump.wav", Sine(110, 44100, 22050), 44100);
    WriteWav(temp_ / "slide.wav", Sine(880, 44100, 44100), 44100);
    auto library = Load(
        "<group> key=69\n<region> sample=tone.wav\n"
        "<region> sample=thump.wav trigger=release pitch_keycenter=69\n"
        "<region> sample=slide.wav trigger=legato\n"
        // A release region of its own key only: no press sounds it.
        "<region> sample=thump.wav key=70 trigger=release\n");
    ASSERT_TRUE(library);
    const std::vector<float> sound = library->RenderNote({}, 69);
    // The tone for its second, silence, then the release's half second from 2 s on.
    EXPECT_NEAR(SoundingSeconds(sound, IMPORT_RATE), 2.5, 0.02);
    EXPECT_NEAR(Cents(MeasureFrequency(sound, IMPORT_RATE, 0.2, 0.8), 440.0), 0.0, 5.0);
    EXPECT_NEAR(Cents(MeasureFrequency(sound, IMPORT_RATE, 2.1, 2.4), 110.0), 0.0, 5.0);
    float between = 0;
    for (size_t i = static_cast<size_t>(1.1 * IMPORT_RATE); i < 1.9 * IMPORT_RATE; ++i)
        between = std::max(between, std::abs(sound[i]));
    EXPECT_EQ(between, 0.0f) << "the legato region sounded";
    EXPECT_EQ(library->Notes({}), std::vector<int>{69});
}

TEST_F(SfzLibraryTest, VelocityOneHundredChoosesItsLayer) {
    WriteWav(temp_ / "soft.wav", Sine(220, 44100, 88200), 44100);
    WriteWav(temp_ / "loud.wav", Sine(440, 44100, 88200), 44100);
    WriteWav(temp_ / "hard.wav", Sine(880, 44100, 88200), 44100);
    auto library = Load(
        "<group> key=69\n<region> sample=soft.wav hivel=63\n"
        "<region> sample=loud.wav lovel=64 hivel=100\n<region> sample=hard.wav lovel=101\n");
    ASSERT_TRUE(library);
    EXPECT_NEAR(Cents(PitchOf(*library, 69), 440.0), 0.0, 5.0);
    // Velocity 100 of 127 at full tracking: the square of 100/127.
    const std::vector<float> sound = library->RenderNote({}, 69);
    const float peak = *std::max_element(sound.begin(), sound.end());
    EXPECT_NEAR(peak, 0.5 * (100.0 / 127) * (100.0 / 127), 0.01);
}

TEST_F(SfzLibraryTest, DefaultLayoutIsPadsOnlyWhenEveryRegionIsOneShot) {
    WriteWav(temp_ / "a.wav", Sine(440, 44100, 4410), 44100);
    auto drums = Load(
        "<group> loop_mode=one_shot\n<region> sample=a.wav key=36\n"
        "<region> sample=a.wav key=38\n");
    ASSERT_TRUE(drums);
    EXPECT_TRUE(drums->IsPercussion({}));
    auto mixed = Load(
        "<region> sample=a.wav key=36 loop_mode=one_shot\n"
        "<region> sample=a.wav key=38\n");
    ASSERT_TRUE(mixed);
    EXPECT_FALSE(mixed->IsPercussion({}));
}

TEST_F(SfzLibraryTest, UnreadableLibrariesSayWhy) {
    std::string reason;
    EXPECT_FALSE(SfzLibrary::Open(Path("missing.sfz"), reason, Collect()));
    EXPECT_EQ(reason, "cannot open " + Path("missing.sfz"));
    WriteText(temp_ / "empty.sfz", "<group> key=60\n<region> key=61\n");
    EXPECT_FALSE(SfzLibrary::Open(Path("empty.sfz"), reason, Collect()));
    EXPECT_EQ(reason, Path("empty.sfz") + " holds no region with a sample");
}

TEST_F(SfzLibraryTest, FilesThatIncludeThemselvesAreReadOnce) {
    WriteWav(temp_ / "a.wav", Sine(440, 44100, 4410), 44100);
    WriteText(temp_ / "other.sfz", "#include \"lib.sfz\"\n<region> sample=a.wav key=61\n");
    std::string name("lib.sfz");
    name.insert(3, 1, '\0');
    auto library = Load(
        "<region> sample=a.wav key=60\n#include \"lib.sfz\"\n#include \"lib.sfz\"\n"
        "#include \"other.sfz\"\n#include \"" +
        name + "\"\n");
    ASSERT_TRUE(library);
    // Each include of a file being read is told and left out, rather than read again at every
    // level down to the depth limit; a name the system would cut short opens nothing.
    EXPECT_EQ(library->Regions().size(), 2u);
    const auto told = [this](const std::string& what) {
        return std::count_if(warnings_.begin(), warnings_.end(), [&](const std::string& w) {
            return w.find(what) != std::string::npos;
        });
    };
    EXPECT_EQ(told("includes itself"), 3);
    EXPECT_EQ(told("names no file"), 1);

    // A chain of distinct files still stops at the depth limit, said once.
    for (int i = 0; i < 12; ++i) {
        WriteText(temp_ / ("f" + std::to_string(i) + ".sfz"),
                  "#include \"f" + std::to_string(i + 1) + ".sfz\"\n<region> sample=a.wav\n");
    }
    warnings_.clear();
    ASSERT_TRUE(Load("#include \"f0.sfz\"\n"));
    EXPECT_EQ(told("includes nest deeper"), 1);
}

TEST_F(SfzLibraryTest, HostileTextStaysBounded) {
    WriteWav(temp_ / "a.wav", Sine(440, 44100, 4410), 44100);
    // A file that includes itself twice on every line, and defines that grow by doubling.
    std::string text = "#define $A xx\n";
    for (int i = 0; i < 40; ++i) text += "#define $A $A$A\n";
    text +=
        "<region> sample=a.wav key=60 loop_mode=loop_continuous loop_start=4000 "
        "loop_end=99999999\n<region> sample=a.wav key=61 offset=99999999999\n"
        "<region> sample=a.wav key=62 pitch_keycenter=0 tune=9600\n"
        "#include \"lib.sfz\"\n#include \"lib.sfz\"\n<region> sample=missing.wav key=63\n"
        "<region> sample=a.wav key=64 end=-5 $A=1\n";
    auto library = Load(text);
    ASSERT_TRUE(library);
    EXPECT_LE(library->Regions().size(), 16384u);
    for (int note = 60; note <= 64; ++note) {
        EXPECT_LE(library->RenderNote({}, note).size(), 6u * IMPORT_RATE) << note;
    }
    // An out-of-range loop plays unlooped; the missing sample is told of, not fatal.
    EXPECT_NEAR(SoundingSeconds(library->RenderNote({}, 60), IMPORT_RATE), 0.1, 0.01);
    // Each trouble is told once, and briefly.
    int missing = 0, itself = 0;
    for (const std::string& warning : warnings_) {
        missing += warning.find("missing.wav: cannot load") != std::string::npos;
        itself += warning.find("includes itself") != std::string::npos;
        EXPECT_LT(warning.size(), 300u);
    }
    EXPECT_EQ(missing, 1);
    EXPECT_EQ(itself, 2);
}

}  // namespace
}  // namespace chordlane::test

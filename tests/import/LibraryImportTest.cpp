#include "import/InstrumentLayout.h"
#include "import/LibraryImport.h"
#include "tests/import/ImportTestSupport.h"

namespace chordlane::test {
namespace {

std::vector<int> Range(int low, int high) {
    std::vector<int> notes;
    for (int note = low; note <= high; ++note) notes.push_back(note);
    return notes;
}

TEST(LayoutNotesTest, EachLayoutKeepsTheNotesItCanShow) {
    EXPECT_EQ(LayoutNotes(ImportLayout::Keyboard, Range(0, 127)), Range(21, 108));
    EXPECT_EQ(LayoutNotes(ImportLayout::Keyboard, Range(30, 60)), Range(30, 60));
    EXPECT_EQ(LayoutNotes(ImportLayout::Keyboard, Range(100, 127)), Range(100, 127));
    EXPECT_EQ(LayoutNotes(ImportLayout::Keyboard, Range(0, 100)).size(), 80u);
    EXPECT_EQ(LayoutNotes(ImportLayout::Pads, Range(60, 127)), Range(60, 107));
    // A drum kit's General MIDI notes all get pads; what room is left goes to the lowest.
    std::vector<int> kit = Range(35, 81);
    kit.insert(kit.begin(), 20);
    EXPECT_EQ(LayoutNotes(ImportLayout::Pads, Range(20, 90)), kit);
    EXPECT_EQ(LayoutNotes(ImportLayout::Strummer, Range(0, 127)), Range(40, 76));
    EXPECT_TRUE(LayoutNotes(ImportLayout::Keyboard, {}).empty());
}

TEST(LayoutNamesTest, NotesPercussionAndFileNames) {
    EXPECT_EQ(NoteName(60), "C4");
    EXPECT_EQ(NoteName(21), "A0");
    EXPECT_EQ(NoteName(0), "C-1");
    EXPECT_EQ(NoteName(127), "G9");
    EXPECT_EQ(PercussionName(35), "Acoustic Bass Drum");
    EXPECT_EQ(PercussionName(38), "Acoustic Snare");
    EXPECT_EQ(PercussionName(81), "Open Triangle");
    EXPECT_EQ(PercussionName(34), "");
    EXPECT_EQ(PercussionName(82), "");
    EXPECT_EQ(SafeFileName("Grand Piano (1)"), "Grand_Piano__1_");
    EXPECT_EQ(SafeFileName("Fl\xC3\xBBte-2"), "Fl_te-2");
    EXPECT_EQ(SafeFileName("../x"), "___x");
    EXPECT_EQ(SafeFileName(""), "_");
}

TEST(EncodeWaveTest, SixteenBitMonoWithSilenceCutAndNoClipping) {
    std::vector<float> frames(1000, 0.0f);
    frames[10] = 2.0f;
    frames[11] = -1.0f;
    frames[12] = 0.25f;
    const std::string bytes = EncodeWave(frames);
    ASSERT_EQ(bytes.size(), 44u + 13 * 2);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    auto at = [&](size_t i) {
        return static_cast<int16_t>(static_cast<uint8_t>(bytes[44 + 2 * i]) |
                                    static_cast<uint8_t>(bytes[45 + 2 * i]) << 8);
    };
    // Louder than full scale: the whole note is brought down, its shape kept.
    EXPECT_NEAR(at(10), 32735, 2);
    EXPECT_NEAR(at(11), -16367, 2);
    EXPECT_NEAR(at(12), 4092, 2);
}

class LibraryImportTest : public ImportTest {};

TEST_F(LibraryImportTest, EveryKeyGetsItsOwnWaveAndTheTextNamesThem) {
    WriteWav(temp_ / "a.wav", Sine(440, 44100, 44100), 44100);
    WriteText(temp_ / "My Lib.sfz", "<region> sample=a.wav lokey=58 hikey=62 pitch_keycenter=69\n");
    std::string reason;
    auto library = OpenSoundLibrary(Path("My Lib.sfz"), reason, Collect());
    ASSERT_TRUE(library) << reason;
    const LibraryPreset preset = *FindPreset(*library, "0:0");
    EXPECT_EQ(preset.name, "My Lib");
    const ImportedInstrument keyboard = ImportPreset(*library, preset, std::nullopt);
    EXPECT_EQ(keyboard.layout, ImportLayout::Keyboard);
    EXPECT_EQ(keyboard.fileName, "My_Lib.clx");
    EXPECT_EQ(keyboard.notes, Range(58, 62));
    ASSERT_EQ(keyboard.waves.size(), 6u);
    EXPECT_EQ(keyboard.waves[0].name, "My_Lib/k58.wav");
    EXPECT_EQ(keyboard.waves[5].name, "My_Lib/tick.wav");
    EXPECT_NE(keyboard.text.find("s s60 My_Lib/k60.wav 261.626 0 0\n"), std::string::npos);
    EXPECT_NE(keyboard.text.find("br !k60 "), std::string::npos);
    EXPECT_NE(keyboard.text.find("br !k61 "), std::string::npos);
    EXPECT_EQ(keyboard.text.find("!k57 "), std::string::npos);

    const ImportedInstrument pads = ImportPreset(*library, preset, ImportLayout::Pads, "/x y/");
    EXPECT_EQ(pads.waves[0].name, "My_Lib/d58.wav");
    EXPECT_NE(pads.text.find("s s58 \"/x y/d58.wav\" "), std::string::npos);
    EXPECT_NE(pads.text.find("br !d58 "), std::string::npos);
}

}  // namespace
}  // namespace chordlane::test

#include "import/LibraryImport.h"
#include "import/Sf2Library.h"
#include "tests/import/ImportTestSupport.h"

namespace chordlane::test {
namespace {

class Sf2LibraryTest : public ImportTest {
  protected:
    std::unique_ptr<SoundLibrary> Load(const std::vector<Sf2Preset>& presets) {
        WriteText(temp_ / "lib.sf2", Sf2Bytes(presets));
        std::string reason;
        auto library = OpenSoundLibrary(Path("lib.sf2"), reason, Collect());
        EXPECT_TRUE(library) << reason;
        return library;
    }
};

TEST_F(Sf2LibraryTest, ListsPresetsByBankThenProgram) {
    auto library = Load({{"Zither", 1, 0}, {"Drums", 128, 0}, {"Sine B", 0, 5}, {"Sine A", 0, 2}});
    ASSERT_TRUE(library);
    const std::vector<LibraryPreset> presets = library->Presets();
    ASSERT_EQ(presets.size(), 4u);
    EXPECT_EQ(presets[0].name, "Sine A");
    EXPECT_EQ(presets[0].program, 2);
    EXPECT_EQ(presets[1].name, "Sine B");
    EXPECT_EQ(presets[2].name, "Zither");
    EXPECT_EQ(presets[3].bank, 128);
    EXPECT_FALSE(library->IsPercussion(presets[0]));
    EXPECT_TRUE(library->IsPercussion(presets[3]));
    EXPECT_EQ(FindPreset(*library, "")->name, "Sine A");
    EXPECT_EQ(FindPreset(*library, "0:5")->name, "Sine B");
    EXPECT_EQ(FindPreset(*library, "Zither")->bank, 1);
    EXPECT_FALSE(FindPreset(*library, "0:7"));
    EXPECT_FALSE(FindPreset(*library, "zither"));
}

TEST_F(Sf2LibraryTest, NotesAreTheKeyRangeAndSoundInTuneForTheHeldTime) {
    auto library = Load({{"Sine", 0, 0}});
    ASSERT_TRUE(library);
    const LibraryPreset preset = library->Presets().front();
    const std::vector<int> notes = library->Notes(preset);
    ASSERT_EQ(notes.size(), 61u);
    EXPECT_EQ(notes.front(), 36);
    EXPECT_EQ(notes.back(), 96);
    for (int note : {36, 60, 69, 81, 96}) {
        const std::vector<float> sound = library->RenderNote(preset, note);
        const double cents =
            Cents(MeasureFrequency(sound, IMPORT_RATE, 0.5, 1.5), NoteFrequency(note));
        EXPECT_NEAR(cents, 0.0, 5.0) << note;
        // The 0.1 s sample loops for the whole press; the release is FluidSynth's shortest.
        EXPECT_NEAR(SoundingSeconds(sound, IMPORT_RATE), 2.0, 0.05) << note;
    }
    EXPECT_TRUE(library->RenderNote(preset, 30).empty() ||
                SoundingSeconds(library->RenderNote(preset, 30), IMPORT_RATE) == 0);
}

TEST_F(Sf2LibraryTest, UnreadableFilesSayWhy) {
    WriteText(temp_ / "bad.sf2", "RIFF\x10\0\0\0sfbkLIST\x04\0\0\0INFO");
    std::string reason;
    EXPECT_FALSE(OpenSoundLibrary(Path("bad.sf2"), reason, Collect()));
    EXPECT_TRUE(reason.starts_with(Path("bad.sf2") + ": ")) << reason;
    EXPECT_FALSE(OpenSoundLibrary(Path("none.sf2"), reason, Collect()));
    EXPECT_EQ(reason, "cannot open " + Path("none.sf2"));
    WriteText(temp_ / "notes.txt", "hello");
    EXPECT_FALSE(OpenSoundLibrary(Path("notes.txt"), reason, Collect()));
    EXPECT_EQ(reason,
              Path("notes.txt") + " is neither a SoundFont 2 (.sf2) nor an SFZ (.sfz) file");
}

}  // namespace
}  // namespace chordlane::test

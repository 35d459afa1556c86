// The catalogue of bad files under tests/data/bad, and instruments too large or too deep to
// keep there, loaded the way a user loads them -- through the Open flow, with the program's
// own mixer as the wave output -- with what the user gets from each: no crash, a load within
// bounded memory and time, and the silent handling or the message each one brings.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/MessageBoxReporter.h"
#include "app/OpenFlow.h"
#include "elements/GroupElement.h"
#include "elements/ImageElement.h"
#include "elements/NameRegistry.h"
#include "elements/PanelElement.h"
#include "elements/SoundElement.h"
#include "language/Parser.h"
#include "mixer/PolyphaseRateConverter.h"
#include "mixer/WaveMapper.h"
#include "platform/qt/QtPictureLoader.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {

// Counted by this program's own replacement of the global allocation functions.
int64_t HeldBytes();
int64_t PeakBytes();
void ResetPeak();

namespace {

// Whatever the file, a load stays below these.
inline constexpr int64_t LOAD_MEMORY_BOUND = int64_t{1} << 30;
// Only a guard against hangs: loads take milliseconds, sanitizers and a busy machine included.
inline constexpr double LOAD_TIME_BOUND_SECONDS = 10.0;

// A field of /proc/self/status in bytes (-1 when unknown): resident memory, whoever
// allocated it, so that what libraries take with malloc is bounded too.
inline int64_t StatusBytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field + ":")) return std::stoll(line.substr(field.size() + 1)) * 1024;
    }
    return -1;
}

class BadInputTest : public ChordlaneTest {
  protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        UsePortraitScreen();
        instrument_.load.homeFolder = TempFolder() + u"home/";
        instrument_.load.programFolder = TempFolder() + u"program/";
        instrument_.variables.vM = 50;
        platform_.services.waveOut = &mixer_;
        platform_.services.rates = &rates_;
    }
    void TearDown() override {
        // The mixer goes before the fixture's instrument: no channel may be left on it.
        UnloadInstrument(instrument_);
        platform_.Restore();
        ChordlaneTest::TearDown();
    }

    static String Bad(const std::string& name) {
        return FromUtf8(DataFile("bad/" + name).string());
    }
    //! Copies tests/data/bad/NAME into the temporary folder, beside the instrument.
    void CopyBad(const std::string& name) {
        std::filesystem::copy_file(DataFile("bad/" + name), temp_ / name,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    //! Writes "cl1.0", a line feed and body as main.clx; answers its path.
    String WriteInstrument(const std::string& body) {
        return FromUtf8(WriteFile("main.clx", "cl1.0\n" + body).string());
    }

    //! Loads path through the Open flow and expects it to stay within the bounds.
    OpenResult Load(const String& path) {
        ResetPeak();
        std::ofstream("/proc/self/clear_refs") << "5";  // the high-water mark starts afresh
        const int64_t before = HeldBytes(), residentBefore = StatusBytes("VmRSS");
        const auto start = std::chrono::steady_clock::now();
        const OpenResult result = OpenInstrument(instrument_, path);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        loadPeakBytes_ = PeakBytes() - before;
        const int64_t resident = StatusBytes("VmHWM") - residentBefore;
        // For the record of what each bad file costs, in the XML or JSON report.
        RecordProperty("load_peak_bytes", std::to_string(loadPeakBytes_));
        RecordProperty("load_peak_resident_bytes", std::to_string(resident));
        RecordProperty("load_ms", std::to_string(static_cast<int64_t>(seconds * 1000)));
        EXPECT_LT(loadPeakBytes_, LOAD_MEMORY_BOUND);
        EXPECT_LT(resident, LOAD_MEMORY_BOUND);
        EXPECT_LT(seconds, LOAD_TIME_BOUND_SECONDS);
        return result;
    }

    //! Triggers the voice as a tap would; answers whether anything sounds in the next 50 ms.
    bool Sounds(const std::u16string& voice) {
        Element* element = instrument_.names.Lookup(voice);
        if (!element) return false;
        // What the master stage's look-ahead still holds of earlier sounds comes out first.
        std::vector<float> mix(2 * 2400);
        mixer_.Render(mix, mixer_.MasterLatency());
        element->Trigger(50, nullptr);
        mixer_.Render(mix, 2400);
        mixer_.DeliverNotices();
        return std::ranges::any_of(mix, [](float v) { return std::abs(v) > 0.001f; });
    }

    static std::vector<Element*> MembersOf(Element& e) {
        if (auto* panel = dynamic_cast<PanelElement*>(&e)) return panel->Group().Members();
        if (auto* group = dynamic_cast<GroupElement*>(&e)) return group->Members();
        return {};
    }
    static Element* FindIn(Element& container, std::u16string_view name) {
        for (Element* member : MembersOf(container)) {
            if (member->Name() == name) return member;
            if (Element* hit = FindIn(*member, name)) return hit;
        }
        return nullptr;
    }
    static size_t CountIn(Element& container) {
        size_t n = 0;
        for (Element* member : MembersOf(container)) n += 1 + CountIn(*member);
        return n;
    }
    //! The element of that name anywhere in the instrument, or null.
    Element* Find(std::u16string_view name) const {
        return instrument_.root ? FindIn(*instrument_.root, name) : nullptr;
    }
    //! How many elements the instrument holds, the root not counted.
    size_t CountElements() const { return instrument_.root ? CountIn(*instrument_.root) : 0; }
    const std::vector<String>& Messages() const { return platform_.messages.Texts(); }

    int64_t loadPeakBytes_ = 0;  // through operator new
    WaveMapper mixer_;
    PolyphaseRateConverter rates_{48000};
    // The messages a user gets, in the headless message box as the program shows them.
    MessageBoxReporter reporter_{instrument_};
};

Rect BoundsOf(Element* element) {
    auto* visual = dynamic_cast<VisualElement*>(element);
    return visual && visual->Bounds() ? *visual->Bounds() : Rect{};
}

SoundElement* SoundNamed(Element* element) {
    auto* sound = dynamic_cast<SoundElement*>(element);
    EXPECT_NE(sound, nullptr);
    return sound;
}

TEST_F(BadInputTest, DesignSizeZeroMeansScreenPixels) {
    Load(Bad("design-size-0.clx"));
    EXPECT_EQ(BoundsOf(Find(u"r")), (Rect{10, 20, 40, 60}));
    EXPECT_EQ(BoundsOf(Find(u"s")), (Rect{1, 2, 4, 6}));
    // Only the width is scaled when the height is 0.
    EXPECT_EQ(BoundsOf(Find(u"t")), (Rect{50, 20, 65, 60}));
}

TEST_F(BadInputTest, OddFrequenciesPlayTheRecordingAndShiftRangesAreCapped) {
    Load(Bad("frequencies.clx"));
    EXPECT_TRUE(Messages().empty());
    for (const char16_t* name : {u"zero", u"minus", u"nan", u"inf"}) {
        SoundElement* sound = SoundNamed(Find(name));
        ASSERT_NE(sound, nullptr);
        EXPECT_TRUE(sound->IsActive()) << ToUtf8(name);
        EXPECT_EQ(sound->SampleCount(), 5) << ToUtf8(name);
    }
    for (const char16_t* voice : {u"v0", u"v1", u"v2", u"v3"}) EXPECT_TRUE(Sounds(voice));

    Load(Bad("ranges.clx"));
    SoundElement* wide = SoundNamed(Find(u"wide"));
    SoundElement* negative = SoundNamed(Find(u"neg"));
    ASSERT_TRUE(wide && negative);
    EXPECT_EQ(wide->SampleCount(), 2 * MAX_SHIFT_RANGE + 1);
    // LOW is taken without its sign, HIGH below 0 is none; the most negative number is missing.
    EXPECT_EQ(negative->SampleCount(), MAX_SHIFT_RANGE + 1);
    EXPECT_EQ(Find(u"min"), nullptr);
    EXPECT_TRUE(Sounds(u"up"));
    EXPECT_TRUE(Sounds(u"down"));
}

TEST_F(BadInputTest, IncludeCyclesAndFoldersEndWithoutLoopingOrReadingAFolder) {
    Load(Bad("include-cycle.clx"));
    size_t copies = 0;
    for (Element* member : MembersOf(*instrument_.root)) copies += member->Name() == u"r";
    // Once for the file itself, once per include it was read through.
    EXPECT_GE(copies, static_cast<size_t>(MAX_INCLUDE_DEPTH));
    EXPECT_LE(copies, static_cast<size_t>(MAX_INCLUDED_FILES) + 1);
    EXPECT_NE(Find(u"after"), nullptr);

    EXPECT_TRUE(Load(Bad("include-folder.clx")).found);
    EXPECT_EQ(CountElements(), 1u);
    EXPECT_NE(Find(u"after"), nullptr);
    // Opening a folder as the instrument finds nothing to load.
    EXPECT_FALSE(Load(FromUtf8(DataFile("bad").string())).found);
    EXPECT_EQ(CountElements(), 0u);
}

// Once a stack overflow at the first key press: the group took itself in as a member.
TEST_F(BadInputTest, AVoiceWhoseNameFindsAGroupNeverPutsThatGroupIntoItself) {
    Load(Bad("group-joins-itself.clx"));
    auto* group = dynamic_cast<GroupElement*>(instrument_.names.Lookup(u"g"));
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(group->Members().empty());
    instrument_.names.OnKeyDown('A');
    instrument_.names.OnKeyUp('A');
}

TEST_F(BadInputTest, NulBytesEndTheLineForTheScannerOnly) {
    Load(Bad("nul-bytes.clx"));
    for (const char16_t* name : {u"a", u"hidden", u"t"}) EXPECT_EQ(Find(name), nullptr);
    EXPECT_NE(Find(u"c"), nullptr);
    EXPECT_NE(Find(u"d"), nullptr);
}

TEST_F(BadInputTest, LinesOfAMegabyteAreReadInPiecesThatBuildNothing) {
    const std::string megabyte(1 << 20, 'x');
    const OpenResult result = Load(WriteInstrument("gr before 0 0 1 1\ngt long " + megabyte +
                                                   " 1 2 3 4\ngr after 0 0 1 1\n# " + megabyte +
                                                   "\n? " + megabyte + "\ngr last 0 0 1 1\n"));
    EXPECT_EQ(result.outcome, OpenResult::Outcome::Loaded);
    EXPECT_EQ(Find(u"long"), nullptr);
    EXPECT_NE(Find(u"last"), nullptr);
    EXPECT_EQ(CountElements(), 3u);
}

TEST_F(BadInputTest, BlocksNestedAHundredThousandDeepStopAtTheNestingBound) {
    auto nested = [](int depth) {
        std::string body;
        for (int i = 0; i < depth; ++i) body += "{ g\n";
        body += "gr inner 0 0 1 1\n";
        for (int i = 0; i < depth; ++i) body += "}\n";
        return body + "gr after 0 0 1 1\n";
    };
    // Past the line bound nothing more is read: only the groups are built.
    Load(WriteInstrument(nested(100000)));
    EXPECT_EQ(CountElements(), static_cast<size_t>(MAX_NESTING));
    EXPECT_EQ(Find(u"inner"), nullptr);

    Load(WriteInstrument(nested(20000)));
    EXPECT_NE(Find(u"inner"), nullptr);
    // The groups close after MAX_NESTING lines; the next '}' stands at file level and ends it.
    EXPECT_EQ(Find(u"after"), nullptr);
    EXPECT_EQ(CountElements(), static_cast<size_t>(MAX_NESTING) + 1);
}

TEST_F(BadInputTest, TenThousandPanelsLoadWithNamesPastTheAlphabet) {
    std::string body;
    for (int i = 0; i < 10000; ++i) {
        body += "[ p" + std::to_string(i) + " 0 0 240 320\nbr b 0 0 10 10\nv v\n]\n";
    }
    Load(WriteInstrument(body));
    EXPECT_EQ(CountElements(), 10000u * 3);
    EXPECT_NE(dynamic_cast<PanelElement*>(instrument_.names.Lookup(u"p9999")), nullptr);
    // The 10000th panel's prefix is the character 64 + 10000.
    EXPECT_NE(Find(String(1, static_cast<char16_t>(64 + 10000)) + u"b"), nullptr);
}

TEST_F(BadInputTest, AnInstrumentLongerThanTheLineBoundStopsThere) {
    std::string body;
    for (int64_t i = 0; i < MAX_LOAD_LINES + MAX_LOAD_LINES / 2; ++i) body += "gr r 0 0 1 1\n";
    Load(WriteInstrument(body));
    // The header line is read by the reader, not the parser.
    EXPECT_EQ(CountElements(), static_cast<size_t>(MAX_LOAD_LINES));
}

// Pictures whose header states no pixels or ten billion: the image element shows nothing, no
// message appears, and no pixel memory is taken -- with the headless loader and the program's.

TEST_F(BadInputTest, PicturesOfNoPixelsOrTenBillionLoadAsNoPicture) {
    const char* files[] = {"picture-0x0.bmp", "picture-100000x100000.bmp",
                           "picture-100000x100000.png"};
    std::string body;
    for (int i = 0; i < 3; ++i) {
        CopyBad(files[i]);
        body += "gi " + std::string(1, 'a' + i) + " " + files[i] + " 0 0 10 10\n";
    }
    QtPictureLoader qtLoader(*platform_.files);
    for (PictureLoader* loader :
         {platform_.pictures.get(), static_cast<PictureLoader*>(&qtLoader)}) {
        platform_.services.pictures = loader;
        Load(WriteInstrument(body));
        for (const char16_t* name : {u"a", u"b", u"c"}) {
            auto* image = dynamic_cast<ImageElement*>(Find(name));
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->GetBitmap(), nullptr) << ToUtf8(name);
        }
        EXPECT_TRUE(Messages().empty());
    }
}

// Found by fuzzing: the GIF reader told a size of 256 x 38 and then read 19778 x 38, past the
// side bound that the size it tells is checked against.
TEST_F(BadInputTest, PicturesOtherThanBitmapsAndPngDoNotLoad) {
    const String path = Bad("picture-gif-wider-than-it-says.gif");
    EXPECT_EQ(QtPictureLoader(*platform_.files).LoadFile(path), nullptr);
    EXPECT_EQ(platform_.pictures->LoadFile(path), nullptr);
}

TEST_F(BadInputTest, EachBadWaveLoadsOrSaysItCouldNotAndNeverReadsPastTheFile) {
    const struct {
        const char* file;
        bool loads;   // the sound element takes the file (else "Could not load")
        bool sounds;  // a voice playing it is heard
    } cases[] = {
        // No format or no data chunk in the bytes there are.
        {"wave-20-bytes.wav", false, false},
        {"wave-43-bytes.wav", false, false},
        // The data chunk claims 2 GiB: what the file holds plays.
        {"wave-data-size-beyond-file.wav", true, true},
        // Chunks are found wherever they stand.
        {"wave-list-chunk-before-data.wav", true, true},
        {"wave-0-channels.wav", false, false},
        {"wave-0-rate.wav", false, false},
        // Rates the mixer cannot convert load, but the output refuses them: silence.
        {"wave-rate-4294967295.wav", true, false},
        {"wave-rate-1.wav", true, false},
        // No width at all is nothing a decoder knows; wider integers and floats are decoded.
        {"wave-0-bits.wav", false, false},
        // Its values are a 16-bit tone's, so read as 24 bits they are 48 dB down: inaudible.
        {"wave-24-bits.wav", true, false},
        {"wave-32-bits.wav", true, true},
        {"wave-float.wav", true, true},
        // The block align is worked out from the channels and bits, not trusted.
        {"wave-0-block-align.wav", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        platform_.messages.Clear();
        CopyBad(c.file);
        const OpenResult result = Load(WriteInstrument(std::string("s n ") + c.file +
                                                       " 440 2 2\nv v\n{ init\n=s v.ns n\n}\n"));
        ASSERT_EQ(result.outcome, OpenResult::Outcome::Loaded);
        auto* sound = static_cast<SoundElement*>(Find(u"n"));
        ASSERT_NE(sound, nullptr);
        EXPECT_EQ(sound->IsActive(), c.loads);
        if (c.loads) {
            EXPECT_TRUE(Messages().empty());
            EXPECT_EQ(sound->SampleCount(), 5);
        } else {
            // The message names the instrument file and the line that named the wave.
            EXPECT_EQ(Messages(), std::vector<String>{u"Could not load: " + FromUtf8(c.file) +
                                                      u" (" + TempFolder() + u"main.clx:2)\n"});
        }
        EXPECT_EQ(Sounds(u"v"), c.sounds);
    }
}

TEST_F(BadInputTest, AStarredSoundThatCannotLoadSaysNothing) {
    CopyBad("wave-20-bytes.wav");
    Load(WriteInstrument("s n * wave-20-bytes.wav 440 0 0\n"));
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(Find(u"n")->IsActive());
}

// A period of billions of values: the pitch-shifting window once took 2.9 GB and 15 s here.
TEST_F(BadInputTest, ATinyFrequencyMakesCopiesWithoutAWindowOfTheWholePeriod) {
    CopyBad("reference-440hz.wav");
    Load(WriteInstrument("s n reference-440hz.wav 0.00003 1 1\n"));
    EXPECT_LT(loadPeakBytes_, int64_t{64} << 20);
    EXPECT_EQ(static_cast<SoundElement*>(Find(u"n"))->SampleCount(), 3);
}

}  // namespace
}  // namespace chordlane::test

// Instrument files that are malformed, cyclic or enormous: each loads in bounded time and
// memory, builds what its sound lines build and silently skips the rest.

#include <string>

#include "elements/Element.h"
#include "elements/GroupElement.h"
#include "elements/PanelElement.h"
#include "language/NameRegistry.h"
#include "language/Parser.h"
#include "sound/SoundElement.h"
#include "tests/bad/BadInputTest.h"

namespace chordlane::test {
namespace {

Rect BoundsOf(Element* element) {
    auto* visual = dynamic_cast<VisualElement*>(element);
    return visual && visual->Bounds() ? *visual->Bounds() : Rect{};
}

String CatalogueFile(const std::string& name) { return FromUtf8(DataFile("bad/" + name).string()); }

TEST_F(BadInputTest, DesignSizeZeroMeansScreenPixels) {
    Load(CatalogueFile("design-size-0.clx"));
    ExpectBoundedLoad();
    EXPECT_EQ(BoundsOf(Find(u"r")), (Rect{10, 20, 40, 60}));
    EXPECT_EQ(BoundsOf(Find(u"s")), (Rect{1, 2, 4, 6}));
    // Only the width is scaled when the height is 0.
    EXPECT_EQ(BoundsOf(Find(u"t")), (Rect{50, 20, 65, 60}));
}

TEST_F(BadInputTest, FrequenciesOfZeroBelowZeroAndNotANumberLoadAndPlayTheRecording) {
    CopyBad("reference-440hz.wav");
    std::filesystem::copy_file(DataFile("bad/frequencies.clx"), temp_ / "frequencies.clx");
    Load(FromUtf8((temp_ / "frequencies.clx").string()));
    ExpectBoundedLoad();
    EXPECT_TRUE(Messages().empty());
    for (const char16_t* name : {u"zero", u"minus", u"nan", u"inf"}) {
        auto* sound = static_cast<SoundElement*>(Find(name));
        ASSERT_NE(sound, nullptr);
        EXPECT_TRUE(sound->IsActive()) << ToUtf8(name);
        EXPECT_EQ(sound->SampleCount(), 5) << ToUtf8(name);
    }
    for (const char16_t* voice : {u"v0", u"v1", u"v2", u"v3"}) {
        EXPECT_TRUE(Sounds(voice)) << ToUtf8(voice);
    }
}

TEST_F(BadInputTest, ShiftRangesAreCappedAndTheMostNegativeNumberReadsAsMissing) {
    CopyBad("reference-440hz.wav");
    std::filesystem::copy_file(DataFile("bad/ranges.clx"), temp_ / "ranges.clx");
    Load(FromUtf8((temp_ / "ranges.clx").string()));
    ExpectBoundedLoad();
    auto* wide = static_cast<SoundElement*>(Find(u"wide"));
    auto* negative = static_cast<SoundElement*>(Find(u"neg"));
    ASSERT_NE(wide, nullptr);
    ASSERT_NE(negative, nullptr);
    EXPECT_EQ(wide->SampleCount(), 2 * MAX_SHIFT_RANGE + 1);
    // LOW is taken without its sign, HIGH below 0 is none.
    EXPECT_EQ(negative->SampleCount(), MAX_SHIFT_RANGE + 1);
    EXPECT_EQ(Find(u"min"), nullptr);
    EXPECT_TRUE(Sounds(u"up"));
    EXPECT_TRUE(Sounds(u"down"));
}

TEST_F(BadInputTest, AnIncludeCycleWithTwoIncludesPerLevelEndsAfterTheIncludeBound) {
    Load(CatalogueFile("include-cycle.clx"));
    ExpectBoundedLoad();
    size_t copies = 0;
    for (Element* member : static_cast<PanelElement&>(*App().root).Group().Members()) {
        if (member->Name() == u"r") ++copies;
    }
    // Once for the file itself, once per include it was read through.
    EXPECT_GE(copies, static_cast<size_t>(MAX_INCLUDE_DEPTH));
    EXPECT_LE(copies, static_cast<size_t>(MAX_INCLUDED_FILES) + 1);
    EXPECT_NE(Find(u"after"), nullptr);
}

// Once a stack overflow at the first key press: the group took itself in as a member.
TEST_F(BadInputTest, AVoiceWhoseNameFindsAGroupNeverPutsThatGroupIntoItself) {
    Load(CatalogueFile("group-joins-itself.clx"));
    ExpectBoundedLoad();
    auto* group = dynamic_cast<GroupElement*>(Lookup(u"g"));
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(group->Members().empty());
    OnKeyDown('A');
    OnKeyUp('A');
}

TEST_F(BadInputTest, AnIncludeOfAFolderIncludesNothing) {
    const OpenResult result = Load(CatalogueFile("include-folder.clx"));
    ExpectBoundedLoad();
    EXPECT_TRUE(result.found);
    EXPECT_EQ(CountElements(), 1u);
    EXPECT_NE(Find(u"after"), nullptr);
    // Opening a folder as the instrument finds nothing to load.
    EXPECT_FALSE(Load(FromUtf8(DataFile("bad").string())).found);
    EXPECT_EQ(CountElements(), 0u);
}

TEST_F(BadInputTest, NulBytesEndTheLineForTheScannerOnly) {
    Load(CatalogueFile("nul-bytes.clx"));
    ExpectBoundedLoad();
    EXPECT_EQ(Find(u"a"), nullptr);
    EXPECT_NE(Find(u"c"), nullptr);
    EXPECT_EQ(Find(u"hidden"), nullptr);
    EXPECT_EQ(Find(u"t"), nullptr);
    EXPECT_NE(Find(u"d"), nullptr);
}

TEST_F(BadInputTest, LinesOfAMegabyteAreReadInPiecesThatBuildNothing) {
    const std::string megabyte(1 << 20, 'x');
    std::string body = "gr before 0 0 1 1\n";
    body += "gt long " + megabyte + " 1 2 3 4\n";
    body += "gr after 0 0 1 1\n";
    body += "# " + megabyte + "\n";
    body += "? " + megabyte + "\n";
    body += "gr last 0 0 1 1\n";
    const OpenResult result = Load(WriteInstrument("main.clx", body));
    ExpectBoundedLoad();
    EXPECT_EQ(result.outcome, OpenResult::Outcome::Loaded);
    EXPECT_NE(Find(u"before"), nullptr);
    EXPECT_EQ(Find(u"long"), nullptr);
    EXPECT_NE(Find(u"after"), nullptr);
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
    Load(WriteInstrument("main.clx", nested(100000)));
    ExpectBoundedLoad();
    EXPECT_EQ(CountElements(), static_cast<size_t>(MAX_NESTING));
    EXPECT_EQ(Find(u"inner"), nullptr);

    Load(WriteInstrument("main.clx", nested(20000)));
    ExpectBoundedLoad();
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
    Load(WriteInstrument("main.clx", body));
    ExpectBoundedLoad();
    EXPECT_EQ(CountElements(), 10000u * 3);
    auto* last = dynamic_cast<PanelElement*>(Lookup(u"p9999"));
    ASSERT_NE(last, nullptr);
    // The 10000th panel's prefix is the character 64 + 10000.
    const String prefix(1, static_cast<char16_t>(64 + 10000));
    EXPECT_NE(Find(prefix + u"b"), nullptr);
}

TEST_F(BadInputTest, AnInstrumentLongerThanTheLineBoundStopsThere) {
    std::string body;
    const int64_t lines = MAX_LOAD_LINES + MAX_LOAD_LINES / 2;
    body.reserve(static_cast<size_t>(lines) * 13);
    for (int64_t i = 0; i < lines; ++i) body += "gr r 0 0 1 1\n";
    Load(WriteInstrument("main.clx", body));
    ExpectBoundedLoad();
    // The header line is read by the reader, not the parser.
    EXPECT_EQ(CountElements(), static_cast<size_t>(MAX_LOAD_LINES));
}

}  // namespace
}  // namespace chordlane::test

#include <gmock/gmock.h>

#include "elements/InstrumentBuilder.h"
#include "elements/NameRegistry.h"
#include "elements/SetFlagAction.h"
#include "elements/SetIntAction.h"
#include "elements/SetStringAction.h"
#include "elements/SoundElement.h"
#include "tests/language/InstrumentTest.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class InstrumentBuilderTest : public InstrumentTest {
  protected:
    //! Parses text as the file "main.clx" into an empty root panel, as a load does before it
    //! activates anything.
    void Parse(std::string_view text) {
        instrument_.root = std::make_unique<PanelElement>(
            instrument_, u"!", std::make_unique<Rect>(instrument_.screen.rect), 0);
        InstrumentBuilder(instrument_, &listener_).ParseString(text, TempFolder() + u"main.clx");
    }
};

// The other kinds are checked in the tool's dump.
TEST_F(InstrumentBuilderTest, ShapeButtonSoundAndStopDirectivesBuildTheirKindsInFileOrder) {
    Parse(R"(ge ellipse 1 2 3 4
be round 1 2 3 4
bh hidden
s sound file.wav 440 -3 4
< voice
v née
)");
    EXPECT_THAT(Describe(Root()),
                ElementsAre("EllipseElement ellipse", "EllipseButtonElement round",
                            "HiddenButtonElement hidden", "SoundElement sound", "StopAction voice<",
                            "VoiceElement née"));
    auto& sound = dynamic_cast<SoundElement&>(*Find(u"sound"));
    EXPECT_EQ(sound.Low(), 3);  // LOW is taken as its magnitude
    EXPECT_EQ(sound.High(), 4);
}

TEST_F(InstrumentBuilderTest,
       OnlyTheFirstCharacterSelectsSoCommentsIndentsAndOtherCasesAreIgnored) {
    Parse(R"( gr indented 0 0 1 1
# a comment
GR upper 0 0 1 1
gx unknown

)"
          "\tv tabbed\n"
          R"(  just words
)"
          "gr crlf 0 0 1 1\r\n"
          R"(vjoined
)");
    EXPECT_THAT(Describe(Root()), ElementsAre("RectElement crlf", "VoiceElement joined"));
    EXPECT_THAT(listener_.reports,
                ElementsAre("main.clx:1: indented gr", "main.clx:4: unknown directive \"gx\"",
                            "main.clx:6: indented v"));
}

TEST_F(InstrumentBuilderTest, PanelCoordinatesAreClippedToThePanelAndPanelsDoNotNest) {
    Parse(R"([ p 100 50 100 100
gr clipped -50 -50 500 500
{ g
[ q 0 0 50 50
gr inq 0 0 10 10
}
gr back 0 0 10 10
]
)");
    EXPECT_EQ(RectOf(Find(u"Aclipped")), (Rect{100, 50, 200, 150}));
    // A panel opened inside a panel is placed on the screen and stands beside it; a block
    // keeps its own panel while the panel letter is instrument-wide.
    EXPECT_EQ(RectOf(Find(u"q")), (Rect{0, 0, 50, 50}));
    EXPECT_EQ(RectOf(Find(u"Binq")), (Rect{0, 0, 10, 10}));
    EXPECT_EQ(RectOf(Find(u"Bback")), (Rect{100, 50, 110, 60}));
    EXPECT_THAT(Describe(Root()), ElementsAre("PanelElement p", "PanelElement q"));
    EXPECT_THAT(Describe(*Find(u"Ag")), ElementsAre("RectElement Binq"));
}

TEST_F(InstrumentBuilderTest, NamesInsidePanelsCarryThePanelLetterEvenPastZ) {
    std::string text;
    for (int i = 1; i <= 27; ++i) text += "[ p" + std::to_string(i) + " 0 0 10 10\nv x\n";
    Parse(text + "v !y\nbh z\nbh !w\nv " + std::string(300, 'n') + "\n< !" + std::string(300, 's') +
          "\n]\nv x\n");
    EXPECT_THAT(Describe(*Find(u"p2")), ElementsAre("VoiceElement Bx"));
    EXPECT_THAT(Describe(*Find(u"p27")),  // the character after 'Z', then names without prefix
                ElementsAre("VoiceElement [x", "VoiceElement y", "HiddenButtonElement z",
                            "HiddenButtonElement w", "VoiceElement [" + std::string(254, 'n'),
                            "StopAction " + std::string(255, 's')));
    EXPECT_EQ(Members(Root()).back()->Name(), u"x");
    // Panels stand in the registry under their names as written, numbered in file order.
    EXPECT_EQ(dynamic_cast<PanelElement&>(*instrument_.names.Lookup(u"p27")).Number(), 27);
}

TEST_F(InstrumentBuilderTest, ABlockOpenedAndClosedOnOneLineIsEmptyAndAStrayBraceEndsTheFile) {
    Parse(R"({ chord } gr ignored 0 0 1 1
gr d 0 0 1 1
{
gr e 0 0 1 1
}
gr f 0 0 1 1
)");
    EXPECT_THAT(Describe(Root()),
                ElementsAre("GroupElement chord", "RectElement d", "RectElement e"));
    EXPECT_THAT(Describe(*Find(u"chord")), IsEmpty());
    EXPECT_THAT(listener_.reports, ElementsAre("main.clx:3: {: missing NAME"));
}

TEST_F(InstrumentBuilderTest, DeepNestingStopsAtABoundInsteadOfExhaustingTheStack) {
    std::string text;
    // Within the line bound of one load, which stops far deeper files earlier.
    for (int i = 0; i < 40000; ++i) text += "{ g\n";
    Parse(text);
    int depth = 0;
    for (Element* e = &Root(); !Members(*e).empty(); e = Members(*e).front()) ++depth;
    EXPECT_EQ(depth, MAX_NESTING);
    EXPECT_EQ(listener_.reports.size(), 40000u - MAX_NESTING);
    EXPECT_EQ(listener_.reports.front(),
              "main.clx:257: {: blocks and includes nested deeper than 256 levels");
}

TEST_F(InstrumentBuilderTest, ActionValuesAreReadAsWrittenAndStringsTakeThePanelPrefix) {
    Parse(R"([ p 0 0 240 320
=b a.e
=b a.e f
=b a.e 0
=b a.e "f"
=i a.n -2
=i a.n +-1
=i a.n + 3 5
=s x.t "+3"
=s x.t abc
=s x.t "abc"
=s x.t 'abc'
=s x.t +abc
=s .t plain
)");
    const std::vector<Element*> m = Members(*Find(u"p"));
    ASSERT_EQ(m.size(), 13u);
    std::vector<bool> flags;  // only an unquoted word beginning with 'f' is false
    for (size_t i = 0; i < 4; ++i) flags.push_back(dynamic_cast<SetFlagAction&>(*m[i]).Value());
    EXPECT_THAT(flags, ElementsAre(true, false, true, true));
    std::vector<std::vector<int32_t>> ints;  // {step, restart, limit, value}
    for (size_t i = 4; i < 8; ++i) {
        auto& a = dynamic_cast<SetIntAction&>(*m[i]);
        ints.push_back({a.Step(), a.Restart(), a.Limit(), a.Value()});
    }
    EXPECT_THAT(ints, ElementsAre(ElementsAre(NO_VALUE, NO_VALUE, NO_VALUE, -2),
                                  ElementsAre(-1, NO_VALUE, NO_VALUE, NO_VALUE),
                                  ElementsAre(3, 5, NO_VALUE, NO_VALUE),
                                  ElementsAre(3, NO_VALUE, NO_VALUE, NO_VALUE)));
    EXPECT_EQ(m[7]->Name(), u"Ax=i");  // a quoted "+N" string steps an integer
    std::vector<String> strings;
    for (size_t i = 8; i < 12; ++i)
        strings.push_back(dynamic_cast<SetStringAction&>(*m[i]).Value());
    EXPECT_THAT(strings, ElementsAre(u"Aabc", u"abc", u"Aabc", u""));
    EXPECT_EQ(m[12]->Name(), u"=s");  // no target: the suffix alone
}

TEST_F(InstrumentBuilderTest, MalformedLinesAreSkippedAndReportedWithTheirPhysicalLine) {
    Parse("gr r 1 2 3\n" + std::string(511, 'x') + R"(gr tail 1 2
v
s n file.wav 440 3
s n file.wav
=i x 5
=i x.
=i x.n
=i x.n +
gi g
gt t
[ p 0 0
)");
    EXPECT_THAT(Describe(Root()), IsEmpty());
    EXPECT_THAT(
        listener_.reports,
        ElementsAre("main.clx:1: gr: missing H of the rectangle X Y W H",
                    // The rest of a line longer than the buffer is read as a line.
                    "main.clx:2: gr: missing W of the rectangle X Y W H",
                    "main.clx:3: v: missing NAME", "main.clx:4: s: missing HIGH",
                    "main.clx:5: s: missing FREQ", "main.clx:6: =i: no '.' between TARGET and PROP",
                    "main.clx:7: =i: missing PROP after '.'", "main.clx:8: =i: missing VALUE",
                    "main.clx:9: =i: missing STEP after '+'", "main.clx:10: gi: missing FILE",
                    "main.clx:11: gt: missing TEXT",
                    "main.clx:12: [: missing W of the rectangle X Y W H"));
}

TEST_F(InstrumentBuilderTest, PlacedCoordinatesThatOverflowWrapWithoutUndefinedBehaviour) {
    instrument_.SetScreen(2, 2);
    const InstrumentBuilder builder(instrument_);
    Rect r{1073741824, 1073741824, 2147483647, 2147483647};
    builder.PlaceRect(r, nullptr, -1, -1);
    EXPECT_EQ(r.left, INT32_MIN);
    EXPECT_EQ(r.right, 2);
    PanelElement panel(instrument_, u"p",
                       std::make_unique<Rect>(Rect{2147483000, 0, 2147483647, 10}), 1);
    Rect s{1000, 0, 2000, 5};
    builder.PlaceRect(s, &panel, 2, 2);
    EXPECT_EQ(s.left, 2147483000);  // the wrapped sum is negative: clipped to the panel
}

}  // namespace
}  // namespace chordlane::test

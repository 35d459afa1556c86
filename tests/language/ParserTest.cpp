#include <gmock/gmock.h>

#include "elements/SetFlagAction.h"
#include "elements/SetIntAction.h"
#include "elements/SetStringAction.h"
#include "language/NameRegistry.h"
#include "sound/SoundElement.h"
#include "tests/language/InstrumentTest.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ParserTest = InstrumentTest;

// The other kinds are checked in the tool's dump.
TEST_F(ParserTest, ShapeButtonSoundAndStopDirectivesBuildTheirKindsInFileOrder) {
    Load("ge ellipse 1 2 3 4\nbe round 1 2 3 4\nbh hidden\ns sound file.wav 440 -3 4\n< voice\n");
    EXPECT_THAT(
        Describe(Root()),
        ElementsAre("EllipseElement ellipse", "EllipseButtonElement round",
                    "HiddenButtonElement hidden", "SoundElement sound", "StopAction voice<"));
    auto& sound = dynamic_cast<SoundElement&>(*Find(u"sound"));
    EXPECT_EQ(sound.Low(), 3);  // LOW is taken as its magnitude
    EXPECT_EQ(sound.High(), 4);
}

TEST_F(ParserTest, OnlyTheFirstCharacterSelectsSoCommentsIndentsAndOtherCasesAreIgnored) {
    Load(
        " gr indented 0 0 1 1\n# a comment\nGR upper 0 0 1 1\ngx unknown\n\n\tv tabbed\n"
        "  just words\ngr crlf 0 0 1 1\r\nvjoined\n");
    EXPECT_THAT(Describe(Root()), ElementsAre("RectElement crlf", "VoiceElement joined"));
    EXPECT_THAT(listener_.reports,
                ElementsAre("main.clx:2: indented gr", "main.clx:5: unknown directive \"gx\"",
                            "main.clx:7: indented v"));
}

TEST_F(ParserTest, PanelCoordinatesAreClippedToThePanelAndPanelsDoNotNest) {
    Load(
        "[ p 100 50 100 100\ngr clipped -50 -50 500 500\n{ g\n[ q 0 0 50 50\ngr inq 0 0 10 10\n}\n"
        "gr back 0 0 10 10\n]\n");
    EXPECT_EQ(RectOf(Find(u"Aclipped")), (Rect{100, 50, 200, 150}));
    // A panel opened inside a panel is placed on the screen and stands beside it; a block
    // keeps its own panel while the panel letter is instrument-wide.
    EXPECT_EQ(RectOf(Find(u"q")), (Rect{0, 0, 50, 50}));
    EXPECT_EQ(RectOf(Find(u"Binq")), (Rect{0, 0, 10, 10}));
    EXPECT_EQ(RectOf(Find(u"Bback")), (Rect{100, 50, 110, 60}));
    EXPECT_THAT(Describe(Root()), ElementsAre("PanelElement p", "PanelElement q"));
    EXPECT_THAT(Describe(*Find(u"Ag")), ElementsAre("RectElement Binq"));
}
TEST_F(ParserTest, NamesInsidePanelsCarryThePanelLetterEvenPastZ) {
    std::string text;
    for (int i = 1; i <= 27; ++i) text += "[ p" + std::to_string(i) + " 0 0 10 10\nv x\n";
    Load(text + "v !y\nbh z\nbh !w\nv " + std::string(300, 'n') + "\n< !" + std::string(300, 's') +
         "\n]\nv x\n");
    EXPECT_THAT(Describe(*Find(u"p2")), ElementsAre("VoiceElement Bx"));
    EXPECT_THAT(Describe(*Find(u"p27")),  // the character after 'Z', then names without prefix
                ElementsAre("VoiceElement [x", "VoiceElement y", "HiddenButtonElement z",
                            "HiddenButtonElement w", "VoiceElement [" + std::string(254, 'n'),
                            "StopAction " + std::string(255, 's')));
    EXPECT_EQ(Members(Root()).back()->Name(), u"x");
    // Panels stand in the registry under their names as written, numbered in file order.
    EXPECT_EQ(dynamic_cast<PanelElement&>(*Lookup(u"p27")).Number(), 27);
}

TEST_F(ParserTest, ABlockOpenedAndClosedOnOneLineIsEmptyAndAStrayBraceEndsTheFile) {
    const std::string r = " 0 0 1 1\n";
    Load("{ chord } gr ignored" + r + "gr d" + r + "{\ngr e" + r + "}\ngr f" + r);
    EXPECT_THAT(Describe(Root()),
                ElementsAre("GroupElement chord", "RectElement d", "RectElement e"));
    EXPECT_THAT(Describe(*Find(u"chord")), IsEmpty());
    EXPECT_THAT(listener_.reports, ElementsAre("main.clx:4: {: missing NAME"));
}
TEST_F(ParserTest, DeepNestingStopsAtABoundInsteadOfExhaustingTheStack) {
    std::string text;
    // Within the line bound of one load, which stops far deeper files earlier.
    for (int i = 0; i < 40000; ++i) text += "{ g\n";
    Load(text);
    int depth = 0;
    for (Element* e = &Root(); !Members(*e).empty(); e = Members(*e).front()) ++depth;
    EXPECT_EQ(depth, MAX_NESTING);
    EXPECT_EQ(listener_.reports.size(), 40000u - MAX_NESTING);
    EXPECT_EQ(listener_.reports.front(),
              "main.clx:258: {: blocks and includes nested deeper than 256 levels");
}

TEST_F(ParserTest, ActionValuesAreReadAsWrittenAndStringsTakeThePanelPrefix) {
    Load(
        "[ p 0 0 240 320\n=b a.e\n=b a.e f\n=b a.e 0\n=b a.e \"f\"\n=i a.n -2\n=i a.n +-1\n"
        "=i a.n + 3 5\n=s x.t \"+3\"\n=s x.t abc\n=s x.t \"abc\"\n=s x.t 'abc'\n=s x.t +abc\n"
        "=s .t plain\n");
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
TEST_F(ParserTest, MalformedLinesAreSkippedAndReportedWithTheirPhysicalLine) {
    Load("gr r 1 2 3\n" + std::string(511, 'x') +
         "gr tail 1 2\nv\ns n file.wav 440 3\ns n file.wav\n=i x 5\n=i x.\n=i x.n\n=i x.n +\n"
         "gi g\ngt t\n[ p 0 0\n");
    EXPECT_THAT(Describe(Root()), IsEmpty());
    EXPECT_THAT(
        listener_.reports,
        ElementsAre("main.clx:2: gr: missing H of the rectangle X Y W H",
                    // The rest of a line longer than the buffer is read as a line.
                    "main.clx:3: gr: missing W of the rectangle X Y W H",
                    "main.clx:4: v: missing NAME", "main.clx:5: s: missing HIGH",
                    "main.clx:6: s: missing FREQ", "main.clx:7: =i: no '.' between TARGET and PROP",
                    "main.clx:8: =i: missing PROP after '.'", "main.clx:9: =i: missing VALUE",
                    "main.clx:10: =i: missing STEP after '+'", "main.clx:11: gi: missing FILE",
                    "main.clx:12: gt: missing TEXT",
                    "main.clx:13: [: missing W of the rectangle X Y W H"));
}

TEST(PlaceRectTest, CoordinatesThatOverflowWrapWithoutUndefinedBehaviour) {
    App().screenWidth = 2;
    App().screenHeight = 2;
    Rect r{1073741824, 1073741824, 2147483647, 2147483647};
    PlaceRect(r, nullptr, -1, -1);
    EXPECT_EQ(r.left, INT32_MIN);
    EXPECT_EQ(r.right, 2);
    PanelElement panel(u"p", std::make_unique<Rect>(Rect{2147483000, 0, 2147483647, 10}), 1);
    Rect s{1000, 0, 2000, 5};
    PlaceRect(s, &panel, 2, 2);
    EXPECT_EQ(s.left, 2147483000);  // the wrapped sum is negative: clipped to the panel
    ResetAppState();
}

}  // namespace
}  // namespace chordlane::test

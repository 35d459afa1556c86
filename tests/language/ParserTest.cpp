#include <gmock/gmock.h>

#include "elements/SetFlagAction.h"
#include "elements/SetIntAction.h"
#include "elements/SetRectAction.h"
#include "elements/SetStringAction.h"
#include "language/NameRegistry.h"
#include "sound/SoundElement.h"
#include "tests/language/InstrumentTest.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ParserTest = InstrumentTest;

TEST_F(ParserTest, EveryDirectiveBuildsItsKindInFileOrder) {
    Load(
        "gr rect 1 2 3 4\nge ellipse 1 2 3 4\ngi image pic.bmp 1 2 3 4\n"
        "gt label \"two words\" 1 2 3 4\nbe round 1 2 3 4\nbr square 1 2 3 4\nbh hidden\n"
        "v voice\ns sound file.wav 440 -3 4\n< voice\n> voice 7\n=b voice.e\n=i voice.va 5\n"
        "=r voice.b 1 2 3 4\n=s voice.ns gtr\n");
    EXPECT_THAT(
        Describe(Root()),
        ElementsAre("RectElement rect", "EllipseElement ellipse", "ImageElement image",
                    "TextElement label", "EllipseButtonElement round", "RectButtonElement square",
                    "HiddenButtonElement hidden", "VoiceElement voice", "SoundElement sound",
                    "StopAction voice<", "PlayAction voice>", "SetFlagAction voice=b",
                    "SetIntAction voice=i", "SetRectAction voice=r", "SetStringAction voice=s"));
    EXPECT_EQ(RectOf(Find(u"square")), (Rect{1, 2, 4, 6}));
    auto& sound = dynamic_cast<SoundElement&>(*Find(u"sound"));
    EXPECT_EQ(sound.Low(), 3);  // LOW is taken as its magnitude
    EXPECT_EQ(sound.High(), 4);
    EXPECT_EQ(sound.FileName(), u"file.wav");
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

TEST_F(ParserTest, DesignSizeScalesTheRestOfItsLevelOnly) {
    const std::string r = " 10 20 100 50\n";
    Load("d 480 640\n{ block\nd\ngr inner" + r + "}\ngr half" + r + "d 0 0\ngr zero" + r +
         "d 480\ngr wide" + r);
    EXPECT_EQ(RectOf(Find(u"inner")), (Rect{10, 20, 110, 70}));
    EXPECT_EQ(RectOf(Find(u"half")), (Rect{5, 10, 55, 35}));
    EXPECT_EQ(RectOf(Find(u"zero")), (Rect{10, 20, 110, 70}));
    EXPECT_EQ(RectOf(Find(u"wide")), (Rect{5, 20, 55, 70}));
}

TEST_F(ParserTest, PanelCoordinatesAreRelativeToThePanelAndClippedToIt) {
    Load(
        "[ p 100 50 100 100\ngr clipped 0 0 500 500\ngr left -50 -50 60 60\n{ g\n"
        "gr inside 10 10 20 20\n[ q 0 0 50 50\ngr inq 0 0 10 10\n}\ngr back 0 0 10 10\n]\n"
        "gr outside 1 2 3 4\n");
    EXPECT_EQ(RectOf(Find(u"Aclipped")), (Rect{100, 50, 200, 150}));
    EXPECT_EQ(RectOf(Find(u"Aleft")), (Rect{100, 50, 110, 60}));
    EXPECT_EQ(RectOf(Find(u"Ainside")), (Rect{110, 60, 130, 80}));
    // A panel opened inside a panel is placed on the screen and stands beside it; a block
    // keeps its own panel while the panel letter is instrument-wide.
    EXPECT_EQ(RectOf(Find(u"q")), (Rect{0, 0, 50, 50}));
    EXPECT_EQ(RectOf(Find(u"Binq")), (Rect{0, 0, 10, 10}));
    EXPECT_EQ(RectOf(Find(u"Bback")), (Rect{100, 50, 110, 60}));
    EXPECT_THAT(Describe(Root()),
                ElementsAre("PanelElement p", "PanelElement q", "RectElement outside"));
    EXPECT_THAT(Describe(*Find(u"p")), ElementsAre("RectElement Aclipped", "RectElement Aleft",
                                                   "GroupElement Ag", "RectElement Bback"));
    EXPECT_THAT(Describe(*Find(u"Ag")), ElementsAre("RectElement Ainside", "RectElement Binq"));
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

TEST_F(ParserTest, BlocksNestAndCloseBracesEndTheirLevelOrTheFile) {
    const std::string r = " 0 0 1 1\n";
    Load("{ outer\ngr a" + r + "{ inner\ngr b" + r + "}\ngr c" + r + "}\n{ chord } gr ignored" + r +
         "gr d" + r + "{\ngr e" + r + "}\ngr f" + r);
    EXPECT_THAT(Describe(Root()), ElementsAre("GroupElement outer", "GroupElement chord",
                                              "RectElement d", "RectElement e"));
    EXPECT_THAT(Describe(*Find(u"outer")),
                ElementsAre("RectElement a", "GroupElement inner", "RectElement c"));
    EXPECT_THAT(Describe(*Find(u"inner")), ElementsAre("RectElement b"));
    EXPECT_THAT(Describe(*Find(u"chord")), IsEmpty());
    EXPECT_THAT(listener_.reports, ElementsAre("main.clx:11: {: missing NAME"));
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
        "[ p 0 0 240 320\n=b a.e\n=b a.e t\n=b a.e f\n=b a.e false\n=b a.e 0\n=b a.e \"f\"\n"
        "=i a.n +2 0 10\n=i a.n -2\n=i a.n +-1\n=i a.n + 3 5\n=s x.t \"+3\"\n"
        "=s x.t abc\n=s x.t \"abc\"\n=s x.t 'abc'\n=s x.t +0\n=s x.t +abc\n=s .t plain\n"
        "d 480 640\n=r x.b 10 20 100 50\n");
    const std::vector<Element*> m = Members(*Find(u"p"));
    ASSERT_EQ(m.size(), 18u);
    std::vector<bool> flags;
    for (size_t i = 0; i < 6; ++i) flags.push_back(dynamic_cast<SetFlagAction&>(*m[i]).Value());
    EXPECT_THAT(flags, ElementsAre(true, true, false, false, true, true));
    std::vector<std::vector<int32_t>> ints;  // {step, restart, limit, value}
    for (size_t i = 6; i < 11; ++i) {
        auto& a = dynamic_cast<SetIntAction&>(*m[i]);
        ints.push_back({a.Step(), a.Restart(), a.Limit(), a.Value()});
    }
    EXPECT_THAT(ints, ElementsAre(ElementsAre(2, 0, 10, NO_VALUE),
                                  ElementsAre(NO_VALUE, NO_VALUE, NO_VALUE, -2),
                                  ElementsAre(-1, NO_VALUE, NO_VALUE, NO_VALUE),
                                  ElementsAre(3, 5, NO_VALUE, NO_VALUE),
                                  ElementsAre(3, NO_VALUE, NO_VALUE, NO_VALUE)));
    EXPECT_EQ(m[10]->Name(), u"Ax=i");  // a quoted "+N" string steps an integer
    std::vector<String> strings;
    for (size_t i = 11; i < 16; ++i)
        strings.push_back(dynamic_cast<SetStringAction&>(*m[i]).Value());
    EXPECT_THAT(strings, ElementsAre(u"Aabc", u"abc", u"Aabc", u"", u""));
    EXPECT_EQ(m[16]->Name(), u"=s");  // no target: the suffix alone
    EXPECT_EQ(*dynamic_cast<SetRectAction&>(*m[17]).GetRect(), (Rect{5, 10, 55, 35}));
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

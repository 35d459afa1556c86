#include <gmock/gmock.h>

#include "elements/GroupElement.h"
#include "elements/SetFlagAction.h"
#include "elements/SetIntAction.h"
#include "elements/SetRectAction.h"
#include "elements/SetStringAction.h"
#include "language/NameRegistry.h"
#include "language/Parser.h"
#include "sound/SoundElement.h"
#include "tests/language/InstrumentTest.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ParserTest = InstrumentTest;

template <typename T>
T* As(Element* element) {
    return dynamic_cast<T*>(element);
}

TEST_F(ParserTest, TheFirstLineOfAFileIsItsHeaderAndNeverADirective) {
    Open(FromUtf8(WriteFile("plain.clx", "gr first 0 0 10 10\ngr second 0 0 10 10\n").string()));
    EXPECT_THAT(Describe(Root()), ElementsAre("RectElement second"));
}

TEST_F(ParserTest, EveryDirectiveBuildsItsKindInFileOrder) {
    Load(R"(gr rect 1 2 3 4
ge ellipse 1 2 3 4
gi image pic.bmp 1 2 3 4
gt label "two words" 1 2 3 4
be round 1 2 3 4
br square 1 2 3 4
bh hidden
v voice
s sound file.wav 440 3 4
< voice
> voice 7
=b voice.e
=i voice.va 5
=r voice.b 1 2 3 4
=s voice.ns gtr
)");
    EXPECT_THAT(Describe(Root()),
                ElementsAre("RectElement rect", "EllipseElement ellipse", "ImageElement image",
                            "TextElement label", "EllipseButtonElement round",
                            "RectButtonElement square", "HiddenButtonElement hidden",
                            "VoiceElement voice", "SoundElement sound", "StopAction voice<",
                            "PlayAction voice>", "SetFlagAction voice=b", "SetIntAction voice=i",
                            "SetRectAction voice=r", "SetStringAction voice=s"));
    EXPECT_EQ(RectOf(Find(u"round")), (Rect{1, 2, 4, 6}));
    EXPECT_EQ(RectOf(Find(u"square")), (Rect{1, 2, 4, 6}));
    auto* sound = As<SoundElement>(Find(u"sound"));
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->Low(), 3);
    EXPECT_EQ(sound->High(), 4);
    EXPECT_EQ(sound->FileName(), u"file.wav");
}

TEST_F(ParserTest, OnlyTheFirstCharacterSelectsSoCommentsIndentsAndOtherCasesAreIgnored) {
    Load(" gr indented 0 0 1 1\n"
         "# a comment\n"
         "GR upper 0 0 1 1\n"
         "gx unknown\n"
         "\n"
         "\tv tabbed\n"
         "  just words\n"
         "gr crlf 0 0 1 1\r\n"
         "vjoined\n");
    EXPECT_THAT(Describe(Root()), ElementsAre("RectElement crlf", "VoiceElement joined"));
    // An indented directive is reported, an indented comment is not.
    EXPECT_THAT(listener_.reports,
                ElementsAre("main.clx:2: indented gr", "main.clx:5: unknown directive \"gx\"",
                            "main.clx:7: indented v"));
}

TEST_F(ParserTest, ACloseBraceAtFileLevelEndsTheFile) {
    Load("gr before 0 0 1 1\n}\ngr after 0 0 1 1\n");
    EXPECT_THAT(Describe(Root()), ElementsAre("RectElement before"));
}

TEST_F(ParserTest, DesignSizeScalesTheRestOfItsLevelOnly) {
    Load(R"(d 480 640
gr half 10 20 100 50
{ block
d
gr inner 10 20 100 50
}
gr stillhalf 10 20 100 50
d 0 0
gr zero 10 20 100 50
d 480
gr wide 10 20 100 50
)");
    EXPECT_EQ(RectOf(Find(u"half")), (Rect{5, 10, 55, 35}));
    EXPECT_EQ(RectOf(Find(u"inner")), (Rect{10, 20, 110, 70}));
    EXPECT_EQ(RectOf(Find(u"stillhalf")), (Rect{5, 10, 55, 35}));
    EXPECT_EQ(RectOf(Find(u"zero")), (Rect{10, 20, 110, 70}));
    EXPECT_EQ(RectOf(Find(u"wide")), (Rect{5, 20, 55, 70}));
}

TEST_F(ParserTest, PanelCoordinatesAreRelativeToThePanelAndClippedToIt) {
    Load(R"([ p 100 50 100 100
gr clipped 0 0 500 500
gr moved 10 10 20 20
gr left -50 -50 60 60
[ q 0 0 50 50
]
gr outside 1 2 3 4
)");
    EXPECT_EQ(RectOf(Find(u"Aclipped")), (Rect{100, 50, 200, 150}));
    EXPECT_EQ(RectOf(Find(u"Amoved")), (Rect{110, 60, 130, 80}));
    EXPECT_EQ(RectOf(Find(u"Aleft")), (Rect{100, 50, 110, 60}));
    // A panel opened inside a panel is placed on the screen and stands beside it.
    EXPECT_EQ(RectOf(Find(u"q")), (Rect{0, 0, 50, 50}));
    EXPECT_THAT(Describe(Root()), ElementsAre("PanelElement p", "PanelElement q",
                                              "RectElement outside"));
    EXPECT_EQ(RectOf(Find(u"outside")), (Rect{1, 2, 4, 6}));
}

TEST_F(ParserTest, NamesInsidePanelsCarryThePanelLetter) {
    Load(R"([ first 0 0 10 10
v x
]
[ second 0 0 10 10
v x
v !y
bh z
bh !w
]
v x
)");
    EXPECT_NE(Find(u"Ax"), nullptr);
    EXPECT_NE(Find(u"Bx"), nullptr);
    EXPECT_NE(Find(u"y"), nullptr);
    EXPECT_NE(Find(u"z"), nullptr);
    EXPECT_NE(Find(u"w"), nullptr);
    EXPECT_EQ(Members(Root()).back()->Name(), u"x");
    // Panels stand in the registry under their names as written, numbered in file order.
    auto* second = As<PanelElement>(Lookup(u"second"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Number(), 2);
}

TEST_F(ParserTest, PrefixesContinuePastZAndNamesAreCutAt255) {
    std::string text;
    for (int i = 0; i < 27; ++i) text += "[ p" + std::to_string(i) + " 0 0 10 10\n";
    text += "v x\n";
    text += "v " + std::string(300, 'n') + "\n";
    text += "< !" + std::string(300, 's') + "\n";
    Load(text);
    EXPECT_NE(Find(u"[x"), nullptr);  // panel 27: the character after 'Z'
    const std::vector<Element*> members = Members(*Find(u"p26"));
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members[1]->Name(), u"[" + String(254, u'n'));
    EXPECT_EQ(members[2]->Name(), String(255, u's'));
}

TEST_F(ParserTest, BlocksNestAndCloseBracesEndTheirLevel) {
    Load(R"({ outer
gr a 0 0 1 1
{ inner
gr b 0 0 1 1
}
gr c 0 0 1 1
}
{ chord } gr ignored 0 0 1 1
gr d 0 0 1 1
{
gr e 0 0 1 1
}
gr f 0 0 1 1
)");
    EXPECT_THAT(Describe(Root()), ElementsAre("GroupElement outer", "GroupElement chord",
                                              "RectElement d", "RectElement e"));
    EXPECT_THAT(Describe(*Find(u"outer")),
                ElementsAre("RectElement a", "GroupElement inner", "RectElement c"));
    EXPECT_THAT(Describe(*Find(u"inner")), ElementsAre("RectElement b"));
    EXPECT_THAT(Describe(*Find(u"chord")), IsEmpty());
    EXPECT_THAT(listener_.reports, ElementsAre("main.clx:11: {: missing NAME"));
}

TEST_F(ParserTest, ABlockKeepsItsOwnPanelWhileThePanelLetterIsInstrumentWide) {
    Load(R"([ p 100 50 100 100
{ g
gr inside 0 0 10 10
[ q 0 0 10 10
gr inq 0 0 10 10
}
gr back 0 0 10 10
)");
    EXPECT_THAT(Describe(Root()), ElementsAre("PanelElement p", "PanelElement q"));
    EXPECT_THAT(Describe(*Find(u"p")), ElementsAre("GroupElement Ag", "RectElement Bback"));
    EXPECT_THAT(Describe(*Find(u"Ag")), ElementsAre("RectElement Ainside", "RectElement Binq"));
    EXPECT_EQ(RectOf(Find(u"Ainside")), (Rect{100, 50, 110, 60}));
    EXPECT_EQ(RectOf(Find(u"Binq")), (Rect{0, 0, 10, 10}));
    EXPECT_EQ(RectOf(Find(u"Bback")), (Rect{100, 50, 110, 60}));
}

TEST_F(ParserTest, DeepNestingStopsAtABoundInsteadOfExhaustingTheStack) {
    std::string text;
    for (int i = 0; i < 100000; ++i) text += "{ g\n";
    Load(text);
    int depth = 0;
    for (Element* e = &Root(); !Members(*e).empty(); e = Members(*e).front()) ++depth;
    EXPECT_EQ(depth, MAX_NESTING);
    EXPECT_EQ(listener_.reports.size(), 100000u - MAX_NESTING);
    EXPECT_EQ(listener_.reports.front(),
              "main.clx:258: {: blocks and includes nested deeper than 256 levels");
}

TEST_F(ParserTest, FlagActionsAreFalseOnlyForAnUnquotedF) {
    Load(R"(=b a.e
=b b.e t
=b c.e f
=b d.e false
=b e.e 0
=b f.e "f"
)");
    std::vector<bool> values;
    for (Element* e : Members(Root())) values.push_back(As<SetFlagAction>(e)->Value());
    EXPECT_THAT(values, ElementsAre(true, true, false, false, true, true));
}

TEST_F(ParserTest, IntegerActionsSetOrStep) {
    Load(R"(=i a.n +2 0 10
=i b.n -2
=i c.n +-1
=i d.n + 3 5
)");
    auto* a = As<SetIntAction>(Find(u"a=i"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Property(), u"n");
    EXPECT_EQ(a->Step(), 2);
    EXPECT_EQ(a->Restart(), 0);
    EXPECT_EQ(a->Limit(), 10);
    auto* b = As<SetIntAction>(Find(u"b=i"));
    EXPECT_EQ(b->Step(), NO_VALUE);
    EXPECT_EQ(b->Value(), -2);
    EXPECT_EQ(As<SetIntAction>(Find(u"c=i"))->Step(), -1);
    EXPECT_EQ(As<SetIntAction>(Find(u"c=i"))->Restart(), NO_VALUE);
    auto* d = As<SetIntAction>(Find(u"d=i"));
    EXPECT_EQ(d->Step(), 3);
    EXPECT_EQ(d->Restart(), 5);
    EXPECT_EQ(d->Limit(), NO_VALUE);
}

TEST_F(ParserTest, StringValuesArePrefixedUnlessDoubleQuotedAndPlusValuesStep) {
    Load(R"([ p 0 0 10 10
=s x.t abc
=s x.t "abc"
=s x.t 'abc'
=s x.t "+3"
=s x.t +0
=s x.t +abc
=s .t plain
)");
    const std::vector<Element*> m = Members(*Find(u"p"));
    ASSERT_EQ(m.size(), 7u);
    EXPECT_EQ(As<SetStringAction>(m[0])->Value(), u"Aabc");
    EXPECT_EQ(m[0]->Name(), u"Ax=s");
    EXPECT_EQ(As<SetStringAction>(m[1])->Value(), u"abc");
    EXPECT_EQ(As<SetStringAction>(m[2])->Value(), u"Aabc");
    auto* step = As<SetIntAction>(m[3]);
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(step->Name(), u"Ax=i");
    EXPECT_EQ(step->Step(), 3);
    EXPECT_EQ(step->Limit(), NO_VALUE);
    EXPECT_EQ(As<SetStringAction>(m[4])->Value(), u"");
    EXPECT_EQ(As<SetStringAction>(m[5])->Value(), u"");
    // No target: the action's name is its suffix alone.
    EXPECT_EQ(m[6]->Name(), u"=s");
}

TEST_F(ParserTest, RectangleActionsArePlacedLikeElements) {
    Load("d 480 640\n=r x.b 10 20 100 50\n");
    auto* action = As<SetRectAction>(Find(u"x=r"));
    ASSERT_NE(action, nullptr);
    ASSERT_NE(action->GetRect(), nullptr);
    EXPECT_EQ(*action->GetRect(), (Rect{5, 10, 55, 35}));
}

TEST_F(ParserTest, MalformedLinesAreSkippedAndReportedWithTheirPhysicalLine) {
    Load("gr r 1 2 3\n" + std::string(511, 'x') + "gr tail 1 2\n" + R"(v
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
    EXPECT_THAT(listener_.reports,
                ElementsAre("main.clx:2: gr: missing H of the rectangle X Y W H",
                            // The rest of a line longer than the buffer is read as a line.
                            "main.clx:3: gr: missing W of the rectangle X Y W H",
                            "main.clx:4: v: missing NAME", "main.clx:5: s: missing HIGH",
                            "main.clx:6: s: missing FREQ",
                            "main.clx:7: =i: no '.' between TARGET and PROP",
                            "main.clx:8: =i: missing PROP after '.'",
                            "main.clx:9: =i: missing VALUE",
                            "main.clx:10: =i: missing STEP after '+'",
                            "main.clx:11: gi: missing FILE", "main.clx:12: gt: missing TEXT",
                            "main.clx:13: [: missing W of the rectangle X Y W H"));
}

TEST_F(ParserTest, SoundLowIsTakenAsItsMagnitude) {
    Load("s n file.wav 440 -3 5\n");
    auto* sound = As<SoundElement>(Find(u"n"));
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->Low(), 3);
    EXPECT_EQ(sound->High(), 5);
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

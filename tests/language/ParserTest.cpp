#include <gmock/gmock.h>

#include "language/Parser.h"
#include "tests/language/InstrumentTest.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

String LastComponent(const String& path) { return path.substr(path.find_last_of(u"/\\") + 1); }

// Every event of the parser as one line of text, and the directives themselves.
class RecordingBuilder : public DirectiveListener {
  public:
    void BeginFile(const String& file) override { Add("file " + ToUtf8(LastComponent(file))); }
    void EndFile() override { Add("end file"); }
    void BeginBlock(const Directive& d) override {
        Add(Where(d) + "{ " + ToUtf8(d.name) + (d.closed ? " closed" : ""));
    }
    void EndBlock() override { Add("}"); }
    void OpenPanel(const Directive& d) override { Add(Where(d) + "[ " + ToUtf8(d.name)); }
    void ClosePanel(const String& file, int32_t line) override {
        Add(ToUtf8(LastComponent(file)) + ":" + std::to_string(line) + " ]");
    }
    void Build(const Directive& d) override {
        Add(Where(d) + ToUtf8(String(d.keyword)) + " " + ToUtf8(d.name));
        built.push_back(d);
    }

    std::vector<std::string> events;
    std::vector<Directive> built;

  private:
    static std::string Where(const Directive& d) {
        return ToUtf8(LastComponent(d.file)) + ":" + std::to_string(d.line) + " ";
    }
    void Add(std::string event) { events.push_back(std::move(event)); }
};

// The parser on its own: a load state of its own over the fixture's platform, no elements.
class ParserTest : public ChordlaneTest {
  protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        load_.homeFolder = TempFolder();
        load_.status = LOAD_LOADING;
        problems_.Add(&listener_);
    }
    void Parse(std::string_view text, ParseLimits limits = {}) {
        Parser(load_, builder_, limits).ParseString(text, TempFolder() + u"main.clx");
    }

    ListenerSet problems_;
    LoadState load_{platform_.services, problems_};
    RecordingListener listener_;
    RecordingBuilder builder_;
};

TEST_F(ParserTest, BlocksPanelsAndIncludedFilesArriveNestedWithTheirFileAndLine) {
    WriteFile("inc.clx", "cl1.0\n[ q 0 0 5 5\nv in\n");
    Parse("[ p 0 0 9 9\n{ g\nv a\ni inc.clx\n}\n{ e } v ignored\n]\nv b\n");
    EXPECT_THAT(
        builder_.events,
        ElementsAre("file main.clx", "main.clx:1 [ p", "main.clx:2 { g", "main.clx:3 v a",
                    "file inc.clx", "inc.clx:2 [ q", "inc.clx:3 v in", "end file", "}",
                    "main.clx:6 { e closed", "}", "main.clx:7 ]", "main.clx:8 v b", "end file"));
}

TEST_F(ParserTest, EachKindGivesItsFieldsAsWritten) {
    Parse(R"(s n * f.wav 440.5 -3 4
gi i pic.bmp 1 2 3 4
> p
> p 7
=b a.e f
=i a.n +2 5
=i .n 3
=s x.t "q"
=s x.t +4
=r x.r 1 2 3 4
)");
    const std::vector<Directive>& d = builder_.built;
    ASSERT_EQ(d.size(), 10u);
    EXPECT_EQ(d[0].kind, DirectiveKind::Sound);
    EXPECT_TRUE(d[0].quiet);
    EXPECT_EQ(d[0].text, u"f.wav");
    EXPECT_EQ(d[0].frequency, 440.5f);
    EXPECT_EQ(d[0].low, -3);  // as written: what it means is the builder's business
    EXPECT_EQ(d[1].text, u"pic.bmp");
    EXPECT_EQ(d[1].rect, (RectFields{1, 2, 3, 4}));
    EXPECT_EQ(d[2].value, NO_VALUE);
    EXPECT_EQ(d[3].value, 7);
    EXPECT_FALSE(d[4].flag);
    EXPECT_EQ(d[4].property, u"e");
    std::vector<int32_t> ints{d[5].step,  d[5].value, d[5].restart,
                              d[5].limit, d[6].step,  d[6].value};
    EXPECT_THAT(ints, ElementsAre(1, 2, 5, NO_VALUE, 0, 3));
    EXPECT_EQ(d[6].name, u"!");  // no target
    EXPECT_TRUE(d[7].quoted);
    EXPECT_EQ(d[7].text, u"q");
    EXPECT_TRUE(d[8].step);
    EXPECT_EQ(d[8].value, 4);
    EXPECT_EQ(d[9].kind, DirectiveKind::SetRect);
    EXPECT_EQ(d[9].rect, (RectFields{1, 2, 3, 4}));
}

TEST_F(ParserTest, ADesignSizeHoldsForItsLevelAndTheLevelsItOpens) {
    WriteFile("inc.clx", "cl1.0\nv inc\n");
    Parse("v top\nd 480 640\n{ g\nd 10\nv inner\n}\ni inc.clx\nv after\n");
    std::vector<std::pair<int32_t, int32_t>> sizes;
    for (const Directive& d : builder_.built) sizes.emplace_back(d.designWidth, d.designHeight);
    // 0 is the screen's size; a 'd' without a number is the screen's too.
    EXPECT_THAT(sizes, ElementsAre(std::pair(0, 0), std::pair(10, 0), std::pair(480, 640),
                                   std::pair(480, 640)));
}

TEST_F(ParserTest, LinesMissingAFieldAreReportedAndNotPassedOn) {
    Parse("gr r 1 2 3\n v indented\ngx\n=i x 5\n=s x.t\ns n\n[ p 0 0\n{\n");
    EXPECT_THAT(builder_.events, ElementsAre("file main.clx", "end file"));
    EXPECT_THAT(listener_.reports,
                ElementsAre("main.clx:1: gr: missing H of the rectangle X Y W H",
                            "main.clx:2: indented v", "main.clx:3: unknown directive \"gx\"",
                            "main.clx:4: =i: no '.' between TARGET and PROP",
                            "main.clx:5: =s: missing VALUE", "main.clx:6: s: missing FILE",
                            "main.clx:7: [: missing W of the rectangle X Y W H",
                            "main.clx:8: {: missing NAME"));
}

TEST_F(ParserTest, ASoundsFilePromptComesBeforeItsFrequencyIsRead) {
    platform_.dialogs.Answer(u"/x/a.wav");
    Parse("s n ?*.wav\n");
    EXPECT_EQ(platform_.dialogs.Requests().size(), 1u);
    EXPECT_THAT(listener_.reports, ElementsAre("main.clx:1: s: missing FREQ"));
    EXPECT_EQ(load_.answersLog, u"? \"/x/a.wav\"\n");
}

TEST_F(ParserTest, AnAbortedPromptEndsEveryOpenLevel) {
    Parse("{ g\ni -a ?*.clx\nv never\n}\nv never\n");
    EXPECT_EQ(load_.status, LOAD_ABORTED);
    EXPECT_THAT(builder_.events, ElementsAre("file main.clx", "main.clx:1 { g", "}", "end file"));
}

TEST_F(ParserTest, BlocksPastTheNestingBoundAreSkippedAndTheOpenOnesStillClose) {
    Parse("{ a\n{ b\n{ c\nv x\n", ParseLimits{.maxNesting = 2});
    EXPECT_THAT(builder_.events, ElementsAre("file main.clx", "main.clx:1 { a", "main.clx:2 { b",
                                             "main.clx:4 v x", "}", "}", "end file"));
    EXPECT_THAT(listener_.reports,
                ElementsAre("main.clx:3: {: blocks and includes nested deeper than 2 levels"));
}

TEST_F(ParserTest, AnswersOfASavedFileAreTakenAndNotReadAsLines) {
    WriteFile("inc.clx", "cl1.0\ns n ?*.wav Title 440 1 2\nv after\n");
    Parse("i inc.clx\n? \"/x/given.wav\"\nv last\n");
    ASSERT_EQ(builder_.built.size(), 3u);
    EXPECT_EQ(builder_.built[0].text, u"/x/given.wav");
    EXPECT_EQ(builder_.built[2].line, 3);  // the answer line is counted
    EXPECT_THAT(platform_.dialogs.Requests(), IsEmpty());
}

}  // namespace
}  // namespace chordlane::test

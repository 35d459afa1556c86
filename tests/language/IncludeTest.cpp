#include <gmock/gmock.h>

#include "language/Include.h"
#include "tests/language/InstrumentTest.h"

namespace chordlane::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

class IncludeTest : public InstrumentTest {
protected:
    ScriptedDialogs& Dialogs() { return platform_.dialogs; }

    static constexpr const char* kTwoPrompts =
        "s a ?\"Wave files|*.wav|All files|*||\" \"Pick A\" 440 0 0\ns b ?*.wav B 440 0 0\n";
};

TEST_F(IncludeTest, IncludedFilesAreSearchedBesideTheFileThatIncludesThem) {
    WriteInstrument("sub/inner.clx", "gr inner 0 0 1 1\ni neighbour.clx\n");
    WriteInstrument("sub/neighbour.clx", "gr neighbour 0 0 1 1\n");
    WriteInstrument("home/fromhome.clx", "gr fromhome 0 0 1 1\n");
    Load("i sub/inner.clx\ni fromhome.clx\ni nothere.clx\ngr after 0 0 1 1\ni\n");
    EXPECT_THAT(Describe(Root()), ElementsAre("RectElement inner", "RectElement neighbour",
                                              "RectElement fromhome", "RectElement after"));
    EXPECT_THAT(listener_.reports, ElementsAre("main.clx:4: missing include nothere.clx",
                                               "main.clx:6: i: missing FILE"));
}

TEST_F(IncludeTest, AFileThatIncludesItselfStopsAfter32NestedIncludes) {
    Load("v x\ni main.clx\n");
    EXPECT_EQ(Members(Root()).size(), 1u + MAX_INCLUDE_DEPTH);
    ASSERT_EQ(listener_.reports.size(), 1u);
    EXPECT_THAT(listener_.reports[0],
                ::testing::StartsWith("main.clx:3: i: includes nested deeper than 32 files"));
}

TEST_F(IncludeTest, AnIncludedFileInheritsTheLevelButChangesNothingOfIt) {
    WriteInstrument("part.clx", "gr p 10 20 100 50\nd\ngr q 10 20 100 50\ngr bad 1\n");
    Load("d 480 640\n{ g\ni part.clx\n}\ngr after 10 20 100 50\n");
    EXPECT_THAT(Describe(*Find(u"g")), ElementsAre("RectElement p", "RectElement q"));
    EXPECT_EQ(RectOf(Find(u"p")), (Rect{5, 10, 55, 35}));
    EXPECT_EQ(RectOf(Find(u"q")), (Rect{10, 20, 110, 70}));
    EXPECT_EQ(RectOf(Find(u"after")), (Rect{5, 10, 55, 35}));
    EXPECT_THAT(listener_.reports,
                ElementsAre("part.clx:5: gr: missing Y of the rectangle X Y W H"));
}

TEST_F(IncludeTest, TheBuiltInInstrumentIsIncludedByExclamationMark) {
    EXPECT_TRUE(Open(u"!").found);
    const size_t builtIn = Members(Root()).size();
    EXPECT_GT(builtIn, 0u);
    Load("i !\ngr after 0 0 1 1\n");
    EXPECT_EQ(Members(Root()).size(), builtIn + 1);
}

TEST_F(IncludeTest, PromptsAskTheDialogInOrderAndLogTheChosenFiles) {
    Dialogs().Answer(u"/x/a.wav");
    Dialogs().Answer(u"/x/b.wav");
    Load(kTwoPrompts);
    EXPECT_THAT(SoundFiles(), ElementsAre("/x/a.wav", "/x/b.wav"));
    EXPECT_EQ(App().answersLog, u"? \"/x/a.wav\"\n? \"/x/b.wav\"\n");
    const auto& requests = Dialogs().Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].mustExist);
    EXPECT_EQ(requests[0].title, u"Pick A");
    EXPECT_THAT(requests[0].filters,
                ElementsAre(Pair(u"Wave files", u"*.wav"), Pair(u"All files", u"*")));
    EXPECT_THAT(requests[1].filters, ElementsAre(Pair(u"*.wav", u"*.wav")));
}

TEST_F(IncludeTest, CancellingAPromptMarkedMinusCSkipsOnlyThatLine) {
    Dialogs().Cancel();
    Dialogs().Answer(u"/x/b.wav");
    Load("s a -c ?*.wav T 440 0 0\ns b ?*.wav T 440 0 0\n");
    EXPECT_THAT(SoundFiles(), ElementsAre("/x/b.wav"));
    EXPECT_THAT(listener_.reports, Contains("main.clx:2: s: no FILE: the prompt was cancelled"));
}

TEST_F(IncludeTest, CancellingAPlainPromptSkipsEveryLaterPromptWithoutAsking) {
    for (const char* option : {"", "-x "}) {
        Dialogs().Cancel();
        const size_t before = Dialogs().Requests().size();
        Load(std::string("s a ") + option +
             "?*.wav T 440 0 0\ns b -c ?*.wav B 440 0 0\ni ?*.clx\ngr kept 0 0 1 1\n");
        EXPECT_EQ(Dialogs().Requests().size(), before + 1) << option;
        EXPECT_THAT(Describe(Root()), ElementsAre("RectElement kept")) << option;
    }
}

TEST_F(IncludeTest, CancellingAPromptMarkedMinusAAbandonsTheWholeLoad) {
    WriteInstrument("inner.clx", "{ g\ns a -a ?*.wav T 440 0 0\ngr never 0 0 1 1\n}\n");
    Dialogs().Cancel();
    const OpenResult result = Load("gr before 0 0 1 1\ni inner.clx\ngr never2 0 0 1 1\n");
    EXPECT_EQ(result.outcome, OpenResult::Outcome::Aborted);
    EXPECT_THAT(Members(Root()), IsEmpty());
}

TEST_F(IncludeTest, ASavedFileAnswersThePromptsOfTheFileItIncludesInOrder) {
    WriteInstrument("inst.clx", kTwoPrompts);
    Open(WriteInstrument("saved.cly", "i \"inst.clx\"\n? \"/p/a.wav\"\n?/p/b.wav\n"));
    EXPECT_THAT(SoundFiles(), ElementsAre("/p/a.wav", "/p/b.wav"));
    EXPECT_THAT(Dialogs().Requests(), IsEmpty());
    EXPECT_EQ(App().answersLog, u"");  // answers read from a file are not logged again

    // With one answer line, the second prompt asks; an empty answer line answers nothing.
    Dialogs().Answer(u"/x/chosen.wav");
    Dialogs().Answer(u"/x/other.wav");
    Open(WriteInstrument("one.cly", "i inst.clx\n? \"/p/a.wav\"\ngr after 0 0 1 1\n"));
    EXPECT_THAT(SoundFiles(), ElementsAre("/p/a.wav", "/x/chosen.wav"));
    EXPECT_NE(Find(u"after"), nullptr);
    Open(WriteInstrument("empty.cly", "i inst.clx\n? \n? /p/b.wav\n"));
    EXPECT_THAT(SoundFiles(), ElementsAre("/x/other.wav", "/p/b.wav"));
}

TEST_F(IncludeTest, AnswersComeFromTheInnermostIncludingFileThatHasOne) {
    WriteInstrument("inst.clx", "s a ?*.wav A 440 0 0\ns b ?*.wav B 440 0 0\n");
    WriteInstrument("mid.clx", "i inst.clx\n?   \"/p/mid.wav\"\n");
    Open(WriteInstrument("top.cly", "i mid.clx\n? /p/top.wav\n"));
    EXPECT_THAT(SoundFiles(), ElementsAre("/p/mid.wav", "/p/top.wav"));
    EXPECT_THAT(Dialogs().Requests(), IsEmpty());
}

TEST_F(IncludeTest, NamesLongerThanAFileArgumentAreCutOrRefused) {
    WriteInstrument("inst.clx", "s a ?*.wav A 440 0 0\n");
    Open(WriteInstrument("saved.cly", "i inst.clx\n? \"/" + std::string(300, 'w') + "\"\n"));
    ASSERT_EQ(SoundFiles().size(), 1u);
    EXPECT_EQ(SoundFiles()[0].size(), MAX_FILE_ARGUMENT);
    // A chosen name that an answer line could not carry back counts as cancelled.
    Dialogs().Answer(u"/" + String(MAX_FILE_ARGUMENT, u'n'));
    Dialogs().Answer(u"/" + String(MAX_FILE_ARGUMENT - 1, u'n'));
    EXPECT_FALSE(ChooseFile(u"T", u"*.wav", true).has_value());
    EXPECT_TRUE(ChooseFile(u"T", u"*.wav", true).has_value());
}

}  // namespace
}  // namespace chordlane::test

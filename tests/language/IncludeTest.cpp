// Include files, file prompts and their answers, and the saved files that replay them.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include "language/Include.h"
#include "language/Writer.h"
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
    String Path(const std::string& relative) { return FromUtf8((temp_ / relative).string()); }

    static constexpr const char* kTwoPrompts =
        "s a ?\"Wave files|*.wav|All files|*||\" \"Pick A\" 440 0 0\ns b ?*.wav B 440 0 0\n";
};

// Searching the home folder and reporting a missing include are checked with the tool.
TEST_F(IncludeTest, IncludedFilesAreSearchedBesideTheFileThatIncludesThem) {
    WriteInstrument("sub/inner.clx", "gr inner 0 0 1 1\ni neighbour.clx\n");
    WriteInstrument("sub/neighbour.clx", "gr neighbour 0 0 1 1\n");
    Load("i sub/inner.clx\ni\n");
    EXPECT_THAT(Describe(Root()), ElementsAre("RectElement inner", "RectElement neighbour"));
    EXPECT_THAT(listener_.reports, ElementsAre("main.clx:3: i: missing FILE"));
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

TEST_F(IncludeTest, PromptsAskTheDialogInOrderAndLogTheChosenFiles) {
    Dialogs().Answer(u"/x/a.wav");
    Dialogs().Answer(u"/x/b.wav");
    Load(kTwoPrompts);
    EXPECT_EQ(instrument_.load.answersLog, u"? \"/x/a.wav\"\n? \"/x/b.wav\"\n");
    const auto& requests = Dialogs().Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].title, u"Pick A");
    EXPECT_THAT(requests[0].filters,
                ElementsAre(Pair(u"Wave files", u"*.wav"), Pair(u"All files", u"*")));
    EXPECT_THAT(requests[1].filters, ElementsAre(Pair(u"*.wav", u"*.wav")));
}

TEST_F(IncludeTest, CancellingAPromptSkipsItsLineLaterPromptsOrTheWholeLoad) {
    const struct {
        const char* option;
        size_t asked;
        const char* later;  // what happens to the prompt after the cancelled one
    } cases[] = {
        {"-c ", 3, "the prompt was cancelled"},  // -c skips only its own line
        {"", 1, "prompts are skipped after a cancelled one"},
        {"-x ", 1, "prompts are skipped after a cancelled one"},
    };
    for (const auto& c : cases) {
        Dialogs().Cancel();
        const size_t before = Dialogs().Requests().size();
        listener_.reports.clear();
        Load(std::string("s a ") + c.option +
             "?*.wav T 440 0 0\ngr kept 0 0 1 1\ns b -c ?*.wav B 440 0 0\ni ?*.clx\n");
        EXPECT_EQ(Dialogs().Requests().size(), before + c.asked) << c.option;
        EXPECT_THAT(Describe(Root()), ElementsAre("RectElement kept"));
        EXPECT_THAT(listener_.reports, Contains("main.clx:4: s: no FILE: " + std::string(c.later)));
    }
    // -a abandons the load, even from an included file inside a block.
    WriteInstrument("inner.clx", "{ g\ns a -a ?*.wav T 440 0 0\ngr never 0 0 1 1\n}\n");
    Dialogs().Cancel();
    EXPECT_EQ(Load("gr before 0 0 1 1\ni inner.clx\ngr never2 0 0 1 1\n").outcome,
              OpenResult::Outcome::Aborted);
    EXPECT_THAT(Members(Root()), IsEmpty());
}

TEST_F(IncludeTest, ASavedFileAnswersThePromptsOfTheFileItIncludesInOrder) {
    WriteInstrument("inst.clx", kTwoPrompts);
    Open(WriteInstrument("saved.cly", "i \"inst.clx\"\n? \"/p/a.wav\"\n?/p/b.wav\n"));
    EXPECT_THAT(SoundFiles(), ElementsAre("/p/a.wav", "/p/b.wav"));
    EXPECT_THAT(Dialogs().Requests(), IsEmpty());
    EXPECT_EQ(instrument_.load.answersLog, u"");  // answers read from a file are not logged again

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
    // A chosen name longer than the dialog's buffer counts as cancelled.
    Dialogs().Answer(u"/" + String(MAX_CHOSEN_NAME, u'n'));
    Dialogs().Answer(u"/" + String(MAX_CHOSEN_NAME - 1, u'n'));
    EXPECT_FALSE(ChooseFile(instrument_.load, u"T", u"*.wav", true).has_value());
    EXPECT_TRUE(ChooseFile(instrument_.load, u"T", u"*.wav", true).has_value());
}

TEST_F(IncludeTest, AnExtensionIsAddedOnlyToNamesWithoutAnyDot) {
    EXPECT_EQ(SavedFileName(u"/home/u/song"), u"/home/u/song.cly");
    EXPECT_EQ(SavedFileName(u"/home/u/song.txt"), u"/home/u/song.txt");
    EXPECT_EQ(SavedFileName(u"/home/u.d/song"), u"/home/u.d/song");
}

TEST_F(IncludeTest, ACancelledDialogOrAnUnwritableFileSavesNothing) {
    instrument_.load.currentPath = u"/inst/x.clx";
    Dialogs().Cancel();
    EXPECT_FALSE(SaveInstrumentAs(instrument_.load));
    Dialogs().Answer(Path("no/such/folder/saved.cly"));
    EXPECT_FALSE(SaveInstrumentAs(instrument_.load));
    EXPECT_FALSE(std::filesystem::exists(temp_ / "no"));
}

TEST_F(IncludeTest, OpeningTheSavedFileRebuildsTheInstrumentWithoutAsking) {
    // A path holding a double quote is written in single quotes.
    const String instrument = WriteInstrument(
        "say \"hi\".clx", "s a ?*.wav A 440 0 0\ngr mid 0 0 1 1\ns b ?*.wav B 440 0 0\n");
    Dialogs().Answer(u"/p/first é.wav");
    Dialogs().Answer(u"/p/second.wav");
    Open(instrument);
    Dialogs().Answer(Path("saved"));  // the extension is added
    ASSERT_TRUE(SaveInstrumentAs(instrument_.load));
    const FileDialogRequest& request = Dialogs().Requests().back();
    EXPECT_EQ(request.title, u"Save an Instrument");
    EXPECT_EQ(request.initialFolder, instrument_.load.homeFolder);
    EXPECT_TRUE(request.confirmOverwrite);
    EXPECT_THAT(request.filters,
                ElementsAre(std::pair<String, String>(u"Chordlane Instrument (*.cly)", u"*.cly")));
    std::ifstream saved(temp_ / "saved.cly", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}),
              "cl1.0\ni '" + ToUtf8(instrument) + "'\n? \"/p/first é.wav\"\n? \"/p/second.wav\"\n");

    const size_t asked = Dialogs().Requests().size();
    Open(Path("saved.cly"));
    EXPECT_EQ(Dialogs().Requests().size(), asked);
    EXPECT_THAT(SoundFiles(), ElementsAre("/p/first é.wav", "/p/second.wav"));
}

}  // namespace
}  // namespace chordlane::test

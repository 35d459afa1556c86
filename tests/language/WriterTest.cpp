#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "language/Writer.h"
#include "sound/SoundElement.h"
#include "tests/language/InstrumentTest.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class WriterTest : public InstrumentTest {
protected:
    std::string ReadBack(const std::string& relative) {
        std::ifstream in(temp_ / relative, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    String Path(const std::string& relative) { return FromUtf8((temp_ / relative).string()); }

    std::vector<std::string> SoundFiles() {
        std::vector<std::string> files;
        for (Element* e : Members(Root())) {
            if (auto* sound = dynamic_cast<SoundElement*>(e)) files.push_back(Utf8(sound->FileName()));
        }
        return files;
    }

    ScriptedDialogs& Dialogs() { return platform_.dialogs; }
};

TEST_F(WriterTest, SavedFileIncludesTheInstrumentAndCarriesItsAnswers) {
    App().currentPath = u"/inst/x.clx";
    App().answersLog = u"? \"/a.wav\"\n? \"/b.wav\"\n";
    Dialogs().Answer(Path("saved"));
    EXPECT_TRUE(SaveInstrumentAs());
    EXPECT_EQ(ReadBack("saved.cly"), "cl1.0\ni \"/inst/x.clx\"\n? \"/a.wav\"\n? \"/b.wav\"\n");
    const FileDialogRequest& request = Dialogs().Requests().back();
    EXPECT_EQ(request.title, u"Save an Instrument");
    EXPECT_THAT(request.filters,
                ElementsAre(std::pair<String, String>(u"Chordlane Instrument (*.cly)", u"*.cly")));
    // Saving changes nothing: a second save writes the same.
    EXPECT_EQ(App().currentPath, u"/inst/x.clx");
}

TEST_F(WriterTest, AnExtensionIsAddedOnlyToNamesWithoutAnyDot) {
    EXPECT_EQ(SavedFileName(u"/home/u/song"), u"/home/u/song.cly");
    EXPECT_EQ(SavedFileName(u"/home/u/song.txt"), u"/home/u/song.txt");
    EXPECT_EQ(SavedFileName(u"/home/u.d/song"), u"/home/u.d/song");
}

TEST_F(WriterTest, ACancelledDialogOrAnUnwritableFileSavesNothing) {
    App().currentPath = u"/inst/x.clx";
    Dialogs().Cancel();
    EXPECT_FALSE(SaveInstrumentAs());
    Dialogs().Answer(Path("no/such/folder/saved.cly"));
    EXPECT_FALSE(SaveInstrumentAs());
    EXPECT_FALSE(std::filesystem::exists(temp_ / "no"));
}

TEST_F(WriterTest, OpeningTheSavedFileRebuildsTheInstrumentWithoutAsking) {
    const String instrument =
        WriteInstrument("inst.clx", "s a ?*.wav A 440 0 0\ngr mid 0 0 1 1\ns b ?*.wav B 440 0 0\n");
    Dialogs().Answer(u"/p/first é.wav");
    Dialogs().Answer(u"/p/second.wav");
    Open(instrument);
    ASSERT_THAT(SoundFiles(), ElementsAre("/p/first é.wav", "/p/second.wav"));
    Dialogs().Answer(Path("saved.cly"));
    ASSERT_TRUE(SaveInstrumentAs());

    const size_t asked = Dialogs().Requests().size();
    Open(Path("saved.cly"));
    EXPECT_EQ(Dialogs().Requests().size(), asked);
    EXPECT_THAT(Describe(Root()),
                ElementsAre("SoundElement a", "RectElement mid", "SoundElement b"));
    EXPECT_THAT(SoundFiles(), ElementsAre("/p/first é.wav", "/p/second.wav"));
    EXPECT_EQ(App().currentPath, Path("saved.cly"));
    EXPECT_EQ(App().answersLog, u"");
}

TEST_F(WriterTest, SavingTheBuiltInInstrumentNamesItByExclamationMark) {
    App().currentPath = u"!";
    App().answersLog = u"? \"/a.wav\"\n";
    Dialogs().Answer(Path("b.cly"));
    ASSERT_TRUE(SaveInstrumentAs());
    EXPECT_EQ(ReadBack("b.cly"), "cl1.0\ni \"!\"\n? \"/a.wav\"\n");
    const size_t builtIn = (Open(u"!"), Members(Root()).size());
    Open(Path("b.cly"));
    EXPECT_EQ(Members(Root()).size(), builtIn);
}

TEST_F(WriterTest, APathHoldingADoubleQuoteIsWrittenInSingleQuotes) {
    const String instrument = WriteInstrument("say \"hi\".clx", "gr r 0 0 1 1\n");
    Open(instrument);
    App().answersLog = u"? \"/a.wav\"\n";
    Dialogs().Answer(Path("q.cly"));
    ASSERT_TRUE(SaveInstrumentAs());
    EXPECT_EQ(ReadBack("q.cly"), "cl1.0\ni '" + Utf8(instrument) + "'\n? \"/a.wav\"\n");
    Open(Path("q.cly"));
    EXPECT_THAT(Describe(Root()), ElementsAre("RectElement r"));
    EXPECT_THAT(listener_.reports, IsEmpty());
}

}  // namespace
}  // namespace chordlane::test

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "language/Writer.h"
#include "tests/language/InstrumentTest.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;

class WriterTest : public InstrumentTest {
  protected:
    std::string ReadBack(const std::string& relative) {
        std::ifstream in(temp_ / relative, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    String Path(const std::string& relative) { return FromUtf8((temp_ / relative).string()); }
    ScriptedDialogs& Dialogs() { return platform_.dialogs; }
};

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
    // A path holding a double quote is written in single quotes.
    const String instrument = WriteInstrument(
        "say \"hi\".clx", "s a ?*.wav A 440 0 0\ngr mid 0 0 1 1\ns b ?*.wav B 440 0 0\n");
    Dialogs().Answer(u"/p/first é.wav");
    Dialogs().Answer(u"/p/second.wav");
    Open(instrument);
    Dialogs().Answer(Path("saved"));  // the extension is added
    ASSERT_TRUE(SaveInstrumentAs());
    const FileDialogRequest& request = Dialogs().Requests().back();
    EXPECT_EQ(request.title, u"Save an Instrument");
    EXPECT_EQ(request.initialFolder, App().homeFolder);
    EXPECT_TRUE(request.confirmOverwrite);
    EXPECT_THAT(request.filters,
                ElementsAre(std::pair<String, String>(u"Chordlane Instrument (*.cly)", u"*.cly")));
    EXPECT_EQ(ReadBack("saved.cly"),
              "cl1.0\ni '" + ToUtf8(instrument) + "'\n? \"/p/first é.wav\"\n? \"/p/second.wav\"\n");

    const size_t asked = Dialogs().Requests().size();
    Open(Path("saved.cly"));
    EXPECT_EQ(Dialogs().Requests().size(), asked);
    EXPECT_THAT(Describe(Root()),
                ElementsAre("SoundElement a", "RectElement mid", "SoundElement b"));
    EXPECT_THAT(SoundFiles(), ElementsAre("/p/first é.wav", "/p/second.wav"));
    EXPECT_EQ(App().currentPath, Path("saved.cly"));
}

}  // namespace
}  // namespace chordlane::test

// An ordinary load (File -> Open, the command line, Open Recent) tells an author what
// chordlane-tool check would: the lines to mend, in one message, worded as check words them.
// A clean load, the built-in guitar and the shipped instruments say nothing.
#include <gmock/gmock.h>

#include "app/LoadProblems.h"
#include "app/StartupOpen.h"
#include "tests/language/InstrumentTest.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Outcome = StartupOpenResult::Outcome;

class LoadProblemsMessageTest : public InstrumentTest {
  protected:
    StartupOpenResult OpenNamed(const String& path) { return OpenOrExplain(instrument_, path); }
    String At(const String& path, int line) {
        return path + u":" + FromUtf8(std::to_string(line)) + u": ";
    }
};

TEST_F(LoadProblemsMessageTest, ALostBraceAMisspeltNameAndAnElementOffTheScreenAreListedTogether) {
    const String path = WriteInstrument("song.clx", R"(v kick
br pad 0 0 50 50
gr far 300 10 20 20
{ init
=s pad.na kik
)");
    const StartupOpenResult result = OpenNamed(path);
    EXPECT_EQ(result.outcome, Outcome::Loaded);
    // In the order the load finds them, as chordlane-tool check prints them.
    const String expected =
        u"Loaded '" + path + u"' with problems:\n" + At(path, 5) +
        u"group \"init\" is not closed before the end of the file\n" + At(path, 4) +
        u"rectangle of \"far\" lies wholly outside the 240x320 screen\n" + At(path, 6) +
        u"name \"kik\" resolves to nothing (did you mean \"kick\"?)\n";
    EXPECT_THAT(platform_.messages.Texts(), ElementsAre(expected));
    EXPECT_EQ(FromUtf8(result.loadProblems), expected.substr(expected.find(u'\n') + 1));
}

TEST_F(LoadProblemsMessageTest, ASoundThatCannotBeLoadedIsToldOnceAndSkippedLinesAreListed) {
    // The missing sound has its own box, with its line; the list does not say it again.
    const String path = WriteInstrument("song.clx", "gr r 0 0 1 1\ns gone gone.wav 440 0 0\nbr\n");
    OpenNamed(path);
    ASSERT_EQ(platform_.messages.Texts().size(), 2u);
    EXPECT_EQ(platform_.messages.Texts()[0], u"Could not load: gone.wav (" + path + u":3)\n");
    EXPECT_THAT(
        ToUtf8(platform_.messages.Texts()[1]),
        ::testing::MatchesRegex("Loaded '.*song.clx' with problems:\n.*song.clx:4: [^\n]+\n"));
    // A picture has no box of its own: the list names it.
    platform_.messages.Clear();
    const String picture =
        WriteInstrument("picture.clx", "gr r 0 0 1 1\ngi pic none.bmp 0 0 1 1\n");
    OpenNamed(picture);
    ASSERT_EQ(platform_.messages.Texts().size(), 1u);
    EXPECT_THAT(ToUtf8(platform_.messages.Texts()[0]), ::testing::HasSubstr("none.bmp"));
}

TEST_F(LoadProblemsMessageTest, ALongListIsCutShortAndCounted) {
    std::string body = "gr r 0 0 10 10\n";
    for (int i = 0; i < 12; ++i) body += "gr far" + std::to_string(i) + " 900 900 5 5\n";
    OpenNamed(WriteInstrument("many.clx", body));
    ASSERT_EQ(platform_.messages.Texts().size(), 1u);
    const std::string text = ToUtf8(platform_.messages.Texts()[0]);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 8 + 1);
    EXPECT_THAT(text, ::testing::EndsWith("and 4 more (chordlane-tool check lists them all)\n"));
}

TEST_F(LoadProblemsMessageTest, CleanLoadsTheBuiltInAndTheShippedInstrumentsSayNothing) {
    EXPECT_EQ(OpenNamed(WriteInstrument("clean.clx",
                                        "v kick\nbr pad 0 0 50 50\n{ init\n=s pad.na kick\n}\n"))
                  .outcome,
              Outcome::Loaded);
    // The shipped instruments find their sounds and pictures in the program folder.
    const String shipped = FromUtf8(CHORDLANE_SOURCE_DIR "/instruments/");
    instrument_.load.programFolder = shipped;
    for (const char16_t* name :
         {u"!", u"guitar.clx", u"strummer.clx", u"keyboard.clx", u"drums.clx", u"stage.clx"}) {
        SCOPED_TRACE(ToUtf8(name));
        const String path = String(name) == u"!" ? String(name) : shipped + name;
        const StartupOpenResult result = OpenNamed(path);
        EXPECT_EQ(result.outcome, Outcome::Loaded);
        EXPECT_EQ(result.loadProblems, "");
    }
    // The sampler asks for a recording of its own.
    platform_.dialogs.Answer(shipped + u"sounds/epiano-c4.wav");
    EXPECT_EQ(OpenNamed(shipped + u"sampler.clx").outcome, Outcome::Loaded);
    EXPECT_THAT(platform_.messages.Texts(), IsEmpty());
}

TEST_F(LoadProblemsMessageTest, APromptLeftUnansweredIsNoProblemOfTheFile) {
    // The person cancelled the prompt: the line left out is their choice, not a fault.
    platform_.dialogs.Cancel();
    const StartupOpenResult result =
        OpenNamed(WriteInstrument("ask.clx", "gr r 0 0 1 1\ns mine ?*.wav Pick 440 0 0\n"));
    EXPECT_EQ(result.loadProblems, "");
    EXPECT_THAT(platform_.messages.Texts(), IsEmpty());
}

}  // namespace
}  // namespace chordlane::test

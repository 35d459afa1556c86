#include <gtest/gtest.h>

#include "app/AppState.h"
#include "platform/Text.h"
#include "tools/ToolOptions.h"
#include "tools/ToolSession.h"

namespace chordlane::tool {
namespace {

struct Parsed {
    bool ok = false;
    std::string error;
    CommonOptions common;
    std::optional<std::string> output;
    bool registry = false;
    std::vector<std::string> words;
};

// A command with -o and --registry of its own, and the COMMON options.
Parsed Parse(std::vector<std::string> args) {
    Parsed p;
    OptionParser parser;
    parser.AddCommon(&p.common);
    parser.AddValue("-o", &p.output);
    parser.AddFlag("--registry", &p.registry);
    p.ok = parser.Parse(args, p.error);
    p.words = parser.Positional();
    return p;
}

TEST(ToolOptionsTest, CommonAndOwnOptionsAnywhereAmongTheWords) {
    const Parsed p =
        Parse({"--answer", "a.wav", "FILE", "--screen", "480x640", "-o", "x.png",
               "--answer=b c.wav", "--time", "--home", "/h", "--registry", "-", "--", "--time"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.common.screenHeight, 640);
    EXPECT_EQ(p.common.answers, (std::vector<std::string>{"a.wav", "b c.wav"}));
    EXPECT_EQ(p.output, "x.png");
    EXPECT_TRUE(p.registry);
    EXPECT_EQ(p.words, (std::vector<std::string>{"FILE", "-", "--time"}));
}

TEST(ToolOptionsTest, BadOptionsSayWhatIsWrong) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--screen", "240"},
                                                 {"--screen", "240x99999"},
                                                 {"--screen", "-1x5"},
                                                 {"--time=1"},
                                                 {"-x"},
                                                 {"--answer"}}) {
        const Parsed p = Parse(args);
        EXPECT_FALSE(p.ok) << args[0];
        EXPECT_FALSE(p.error.empty());
        EXPECT_EQ(p.error.find('\n'), std::string::npos);
    }
}

TEST(ToolOptionsTest, SessionStartsInTheProgramsStartUpState) {
    const CommonOptions options{.screenWidth = 480,
                                .screenHeight = 640,
                                .home = "/music/instruments",
                                .answers = {"one.wav", "two.wav"}};
    {
        ToolSession session(options);
        const AppState& app = App();
        EXPECT_EQ(app.vM, 50);
        EXPECT_EQ(app.screenRect, (Rect{0, 0, 479, 639}));
        EXPECT_EQ(app.homeFolder, u"/music/instruments/");
        // Run from the build tree: the program folder is the one the build fills.
        EXPECT_EQ(app.programFolder, FromUtf8(CHORDLANE_BUILD_FOLDER));
        EXPECT_EQ(session.Platform().dialogs.PendingAnswers(), 2u);
        EXPECT_EQ(CurrentPlatform().dialogs, &session.Platform().dialogs);
    }
    EXPECT_EQ(App().vM, 0);
}

}  // namespace
}  // namespace chordlane::tool

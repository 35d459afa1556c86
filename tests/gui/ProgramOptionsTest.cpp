#include <gtest/gtest.h>

#include <tuple>

#include "app/gui/ProgramOptions.h"

namespace chordlane::test {
namespace {

using Action = ParsedCommandLine::Action;

ParsedCommandLine Parse(std::vector<std::string> words) { return ParseProgramOptions(words); }

TEST(ProgramOptionsTest, PathWordsAreJoinedBySingleSpacesWhateverFollows) {
    const ParsedCommandLine none = Parse({});  // the device's screen at zoom 2
    EXPECT_EQ(none.action, Action::Run);
    EXPECT_EQ((std::tuple{none.options.screenWidth, none.options.screenHeight, none.options.zoom,
                          none.options.fullScreen, none.options.commandLine}),
              (std::tuple{240, 320, 2, false, String()}));
    const ParsedCommandLine p = Parse({"--screen", "320x240", "--zoom=3", "--fullscreen",
                                       "--verbose", "My", "Songs/a.clx", "--zoom"});
    ASSERT_EQ(p.action, Action::Run);
    EXPECT_EQ((std::tuple{p.options.screenWidth, p.options.screenHeight, p.options.zoom,
                          p.options.fullScreen, p.options.verbose, p.options.commandLine}),
              (std::tuple{320, 240, 3, true, true, String(u"My Songs/a.clx --zoom")}));

    EXPECT_EQ(Parse({"--", "--odd name", "!"}).options.commandLine, u"--odd name !");
    EXPECT_EQ(Parse({"Gitarre \xC3\xBC.clx"}).options.commandLine, u"Gitarre \u00FC.clx");
}

TEST(ProgramOptionsTest, HelpAndVersionWinOverEverythingBeforeThePath) {
    EXPECT_EQ(Parse({"--zoom", "3", "--help"}).action, Action::Help);
    EXPECT_EQ(Parse({"--version", "x.clx"}).action, Action::Version);
    EXPECT_EQ(Parse({"x.clx", "--help"}).action, Action::Run);
}

TEST(ProgramOptionsTest, BadValuesAreRefusedWithAReason) {
    // clang-format off
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {"--screen"}, {"--screen", "5000x100"}, {"--screen", "240x320x2"}, {"--zoom", "9"},
             {"--zoom", "2.5"}, {"--screen", "4000x4000", "--zoom", "3"}, {"--frobnicate"}}) {
        // clang-format on
        const ParsedCommandLine parsed = Parse(words);
        EXPECT_EQ(parsed.action, Action::Error) << words[0];
        EXPECT_FALSE(parsed.error.empty());
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
    }
}

}  // namespace
}  // namespace chordlane::test

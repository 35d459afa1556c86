#include "app/gui/ProgramOptions.h"

#include <gtest/gtest.h>

namespace chordlane::test {
namespace {

using Action = ParsedCommandLine::Action;

ParsedCommandLine Parse(std::vector<std::string> words) { return ParseProgramOptions(words); }

TEST(ProgramOptionsTest, DefaultsAreTheDeviceScreenAtZoomTwo) {
    const ParsedCommandLine parsed = Parse({});
    EXPECT_EQ(parsed.action, Action::Run);
    EXPECT_EQ(parsed.options.screenWidth, 240);
    EXPECT_EQ(parsed.options.screenHeight, 320);
    EXPECT_EQ(parsed.options.zoom, 2);
    EXPECT_FALSE(parsed.options.fullScreen);
    EXPECT_TRUE(parsed.options.commandLine.empty());
}

TEST(ProgramOptionsTest, PathWordsAreJoinedBySingleSpacesWhateverFollows) {
    const ParsedCommandLine parsed =
        Parse({"--screen", "320x240", "--zoom=3", "--fullscreen", "My", "Songs/a.clx", "--zoom"});
    ASSERT_EQ(parsed.action, Action::Run);
    EXPECT_EQ(parsed.options.screenWidth, 320);
    EXPECT_EQ(parsed.options.screenHeight, 240);
    EXPECT_EQ(parsed.options.zoom, 3);
    EXPECT_TRUE(parsed.options.fullScreen);
    EXPECT_EQ(parsed.options.commandLine, u"My Songs/a.clx --zoom");

    EXPECT_EQ(Parse({"--", "--odd name", "!"}).options.commandLine, u"--odd name !");
    EXPECT_EQ(Parse({"!"}).options.commandLine, u"!");
    EXPECT_EQ(Parse({"Gitarre \xC3\xBC.clx"}).options.commandLine, u"Gitarre \u00FC.clx");
}

TEST(ProgramOptionsTest, HelpAndVersionWinOverEverythingBeforeThePath) {
    EXPECT_EQ(Parse({"--zoom", "3", "--help"}).action, Action::Help);
    EXPECT_EQ(Parse({"--version", "x.clx"}).action, Action::Version);
    EXPECT_EQ(Parse({"x.clx", "--help"}).action, Action::Run);
}

TEST(ProgramOptionsTest, BadValuesAreRefusedWithAReason) {
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {"--screen"}, {"--screen", "240"}, {"--screen", "0x320"}, {"--screen", "240x-1"},
             {"--screen", "5000x100"}, {"--screen", "240x320x2"}, {"--zoom", "0"},
             {"--zoom", "9"}, {"--zoom", "2.5"}, {"--zoom"}, {"--screen", "4000x4000"},
             {"--frobnicate"}}) {
        const ParsedCommandLine parsed = Parse(words);
        EXPECT_EQ(parsed.action, Action::Error) << words[0];
        EXPECT_FALSE(parsed.error.empty());
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
    }
}

}  // namespace
}  // namespace chordlane::test

#include <gtest/gtest.h>

#include "platform/web/PickedFileDialogs.h"

namespace chordlane::web {
namespace {

FileDialogRequest OpenRequest(std::vector<std::pair<String, String>> filters) {
    FileDialogRequest request;
    request.filters = std::move(filters);
    return request;
}

TEST(PickedFileDialogs, FilterGlobsMatchWithoutCaseAndAcrossSemicolons) {
    EXPECT_TRUE(PickedFileDialogs::Matches(u"Guitar.WAV", u"*.wav"));
    EXPECT_TRUE(PickedFileDialogs::Matches(u"kick.bmp", u"*.png; *.bmp"));
    EXPECT_TRUE(PickedFileDialogs::Matches(u"README", u"*.*"));
    EXPECT_TRUE(PickedFileDialogs::Matches(u"a1.wav", u"a?.wav"));
    EXPECT_FALSE(PickedFileDialogs::Matches(u"a12.wav", u"a?.wav"));
    EXPECT_FALSE(PickedFileDialogs::Matches(u"kick.wav.txt", u"*.wav"));
    EXPECT_FALSE(PickedFileDialogs::Matches(u"kick.wav", u""));
    EXPECT_FALSE(PickedFileDialogs::Matches(u"kick.wav", u";;"));
}

TEST(PickedFileDialogs, EachPromptTakesTheNextUnusedFileOfItsKind) {
    PickedFileDialogs dialogs;
    dialogs.SetPicked({u"/user/band/cover.bmp", u"/user/band/low.wav", u"/user/band/high.wav"});
    const auto sounds = OpenRequest({{u"Sounds", u"*.wav"}});
    EXPECT_EQ(dialogs.ChooseFile(sounds), String(u"/user/band/low.wav"));
    EXPECT_EQ(dialogs.ChooseFile(sounds), String(u"/user/band/high.wav"));
    // Nothing of that kind is left: the prompt is cancelled rather than answered wrongly.
    EXPECT_EQ(dialogs.ChooseFile(sounds), std::nullopt);
    EXPECT_EQ(dialogs.ChooseFile(OpenRequest({{u"Pictures", u"*.bmp"}})),
              String(u"/user/band/cover.bmp"));
}

TEST(PickedFileDialogs, SavingAndANewPickingStartAfresh) {
    PickedFileDialogs dialogs;
    dialogs.SetPicked({u"/user/one.wav"});
    FileDialogRequest save = OpenRequest({});
    save.open = false;
    EXPECT_EQ(dialogs.ChooseFile(save), std::nullopt);
    EXPECT_EQ(dialogs.ChooseFile(OpenRequest({})), String(u"/user/one.wav"));
    dialogs.SetPicked({u"/user/one.wav"});
    EXPECT_EQ(dialogs.ChooseFile(OpenRequest({{u"All", u"*"}})), String(u"/user/one.wav"));
    dialogs.SetPicked({});
    EXPECT_EQ(dialogs.ChooseFile(OpenRequest({})), std::nullopt);
}

}  // namespace
}  // namespace chordlane::web

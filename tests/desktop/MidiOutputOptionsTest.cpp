// The MIDI output's options in the program: the command line's override and the dialog.
#include <gtest/gtest.h>

#include <QCheckBox>

#include "desktop/MidiOutputDialog.h"
#include "desktop/ProgramOptions.h"

namespace chordlane::test {
namespace {

TEST(MidiOutputOptionsTest, TheCommandLineOverridesTheStoredChoiceOnlyWhenGivenAndTheLastWins) {
    EXPECT_EQ(ParseProgramOptions({"!"}).options.midiOut, std::nullopt);
    EXPECT_EQ(ParseProgramOptions({"--midi-out", "!"}).options.midiOut, true);
    EXPECT_EQ(ParseProgramOptions({"--no-midi-out"}).options.midiOut, false);
    EXPECT_EQ(ParseProgramOptions({"--no-midi-out", "--midi-out"}).options.midiOut, true);
    // After the path's first word it is a word of the path.
    const ParsedCommandLine late = ParseProgramOptions({"a.clx", "--midi-out"});
    EXPECT_EQ(late.options.midiOut, std::nullopt);
    EXPECT_EQ(late.options.commandLine, u"a.clx --midi-out");
}

TEST(MidiOutputOptionsTest, TheDialogOffersTheOwnSoundOnlyWithThePortAndAnswersTheChoice) {
    MidiOutputDialog dialog({.on = false, .ownSound = true}, QStringLiteral("closed"));
    EXPECT_FALSE(dialog.OwnSoundBox()->isEnabled());
    dialog.SendBox()->setChecked(true);
    EXPECT_TRUE(dialog.OwnSoundBox()->isEnabled());
    dialog.OwnSoundBox()->setChecked(false);
    EXPECT_EQ(dialog.Choice(), (MidiOutChoice{.on = true, .ownSound = false}));
    dialog.SendBox()->setChecked(false);
    EXPECT_FALSE(dialog.OwnSoundBox()->isEnabled());
}

}  // namespace
}  // namespace chordlane::test

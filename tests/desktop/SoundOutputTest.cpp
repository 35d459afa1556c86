// The sound output a person picks: on the command line and in Options -> Sound Output...

#include <gtest/gtest.h>

#include <QComboBox>

#include "desktop/ProgramOptions.h"
#include "desktop/SoundOutputDialog.h"
#include "platform/qt/QtStringConversion.h"

namespace chordlane::test {
namespace {

using Action = ParsedCommandLine::Action;

TEST(SoundOutputOptionsTest, DeviceAndBufferGoOverTheSettingsAndBadBuffersAreRefused) {
    const ParsedCommandLine p =
        ParseProgramOptions({"--audio-device", "ALSA: pulse", "--audio-buffer=128", "!"});
    ASSERT_EQ(p.action, Action::Run);
    EXPECT_EQ(p.options.audioDevice, std::optional<std::string>("ALSA: pulse"));
    EXPECT_EQ(p.options.audioBuffer, 128u);
    // Without them the settings decide.
    const ParsedCommandLine plain = ParseProgramOptions({"!"});
    EXPECT_FALSE(plain.options.audioDevice);
    EXPECT_EQ(plain.options.audioBuffer, 0u);
    EXPECT_EQ(ParseProgramOptions({"--list-audio-devices", "x.clx"}).action,
              Action::ListAudioDevices);
    for (const char* bad : {"32", "2048", "256x", ""}) {
        const ParsedCommandLine r = ParseProgramOptions({"--audio-buffer", bad});
        EXPECT_EQ(r.action, Action::Error) << bad;
        EXPECT_NE(r.error.find("64 to 1024"), std::string::npos) << r.error;
    }
    EXPECT_EQ(ParseProgramOptions({"--audio-device"}).action, Action::Error);
}

TEST(SoundOutputDialogTest, OffersEveryDeviceAndKeepsARememberedOneThatIsGone) {
    const std::vector<AudioDeviceInfo> devices = {{"ALSA", "default", true},
                                                  {"JACK Audio Connection Kit", "system", false}};
    SoundOutputDialog dialog(nullptr, devices, {u"ALSA: hw:7,0", 512});
    // The default device, the two listed, and the remembered one marked as missing.
    ASSERT_EQ(dialog.Devices()->count(), 4);
    EXPECT_EQ(dialog.Devices()->itemText(1), QStringLiteral("ALSA: default (default)"));
    EXPECT_EQ(dialog.Devices()->itemText(3), QStringLiteral("ALSA: hw:7,0 (not found)"));
    EXPECT_EQ(dialog.Choice().device, u"ALSA: hw:7,0");
    EXPECT_EQ(dialog.Choice().bufferFrames, 512u);

    dialog.Devices()->setCurrentIndex(2);
    dialog.Buffers()->setCurrentIndex(0);
    EXPECT_EQ(dialog.Choice().device, u"JACK Audio Connection Kit: system");
    EXPECT_EQ(dialog.Choice().bufferFrames, 64u);
    dialog.Devices()->setCurrentIndex(0);
    EXPECT_EQ(dialog.Choice().device, u"");

    // An unknown remembered size shows the default.
    SoundOutputDialog odd(nullptr, devices, {u"", 300});
    EXPECT_EQ(odd.Choice().bufferFrames, 256u);
    EXPECT_EQ(odd.Choice().device, u"");
}

}  // namespace
}  // namespace chordlane::test

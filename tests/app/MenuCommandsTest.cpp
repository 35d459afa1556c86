#include <vector>

#include "app/AppState.h"
#include "app/MenuCommands.h"
#include "tests/elements/ElementTestSupport.h"

namespace chordlane::test {
namespace {

constexpr char16_t VOLUME_KEY_PATH[] = u"ControlPanel\\Volume";

class MenuCommandsTest : public ChordlaneTest {
  protected:
    void SetVolume(uint32_t value) {
        platform_.settings.Set(SettingsRoot::CurrentUser, VOLUME_KEY_PATH, u"Volume", value);
    }
};

TEST_F(MenuCommandsTest, OptionTogglesMoveTheirOwnMarkAndSpeedVolumeResetsTheScale) {
    ToggleShowActive();
    EXPECT_EQ(App().showActive, 0);
    EXPECT_FALSE(platform_.window.IsChecked(MENU_OPTIONS, ID_SHOW_ACTIVE));
    EXPECT_TRUE(platform_.window.Repaints().empty());  // the toggle itself repaints nothing

    App().vM = 77;
    ToggleSpeedVolume();
    EXPECT_EQ(App().speedVolume, 0);
    EXPECT_EQ(App().vM, 50);
    App().vM = 3;
    ToggleSpeedVolume();
    EXPECT_EQ(App().speedVolume, 1);
    EXPECT_EQ(App().vM, 50);
    EXPECT_TRUE(platform_.window.IsChecked(MENU_OPTIONS, ID_SPEED_VOLUME));
    EXPECT_FALSE(platform_.window.IsChecked(MENU_OPTIONS, ID_SHOW_ACTIVE));
    // The scale is set directly: the system volume is not written.
    EXPECT_EQ(platform_.settings.Values(SettingsRoot::CurrentUser, VOLUME_KEY_PATH), nullptr);
}

TEST_F(MenuCommandsTest, SaveAsNeedsBothAPathAndRecordedAnswers) {
    EXPECT_FALSE(CanSaveAs());
    App().currentPath = u"song.clx";
    EXPECT_FALSE(CanSaveAs());
    App().answersLog = u"? \"e2.wav\"\n";
    EXPECT_TRUE(CanSaveAs());
    App().currentPath.clear();
    EXPECT_FALSE(CanSaveAs());
}

TEST_F(MenuCommandsTest, ActivationReadsSystemVolumeIntoVolumeScale) {
    const std::pair<uint32_t, int32_t> cases[] = {
        {0x88888888u, 88},  {0x7FFFFFFFu, 80}, {0x01111110u, -40},
        {0xFFFFFFFFu, 200}, {0x6AAAAAA4u, 60},
    };
    for (const auto& [stored, expected] : cases) {
        SetVolume(stored);
        OnActivate(WA_ACTIVE, false);
        EXPECT_EQ(App().vM, expected) << std::hex << stored;
    }
    // Read, never written back.
    const auto* values = platform_.settings.Values(SettingsRoot::CurrentUser, VOLUME_KEY_PATH);
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(std::get<uint32_t>(values->at(u"Volume")), 0x6AAAAAA4u);
}

TEST_F(MenuCommandsTest, MissingVolumeReadsAsLowest) {
    OnActivate(WA_ACTIVE, false);
    EXPECT_EQ(App().vM, -40);
}

TEST_F(MenuCommandsTest, ClickActivationMinimisingAndDeactivationLeaveVolumeScaleAlone) {
    SetVolume(0x88888888u);
    App().vM = 50;
    OnActivate(WA_CLICKACTIVE, false);
    OnActivate(WA_ACTIVE, true);
    OnActivate(WA_INACTIVE, false);
    EXPECT_EQ(App().vM, 50);
}

TEST_F(MenuCommandsTest, WithoutShellFunctionButtonsAreNeverTaken) {
    EXPECT_EQ(RegisterHardwareButtons(), 0);
    OnActivate(WA_ACTIVE, false);
    EXPECT_EQ(App().hardwareButtons, 0);
    EXPECT_TRUE(platform_.buttons.HotKeys().empty());
    EXPECT_EQ(ReleaseHardwareButtons(), 0);
}

TEST_F(MenuCommandsTest, ButtonsAreHeldOnlyWhileActivatedPlainly) {
    platform_.buttons.SetAvailable(true);
    OnActivate(WA_ACTIVE, false);
    EXPECT_EQ(App().hardwareButtons, 1);
    ASSERT_EQ(platform_.buttons.HotKeys().size(), 15u);
    EXPECT_EQ(*platform_.buttons.HotKeys().begin(), 0xC1);
    EXPECT_EQ(*platform_.buttons.HotKeys().rbegin(), 0xCF);
    EXPECT_EQ(platform_.buttons.ReleasedKeys().size(), 15u);
    EXPECT_EQ(RegisterHardwareButtons(), 1);  // already held: nothing more happens

    OnActivate(WA_CLICKACTIVE, false);
    EXPECT_EQ(App().hardwareButtons, 0);
    EXPECT_TRUE(platform_.buttons.HotKeys().empty());

    OnActivate(WA_ACTIVE, false);
    EXPECT_EQ(platform_.buttons.HotKeys().size(), 15u);
    OnActivate(WA_ACTIVE, true);  // minimised
    EXPECT_TRUE(platform_.buttons.HotKeys().empty());
}

TEST_F(MenuCommandsTest, HotKeysRaiseHardwareButtonEvents) {
    TestTrace trace;
    SetTrace(&trace);
    EXPECT_EQ(OnHotKey(0xC1), 0);
    OnHotKey(0xCF);
    SetTrace(nullptr);
    EXPECT_EQ(trace.events, (std::vector<String>{u"b1", u"b15"}));
}

}  // namespace
}  // namespace chordlane::test

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
    for (int32_t on : {0, 1}) {
        App().vM = 77;
        ToggleSpeedVolume();
        EXPECT_EQ(App().speedVolume, on);
        EXPECT_EQ(App().vM, 50);
        EXPECT_EQ(platform_.window.IsChecked(MENU_OPTIONS, ID_SPEED_VOLUME), on == 1);
    }
    EXPECT_FALSE(platform_.window.IsChecked(MENU_OPTIONS, ID_SHOW_ACTIVE));
    // The scale is set directly: the system volume is not written.
    EXPECT_EQ(platform_.settings.Values(SettingsRoot::CurrentUser, VOLUME_KEY_PATH), nullptr);
}

TEST_F(MenuCommandsTest, PlainActivationReadsTheSystemVolumeIntoTheVolumeScale) {
    OnActivate(WA_ACTIVE, false);
    EXPECT_EQ(App().vM, -40);  // no system volume yet: the lowest
    const std::pair<uint32_t, int32_t> cases[] = {
        {0x88888888u, 88}, {0x7FFFFFFFu, 80}, {0x01111110u, -40}, {0xFFFFFFFFu, 200}};
    for (const auto& [stored, expected] : cases) {
        SetVolume(stored);
        OnActivate(WA_ACTIVE, false);
        EXPECT_EQ(App().vM, expected) << std::hex << stored;
    }
    // Activation by a click, minimising and deactivation leave it alone.
    App().vM = 50;
    OnActivate(WA_CLICKACTIVE, false);
    OnActivate(WA_ACTIVE, true);
    OnActivate(WA_INACTIVE, false);
    EXPECT_EQ(App().vM, 50);
}

TEST_F(MenuCommandsTest, HardwareButtonsAreHeldOnlyWhileActivatedPlainlyAndRaiseEvents) {
    OnActivate(WA_ACTIVE, false);  // without the shell's function they are never taken
    EXPECT_TRUE(platform_.buttons.HotKeys().empty());

    platform_.buttons.SetAvailable(true);
    OnActivate(WA_ACTIVE, false);
    EXPECT_EQ(App().hardwareButtons, 1);
    EXPECT_EQ(platform_.buttons.HotKeys().size(), 15u);
    OnActivate(WA_CLICKACTIVE, false);
    EXPECT_TRUE(platform_.buttons.HotKeys().empty());
    OnActivate(WA_ACTIVE, false);
    OnActivate(WA_ACTIVE, true);  // minimised
    EXPECT_TRUE(platform_.buttons.HotKeys().empty());

    TestTrace trace;
    SetTrace(&trace);
    OnHotKey(0xC1);
    OnHotKey(0xCF);
    SetTrace(nullptr);
    EXPECT_EQ(trace.events, (std::vector<String>{u"b1", u"b15"}));
}

}  // namespace
}  // namespace chordlane::test

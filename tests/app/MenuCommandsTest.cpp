// The application's own commands and variables: the option toggles, activation with the
// system volume and the hardware buttons, and the variables that instruments set.
#include "app/AppVariables.h"
#include "app/MenuCommands.h"
#include "app/Settings.h"
#include "tests/elements/ElementTestSupport.h"

namespace chordlane::test {
namespace {

class MenuCommandsTest : public ElementTest {
  protected:
    uint32_t SystemVolume() {
        return ReadSettingNumber(SettingsRoot::CurrentUser, VOLUME_KEY, VOLUME_VALUE);
    }
    void SetVolume(uint32_t value) {
        platform_.settings.Set(SettingsRoot::CurrentUser, VOLUME_KEY, VOLUME_VALUE, value);
    }
};
using AppVariablesTest = MenuCommandsTest;

TEST_F(MenuCommandsTest, OptionTogglesMoveTheirOwnMarkAndSpeedVolumeResetsTheScale) {
    ToggleShowActive();
    EXPECT_EQ(App().showActive, 0);
    for (int32_t on : {0, 1}) {
        App().vM = 77;
        ToggleSpeedVolume();
        EXPECT_EQ(App().speedVolume, on);
        EXPECT_EQ(App().vM, 50);
        EXPECT_EQ(platform_.window.IsChecked(MENU_OPTIONS, ID_SPEED_VOLUME), on == 1);
    }
    EXPECT_FALSE(platform_.window.IsChecked(MENU_OPTIONS, ID_SHOW_ACTIVE));
    // The scale is set directly: the system volume is not written.
    EXPECT_EQ(platform_.settings.Values(SettingsRoot::CurrentUser, VOLUME_KEY), nullptr);
}

TEST_F(MenuCommandsTest, PlainActivationReadsTheSystemVolumeIntoTheVolumeScale) {
    OnActivate(WA_ACTIVE, false);
    EXPECT_EQ(App().vM, -40);  // no system volume yet: the lowest
    // So the first start stores one in the middle, and later starts keep what is stored.
    ProvideSystemVolume();
    OnActivate(WA_ACTIVE, false);
    EXPECT_EQ(App().vM, 50);
    const std::pair<uint32_t, int32_t> cases[] = {
        {0x88888888u, 88}, {0x7FFFFFFFu, 80}, {0x01111110u, -40}, {0xFFFFFFFFu, 200}};
    for (const auto& [stored, expected] : cases) {
        SetVolume(stored);
        ProvideSystemVolume();
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

    trace_.events.clear();
    OnHotKey(0xC1);
    OnHotKey(0xCF);
    EXPECT_EQ(trace_.events, (std::vector<String>{u"b1", u"b15"}));
}

TEST_F(AppVariablesTest, OnlyCbVaAndVmCanBeReadAndVmWritesTheSystemVolume) {
    EXPECT_EQ(GetAppVariable(u"cb"), -1);
    SetAppVariable(u"sp", 5);
    EXPECT_EQ(App().sp, 5);
    EXPECT_FALSE(IsAppVariable(u"sp") || IsAppVariable(u"vm"));  // names are case-sensitive
    SetAppVariable(u"vA", -7);
    EXPECT_EQ(GetAppVariable(u"vA"), -7);
    // (vM + 40) * 0x1111111 in unsigned 32-bit arithmetic.
    const std::pair<int32_t, uint32_t> volumes[] = {
        {60, 0x6AAAAAA4u}, {-40, 0u}, {200, 0xFFFFFFF0u}};
    for (const auto& [vM, system] : volumes) {
        SetAppVariable(u"vM", vM);
        EXPECT_EQ(App().vM, vM);
        EXPECT_EQ(SystemVolume(), system);
    }
    SetAppVariable(u"vA", 3);  // the other variables write nothing
    EXPECT_EQ(SystemVolume(), 0xFFFFFFF0u);
}

TEST_F(AppVariablesTest, OtherNamesGoToTheRootPanel) {
    auto root = std::move(App().root);
    SetAppVariable(u"nn", 4);  // no instrument: nothing to reach, nothing happens
    ForwardToRoot(u"tt", u"lost");
    App().root = std::move(root);
    auto& member = Add<Recorder>(nullptr, u"r");
    SetAppVariable(u"nn", 5);
    ForwardToRoot(u"tt", u"text");
    SetAppVariable(u"cb", 7);
    EXPECT_EQ(member.number, 5);
    EXPECT_EQ(member.text, u"text");
    EXPECT_EQ(App().cb, 7);
}

}  // namespace
}  // namespace chordlane::test

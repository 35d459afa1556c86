// The application's own commands and variables: the option toggles, activation with the
// system volume and the hardware buttons, and the variables that instruments set.
#include "app/MenuCommands.h"
#include "app/Settings.h"
#include "tests/elements/ElementTestSupport.h"

namespace chordlane::test {
namespace {

class MenuCommandsTest : public ElementTest {
  protected:
    uint32_t SystemVolume() {
        return ReadSettingNumber(&platform_.settings, SettingsRoot::CurrentUser, VOLUME_KEY,
                                 VOLUME_VALUE);
    }
    void SetVolume(uint32_t value) {
        platform_.settings.Set(SettingsRoot::CurrentUser, VOLUME_KEY, VOLUME_VALUE, value);
    }
};
using VariablesTest = MenuCommandsTest;

TEST_F(MenuCommandsTest, OptionTogglesMoveTheirOwnMarkAndSpeedVolumeResetsTheScale) {
    ToggleShowActive(instrument_);
    EXPECT_EQ(instrument_.options.showActive, 0);
    for (int32_t on : {0, 1}) {
        instrument_.variables.vM = 77;
        ToggleSpeedVolume(instrument_);
        EXPECT_EQ(instrument_.options.speedVolume, on);
        EXPECT_EQ(instrument_.variables.vM, 50);
        EXPECT_EQ(platform_.window.IsChecked(MenuOption::SpeedVolume), on == 1);
    }
    EXPECT_FALSE(platform_.window.IsChecked(MenuOption::ShowActive));
    // A new window is given the marks of the options as they stand.
    instrument_.options.showActive = 1;
    instrument_.options.speedVolume = 0;
    ShowOptionChecks(instrument_);
    EXPECT_TRUE(platform_.window.IsChecked(MenuOption::ShowActive));
    EXPECT_FALSE(platform_.window.IsChecked(MenuOption::SpeedVolume));
    // The scale is set directly: the system volume is not written.
    EXPECT_EQ(platform_.settings.Values(SettingsRoot::CurrentUser, VOLUME_KEY), nullptr);
}

TEST_F(MenuCommandsTest, PlainActivationReadsTheSystemVolumeIntoTheVolumeScale) {
    OnActivate(instrument_, Activation::Active, false);
    EXPECT_EQ(instrument_.variables.vM, -40);  // no system volume yet: the lowest
    // So the first start stores one in the middle, and later starts keep what is stored.
    ProvideSystemVolume(&platform_.settings);
    OnActivate(instrument_, Activation::Active, false);
    EXPECT_EQ(instrument_.variables.vM, 50);
    const std::pair<uint32_t, int32_t> cases[] = {
        {0x88888888u, 88}, {0x7FFFFFFFu, 80}, {0x01111110u, -40}, {0xFFFFFFFFu, 200}};
    for (const auto& [stored, expected] : cases) {
        SetVolume(stored);
        ProvideSystemVolume(&platform_.settings);
        OnActivate(instrument_, Activation::Active, false);
        EXPECT_EQ(instrument_.variables.vM, expected) << std::hex << stored;
    }
    // Activation by a click, minimising and deactivation leave it alone.
    instrument_.variables.vM = 50;
    OnActivate(instrument_, Activation::ClickActive, false);
    OnActivate(instrument_, Activation::Active, true);
    OnActivate(instrument_, Activation::Inactive, false);
    EXPECT_EQ(instrument_.variables.vM, 50);
}

TEST_F(MenuCommandsTest, HardwareButtonsAreHeldOnlyWhileActivatedPlainlyAndRaiseEvents) {
    // Without the shell's function they are never taken.
    OnActivate(instrument_, Activation::Active, false);
    EXPECT_TRUE(platform_.buttons.HotKeys().empty());

    platform_.buttons.SetAvailable(true);
    OnActivate(instrument_, Activation::Active, false);
    EXPECT_EQ(instrument_.options.hardwareButtons, 1);
    EXPECT_EQ(platform_.buttons.HotKeys().size(), 15u);
    OnActivate(instrument_, Activation::ClickActive, false);
    EXPECT_TRUE(platform_.buttons.HotKeys().empty());
    OnActivate(instrument_, Activation::Active, false);
    OnActivate(instrument_, Activation::Active, true);  // minimised
    EXPECT_TRUE(platform_.buttons.HotKeys().empty());

    trace_.events.clear();
    OnHotKey(instrument_, 0xC1);
    OnHotKey(instrument_, 0xCF);
    EXPECT_EQ(trace_.events, (std::vector<String>{u"b1", u"b15"}));
}

TEST_F(VariablesTest, OnlyCbVaAndVmCanBeReadAndVmWritesTheSystemVolume) {
    EXPECT_EQ(instrument_.GetVariable(u"cb"), -1);
    instrument_.SetVariable(u"sp", 5);
    EXPECT_EQ(instrument_.variables.sp, 5);
    // "sp" is only written, and names are case-sensitive.
    EXPECT_FALSE(instrument_.IsVariable(u"sp") || instrument_.IsVariable(u"vm"));
    instrument_.SetVariable(u"vA", -7);
    EXPECT_EQ(instrument_.GetVariable(u"vA"), -7);
    // (vM + 40) * 0x1111111 in unsigned 32-bit arithmetic.
    const std::pair<int32_t, uint32_t> volumes[] = {
        {60, 0x6AAAAAA4u}, {-40, 0u}, {200, 0xFFFFFFF0u}};
    for (const auto& [vM, system] : volumes) {
        instrument_.SetVariable(u"vM", vM);
        EXPECT_EQ(instrument_.variables.vM, vM);
        EXPECT_EQ(SystemVolume(), system);
    }
    instrument_.SetVariable(u"vA", 3);  // the other variables write nothing
    EXPECT_EQ(SystemVolume(), 0xFFFFFFF0u);
}

TEST_F(VariablesTest, OtherNamesGoToTheRootPanel) {
    auto root = std::move(instrument_.root);
    instrument_.SetVariable(u"nn", 4);  // no instrument: nothing to reach, nothing happens
    instrument_.ForwardToRoot(u"tt", u"lost");
    instrument_.root = std::move(root);
    auto& member = Add<Recorder>(nullptr, u"r");
    instrument_.SetVariable(u"nn", 5);
    instrument_.ForwardToRoot(u"tt", u"text");
    instrument_.SetVariable(u"cb", 7);
    EXPECT_EQ(member.number, 5);
    EXPECT_EQ(member.text, u"text");
    EXPECT_EQ(instrument_.variables.cb, 7);
}

}  // namespace
}  // namespace chordlane::test

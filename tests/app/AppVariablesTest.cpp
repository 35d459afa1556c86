#include "app/AppVariables.h"
#include "app/Settings.h"
#include "tests/elements/ElementTestSupport.h"

namespace chordlane::test {
namespace {

class AppVariablesTest : public ElementTest {
  protected:
    uint32_t SystemVolume() {
        return ReadSettingNumber(SettingsRoot::CurrentUser, VOLUME_KEY, VOLUME_VALUE);
    }
};

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

#include "app/AppVariables.h"
#include "app/Settings.h"
#include "elements/PanelElement.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

// Takes note of the properties the root panel passes on to its members.
class Probe : public Element {
public:
    Probe() : Element(u"probe") {}
    const char* ClassName() const override { return "Probe"; }
    void SetInt(const String& property, int32_t value) override {
        seen.push_back(property + u"=" + Ascii(std::to_string(value)));
    }
    void SetString(const String& property, const String& value) override {
        seen.push_back(property + u"=" + value);
    }
    std::vector<String> seen;
};

class AppVariablesTest : public ChordlaneTest {
protected:
    uint32_t SystemVolume() {
        return ReadSettingNumber(SettingsRoot::CurrentUser, VOLUME_KEY, VOLUME_VALUE);
    }
};

TEST_F(AppVariablesTest, OnlyCbVaAndVmCanBeRead) {
    EXPECT_EQ(GetAppVariable(u"cb"), -1);
    SetAppVariable(u"sp", 5);
    EXPECT_EQ(App().sp, 5);
    EXPECT_FALSE(IsAppVariable(u"sp"));
    EXPECT_EQ(GetAppVariable(u"sp"), 0);
    SetAppVariable(u"vA", -7);
    EXPECT_TRUE(IsAppVariable(u"vA"));
    EXPECT_EQ(GetAppVariable(u"vA"), -7);
    for (const char16_t* other : {u"vm", u"cbx", u""}) EXPECT_FALSE(IsAppVariable(other));
}

TEST_F(AppVariablesTest, SettingVmWritesTheSystemVolume) {
    SetAppVariable(u"vM", 60);
    EXPECT_EQ(App().vM, 60);
    EXPECT_EQ(SystemVolume(), 0x6AAAAAA4u);
    SetAppVariable(u"vM", -40);
    EXPECT_EQ(SystemVolume(), 0u);
    SetAppVariable(u"vM", 200);
    EXPECT_EQ(SystemVolume(), 0xFFFFFFF0u);
    SetAppVariable(u"vA", 3);  // the other variables write nothing
    EXPECT_EQ(SystemVolume(), 0xFFFFFFF0u);
}

TEST_F(AppVariablesTest, OtherNamesGoToTheRootPanel) {
    SetAppVariable(u"xy", 4);  // no instrument: nothing to reach, nothing happens
    ForwardToRoot(u"t", u"lost");
    App().root = std::make_unique<PanelElement>(u"!", std::make_unique<Rect>(), 0);
    auto owned = std::make_unique<Probe>();
    Probe& probe = *owned;
    App().root->Add(std::move(owned));
    SetAppVariable(u"xy", 5);
    SetAppVariable(u"abc", 6);
    SetAppVariable(u"cb", 7);
    ForwardToRoot(u"t", u"text");
    EXPECT_EQ(probe.seen, (std::vector<String>{u"xy=5", u"abc=6", u"t=text"}));
    EXPECT_EQ(App().cb, 7);
}

}  // namespace
}  // namespace chordlane::test

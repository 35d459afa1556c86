#include "app/AppVariables.h"

#include "app/ListHelpers.h"
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
        ints.emplace_back(property, value);
    }
    void SetString(const String& property, const String& value) override {
        strings.emplace_back(property, value);
    }
    std::vector<std::pair<String, int32_t>> ints;
    std::vector<std::pair<String, String>> strings;
};

class AppVariablesTest : public ChordlaneTest {
protected:
    uint32_t SystemVolume() {
        return ReadSettingNumber(SettingsRoot::CurrentUser, VOLUME_KEY, VOLUME_VALUE);
    }
    Probe& MakeRootWithProbe() {
        App().root = std::make_unique<PanelElement>(u"!", std::make_unique<Rect>(), 0);
        auto probe = std::make_unique<Probe>();
        Probe& ref = *probe;
        App().root->Add(std::move(probe));
        return ref;
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
    EXPECT_FALSE(IsAppVariable(u"vm"));
    EXPECT_FALSE(IsAppVariable(u"cbx"));
    EXPECT_FALSE(IsAppVariable(u""));
}

TEST_F(AppVariablesTest, SettingVmWritesTheSystemVolume) {
    SetAppVariable(u"vM", 60);
    EXPECT_EQ(App().vM, 60);
    EXPECT_EQ(SystemVolume(), 0x6AAAAAA4u);
    SetAppVariable(u"vM", -40);
    EXPECT_EQ(SystemVolume(), 0u);
    SetAppVariable(u"vM", 200);
    EXPECT_EQ(SystemVolume(), 0xFFFFFFF0u);
    // Far outside the usual range the product wraps instead of overflowing.
    EXPECT_EQ(SystemVolumeFor(INT32_MAX), (0x80000027u * 0x1111111u));
    // The other variables write nothing.
    SetAppVariable(u"vA", 3);
    EXPECT_EQ(SystemVolume(), 0xFFFFFFF0u);
}

TEST_F(AppVariablesTest, OtherNamesGoToTheRootPanel) {
    SetAppVariable(u"xy", 4);  // no instrument: nothing to reach, nothing happens
    Probe& probe = MakeRootWithProbe();
    SetAppVariable(u"xy", 5);
    SetAppVariable(u"abc", 6);
    SetAppVariable(u"cb", 7);
    EXPECT_EQ(probe.ints, (std::vector<std::pair<String, int32_t>>{{u"xy", 5}, {u"abc", 6}}));
    EXPECT_EQ(App().cb, 7);
    ForwardToRoot(u"t", u"text");
    EXPECT_EQ(probe.strings, (std::vector<std::pair<String, String>>{{u"t", u"text"}}));
}

TEST_F(AppVariablesTest, ListsHoldAnElementOnceAndLoseTheFirstMatch) {
    Probe a;
    Probe b;
    std::vector<Element*> list;
    AddUnlessPresent<Element>(list, &a);
    AddUnlessPresent<Element>(list, &b);
    AddUnlessPresent<Element>(list, &a);
    EXPECT_EQ(list, (std::vector<Element*>{&a, &b}));
    list.push_back(&a);
    EXPECT_TRUE(RemoveFirst<Element>(list, &a));
    EXPECT_EQ(list, (std::vector<Element*>{&b, &a}));
    EXPECT_FALSE(RemoveFirst<Element>(list, static_cast<Element*>(nullptr)));
}

}  // namespace
}  // namespace chordlane::test

#include "elements/GroupElement.h"
#include "elements/HiddenButtonElement.h"
#include "elements/ImageElement.h"
#include "elements/RectButtonElement.h"
#include "elements/RectElement.h"
#include "elements/TextElement.h"
#include "language/NameRegistry.h"
#include "platform/headless/RecordingSurface.h"
#include "tests/elements/ElementTestSupport.h"

namespace chordlane::test {
namespace {

// Counts its own destruction, to see that every element is destroyed exactly once.
class Counted : public Recorder {
public:
    Counted(String name, int& destroyed) : Recorder(std::move(name)), destroyed_(destroyed) {}
    ~Counted() override { ++destroyed_; }

private:
    int& destroyed_;
};

using GroupPanelTest = ElementTest;

TEST_F(GroupPanelTest, AGroupPassesTriggersAndPropertiesToEveryMemberEvenHiddenOnes) {
    auto& group = Add<GroupElement>(nullptr, u"chord");
    auto& a = Add<Recorder>(&group, u"a");
    auto& b = Add<Recorder>(&group, u"b");
    EXPECT_FALSE(group.IsActive());
    RectButtonElement source(u"src");
    group.Trigger(55, &source);
    group.SetInt(u"nn", 3);
    group.SetString(u"tt", u"x");
    for (Recorder* r : {&a, &b}) {
        EXPECT_EQ(r->values, (std::vector<int32_t>{55}));
        EXPECT_EQ(r->sources, (std::vector<Element*>{&source}));
        EXPECT_EQ(r->number, 3);
        EXPECT_EQ(r->text, u"x");
    }
    EXPECT_EQ(group.GetInt(u"nn"), NO_VALUE);
}

TEST_F(GroupPanelTest, APanelPassesPropertiesToItsMembersButKeepsItsOwnColours) {
    auto& panel = Add<PanelElement>(nullptr, u"p", R(0, 0, 100, 100), 1);
    auto& label = Add<TextElement>(&panel, u"Al", u"C", R(0, 0, 10, 10));
    panel.SetInt(u"ci", 0x0000FF);
    panel.SetInt(u"ns", 2);
    panel.SetString(u"t", u"D");
    EXPECT_EQ(panel.GetInt(u"ci"), 0x909090);
    EXPECT_EQ(label.FormatLabel(), u"E");
    panel.Trigger(10, nullptr);  // a panel cannot be triggered: nothing happens
}

TEST_F(GroupPanelTest, LoadingShowsTopLevelMembersAndLeavesNestedPanelsHidden) {
    auto& shape = Add<RectElement>(nullptr, u"shape", R(0, 0, 10, 10));
    auto& group = Add<GroupElement>(nullptr, u"g");
    auto& voice = Add<Recorder>(&group, u"voice");
    auto& panel = Add<PanelElement>(nullptr, u"p", R(0, 0, 100, 100), 1);
    Register(u"p", &panel);  // the parser enters panels at once
    auto& inner = Add<Recorder>(&panel, u"Ainner");
    Activate();
    EXPECT_TRUE(shape.IsActive());
    EXPECT_TRUE(voice.IsActive());
    EXPECT_EQ(Lookup(u"voice"), &voice);
    EXPECT_FALSE(panel.IsActive());
    EXPECT_FALSE(inner.IsActive());
    EXPECT_EQ(Lookup(u"Ainner"), nullptr);

    panel.SetFlag(u"e", true);
    EXPECT_EQ(Lookup(u"Ainner"), &inner);
    // Hiding the panel keeps the names; showing it again shows every member again.
    inner.SetActive(false);
    panel.SetFlag(u"e", false);
    EXPECT_EQ(Lookup(u"Ainner"), &inner);
    panel.SetFlag(u"e", true);
    EXPECT_TRUE(inner.IsActive());
}

TEST_F(GroupPanelTest, ShowingAnActiveGroupAgainChangesNoMember) {
    auto& group = Add<GroupElement>(nullptr, u"g");
    auto& member = Add<RectElement>(&group, u"m", R(0, 0, 10, 10));
    Activate();
    member.SetFlag(u"e", false);
    group.SetActiveWhere(true, KIND_CONTAINER);
    group.SetFlag(u"e", true);
    EXPECT_FALSE(member.IsActive());
}

TEST_F(GroupPanelTest, InitEventsFireOncePerLoadAndFallBackToTheTopLevelInit) {
    auto& init = Add<Recorder>(nullptr, u"init");
    auto& first = Add<PanelElement>(nullptr, u"p1", R(0, 0, 100, 100), 1);
    auto& ainit = Add<Recorder>(&first, u"Ainit");
    auto& second = Add<PanelElement>(nullptr, u"p2", R(0, 0, 100, 100), 2);
    Activate();
    EXPECT_EQ(init.values, (std::vector<int32_t>{0}));
    EXPECT_EQ(init.sources, (std::vector<Element*>{nullptr}));

    first.SetActive(true);
    EXPECT_EQ(ainit.values.size(), 1u);
    EXPECT_EQ(init.values.size(), 1u);
    // The second panel has no "Binit": the top-level init runs again, once.
    second.SetActive(true);
    EXPECT_EQ(init.values.size(), 2u);
    second.SetActive(false);
    second.SetActive(true);
    first.SetActive(false);
    first.SetActive(true);
    Root().SetActive(false);
    Root().SetActive(true);
    EXPECT_EQ(init.values.size(), 2u);
    EXPECT_EQ(ainit.values.size(), 1u);
}

TEST_F(GroupPanelTest, ButtonsAreDrawnAfterEverythingElseEachPassInFileOrder) {
    auto& button = Add<RectButtonElement>(nullptr, u"b");
    button.SetBounds(R(0, 0, 10, 10));
    Add<RectElement>(nullptr, u"r1", R(0, 0, 20, 20));
    auto& panel = Add<PanelElement>(nullptr, u"p", R(0, 0, 100, 100), 1);
    Add<TextElement>(&panel, u"At", u"x", R(0, 0, 30, 30));
    auto& inner = Add<RectButtonElement>(&panel, u"Ab");
    inner.SetBounds(R(0, 0, 40, 40));
    Add<RectElement>(nullptr, u"r2", R(0, 0, 50, 50));
    Activate();
    panel.SetActive(true);

    RecordingSurface surface;
    EXPECT_EQ(Root().DrawMembers(surface, KIND_BUTTON, 0), 3);
    EXPECT_EQ(Root().DrawMembers(surface, KIND_BUTTON, KIND_BUTTON), 2);
    std::vector<int32_t> rights;
    for (const DrawCall& call : surface.Calls()) {
        rights.push_back(call.kind == DrawCall::Kind::Text ? 30 : call.rect.right);
    }
    EXPECT_EQ(rights, (std::vector<int32_t>{20, 30, 50, 10, 40}));
}

TEST_F(GroupPanelTest, AHiddenPanelOrOneOutsideThePaintedAreaDrawsNoMember) {
    auto& panel = Add<PanelElement>(nullptr, u"p", R(100, 100, 200, 200), 1);
    Add<RectElement>(&panel, u"Ar", R(0, 0, 10, 10));  // inside the painted area itself
    Activate();
    RecordingSurface surface(Rect{0, 0, 50, 50});
    EXPECT_EQ(Root().DrawMembers(surface, KIND_BUTTON, 0), 0);
    panel.SetActive(true);
    EXPECT_EQ(Root().DrawMembers(surface, KIND_BUTTON, 0), 0);
    EXPECT_TRUE(surface.Calls().empty());
    surface.SetPaintRect({0, 0, 100, 100});
    EXPECT_EQ(Root().DrawMembers(surface, KIND_BUTTON, 0), 1);
}

TEST_F(GroupPanelTest, PanelsPassStrokesOnlyWhileShownAndCrossed) {
    auto& panel = Add<PanelElement>(nullptr, u"p", R(100, 100, 200, 200), 1);
    auto& button = Add<RectButtonElement>(&panel, u"Ab");
    button.SetBounds(R(110, 110, 150, 150));
    button.SetString(u"na", u"v");
    auto& voice = Add<Recorder>(nullptr, u"v");
    Activate();
    EXPECT_EQ(Tap(120, 120), 0);
    panel.SetActive(true);
    EXPECT_EQ(Tap(120, 120), 1);
    EXPECT_TRUE(panel.IsPenInside());
    // A segment beside the panel leaves its flag as it was.
    EXPECT_EQ(Move({0, 0}, {50, 50}), 0);
    EXPECT_TRUE(panel.IsPenInside());
    EXPECT_EQ(voice.values.size(), 1u);
}

TEST_F(GroupPanelTest, FindsTheFirstPictureOfAFileInTreeOrder) {
    auto& panel = Add<PanelElement>(nullptr, u"p", R(0, 0, 100, 100), 1);
    auto& inPanel = Add<ImageElement>(&panel, u"Ai", u"neck.bmp", R(0, 0, 5, 5));
    auto& later = Add<ImageElement>(nullptr, u"i", u"neck.bmp", R(0, 0, 5, 5));
    auto& group = Add<GroupElement>(nullptr, u"g");
    Add<ImageElement>(&group, u"gi", u"fret.bmp", R(0, 0, 5, 5));
    EXPECT_EQ(Root().FindImageByFile(u"neck.bmp"), &inPanel);
    EXPECT_EQ(Root().FindImageByFile(u"NECK.bmp"), nullptr);
    EXPECT_EQ(Root().FindImageByFile(u"missing.bmp"), nullptr);
    panel.Remove(&inPanel);
    EXPECT_EQ(Root().FindImageByFile(u"neck.bmp"), &later);
}

TEST_F(GroupPanelTest, MembershipByNameAndRemoval) {
    auto& group = Add<GroupElement>(nullptr, u"g");
    auto& v = Add<Recorder>(nullptr, u"v");
    Activate();
    group.AddByName(u"v");
    group.AddByName(u"nobody");
    group.AddByName(u"v");
    EXPECT_EQ(group.Members().size(), 2u);
    group.Trigger(1, nullptr);
    EXPECT_EQ(v.values.size(), 2u);
    group.RemoveByName(u"v");
    EXPECT_TRUE(group.Contains(&v));
    EXPECT_TRUE(group.Remove(&v));
    EXPECT_FALSE(group.Remove(&v));
    EXPECT_FALSE(group.Contains(&v));
}

TEST_F(GroupPanelTest, AnElementInTwoListsIsDestroyedOnceWhenTheInstrumentGoes) {
    int destroyed = 0;
    auto& first = Add<GroupElement>(nullptr, u"g1");
    Add<Counted>(&first, u"v", destroyed);
    auto& second = Add<GroupElement>(nullptr, u"g2");
    Add<Counted>(&second, u"w", destroyed);
    Activate();
    second.AddByName(u"v");
    first.AddByName(u"w");
    ResetInstrument();
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(Lookup(u"v"), nullptr);
    EXPECT_EQ(Lookup(u"g1"), nullptr);
    EXPECT_TRUE(Root().Group().Members().empty());
}

}  // namespace
}  // namespace chordlane::test

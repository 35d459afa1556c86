#include "elements/GroupElement.h"
#include "elements/NameRegistry.h"
#include "elements/RectButtonElement.h"
#include "elements/TextElement.h"
#include "platform/headless/RecordingSurface.h"
#include "tests/elements/ElementTestSupport.h"

namespace chordlane::test {
namespace {

using GroupPanelTest = ElementTest;

TEST_F(GroupPanelTest, GroupsAndPanelsFanOutToEveryMemberEvenHiddenOnes) {
    auto& group = Add<GroupElement>(nullptr, u"chord");
    auto& a = Add<Recorder>(&group, u"a");
    auto& panel = Add<PanelElement>(nullptr, u"p", R(0, 0, 100, 100), 1);
    auto& label = Add<TextElement>(&panel, u"Al", u"C", R(0, 0, 10, 10));
    group.SetInt(u"nn", 3);
    group.SetString(u"tt", u"x");
    EXPECT_EQ(a.number, 3);
    EXPECT_EQ(a.text, u"x");
    panel.SetInt(u"cI", 0xFF);  // to the members; the panel keeps its own colours
    EXPECT_EQ(panel.GetInt(u"cI"), 0);
    EXPECT_EQ(label.GetInt(u"cI"), 0xFF);
}

TEST_F(GroupPanelTest, PanelsRegisterTheirMembersWhenFirstShownAndKeepThemWhenHidden) {
    auto& panel = Add<PanelElement>(nullptr, u"p", R(0, 0, 100, 100), 1);
    auto& inner = Add<Recorder>(&panel, u"Ainner");
    Activate();
    EXPECT_EQ(Names().Lookup(u"Ainner"), nullptr);
    panel.SetFlag(u"e", true);
    EXPECT_EQ(Names().Lookup(u"Ainner"), &inner);
    // Showing it again shows every member again.
    inner.SetActive(false);
    panel.SetFlag(u"e", false);
    EXPECT_EQ(Names().Lookup(u"Ainner"), &inner);
    panel.SetFlag(u"e", true);
    EXPECT_TRUE(inner.IsActive());
}

TEST_F(GroupPanelTest, InitEventsFireOncePerLoadAndFallBackToTheTopLevelInit) {
    auto& init = Add<Recorder>(nullptr, u"init");
    auto& first = Add<PanelElement>(nullptr, u"p1", R(0, 0, 100, 100), 1);
    auto& ainit = Add<Recorder>(&first, u"Ainit");
    auto& second = Add<PanelElement>(nullptr, u"p2", R(0, 0, 100, 100), 2);
    Activate();
    for (int i = 0; i < 2; ++i) {
        for (PanelElement* p : {&first, &second, &Root()}) {
            p->SetActive(false);
            p->SetActive(true);
        }
    }
    EXPECT_EQ(ainit.values, (std::vector<int32_t>{0}));
    EXPECT_EQ(init.values, (std::vector<int32_t>{0, 0}));  // the root's and "Binit"'s
}

TEST_F(GroupPanelTest, ButtonsAreDrawnOverEverythingElseEachPassInFileOrder) {
    Add<RectButtonElement>(nullptr, u"b").SetBounds(R(0, 0, 10, 10));
    Add<RectElement>(nullptr, u"r1", R(0, 0, 20, 20));
    auto& panel = Add<PanelElement>(nullptr, u"p", R(0, 0, 100, 100), 1);
    Add<RectElement>(&panel, u"Ar", R(0, 0, 30, 30));
    Add<RectButtonElement>(&panel, u"Ab").SetBounds(R(0, 0, 40, 40));
    Add<RectElement>(nullptr, u"r2", R(0, 0, 50, 50));
    auto& far = Add<PanelElement>(nullptr, u"q", R(200, 200, 239, 319), 2);
    Add<RectElement>(&far, u"Br", R(0, 0, 60, 60));  // inside the painted area itself
    Activate();
    panel.SetActive(true);
    far.SetActive(true);
    RecordingSurface surface(Rect{0, 0, 100, 100});
    EXPECT_EQ(Root().DrawMembers(surface, KIND_BUTTON, 0), 3);
    EXPECT_EQ(Root().DrawMembers(surface, KIND_BUTTON, KIND_BUTTON), 2);
    std::vector<int32_t> order;
    for (const DrawCall& call : surface.Calls()) order.push_back(call.rect.right);
    EXPECT_EQ(order, (std::vector<int32_t>{20, 30, 50, 10, 40}));
}

TEST_F(GroupPanelTest, AnElementInTwoListsIsDestroyedOnceWhenTheInstrumentGoes) {
    struct Counted : Recorder {
        Counted(Instrument& owner, String name, int& n)
            : Recorder(owner, std::move(name)), destroyed(n) {}
        ~Counted() override { ++destroyed; }
        int& destroyed;
    };
    int destroyed = 0;
    auto& first = Add<GroupElement>(nullptr, u"g1");
    Add<Counted>(&first, u"v", destroyed);
    auto& second = Add<GroupElement>(nullptr, u"g2");
    Activate();
    second.AddByName(u"v");
    second.AddByName(u"g1");
    instrument_.ResetInstrument();
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(Names().Lookup(u"v"), nullptr);
    EXPECT_TRUE(Root().Group().Members().empty());
}

}  // namespace
}  // namespace chordlane::test

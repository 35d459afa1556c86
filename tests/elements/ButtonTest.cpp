#include "elements/EllipseButtonElement.h"
#include "elements/GroupElement.h"
#include "elements/HiddenButtonElement.h"
#include "elements/NameRegistry.h"
#include "elements/PlayAction.h"
#include "elements/TriggerGuard.h"
#include "platform/headless/RecordingSurface.h"
#include "tests/elements/ElementTestSupport.h"

namespace chordlane::test {
namespace {

class ButtonTest : public ElementTest {
  protected:
    void SetUp() override {
        ElementTest::SetUp();
        voice_ = &Add<Recorder>(nullptr, u"v");
    }
    template <typename T = RectButtonElement>
    T& Button(const String& name, Rect r, ElementList* in = nullptr) {
        auto& b = Add<T>(in, name);
        b.SetBounds(std::make_unique<Rect>(r));
        b.SetString(u"na", u"v");
        return b;
    }
    Recorder* voice_ = nullptr;
};

TEST_F(ButtonTest, AStrokeStrikesOnEntryOrCrossingButNotWhileItStays) {
    auto& b = Button(u"b", {10, 10, 50, 30});
    auto& next = Button(u"n", {60, 10, 70, 30});
    Activate();
    Root().ResetPenInside(STYLUS_POINT, false);
    EXPECT_EQ(Move({0, 20}, {5, 20}), 0);
    EXPECT_EQ(Move({5, 20}, {20, 20}, 40), 1);
    EXPECT_EQ(Move({20, 20}, {50, 30}), 0);  // the far corner is inside
    EXPECT_EQ(Move({50, 30}, {55, 20}), 0);
    EXPECT_EQ(Move({55, 20}, {45, 20}, 70), 1);
    EXPECT_EQ(Move({45, 5}, {100, 5}), 0);       // beside both, above their top
    EXPECT_EQ(Move({100, 20}, {0, 20}, 90), 2);  // across both, in file order
    EXPECT_EQ(voice_->values, (std::vector<int32_t>{40, 70, 90, 90}));
    EXPECT_EQ(voice_->sources, (std::vector<Element*>{&b, &b, &b, &next}));
}

TEST_F(ButtonTest, AnEllipseIsStruckThroughItsMiddleButNotAcrossTheCornersOfItsBounds) {
    auto& e = Button<EllipseButtonElement>(u"e", {100, 100, 160, 140});
    auto& r = Button(u"r", {100, 200, 160, 240});
    Activate();
    EXPECT_TRUE(e.HitTest({130, 140}));  // the edges belong to it
    Root().ResetPenInside(STYLUS_POINT, false);
    EXPECT_EQ(Move({90, 120}, {170, 120}), 1);
    // The same cut across a corner strikes the rectangle only.
    EXPECT_EQ(Move({95, 105}, {105, 95}), 0);
    EXPECT_EQ(Move({95, 205}, {105, 195}), 1);
    EXPECT_EQ(voice_->sources, (std::vector<Element*>{&e, &r}));
}

TEST_F(ButtonTest, EllipseCrossingIsExactAtTheRadiusAndSafeForFarOffBounds) {
    EllipseButtonElement e(instrument_, u"e");  // radius 100 round the origin: mapped unchanged
    e.SetBounds(R(-100, -100, 100, 100));
    EXPECT_TRUE(e.StrokeCrosses({-200, 100}, {200, 100}));  // touches (0, 100)
    EXPECT_FALSE(e.StrokeCrosses({-200, 101}, {200, 101}));
    EXPECT_FALSE(e.StrokeCrosses({101, 0}, {300, 0}));  // nearest point is an end
    // 32-bit products would overflow here; the answers must still be right.
    e.SetBounds(R(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
    EXPECT_TRUE(e.HitTest({INT32_MAX, 0}));
    EXPECT_FALSE(e.HitTest({INT32_MIN + 1, INT32_MIN + 1}));
    EXPECT_TRUE(e.StrokeCrosses({INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MAX}));  // touches
    EXPECT_FALSE(e.StrokeCrosses({INT32_MAX, INT32_MAX}, {INT32_MAX, INT32_MAX - 1000}));
    e.SetBounds(R(INT32_MAX, 0, INT32_MAX, 0));  // flat: radius 1, no division by 0
    EXPECT_TRUE(e.StrokeCrosses({INT32_MIN, 0}, {INT32_MAX, 0}));
}

TEST_F(ButtonTest, AHiddenButtonRelaysKeysButIgnoresTheStylus) {
    auto& hidden = Button<HiddenButtonElement>(u"bka", {0, 0, 100, 100});
    Activate();
    EXPECT_EQ(Tap(50, 50) + Move({-10, 50}, {110, 50}), 0);
    Names().OnKeyDown(65);
    EXPECT_EQ(voice_->values, (std::vector<int32_t>{30}));
    EXPECT_FALSE(hidden.IsPressed());  // only a stroke presses
}

TEST_F(ButtonTest, PressedFollowsTheSoundAndLinksFollowOnceRegistered) {
    auto& a = Button(u"a", {10, 10, 50, 30});
    auto& b = Button(u"b", {60, 10, 80, 30});
    auto& early = Button(u"c", {90, 10, 99, 30});
    early.SetString(u"nb", u"s");  // not registered yet: never linked
    auto& shape = Add<RectElement>(nullptr, u"s", R(0, 40, 20, 60));
    Activate();
    a.SetString(u"nb", u"b");
    b.SetString(u"nb", u"a");  // a circle of links ends where the flag already matches
    EXPECT_EQ(Tap(20, 20) + Tap(95, 20), 2);
    EXPECT_FALSE(shape.IsPressed());
    b.OnSoundDone();
    EXPECT_EQ(trace_.presses, (std::vector<String>{u"+a", u"+b", u"+c", u"-b", u"-a"}));
}

// Pressed colours with Show Active on are checked through chordlane-tool render.
TEST_F(ButtonTest, WithoutShowActiveAPressedButtonIsNeitherRepaintedNorDrawnPressed) {
    auto& b = Button(u"b", {10, 10, 50, 30});
    Activate();
    b.SetInt(u"ci", 0x11);
    b.SetInt(u"ca", 0x22);
    RecordingSurface surface;
    instrument_.options.showActive = 0;
    EXPECT_EQ(Tap(20, 20), 1);
    EXPECT_TRUE(platform_.window.Repaints().empty());
    EXPECT_TRUE(b.Draw(surface));
    EXPECT_EQ(surface.Calls().at(0).brush.colour, 0x11u);
}

TEST_F(ButtonTest, TriggersNamingThemselvesOrFanningOutWithoutEndStop) {
    auto& g = Add<GroupElement>(nullptr, u"g");
    g.Add(std::make_unique<PlayAction>(instrument_, u"g>", NO_VALUE));
    g.Add(std::make_unique<PlayAction>(instrument_, u"g>", NO_VALUE));
    auto& inner = Add<Recorder>(&g, u"inner");
    // Thirty groups each playing the next twice: 2^30 plays if followed blindly.
    std::vector<GroupElement*> chain;
    for (int i = 0; i < 30; ++i)
        chain.push_back(&Add<GroupElement>(nullptr, u"c" + Ascii(std::to_string(i))));
    for (int i = 0; i + 1 < 30; ++i) {
        for (int k = 0; k < 2; ++k) {
            chain[i]->Add(
                std::make_unique<PlayAction>(instrument_, chain[i + 1]->Name() + u">", NO_VALUE));
        }
    }
    auto& leaf = Add<Recorder>(chain.back(), u"leaf");
    Activate();
    g.Trigger(10, nullptr);
    chain[0]->Trigger(1, nullptr);
    EXPECT_LT(inner.values.size(), 100u);
    EXPECT_GT(leaf.values.size(), 0u);
    EXPECT_LE(leaf.values.size(), static_cast<size_t>(TriggerBudget::MAX_FORWARDS));
}

}  // namespace
}  // namespace chordlane::test

#include "elements/EllipseButtonElement.h"
#include "elements/GroupElement.h"
#include "elements/HiddenButtonElement.h"
#include "elements/PlayAction.h"
#include "elements/RectButtonElement.h"
#include "elements/TriggerGuard.h"
#include "language/NameRegistry.h"
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

    RectButtonElement& RectButton(const String& name, Rect r, ElementList* in = nullptr) {
        auto& b = Add<RectButtonElement>(in, name);
        b.SetBounds(std::make_unique<Rect>(r));
        b.SetString(u"na", u"v");
        return b;
    }
    EllipseButtonElement& EllipseButton(const String& name, Rect r) {
        auto& b = Add<EllipseButtonElement>(nullptr, name);
        b.SetBounds(std::make_unique<Rect>(r));
        b.SetString(u"na", u"v");
        return b;
    }

    Recorder* voice_ = nullptr;
};

TEST_F(ButtonTest, StrikesOnEntryNotWhileThePenStaysAndAgainAfterLeaving) {
    auto& b = RectButton(u"b", {10, 10, 50, 30});
    Activate();
    Root().ResetPenInside(false);
    EXPECT_EQ(Move({0, 20}, {5, 20}), 0);
    EXPECT_EQ(Move({5, 20}, {20, 20}, 40), 1);
    EXPECT_EQ(Move({20, 20}, {50, 30}), 0);  // the far corner is still inside
    EXPECT_EQ(Move({50, 30}, {60, 20}), 0);
    EXPECT_FALSE(b.IsPenInside());
    EXPECT_EQ(Move({60, 20}, {45, 20}, 70), 1);
    EXPECT_EQ(voice_->values, (std::vector<int32_t>{40, 70}));
    EXPECT_EQ(voice_->sources, (std::vector<Element*>{&b, &b}));
    EXPECT_TRUE(b.IsPressed());
}

TEST_F(ButtonTest, AFastStrokeAcrossStrikesButOnePassingBesideDoesNot) {
    RectButton(u"b", {10, 10, 50, 30});
    Activate();
    Root().ResetPenInside(false);
    EXPECT_EQ(Move({0, 5}, {100, 5}), 0);
    EXPECT_EQ(Move({0, 35}, {100, 35}), 0);
    EXPECT_EQ(Move({0, 20}, {100, 20}), 1);
}

TEST_F(ButtonTest, OneSegmentStrikesEveryButtonItCrossesInFileOrder) {
    auto& first = RectButton(u"s1", {10, 10, 20, 200});
    auto& second = RectButton(u"s2", {30, 10, 40, 200});
    Activate();
    Root().ResetPenInside(false);
    EXPECT_EQ(Move({50, 100}, {0, 100}), 2);
    EXPECT_EQ(voice_->sources, (std::vector<Element*>{&first, &second}));
}

TEST_F(ButtonTest, TappingTheSameButtonTwiceStrikesItTwiceInTheRootAndInAPanel) {
    RectButton(u"root", {10, 10, 50, 30});
    auto& panel = Add<PanelElement>(nullptr, u"p", R(100, 100, 200, 200), 1);
    RectButton(u"Ain", {110, 110, 150, 130}, &panel);
    Activate();
    panel.SetActive(true);
    EXPECT_EQ(Tap(20, 20), 1);
    EXPECT_EQ(Tap(20, 20), 1);
    EXPECT_EQ(Tap(120, 120), 1);
    EXPECT_EQ(Tap(120, 120), 1);
    EXPECT_EQ(voice_->values, (std::vector<int32_t>{30, 30, 30, 30}));
}

TEST_F(ButtonTest, InsideAPanelTheStrokeCountsAsStayingFromItsSecondSegment) {
    auto& panel = Add<PanelElement>(nullptr, u"p", R(100, 100, 200, 200), 1);
    RectButton(u"Ab", {110, 110, 150, 130}, &panel);
    Activate();
    panel.SetActive(true);
    Root().ResetPenInside(false);
    // The first segment lands inside the button: the panel had not been entered before,
    // so it strikes even though the button's own flag may be left over.
    EXPECT_EQ(Move({119, 119}, {120, 120}), 1);
    EXPECT_EQ(Move({120, 120}, {130, 120}), 0);
    EXPECT_EQ(Move({130, 120}, {140, 125}), 0);
}

TEST_F(ButtonTest, EllipseIsStruckThroughItsMiddleButNotInTheCornersOfItsBounds) {
    auto& e = EllipseButton(u"e", {100, 100, 160, 140});
    Activate();
    EXPECT_EQ(e.RadiusX(), 30);
    EXPECT_EQ(e.RadiusY(), 20);
    EXPECT_TRUE(e.HitTest({130, 120}));
    EXPECT_TRUE(e.HitTest({100, 120}));
    EXPECT_TRUE(e.HitTest({130, 140}));
    EXPECT_FALSE(e.HitTest({101, 101}));
    EXPECT_FALSE(e.HitTest({159, 139}));

    EXPECT_EQ(Tap(102, 102), 0);
    Root().ResetPenInside(false);
    EXPECT_EQ(Move({90, 120}, {170, 120}), 1);
    // A segment cutting the corner of the bounds: a rectangle would be struck.
    Root().ResetPenInside(false);
    EXPECT_EQ(Move({95, 105}, {105, 95}), 0);
    EXPECT_EQ(voice_->values.size(), 1u);
}

TEST_F(ButtonTest, RectangleIsStruckByTheSegmentThatCutsItsCorner) {
    RectButton(u"b", {100, 100, 160, 140});
    Activate();
    Root().ResetPenInside(false);
    EXPECT_EQ(Move({95, 105}, {105, 95}), 1);
}

TEST_F(ButtonTest, EllipseCrossingIsExactAtTheRadius) {
    // A circle of radius 100 round the origin: the mapping to percent is the identity.
    EllipseButtonElement e(u"e");
    e.SetBounds(R(-100, -100, 100, 100));
    EXPECT_TRUE(e.StrokeCrosses({-200, 100}, {200, 100}));    // touches at (0, 100)
    EXPECT_FALSE(e.StrokeCrosses({-200, 101}, {200, 101}));
    EXPECT_TRUE(e.StrokeCrosses({-80, 80}, {80, 80}));        // a chord
    EXPECT_FALSE(e.StrokeCrosses({-200, 200}, {200, 200}));
    EXPECT_TRUE(e.StrokeCrosses({100, 0}, {300, 0}));         // starts on the circle
    EXPECT_FALSE(e.StrokeCrosses({101, 0}, {300, 0}));        // nearest point is an end
    EXPECT_FALSE(e.StrokeCrosses({-300, 0}, {-101, 0}));
    EXPECT_FALSE(e.StrokeCrosses({71, 71}, {71, 71}));        // one point: the hit test
    EXPECT_TRUE(e.StrokeCrosses({70, 70}, {70, 70}));
    // A steep segment, along y: x' equal at both ends.
    EXPECT_TRUE(e.StrokeCrosses({50, -300}, {50, 300}));
}

TEST_F(ButtonTest, FarOffBoundsDoNotOverflowTheEllipseArithmetic) {
    EllipseButtonElement e(u"e");
    e.SetBounds(R(-2000000000, -2000000000, 2000000000, 2000000000));
    EXPECT_EQ(e.CentreX(), 0);
    EXPECT_EQ(e.RadiusX(), 2000000000);
    EXPECT_TRUE(e.HitTest({0, 0}));
    EXPECT_TRUE(e.HitTest({2000000000, 0}));
    EXPECT_FALSE(e.HitTest({-1999999999, -1999999999}));
    EXPECT_TRUE(e.StrokeCrosses({INT32_MIN, 0}, {INT32_MAX, 0}));
    EXPECT_FALSE(e.StrokeCrosses({INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MAX}));

    EllipseButtonElement wide(u"w");
    wide.SetBounds(R(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
    EXPECT_EQ(wide.CentreX(), 0);  // (-2^31 + 2^31 - 1) / 2 truncates to 0
    EXPECT_TRUE(wide.HitTest({INT32_MAX, 0}));
    EXPECT_TRUE(wide.StrokeCrosses({INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}));

    // A flat ellipse keeps a radius of 1 and never divides by zero.
    EllipseButtonElement flat(u"f");
    flat.SetBounds(R(INT32_MAX, 0, INT32_MAX, 0));
    EXPECT_EQ(flat.RadiusX(), 1);
    EXPECT_TRUE(flat.HitTest({INT32_MAX, 0}));
    EXPECT_TRUE(flat.StrokeCrosses({INT32_MIN, 0}, {INT32_MAX, 0}));
}

TEST_F(ButtonTest, HiddenButtonRelaysKeyEventsAndNeverReactsToTheStylus) {
    auto& hidden = Add<HiddenButtonElement>(nullptr, u"bka");
    hidden.SetBounds(R(0, 0, 100, 100));
    hidden.SetString(u"na", u"v");
    Activate();
    EXPECT_EQ(Tap(50, 50), 0);
    Root().ResetPenInside(false);
    EXPECT_EQ(Move({-10, 50}, {110, 50}), 0);
    EXPECT_TRUE(voice_->values.empty());

    App().sp = 44;
    OnKeyDown(65);
    EXPECT_EQ(voice_->values, (std::vector<int32_t>{44}));
    EXPECT_EQ(voice_->sources, (std::vector<Element*>{nullptr}));
    EXPECT_FALSE(hidden.IsPressed());  // only a stroke presses a button
}

TEST_F(ButtonTest, TargetIsLookedUpUntilFoundAndAgainAfterANewName) {
    auto& b = RectButton(u"b", {10, 10, 50, 30});
    b.SetString(u"na", u"later");
    Activate();
    EXPECT_EQ(Tap(20, 20), 1);  // struck, but nothing to play yet
    auto& later = Add<Recorder>(nullptr, u"later");
    later.SetActive(true);
    b.Trigger(25, nullptr);
    EXPECT_EQ(later.values, (std::vector<int32_t>{25}));
    b.SetString(u"na", u"v");
    b.Trigger(26, nullptr);
    EXPECT_EQ(voice_->values, (std::vector<int32_t>{26}));
    EXPECT_EQ(later.values.size(), 1u);
}

TEST_F(ButtonTest, PressedStateFollowsTheSoundAndTheLinkedElementFollowsTheButton) {
    auto& b = RectButton(u"b", {10, 10, 50, 30});
    auto& shape = Add<RectElement>(nullptr, u"s", R(0, 40, 20, 60));
    auto& other = RectButton(u"b2", {60, 10, 80, 30});
    Activate();
    b.SetString(u"nb", u"b2");
    other.SetString(u"nb", u"s");
    PressTrace trace;
    SetTrace(&trace);

    EXPECT_EQ(Tap(20, 20), 1);
    EXPECT_TRUE(b.IsPressed());
    EXPECT_TRUE(other.IsPressed());
    EXPECT_TRUE(shape.IsPressed());
    b.OnSoundDone();
    EXPECT_FALSE(b.IsPressed());
    EXPECT_FALSE(other.IsPressed());
    EXPECT_FALSE(shape.IsPressed());
    EXPECT_EQ(trace.log, (std::vector<String>{u"+b", u"+b2", u"-b", u"-b2"}));
}

TEST_F(ButtonTest, ButtonsLinkedToEachOtherStopAtTheFirstThatAlreadyMatches) {
    auto& a = RectButton(u"a", {10, 10, 50, 30});
    auto& b = RectButton(u"b", {60, 10, 80, 30});
    Activate();
    a.SetString(u"nb", u"b");
    b.SetString(u"nb", u"a");
    a.SetPressed(true);
    EXPECT_TRUE(b.IsPressed());
    b.OnSoundDone();
    EXPECT_FALSE(a.IsPressed());
}

TEST_F(ButtonTest, LinkToAnElementNotYetRegisteredIsNeverMade) {
    auto& b = RectButton(u"b", {10, 10, 50, 30});
    b.SetString(u"nb", u"s");
    auto& shape = Add<RectElement>(nullptr, u"s", R(0, 40, 20, 60));
    Activate();
    EXPECT_EQ(Tap(20, 20), 1);
    EXPECT_FALSE(shape.IsPressed());
}

TEST_F(ButtonTest, ShowActiveDecidesTheRepaintAndThePressedColoursNotThePressing) {
    auto& b = RectButton(u"b", {10, 10, 50, 30});
    auto& shape = Add<RectElement>(nullptr, u"s", R(0, 40, 20, 60));
    Activate();
    b.SetString(u"nb", u"s");
    b.SetInt(u"ci", 0x111111);
    b.SetInt(u"ca", 0x222222);
    b.SetInt(u"cI", 0x333333);
    b.SetInt(u"cA", 0x444444);
    platform_.window.ClearRepaints();

    App().showActive = 0;
    EXPECT_EQ(Tap(20, 20), 1);
    EXPECT_TRUE(platform_.window.Repaints().empty());
    EXPECT_TRUE(shape.IsPressed());
    RecordingSurface surface;
    EXPECT_TRUE(b.Draw(surface));
    ASSERT_EQ(surface.Calls().size(), 1u);
    EXPECT_EQ(surface.Calls()[0].kind, DrawCall::Kind::Rectangle);
    EXPECT_EQ(surface.Calls()[0].brush.colour, 0x111111u);
    EXPECT_EQ(surface.Calls()[0].pen.colour, 0x333333u);

    App().showActive = 1;
    b.OnSoundDone();
    EXPECT_EQ(platform_.window.Repaints(), (std::vector<Rect>{{10, 10, 50, 30}}));
    EXPECT_EQ(Tap(20, 20), 1);
    surface.Clear();
    EXPECT_TRUE(b.Draw(surface));
    EXPECT_EQ(surface.Calls()[0].brush.colour, 0x222222u);
    EXPECT_EQ(surface.Calls()[0].pen.colour, 0x444444u);
}

TEST_F(ButtonTest, DrawingUsesTheColoursOfTheFirstDrawAndSkipsAreasNotBeingPainted) {
    auto& e = EllipseButton(u"e", {100, 100, 160, 140});
    RecordingSurface elsewhere(Rect{0, 0, 50, 50});
    EXPECT_FALSE(e.Draw(elsewhere));
    EXPECT_TRUE(elsewhere.Calls().empty());

    e.SetInt(u"ci", 0x0000AA);
    RecordingSurface surface;
    EXPECT_TRUE(e.Draw(surface));
    e.SetInt(u"ci", 0x00BB00);
    EXPECT_TRUE(e.Draw(surface));
    ASSERT_EQ(surface.Calls().size(), 2u);
    EXPECT_EQ(surface.Calls()[0].kind, DrawCall::Kind::Ellipse);
    EXPECT_EQ(surface.Calls()[0].rect, (Rect{100, 100, 160, 140}));
    EXPECT_EQ(surface.Calls()[1].brush.colour, 0x0000AAu);

    HiddenButtonElement hidden(u"h");
    hidden.SetBounds(R(0, 0, 10, 10));
    EXPECT_FALSE(hidden.Draw(surface));
    EXPECT_EQ(surface.Calls().size(), 2u);
}

TEST_F(ButtonTest, ATargetNamingItselfOrAGroupPlayingItselfEnds) {
    auto& self = RectButton(u"self", {10, 10, 50, 30});
    self.SetString(u"na", u"self");
    auto& g = Add<GroupElement>(nullptr, u"g");
    g.Add(std::make_unique<PlayAction>(u"g>", NO_VALUE));
    g.Add(std::make_unique<PlayAction>(u"g>", NO_VALUE));
    auto& inner = Add<Recorder>(&g, u"inner");
    Activate();
    EXPECT_EQ(Tap(20, 20), 1);
    g.Trigger(10, nullptr);
    EXPECT_FALSE(inner.values.empty());
    EXPECT_LT(inner.values.size(), 100u);
}

TEST_F(ButtonTest, AChainThatFansOutExponentiallyEndsWithinItsBudget) {
    // Thirty groups, each playing the next one twice: 2^30 plays if followed blindly.
    constexpr int LEVELS = 30;
    std::vector<GroupElement*> groups;
    for (int i = 0; i < LEVELS; ++i) {
        groups.push_back(&Add<GroupElement>(nullptr, u"g" + Ascii(std::to_string(i))));
    }
    for (int i = 0; i + 1 < LEVELS; ++i) {
        const String next = u"g" + Ascii(std::to_string(i + 1)) + u">";
        groups[i]->Add(std::make_unique<PlayAction>(next, NO_VALUE));
        groups[i]->Add(std::make_unique<PlayAction>(next, NO_VALUE));
    }
    auto& leaf = Add<Recorder>(groups.back(), u"leaf");
    Activate();
    groups[0]->Trigger(1, nullptr);
    EXPECT_GT(leaf.values.size(), 0u);
    EXPECT_LE(leaf.values.size(), static_cast<size_t>(TriggerGuard::MAX_FORWARDS));
}

}  // namespace
}  // namespace chordlane::test

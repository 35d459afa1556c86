#include "elements/GroupElement.h"
#include "elements/NameRegistry.h"
#include "elements/SetFlagAction.h"
#include "elements/SetIntAction.h"
#include "elements/SetRectAction.h"
#include "elements/SetStringAction.h"
#include "elements/StopAction.h"
#include "elements/TextElement.h"
#include "tests/elements/ElementTestSupport.h"

namespace chordlane::test {
namespace {

class ActionTest : public ElementTest {
  protected:
    void SetUp() override {
        ElementTest::SetUp();
        x_ = &Add<Recorder>(nullptr, u"x");
        Activate();
    }
    //! What a stepping action leaves in a property that held before.
    int32_t Step(int32_t before, int32_t step, int32_t restart, int32_t limit) {
        x_->number = before;
        SetIntAction(instrument_, u"x=i", u"nn", step, limit, restart).Trigger(30, nullptr);
        return x_->number;
    }
    Recorder* x_ = nullptr;
};

TEST_F(ActionTest, SteppingWrapsBeyondTheLimitAndNeverWithoutOne) {
    EXPECT_EQ(Step(11, 1, 0, 11), 0);
    EXPECT_EQ(Step(10, 1, 0, 11), 11);
    EXPECT_EQ(Step(NO_VALUE, 1, 0, 11), 1);
    EXPECT_EQ(Step(0, -1, 11, 0), 11);
    EXPECT_EQ(Step(9, 2, NO_VALUE, 10), 10);  // a missing restart takes the limit
    EXPECT_EQ(Step(5, -7, 0, NO_VALUE), -2);
    // At the ends of the range it stays there and never turns into "no value".
    EXPECT_EQ(Step(INT32_MAX, 1, NO_VALUE, NO_VALUE), INT32_MAX);
    EXPECT_EQ(Step(NO_VALUE + 1, -1, NO_VALUE, NO_VALUE), NO_VALUE + 1);
}

TEST_F(ActionTest, AGroupTargetStepsEveryMemberThroughNestedGroupsAndPanels) {
    auto& keys = Add<GroupElement>(nullptr, u"keys");
    auto& c = Add<TextElement>(&keys, u"c", u"C", R(0, 0, 10, 10));
    auto& inner = Add<GroupElement>(&keys, u"inner");
    auto& f = Add<TextElement>(&inner, u"f", u"F", R(0, 0, 10, 10));
    auto& panel = Add<PanelElement>(nullptr, u"p", R(0, 0, 100, 100), 1);
    auto& g = Add<TextElement>(&panel, u"Ag", u"G", R(0, 0, 10, 10));
    keys.SetActive(true);
    Names().Register(u"p", &panel);
    keys.AddByName(u"p");
    SetIntAction up(instrument_, u"keys=i", u"ns", 1, 11, 0);
    up.Trigger(30, nullptr);
    up.Trigger(30, nullptr);
    EXPECT_EQ(c.FormatLabel() + f.FormatLabel() + g.FormatLabel(), u"DGA");
}

TEST_F(ActionTest, WithoutATargetSettingsReachTheApplicationVariablesOrTheWholeTree) {
    auto& label = Add<TextElement>(nullptr, u"l", u"A", R(0, 0, 10, 10));
    SetIntAction(instrument_, u"=i", u"vA", 10).Trigger(0, nullptr);
    SetIntAction(instrument_, u"=i", u"vA", 3, 12, 0).Trigger(0, nullptr);
    EXPECT_EQ(instrument_.variables.vA, 0);
    SetIntAction transpose(instrument_, u"=i", u"ns", 2, NO_VALUE, NO_VALUE);
    transpose.Trigger(0, nullptr);
    transpose.Trigger(0, nullptr);
    EXPECT_EQ(label.FormatLabel(), u"C#");
    SetStringAction(instrument_, u"=s", u"tt", u"all").Trigger(0, nullptr);
    EXPECT_EQ(x_->text, u"all");
    // A target name that finds nothing does nothing, and nothing global either.
    SetIntAction(instrument_, u"nobody=i", u"vA", 9).Trigger(0, nullptr);
    EXPECT_EQ(instrument_.variables.vA, 0);
}

TEST_F(ActionTest, FlagRectAndStopActions) {
    auto& shape = Add<RectElement>(nullptr, u"s", R(0, 0, 10, 10));
    shape.SetActive(true);
    SetFlagAction(instrument_, u"s=b", u"e", false).Trigger(0, nullptr);
    SetFlagAction(instrument_, u"=b", u"e", true).Trigger(0, nullptr);  // no global form
    EXPECT_FALSE(shape.IsActive());
    SetRectAction move(instrument_, u"s=r", u"b", R(20, 30, 40, 50));
    move.Trigger(0, nullptr);
    move.Trigger(0, nullptr);  // a second copy replaces the first
    EXPECT_EQ(*shape.Bounds(), (Rect{20, 30, 40, 50}));
    EXPECT_NE(shape.Bounds(), move.GetRect());

    StopAction(instrument_, u"x<").Trigger(60, &shape);
    EXPECT_EQ(x_->values, (std::vector<int32_t>{NO_VALUE}));
    EXPECT_EQ(x_->sources, (std::vector<Element*>{&shape}));
}

}  // namespace
}  // namespace chordlane::test

#include "app/ScreenUpdate.h"

#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

using ScreenUpdateTest = ChordlaneTest;

TEST_F(ScreenUpdateTest, PendingAreasGrowIntoOneRepaint) {
    AddPendingRepaint({10, 10, 20, 20});
    AddPendingRepaint({30, 5, 40, 15});
    AddPendingRepaint({0, 0, 0, 0});  // empty: adds nothing, even with corners at 0
    EXPECT_EQ(App().pendingRepaint, (Rect{10, 5, 40, 20}));
    EXPECT_TRUE(platform_.window.Repaints().empty());

    FlushPendingRepaint();
    ASSERT_EQ(platform_.window.Repaints().size(), 1u);
    EXPECT_EQ(platform_.window.Repaints()[0], (Rect{10, 5, 40, 20}));
    EXPECT_TRUE(App().pendingRepaint.IsEmpty());

    FlushPendingRepaint();
    EXPECT_EQ(platform_.window.Repaints().size(), 1u);
}

TEST_F(ScreenUpdateTest, DiscardedAreaIsNeverRepainted) {
    AddPendingRepaint({10, 10, 20, 20});
    DiscardPendingRepaint();
    FlushPendingRepaint();
    EXPECT_TRUE(platform_.window.Repaints().empty());
}

TEST_F(ScreenUpdateTest, ShowActiveDecidesWhetherPressedButtonsRepaint) {
    RepaintIfShowActive({1, 2, 3, 4});
    App().showActive = 0;
    RepaintIfShowActive({5, 6, 7, 8});
    ASSERT_EQ(platform_.window.Repaints().size(), 1u);
    EXPECT_EQ(platform_.window.Repaints()[0], (Rect{1, 2, 3, 4}));
}

TEST_F(ScreenUpdateTest, NothingHappensWithoutAWindow) {
    Platform none = CurrentPlatform();
    none.window = nullptr;
    InstallPlatform(none);
    AddPendingRepaint({10, 10, 20, 20});
    FlushPendingRepaint();
    SetScreenState(2);
    platform_.Install();
    EXPECT_TRUE(platform_.window.Repaints().empty());
    EXPECT_TRUE(App().pendingRepaint.IsEmpty());
}

}  // namespace
}  // namespace chordlane::test

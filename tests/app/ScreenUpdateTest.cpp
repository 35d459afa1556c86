#include "app/ScreenUpdate.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

using ScreenUpdateTest = ChordlaneTest;

TEST_F(ScreenUpdateTest, PendingAreasGrowIntoOneRepaint) {
    AddPendingRepaint({10, 10, 20, 20});
    AddPendingRepaint({30, 5, 40, 15});
    AddPendingRepaint({0, 0, 0, 0});  // empty: adds nothing, even with corners at 0
    EXPECT_TRUE(platform_.window.Repaints().empty());
    FlushPendingRepaint();
    FlushPendingRepaint();
    EXPECT_EQ(platform_.window.Repaints(), (std::vector<Rect>{{10, 5, 40, 20}}));
}

}  // namespace
}  // namespace chordlane::test

#include "app/AppState.h"

#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

class AppStateTest : public ChordlaneTest {};

TEST_F(AppStateTest, StartsWithTheInitialValues) {
    const AppState& app = App();
    EXPECT_EQ(app.cb, -1);
    EXPECT_EQ(app.sp, 30);
    EXPECT_EQ(app.vA, 0);
    EXPECT_EQ(app.vM, 0);
    EXPECT_EQ(app.showActive, 1);
    EXPECT_EQ(app.speedVolume, 1);
    EXPECT_EQ(app.instrumentLoaded, 0);
    EXPECT_FALSE(app.root);
}

}  // namespace
}  // namespace chordlane::test

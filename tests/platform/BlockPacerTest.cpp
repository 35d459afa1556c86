// The pace of the null output's render loop, on made-up times: when blocks are due and when a
// late block counts as an underrun.
#include <gtest/gtest.h>

#include "platform/std/RenderThread.h"

namespace chordlane {
namespace {

using Clock = BlockPacer::Clock;
using std::chrono::microseconds;

TEST(BlockPacerTest, BlocksAreDueWhenTheFramesBeforeThemHavePlayedWithoutDrift) {
    const Clock::time_point start{};
    // 480 frames at 48 kHz: 10 ms a block.
    BlockPacer pacer(48000, 480, start);
    EXPECT_EQ(pacer.Next(start + microseconds(300)), start + microseconds(10000));
    EXPECT_EQ(pacer.Next(start + microseconds(10400)), start + microseconds(20000));
    // Late, but by less than a block: the next deadline keeps the pace, nothing is counted.
    EXPECT_EQ(pacer.Next(start + microseconds(29000)), start + microseconds(30000));
    EXPECT_EQ(pacer.Underruns(), 0u);

    // 256 frames at 48 kHz is 5333.33 us: a thousand blocks end at 5 333 333 us, not a
    // thousand truncations earlier.
    BlockPacer odd(48000, 256, start);
    Clock::time_point due{};
    for (int k = 0; k < 1000; ++k) due = odd.Next(start);
    EXPECT_EQ(due, start + microseconds(5333333));
}

TEST(BlockPacerTest, ABlockMoreThanABlockLateIsAnUnderrunAndThePaceStartsAgain) {
    const Clock::time_point start{};
    BlockPacer pacer(48000, 480, start);
    pacer.Next(start);  // due at 10 ms
    // The second block is due at 20 ms; rendered at 31 ms it is over 10 ms late.
    EXPECT_EQ(pacer.Next(start + microseconds(31000)), start + microseconds(31000));
    EXPECT_EQ(pacer.Underruns(), 1u);
    // The deadlines count from then on, so one stall is one underrun, not a run of them.
    EXPECT_EQ(pacer.Next(start + microseconds(32000)), start + microseconds(41000));
    EXPECT_EQ(pacer.Underruns(), 1u);
    pacer.Next(start + microseconds(80000));
    EXPECT_EQ(pacer.Underruns(), 2u);
}

TEST(BlockPacerTest, NoRateOrBlockSizeDividesByZero) {
    const Clock::time_point start{};
    BlockPacer pacer(0, 0, start);
    EXPECT_GT(pacer.Next(start), start);
}

}  // namespace
}  // namespace chordlane

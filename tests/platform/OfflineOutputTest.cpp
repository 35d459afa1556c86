#include <gtest/gtest.h>

#include "mixer/WaveMapper.h"
#include "platform/headless/OfflineOutput.h"
#include "platform/headless/VirtualClock.h"

namespace chordlane::test {
namespace {

// The mix itself is checked through chordlane-tool play; here only the failure it must report.
TEST(OfflineOutputFile, AFileThatCannotBeWrittenIsReportedButTheClockStillRenders) {
    WaveMapper mapper;
    VirtualClock clock;
    OfflineOutput output(mapper, clock, {"/nonexistent-folder/mix.wav", 44100});
    EXPECT_FALSE(output.IsOpen());
    EXPECT_EQ(mapper.DeviceRate(), 44100u);
    clock.Advance(10);
    output.Advance();
    EXPECT_EQ(output.FramesRendered(), 441u);
    EXPECT_FALSE(output.Finish());
}

}  // namespace
}  // namespace chordlane::test

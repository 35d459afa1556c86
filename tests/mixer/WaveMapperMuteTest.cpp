// A muted mixer (the own sound off while the notes go out over MIDI): silence comes out,
// yet the buffers play on, so sounds end, and their MIDI notes with them, on time.
#include <gtest/gtest.h>

#include "mixer/WaveMapper.h"
#include "tests/sound/SoundTestSupport.h"

namespace chordlane::test {
namespace {

TEST(WaveMapperMuteTest, MutedOutputIsSilentButBuffersStillEndAndUnmutingSoundsAgain) {
    // Without look-ahead the master stage passes each block as it comes, so what muting
    // does shows in the very block it applies to.
    WaveMapperConfig config{48000, 8, 64};
    config.master.lookaheadMs = 0.0;
    WaveMapper mapper(config);
    ASSERT_EQ(mapper.MasterLatency(), 0u);
    int notices = 0;
    WaveDevice device = NO_DEVICE;
    ASSERT_EQ(mapper.Open(&device, {1, 1, 48000, 96000, 2, 16, 0},
                          [&notices](WaveDevice, WaveHeader*) { ++notices; }),
              WaveResult::Ok);
    const std::string data = Pcm16(std::vector<int16_t>(8, 16384));
    WaveHeader header{};
    header.data = reinterpret_cast<const uint8_t*>(data.data());
    header.bufferLength = static_cast<uint32_t>(data.size());
    mapper.Prepare(device, &header);
    ASSERT_EQ(mapper.Write(device, &header), WaveResult::Ok);

    mapper.SetMuted(true);
    std::vector<float> out(2 * 4, 99.0f);
    mapper.Render(out, 4);
    EXPECT_EQ(out, std::vector<float>(8, 0.0f));
    mapper.SetMuted(false);
    mapper.Render(out, 4);
    // The second half of the buffer: the muted half was played, not held back.
    EXPECT_EQ(out, std::vector<float>(8, 0.5f));
    mapper.Render(out, 4);
    EXPECT_EQ(mapper.DeliverNotices(), 1u);
    EXPECT_EQ(notices, 1);
}

}  // namespace
}  // namespace chordlane::test

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/audio/OfflineOutput.h"
#include "platform/audio/WaveMapper.h"
#include "sound/SoundChannel.h"
#include "tests/sound/SoundTestSupport.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

// The sound engine on the mixer, the mixer on an offline output driven by the clock.
class OfflineOutputTest : public ChordlaneTest {
  protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        SoundChannel::ResetStartTime();
        output_ = std::make_unique<OfflineOutput>(mapper_, platform_.clock,
                                                  OfflineOutputConfig{Path().string(), 48000});
        platform_.clock.SetAdvanceHook([this](uint32_t) { output_->Advance(); });
        Platform p = CurrentPlatform();
        p.waveOut = &mapper_;
        InstallPlatform(p);
    }
    void TearDown() override {
        platform_.clock.SetAdvanceHook(nullptr);
        ChordlaneTest::TearDown();
    }
    std::filesystem::path Path() const { return temp_ / "mix.wav"; }
    void Wait(uint32_t ms) {
        for (uint32_t i = 0; i < ms; ++i) platform_.clock.Advance(1);
    }

    WaveMapper mapper_;
    std::unique_ptr<OfflineOutput> output_;
    // Half a second at half level, at another rate than the mix.
    std::unique_ptr<Sample> note_ =
        Recording({1, 1, 22050, 16}, Pcm16(std::vector<int16_t>(11025, 16384)));
};

TEST_F(OfflineOutputTest, TheMixIsWrittenAtItsLevelAndTheEndComesOnTime) {
    Listener source;
    uint32_t doneAt = 0;
    Wait(100);
    SoundChannel channel;
    ASSERT_TRUE(channel.Start(note_.get(), 50, 0, &source));
    const uint32_t start = platform_.clock.TickCount();
    for (int ms = 0; ms < 900; ++ms) {
        Wait(1);
        if (source.done == 1 && doneAt == 0) doneAt = platform_.clock.TickCount();
    }
    ASSERT_TRUE(output_->Finish());
    // The sound lasts 500 ms; its end is told no earlier, and at most 20 ms later.
    EXPECT_EQ(source.done, 1);
    EXPECT_GE(doneAt - start, 500u);
    EXPECT_LE(doneAt - start, 520u);

    std::ifstream in(Path(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    // 16-bit stereo PCM at 48000 per second, in the layout the program reads back.
    EXPECT_EQ(bytes.substr(0, 44), CanonicalWave({1, 2, 48000, 16}, bytes.substr(44)).substr(0, 44));
    std::vector<int16_t> mix((bytes.size() - 44) / 2);
    std::memcpy(mix.data(), bytes.data() + 44, mix.size() * 2);
    ASSERT_EQ(mix.size(), 1000u * 48 * 2);
    size_t onset = 0;
    while (onset < mix.size() / 2 && std::abs(mix[2 * onset]) < 100) ++onset;
    EXPECT_NEAR(static_cast<double>(onset), 4800.0, 48.0);
    // Half level at volume 50 (32767 of 65535), on both sides; silence after the end.
    for (size_t f = 7200; f < 26400; f += 97) {
        EXPECT_NEAR(mix[2 * f], 8191, 82) << f;
        EXPECT_NEAR(mix[2 * f + 1], 8191, 82) << f;
    }
    for (size_t f = 30000; f < 48000; ++f) ASSERT_EQ(mix[2 * f], 0) << f;
}

TEST(OfflineOutputFile, AFileThatCannotBeWrittenIsReported) {
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

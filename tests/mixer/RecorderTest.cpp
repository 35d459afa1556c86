// Recording the mix: the file holds exactly the blocks rendered while recording, and blocks
// that find the ring full are counted and left out, never waited for.
#include <gmock/gmock.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "mixer/Recorder.h"
#include "mixer/WaveMapper.h"
#include "tests/support/ChordlaneTest.h"
#include "tests/support/WavReader.h"

namespace chordlane::test {
namespace {

constexpr size_t BLOCK = 256;

class RecorderTest : public ChordlaneTest {
  protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        // A second of a 16-bit mono ramp, playing as one stream of the mixer.
        for (size_t i = 0; i < ramp_.size(); ++i) ramp_[i] = static_cast<int16_t>(i % 2000 * 8);
        ASSERT_EQ(mapper_.Open(&device_, {1, 1, 48000, 96000, 2, 16, 0}, nullptr), WaveResult::Ok);
        header_.data = reinterpret_cast<const uint8_t*>(ramp_.data());
        header_.bufferLength = static_cast<uint32_t>(2 * ramp_.size());
        mapper_.Prepare(device_, &header_);
        mapper_.Write(device_, &header_);
    }
    //! Renders blocks as the output's callback does; answers them as 16-bit samples.
    std::vector<int32_t> Render(size_t blocks) {
        std::vector<int32_t> samples;
        std::vector<float> block(2 * BLOCK);
        for (size_t b = 0; b < blocks; ++b) {
            mapper_.Render(block, BLOCK);
            for (float v : block) samples.push_back(static_cast<int16_t>(std::lrintf(v * 32767)));
        }
        return samples;
    }
    String File(const std::string& name) { return FromUtf8((temp_ / name).string()); }

    WaveMapper mapper_;
    WaveDevice device_ = NO_DEVICE;
    WaveHeader header_;
    std::vector<int16_t> ramp_ = std::vector<int16_t>(48000);
};

TEST_F(RecorderTest, TheFileHoldsExactlyTheBlocksRenderedWhileRecording) {
    Recorder recorder(mapper_);
    Render(3);
    ASSERT_EQ(recorder.Start(File("a.wav"), 16), "");
    const std::vector<int32_t> recorded = Render(20);
    // While it goes on, the header comes to count them within the writer's half second (a
    // minute is far beyond what it takes: the writer is on a thread of its own).
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (ReadWav(temp_ / "a.wav").samples.size() < recorded.size() &&
           std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(ReadWav(temp_ / "a.wav").samples, recorded);
    const RecordingStats stats = recorder.Stop();
    Render(3);
    EXPECT_EQ(stats.frames, 20 * BLOCK);
    EXPECT_EQ(stats.overruns, 0u);
    const WavContent wav = ReadWav(temp_ / "a.wav");
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.rate, 48000u);
    EXPECT_EQ(wav.samples, recorded);
    EXPECT_GT(*std::max_element(recorded.begin(), recorded.end()), 1000);
}

TEST_F(RecorderTest, BlocksThatFindTheRingFullAreCountedAndLeftOutWithoutWaiting) {
    // The ring holds four blocks, and the writer does not look into it before it stops.
    Recorder recorder(mapper_, {.ringMs = 21, .writerPollMs = 3'600'000});
    ASSERT_EQ(recorder.Start(File("d.wav"), 16), "");
    const std::vector<int32_t> rendered = Render(10);
    EXPECT_EQ(recorder.Progress().overruns, 6u);
    const RecordingStats stats = recorder.Stop();
    EXPECT_EQ(stats.overruns, 6u);
    EXPECT_EQ(stats.lostFrames, 6 * BLOCK);
    const WavContent wav = ReadWav(temp_ / "d.wav");
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.samples, std::vector<int32_t>(rendered.begin(), rendered.begin() + 8 * BLOCK));
}

}  // namespace
}  // namespace chordlane::test

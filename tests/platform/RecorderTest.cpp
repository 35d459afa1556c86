// Recording the mix: the file holds exactly the blocks the output was handed, the header
// follows the file while it grows, and a writer that cannot keep up costs blocks that are
// counted, never a wait in the audio callback.
#include <gmock/gmock.h>

#include <chrono>
#include <thread>

#include "platform/audio/Recorder.h"
#include "platform/audio/WaveMapper.h"
#include "tests/platform/WavReader.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

using ::testing::HasSubstr;

constexpr size_t BLOCK = 256;

class RecorderTest : public ChordlaneTest {
  protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        // A 16-bit mono ramp that plays for a second, as one stream of the mixer.
        tone_.resize(2 * 48000);
        for (size_t i = 0; i < tone_.size() / 2; ++i) {
            const auto v = static_cast<int16_t>(static_cast<int>(i % 2000) * 8 - 8000);
            tone_[2 * i] = static_cast<uint8_t>(v);
            tone_[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
        }
        const WaveFormat format{1, 1, 48000, 96000, 2, 16, 0};
        ASSERT_EQ(mapper_.Open(&device_, format, nullptr), WaveResult::Ok);
        header_.data = tone_.data();
        header_.bufferLength = static_cast<uint32_t>(tone_.size());
        mapper_.Prepare(device_, &header_);
        mapper_.Write(device_, &header_);
    }
    void TearDown() override {
        mapper_.Close(device_);
        ChordlaneTest::TearDown();
    }
    String File(const std::string& name) { return FromUtf8((temp_ / name).string()); }
    //! Renders blocks as the output's callback does; answers every value rendered.
    std::vector<float> Render(size_t blocks) {
        std::vector<float> all, block(2 * BLOCK);
        for (size_t b = 0; b < blocks; ++b) {
            mapper_.Render(block, BLOCK);
            all.insert(all.end(), block.begin(), block.end());
        }
        return all;
    }
    static std::vector<int32_t> As16Bit(const std::vector<float>& values) {
        std::vector<int32_t> samples;
        for (float v : values) samples.push_back(static_cast<int16_t>(std::lrintf(v * 32767.0f)));
        return samples;
    }

    WaveMapper mapper_;
    WaveDevice device_ = NO_DEVICE;
    WaveHeader header_;
    std::vector<uint8_t> tone_;
};

TEST_F(RecorderTest, TheFileHoldsExactlyTheBlocksRenderedWhileRecording) {
    Recorder recorder(mapper_);
    Render(3);  // before: not in the file
    ASSERT_EQ(recorder.Start(File("a.wav"), 16), "");
    EXPECT_TRUE(recorder.IsRecording());
    const std::vector<float> recorded = Render(20);
    const RecordingStats stats = recorder.Stop();
    Render(3);  // after: not in the file either
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_EQ(stats.frames, 20 * BLOCK);
    EXPECT_EQ(stats.rate, 48000u);
    EXPECT_EQ(stats.overruns, 0u);
    EXPECT_EQ(stats.error, "");
    const WavContent wav = ReadWav(temp_ / "a.wav");
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.rate, 48000u);
    EXPECT_EQ(wav.samples, As16Bit(recorded));
    // Something sounded: the comparison is not one of silences.
    EXPECT_NE(*std::max_element(wav.samples.begin(), wav.samples.end()), 0);
}

TEST_F(RecorderTest, AFileIsMadeAtTheMixersRateAndInTwentyFourBitsWhenAsked) {
    WaveMapper mixer({.deviceRate = 44100});
    Recorder recorder(mixer);
    ASSERT_EQ(recorder.Start(File("b.wav"), 24), "");
    std::vector<float> block(2 * BLOCK, 0.5f);
    mixer.Render(block, BLOCK);
    const RecordingStats stats = recorder.Stop();
    EXPECT_EQ(stats.bitsPerSample, 24u);
    const WavContent wav = ReadWav(temp_ / "b.wav");
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.rate, 44100u);
    EXPECT_EQ(wav.bits, 24);
    EXPECT_EQ(wav.samples.size(), 2 * BLOCK);
}

TEST_F(RecorderTest, TheHeaderFollowsTheFileWhileItGrows) {
    Recorder recorder(mapper_, {.writerPollMs = 1, .headerIntervalMs = 0});
    ASSERT_EQ(recorder.Start(File("c.wav"), 16), "");
    Render(10);
    // Read as a player would while the recording goes on, until the header counts all ten
    // blocks (the writer is on its own thread; a minute is far beyond what it takes).
    WavContent wav;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        wav = ReadWav(temp_ / "c.wav");
        ASSERT_TRUE(wav.valid);
    } while (wav.samples.size() < 2 * 10 * BLOCK && std::chrono::steady_clock::now() < giveUp);
    EXPECT_EQ(wav.samples.size(), 2 * 10 * BLOCK);
    EXPECT_TRUE(recorder.IsRecording());
    EXPECT_EQ(recorder.Progress().frames, 10 * BLOCK);
}

TEST_F(RecorderTest, BlocksThatFindTheRingFullAreCountedAndLeftOutWithoutWaiting) {
    // The ring holds four blocks, and the writer does not look into it before it stops.
    Recorder recorder(mapper_, {.ringMs = 21, .writerPollMs = 3'600'000});
    ASSERT_EQ(recorder.Start(File("d.wav"), 16), "");
    const std::vector<float> rendered = Render(10);
    EXPECT_EQ(recorder.Progress().overruns, 6u);
    const RecordingStats stats = recorder.Stop();
    EXPECT_EQ(stats.overruns, 6u);
    EXPECT_EQ(stats.lostFrames, 6 * BLOCK);
    EXPECT_EQ(stats.frames, 4 * BLOCK);
    const WavContent wav = ReadWav(temp_ / "d.wav");
    ASSERT_TRUE(wav.valid);
    // The first four blocks, whole.
    EXPECT_EQ(wav.samples,
              As16Bit(std::vector<float>(rendered.begin(), rendered.begin() + 2 * 4 * BLOCK)));
}

TEST_F(RecorderTest, ANameTakenOrASecondStartIsRefusedAndTheRecordingGoesOn) {
    WriteFile("taken.wav", "mine");
    Recorder recorder(mapper_);
    EXPECT_THAT(recorder.Start(File("taken.wav"), 16), HasSubstr("exists"));
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_EQ(recorder.Stop().frames, 0u);
    ASSERT_EQ(recorder.Start(File("e.wav"), 16), "");
    EXPECT_THAT(recorder.Start(File("f.wav"), 16), HasSubstr("already"));
    Render(2);
    EXPECT_EQ(recorder.Stop().frames, 2 * BLOCK);
    EXPECT_FALSE(std::filesystem::exists(temp_ / "f.wav"));
    // A recorder can record again, into a new file, from nothing.
    ASSERT_EQ(recorder.Start(File("g.wav"), 16), "");
    Render(1);
    EXPECT_EQ(recorder.Stop().frames, BLOCK);
}

}  // namespace
}  // namespace chordlane::test

// The recording's WAV file: what it holds, and that it is valid at every moment, also when
// the process writing it dies.
#include <gmock/gmock.h>
#include <sys/resource.h>

#include <cmath>
#include <csignal>

#include "platform/audio/WavWriter.h"
#include "tests/platform/WavReader.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class WavWriterTest : public ChordlaneTest {
  protected:
    std::string Path(const std::string& name) { return (temp_ / name).string(); }
    std::unique_ptr<WavWriter> Create(const std::string& name, WavWriterConfig config = {}) {
        std::string error;
        auto writer = WavWriter::Create(Path(name), config, &error);
        EXPECT_TRUE(writer) << error;
        return writer;
    }
};

TEST_F(WavWriterTest, SixteenBitSamplesAreRoundedAndClippedAsTheOfflineMixDoesThem) {
    auto writer = Create("a.wav", {.rate = 44100, .bitsPerSample = 16});
    const float frames[] = {0.0f, 1.0f, -1.0f, 0.5f, 2.0f, -3.0f, NAN, 0.25f / 32767.0f};
    ASSERT_TRUE(writer->Append(frames, 4));
    ASSERT_TRUE(writer->Finish());
    const WavContent wav = ReadWav(Path("a.wav"));
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.rate, 44100u);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.bits, 16);
    EXPECT_EQ(wav.fileSize, 44u + 16u);
    EXPECT_THAT(wav.samples, ElementsAre(0, 32767, -32767, 16384, 32767, -32767, 0, 0));
}

TEST_F(WavWriterTest, TwentyFourBitSamplesKeepThePrecisionOfTheMix) {
    auto writer = Create("a.wav", {.rate = 48000, .bitsPerSample = 24});
    const float frames[] = {0.5f, -0.5f, 1.0f / 8388607.0f, -1.5f};
    ASSERT_TRUE(writer->Append(frames, 2));
    EXPECT_EQ(writer->Frames(), 2u);
    writer.reset();  // finishing on destruction
    const WavContent wav = ReadWav(Path("a.wav"));
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.bits, 24);
    EXPECT_THAT(wav.samples, ElementsAre(4194304, -4194304, 1, -8388607));
}

TEST_F(WavWriterTest, LargeAppendsArriveWholeInOrder) {
    auto writer = Create("a.wav");
    std::vector<float> ramp(2 * 10000);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<float>(i % 30000) / 32767.0f;
    ASSERT_TRUE(writer->Append(ramp.data(), 10000));
    ASSERT_TRUE(writer->Finish());
    const WavContent wav = ReadWav(Path("a.wav"));
    ASSERT_EQ(wav.samples.size(), ramp.size());
    for (size_t i = 0; i < ramp.size(); ++i) ASSERT_EQ(wav.samples[i], int32_t(i % 30000)) << i;
}

TEST_F(WavWriterTest, TheHeaderCountsWhatWasAppendedUpToItsLastUpdate) {
    auto writer = Create("a.wav");
    const std::vector<float> block(2 * 100, 0.5f);
    ASSERT_TRUE(writer->Append(block.data(), 100));
    // Valid at once, if empty: a player sees no data until the header is brought up.
    WavContent wav = ReadWav(Path("a.wav"));
    ASSERT_TRUE(wav.valid);
    EXPECT_TRUE(wav.samples.empty());
    ASSERT_TRUE(writer->UpdateHeader());
    wav = ReadWav(Path("a.wav"));
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.samples.size(), 200u);
}

TEST_F(WavWriterTest, AWriterThatDiesLeavesAValidFileOfWhatItsLastHeaderCounted) {
    const std::string path = Path("crash.wav");
    // The child writes 300 frames, counts 200 of them in the header, and is killed.
    auto crash = [&] {
        std::string error;
        auto writer = WavWriter::Create(path, {}, &error);
        if (!writer) std::_Exit(1);
        std::vector<float> frames(2 * 300);
        for (size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<float>(i) / 32767.0f;
        writer->Append(frames.data(), 200);
        writer->UpdateHeader();
        writer->Append(frames.data() + 400, 100);
        std::raise(SIGKILL);
    };
    EXPECT_EXIT(crash(), ::testing::KilledBySignal(SIGKILL), "");
    const WavContent wav = ReadWav(path);
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.fileSize, 44u + 300u * 4u);
    ASSERT_EQ(wav.samples.size(), 400u);
    for (size_t i = 0; i < wav.samples.size(); ++i) ASSERT_EQ(wav.samples[i], int32_t(i)) << i;
}

TEST_F(WavWriterTest, AnExistingFileIsNeverReplacedAndProblemsAreSaid) {
    WriteFile("taken.wav", "mine");
    std::string error;
    EXPECT_FALSE(WavWriter::Create(Path("taken.wav"), {}, &error));
    EXPECT_THAT(error, HasSubstr("exists"));
    EXPECT_EQ(ReadWav(Path("taken.wav")).fileSize, 4u);

    EXPECT_FALSE(WavWriter::Create(Path("no/such/folder.wav"), {}, &error));
    EXPECT_THAT(error, HasSubstr("No such file"));
    EXPECT_FALSE(WavWriter::Create(Path("eight.wav"), {.bitsPerSample = 8}, &error));
    EXPECT_THAT(error, HasSubstr("16- and 24-bit"));
    EXPECT_FALSE(std::filesystem::exists(Path("eight.wav")));
}

TEST_F(WavWriterTest, AWriteThatFailsIsReportedAndTheFileStaysValid) {
    const std::string path = Path("limited.wav");
    // A file size limit refuses writes as a full disk does; the child tells by its exit code
    // whether the failure was reported.
    auto fill = [&] {
        rlimit limit{44 + 4 * 1000, 44 + 4 * 1000};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        auto writer = WavWriter::Create(path, {}, nullptr);
        const std::vector<float> frames(2 * 600, 0.25f);
        const bool first = writer && writer->Append(frames.data(), 600);
        const bool second = writer && writer->Append(frames.data(), 600);
        const bool finished = writer && writer->Finish();
        const bool said = writer && writer->Error().find("File too large") != std::string::npos;
        std::_Exit(first && !second && !finished && said ? 0 : 1);
    };
    EXPECT_EXIT(fill(), ::testing::ExitedWithCode(0), "");
    const WavContent wav = ReadWav(path);
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.samples.size(), 2u * 600u);
}

}  // namespace
}  // namespace chordlane::test

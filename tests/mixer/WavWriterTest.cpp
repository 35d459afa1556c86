// The recording's WAV file: its samples, and that it is valid at every moment, also when
// the process writing it dies or the disk refuses more.
#include <gmock/gmock.h>
#include <sys/resource.h>

#include <cmath>
#include <csignal>

#include "mixer/WavWriter.h"
#include "tests/support/ChordlaneTest.h"
#include "tests/support/WavReader.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class WavWriterTest : public ChordlaneTest {
  protected:
    std::string Path(const std::string& name) { return (temp_ / name).string(); }
};

TEST_F(WavWriterTest, SamplesAreRoundedAndClippedAsTheOfflineMixDoesThem) {
    const float frames[] = {0.0f, 1.0f, -1.0f, 0.5f, 2.0f, -3.0f, NAN, 1.0f / 8388607.0f};
    for (uint32_t bits : {16u, 24u}) {
        auto writer = WavWriter::Create(Path(std::to_string(bits)), {44100, bits}, nullptr);
        ASSERT_TRUE(writer && writer->Append(frames, 4) && writer->Finish());
    }
    const WavContent wav16 = ReadWav(Path("16")), wav24 = ReadWav(Path("24"));
    ASSERT_TRUE(wav16.valid && wav24.valid);
    EXPECT_EQ(wav16.rate, 44100u);
    EXPECT_THAT(wav16.samples, ElementsAre(0, 32767, -32767, 16384, 32767, -32767, 0, 0));
    EXPECT_THAT(wav24.samples, ElementsAre(0, 8388607, -8388607, 4194304, 8388607, -8388607, 0, 1));
}

TEST_F(WavWriterTest, AWriterThatDiesLeavesAValidFileOfWhatItsLastHeaderCounted) {
    const std::string path = Path("crash.wav");
    // The child writes 300 frames, counts 200 of them in the header, and is killed.
    auto crash = [&] {
        auto writer = WavWriter::Create(path, {}, nullptr);
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

TEST_F(WavWriterTest, AFileIsNeverReplacedAndAWriteThatFailsIsSaidWithTheFileKeptValid) {
    WriteFile("taken.wav", "mine");
    std::string error;
    EXPECT_FALSE(WavWriter::Create(Path("taken.wav"), {}, &error));
    EXPECT_THAT(error, HasSubstr("exists"));
    EXPECT_EQ(ReadWav(Path("taken.wav")).fileSize, 4u);

    // A file size limit refuses writes as a full disk does; the child's exit code tells
    // whether the failure was reported.
    const std::string path = Path("limited.wav");
    auto fill = [&] {
        const rlimit limit{44 + 4 * 1000, 44 + 4 * 1000};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        auto writer = WavWriter::Create(path, {}, nullptr);
        const std::vector<float> frames(2 * 600, 0.25f);
        const bool first = writer->Append(frames.data(), 600);
        const bool second = writer->Append(frames.data(), 600);
        const bool said = writer->Error().find("File too large") != std::string::npos;
        std::_Exit(first && !second && !writer->Finish() && said ? 0 : 1);
    };
    EXPECT_EXIT(fill(), ::testing::ExitedWithCode(0), "");
    const WavContent wav = ReadWav(path);
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.samples.size(), 2u * 600u);
}

}  // namespace
}  // namespace chordlane::test

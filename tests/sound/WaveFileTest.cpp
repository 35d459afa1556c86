#include <gtest/gtest.h>

#include <cstring>

#include "platform/FileSystem.h"
#include "sound/WaveFile.h"
#include "tests/sound/SoundTestSupport.h"

namespace chordlane::test {
namespace {

bool Parse(Sample& s, const std::string& file) {
    return ParseWave(s, {reinterpret_cast<const uint8_t*>(file.data()), file.size()});
}

TEST(WaveFile, ChunksAreFoundWhereverTheyStandAndTheImageIsTheCanonicalLayout) {
    // An odd-length (padded) list chunk before the format, a longer format chunk, a fact
    // chunk between, and trailing metadata: the image is the canonical layout of the data.
    const WaveSpec form{1, 1, 8000, 8};
    const std::string data = "\x80\xC8\x38\x7F\x81";
    Sample s;
    ASSERT_TRUE(Parse(
        s, Riff(Chunk("LIST", "abc") + Chunk("fmt ", FormatBody(form, 2)) +
                Chunk("fact", "\x05\0\0\0") + Chunk("data", data) + Chunk("id3 ", "tagdata"))));
    EXPECT_EQ(ImageOf(s), CanonicalWave(form, data));
}

TEST(WaveFile, SeveralChannelsAreMixedDownToOne) {
    Sample s;
    ASSERT_TRUE(Parse(s, CanonicalWave({1, 2, 44100, 16},
                                       Pcm16({100, 300, -100, -301, 32767, 32767, 7, 0}) + "x")));
    // Averages truncate toward zero; the odd trailing byte is no whole frame.
    EXPECT_EQ(ImageOf(s), CanonicalWave({1, 1, 44100, 16}, Pcm16({200, -200, 32767, 3})));
    ASSERT_TRUE(
        Parse(s, CanonicalWave({1, 2, 11025, 8}, std::string("\x00\xFF\x64\xC8\x80\x80", 6))));
    EXPECT_EQ(ImageOf(s), CanonicalWave({1, 1, 11025, 8}, "\x7F\x96\x80"));
}

TEST(WaveFile, FilesItCannotPlayAreRefused) {
    const std::string data = Pcm16({1, 2, 3, 4});
    // Formats, rates and channel counts are in the bad-file catalogue; these are layouts.
    const std::string refused[] = {
        Riff(Chunk("data", data)),
        Riff(Chunk("fmt ", FormatBody({}))),
        Riff(Chunk("fmt ", FormatBody({}).substr(0, 14)) + Chunk("data", data)),
        "RIFF\x10\0\0\0WAVEfmt ",
        "RIFX" + CanonicalWave({}, data).substr(4),
    };
    for (const std::string& file : refused) {
        Sample s;
        EXPECT_FALSE(Parse(s, file)) << testing::PrintToString(file);
    }
    // The extensible layout naming PCM in its sub-format is PCM.
    std::string extensible = FormatBody({0xFFFE, 1, 22050, 16}, 24);
    extensible[24] = 1;
    Sample s;
    EXPECT_TRUE(Parse(s, Riff(Chunk("fmt ", extensible) + Chunk("data", data))));
}

// A file that never ends and tells no size.
struct EndlessFile : File {
    size_t Read(void* buffer, size_t size) override {
        std::memset(buffer, 'x', size);
        total += size;
        return size;
    }
    size_t Write(const void*, size_t) override { return 0; }
    bool Seek(int64_t) override { return false; }
    int64_t Size() override { return -1; }
    int64_t total = 0;
};

TEST(WaveFile, OversizedFilesAreRefusedWithoutReadingThemWhole) {
    EndlessFile endless;
    Sample s;
    EXPECT_FALSE(ReadWaveFile(s, endless));
    EXPECT_LE(endless.total, MAX_WAVE_FILE_SIZE + 65536);
}

}  // namespace
}  // namespace chordlane::test

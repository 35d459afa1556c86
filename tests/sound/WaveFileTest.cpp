#include "sound/WaveFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <span>

#include "sound/Sample.h"
#include "tests/sound/WaveBytes.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

std::span<const uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

std::string ImageOf(const Sample& s) {
    return std::string(reinterpret_cast<const char*>(s.Image()), s.ImageSize());
}

TEST(WaveFile, CanonicalFileBecomesItsOwnImage) {
    const std::string file = CanonicalWave({1, 1, 22050, 16}, Pcm16({1, -2, 300, -32768, 32767}));
    Sample s;
    ASSERT_TRUE(ParseWave(s, Bytes(file)));
    EXPECT_EQ(ImageOf(s), file);
    EXPECT_EQ(s.dataLength, 10);
    EXPECT_EQ(s.format.formatTag, 1);
    EXPECT_EQ(s.format.channels, 1);
    EXPECT_EQ(s.format.samplesPerSec, 22050u);
    EXPECT_EQ(s.format.avgBytesPerSec, 44100u);
    EXPECT_EQ(s.format.blockAlign, 2);
    EXPECT_EQ(s.format.bitsPerSample, 16);
    EXPECT_EQ(s.format.extraSize, 0);
    EXPECT_EQ(s.pitchPhase, NO_VALUE);
    EXPECT_EQ(s.peak, NO_VALUE);
}

TEST(WaveFile, ChunksAreFoundWhereverTheyStand) {
    // A list chunk of odd length (padded) before the format, a longer format chunk, a fact
    // chunk between format and data, and trailing metadata after the data.
    const WaveSpec spec{1, 1, 8000, 8};
    const std::string data = Pcm8({128, 200, 56, 127, 129});
    const std::string file = Riff(Chunk("LIST", "abc") + Chunk("fmt ", FormatBody(spec, 2)) +
                                  Chunk("fact", "\x05\0\0\0") + Chunk("data", data) +
                                  Chunk("id3 ", "tagdata"));
    Sample s;
    ASSERT_TRUE(ParseWave(s, Bytes(file)));
    EXPECT_EQ(ImageOf(s), CanonicalWave(spec, data));
}

TEST(WaveFile, DataLengthIsBoundedByTheFile) {
    const WaveSpec spec{1, 1, 8000, 16};
    std::string file = CanonicalWave(spec, Pcm16({10, 20, 30, 40}));
    // Claims a million bytes of data, holds 8.
    file[40] = '\x40';
    file[41] = '\x42';
    file[42] = '\x0F';
    Sample s;
    ASSERT_TRUE(ParseWave(s, Bytes(file)));
    EXPECT_EQ(s.dataLength, 8);
    EXPECT_EQ(s.ImageSize(), 52u);

    // A data chunk shorter than what follows it ends where it says.
    const std::string shorter =
        Riff(Chunk("fmt ", FormatBody(spec)) + Chunk("data", Pcm16({1, 2})) + "trailing");
    ASSERT_TRUE(ParseWave(s, Bytes(shorter)));
    EXPECT_EQ(s.dataLength, 4);
}

TEST(WaveFile, SeveralChannelsAreMixedDownToOne) {
    Sample s;
    const std::string stereo16 =
        CanonicalWave({1, 2, 44100, 16}, Pcm16({100, 300, -100, -301, 32767, 32767, 7, 0}) + "x");
    ASSERT_TRUE(ParseWave(s, Bytes(stereo16)));
    EXPECT_EQ(s.format.channels, 1);
    EXPECT_EQ(s.format.blockAlign, 2);
    EXPECT_EQ(s.format.avgBytesPerSec, 88200u);
    // The odd trailing byte is no whole frame and is dropped.
    EXPECT_EQ(ImageOf(s), CanonicalWave({1, 1, 44100, 16}, Pcm16({200, -200, 32767, 3})));

    const std::string stereo8 = CanonicalWave({1, 2, 11025, 8}, Pcm8({0, 255, 100, 200, 128, 128}));
    ASSERT_TRUE(ParseWave(s, Bytes(stereo8)));
    EXPECT_EQ(ImageOf(s), CanonicalWave({1, 1, 11025, 8}, Pcm8({127, 150, 128})));
}

TEST(WaveFile, FilesItCannotPlayAreRefused) {
    const std::string data = Pcm16({1, 2, 3, 4});
    const std::string refused[] = {
        CanonicalWave({3, 1, 22050, 32}, data),  // floating point
        CanonicalWave({1, 1, 22050, 24}, data),
        CanonicalWave({1, 1, 22050, 0}, data),
        CanonicalWave({1, 0, 22050, 16}, data),
        CanonicalWave({1, 1, 0, 16}, data),
        Riff(Chunk("data", data)),                                      // no format
        Riff(Chunk("fmt ", FormatBody({1, 1, 22050, 16}))),               // no data
        Riff(Chunk("fmt ", FormatBody({1, 1, 22050, 16}).substr(0, 14)) + Chunk("data", data)),
        "RIFF\x10\0\0\0WAVEfmt ",
        std::string("RIFX") + CanonicalWave({1, 1, 22050, 16}, data).substr(4),
        "",
    };
    for (const std::string& file : refused) {
        Sample s;
        EXPECT_FALSE(ParseWave(s, Bytes(file))) << testing::PrintToString(file);
        EXPECT_EQ(s.Image(), nullptr);
    }
    // Extensible layout naming PCM is PCM.
    std::string extensible = FormatBody({0xFFFE, 1, 22050, 16}, 24);
    extensible[16] = 22;
    extensible[24] = 1;  // sub-format begins with the PCM tag
    Sample s;
    EXPECT_TRUE(ParseWave(s, Bytes(Riff(Chunk("fmt ", extensible) + Chunk("data", data)))));
    EXPECT_EQ(s.format.formatTag, 1);
}

// A file that never ends, and tells no size.
class EndlessFile : public File {
public:
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

class WaveFileSearch : public ChordlaneTest {};

TEST_F(WaveFileSearch, FindsTheFileBesideTheInstrument) {
    WriteFile("inst/sounds/a.wav", CanonicalWave({1, 1, 8000, 8}, Pcm8({1, 2, 3})));
    Sample s;
    const String instrument = TempFolder() + u"inst/guitar.clx";
    EXPECT_TRUE(LoadWaveFile(s, instrument, u"sounds/a.wav"));
    EXPECT_EQ(s.dataLength, 3);
    EXPECT_FALSE(LoadWaveFile(s, instrument, u"sounds/missing.wav"));
}

}  // namespace
}  // namespace chordlane::test

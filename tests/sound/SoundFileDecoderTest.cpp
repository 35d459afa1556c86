// Sound files other than 8- and 16-bit PCM WAV, written in memory by libsndfile itself.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstring>

#include "app/MessageBoxReporter.h"
#include "elements/SoundElement.h"
#include "platform/headless/MemoryFileSystem.h"
#include "tests/sound/SoundTestSupport.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

struct Written {
    std::string bytes;
    sf_count_t at = 0;
};

// Interleaved values (int: full scale 2^31; double: 1.0) written as format.
template <typename Value>
std::string Encode(int format, int channels, int rate, const std::vector<Value>& values) {
    SF_VIRTUAL_IO io{[](void* u) { return sf_count_t(static_cast<Written*>(u)->bytes.size()); },
                     [](sf_count_t offset, int whence, void* u) {
                         auto& w = *static_cast<Written*>(u);
                         return w.at = offset + (whence == SEEK_SET   ? 0
                                                 : whence == SEEK_CUR ? w.at
                                                                      : sf_count_t(w.bytes.size()));
                     },
                     [](void* p, sf_count_t n, void* u) {
                         auto& w = *static_cast<Written*>(u);
                         n = std::clamp<sf_count_t>(sf_count_t(w.bytes.size()) - w.at, 0, n);
                         std::memcpy(p, w.bytes.data() + w.at, size_t(n));
                         return w.at += n, n;
                     },
                     [](const void* p, sf_count_t n, void* u) {
                         auto& w = *static_cast<Written*>(u);
                         w.bytes.resize(std::max(w.bytes.size(), size_t(w.at + n)));
                         std::memcpy(w.bytes.data() + w.at, p, size_t(n));
                         return w.at += n, n;
                     },
                     [](void* u) { return static_cast<Written*>(u)->at; }};
    Written out;
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &out);
    const auto frames = sf_count_t(values.size()) / channels;
    if constexpr (std::is_same_v<Value, double>)
        EXPECT_EQ(sf_writef_double(file, values.data(), frames), frames);
    else
        EXPECT_EQ(sf_writef_int(file, values.data(), frames), frames);
    sf_close(file);
    return out.bytes;
}

bool Load(Sample& s, const std::string& file, String* reason = nullptr) {
    return ParseWave(s, {reinterpret_cast<const uint8_t*>(file.data()), file.size()}, reason);
}

std::vector<int16_t> ValuesOf(const Sample& s) {
    std::vector<int16_t> values(size_t(s.dataLength / 2));
    std::memcpy(values.data(), s.Data(), 2 * values.size());  // little-endian, as the host
    return values;
}

constexpr int RATE = 44100;
double Sine(double i, double hz = 440) {
    return 0.6 * std::sin(2 * 3.14159265358979 * hz * i / RATE);
}

TEST(SoundFiles, TheSameSineInEveryFormatGivesTheSameImage) {
    std::vector<int16_t> sine;
    std::vector<int> exact, wide;
    std::vector<double> real;
    for (int i = 0; i < RATE / 10; ++i) {
        sine.push_back(int16_t(std::lround(Sine(i) * 32768)));
        exact.push_back(sine.back() * 65536);
        // Just under half a step either way: truncating instead of rounding is a step off.
        wide.push_back(exact.back() + (i & 1 ? 0x7E00 : -0x7E00));
        real.push_back(Sine(i));
    }
    Sample reference;
    ASSERT_TRUE(Load(reference, CanonicalWave({1, 1, RATE, 16}, Pcm16(sine))));
    for (int format : {SF_FORMAT_WAV | SF_FORMAT_PCM_24, SF_FORMAT_WAV | SF_FORMAT_PCM_32,
                       SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, SF_FORMAT_AIFF | SF_FORMAT_PCM_16,
                       SF_FORMAT_AIFF | SF_FORMAT_PCM_24, SF_FORMAT_FLAC | SF_FORMAT_PCM_16,
                       SF_FORMAT_FLAC | SF_FORMAT_PCM_24, SF_FORMAT_WAV | SF_FORMAT_FLOAT,
                       SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, SF_FORMAT_WAV | SF_FORMAT_DOUBLE}) {
        SCOPED_TRACE(testing::Message() << std::hex << format);
        Sample s;
        const int coding = format & SF_FORMAT_SUBMASK;
        const bool real16 = coding == SF_FORMAT_FLOAT || coding == SF_FORMAT_DOUBLE;
        ASSERT_TRUE(
            Load(s, real16 ? Encode(format, 1, RATE, real)
                           : Encode(format, 1, RATE, coding == SF_FORMAT_PCM_16 ? exact : wide)));
        EXPECT_EQ(ImageOf(s).substr(0, 44), ImageOf(reference).substr(0, 44));
        const std::vector<int16_t> values = ValuesOf(s);
        ASSERT_EQ(values.size(), sine.size());
        for (size_t i = 0; i < values.size(); ++i)
            ASSERT_NEAR(values[i], sine[i], real16 ? 1 : 0) << i;
    }
}

TEST(SoundFiles, FullScaleClipsRatherThanWrapping) {
    Sample s;
    ASSERT_TRUE(Load(s, Encode(SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 8000,
                               std::vector<int>{0x7FFFFF00, INT32_MIN, 0x8000})));
    EXPECT_EQ(ValuesOf(s), (std::vector<int16_t>{32767, -32768, 1}));
    ASSERT_TRUE(Load(s, Encode(SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 8000,
                               std::vector<double>{1.5, -4.0, std::nan("")})));
    EXPECT_EQ(ValuesOf(s), (std::vector<int16_t>{32767, -32768, 0}));
}

TEST(SoundFiles, AStereoFlacMixesDownAsAStereoWaveDoes) {
    std::vector<int16_t> stereo;
    std::vector<int> wide;
    for (int i = 0; i < 4000; ++i) {
        // Odd sums of both signs, where truncating toward zero differs from flooring.
        stereo.push_back(int16_t(std::lround(Sine(i / 2 * 2) * 30000) | (i & 1)));
        wide.push_back(stereo.back() * 65536);
    }
    Sample wave, flac;
    ASSERT_TRUE(Load(wave, CanonicalWave({1, 2, RATE, 16}, Pcm16(stereo))));
    ASSERT_TRUE(Load(flac, Encode(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, RATE, wide)));
    EXPECT_EQ(ImageOf(flac), ImageOf(wave));
}

TEST(SoundFiles, LossyRecordingsAreInTuneAfterLoading) {
    for (auto [format, rate] : {std::pair{SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100},
                                {SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000}}) {
        std::vector<double> tone;
        for (int i = 0; i < rate; ++i) tone.push_back(Sine(i * double(RATE) / rate, 261.626));
        Sample s;
        ASSERT_TRUE(Load(s, Encode(format, 1, rate, tone)));
        ASSERT_EQ(s.format.samplesPerSec, uint32_t(rate));
        const std::vector<int16_t> v = ValuesOf(s);
        EXPECT_NEAR(double(v.size()), rate, rate / 50);
        // Rising zero crossings over the steady middle; within a cent (0.15 Hz).
        double first = 0, last = 0;
        int crossings = 0;
        for (size_t i = size_t(rate / 10); i < v.size() - size_t(rate / 10); ++i) {
            if (v[i - 1] >= 0 || v[i] < 0) continue;
            last = double(i - 1) + v[i - 1] / double(v[i - 1] - v[i]);
            if (crossings++ == 0) first = last;
        }
        EXPECT_NEAR((crossings - 1) * rate / (last - first), 261.626, 0.15) << format;
    }
}

TEST(SoundFiles, FilesThatCannotBeDecodedSayWhy) {
    std::vector<int> noise;
    for (uint32_t i = 0, x = 1; i < RATE; ++i)
        noise.push_back(int((x = x * 1664525u + 1013904223u) & ~0xFFFFu));
    const std::string flac = Encode(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, RATE, noise);
    const size_t secondFrame = flac.find("\xFF\xF8", flac.find("\xFF\xF8") + 2);
    std::string adpcm = FormatBody({0x11, 1, 22050, 12}, 4);  // IMA ADPCM, 12 bits a value
    adpcm[12] = adpcm[16] = 2;
    std::string endless = flac;  // STREAMINFO claims 2^36 - 1 frames: 128 GiB of sound
    endless[21] |= 0x0F;
    endless.replace(22, 4, "\xFF\xFF\xFF\xFF");
    // Four channels of 17 million frames: within the image's bound, but 68 million values.
    std::string wide = Encode(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 4, RATE, std::vector<int>(400));
    wide.replace(22, 4, "\x01\x03\x66\x40");
    const std::pair<std::string, const char*> cases[] = {
        {flac.substr(0, flac.size() / 2), "flac decoder lost sync"},
        {flac.substr(0, secondFrame), "truncated: the file ends after"},
        {Riff(Chunk("fmt ", adpcm) + Chunk("data", std::string(400, 'x'))), "ADPCM"},
        {endless, "longer than 64 MiB of 16-bit sound"},
        {wide, "too long to decode: 17000000 frames of 4 channels"},
    };
    SampleMemory memory;
    for (const auto& [file, says] : cases) {
        SCOPED_TRACE(says);
        Sample s(&memory);
        String reason;
        EXPECT_FALSE(Load(s, file, &reason));
        EXPECT_EQ(memory.Held(), 0);
        EXPECT_NE(ToUtf8(reason).find(says), std::string::npos) << ToUtf8(reason);
    }
}

TEST_F(ChordlaneTest, ASoundElementDecodesAFlacFromAnyFileSystemAndKeepsWhyOneFails) {
    MemoryFileSystem files;
    platform_.services.files = &files;
    const MessageBoxReporter messages(instrument_);
    struct : ParseListener {
        void FileNotLoaded(const String&, int32_t, const String&, const String& name,
                           const String& reason) override {
            reasons.push_back(name + u": " + reason);
        }
        std::vector<String> reasons;
    } problems;
    const ListenerScope listening(instrument_.listeners, &problems);
    std::vector<int> tone;
    for (int i = 0; i < RATE / 4; ++i) tone.push_back(int(std::lround(Sine(i) * 32768)) * 65536);
    const std::string flac = Encode(SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1, RATE, tone);
    files.Add(u"/inst/Samples/Pad.FLAC", flac);
    files.Add(u"/inst/broken.flac", flac.substr(0, flac.size() / 3));
    SoundElement sound(instrument_, u"pad", u"/inst/pad.clx", u"samples/pad.flac", 440.0f, 1, 1,
                       false);
    SoundElement broken(instrument_, u"bad", u"/inst/pad.clx", u"broken.flac", 440.0f, 1, 1, false);
    sound.SetActive(true);
    broken.SetActive(true);
    ASSERT_EQ(sound.SampleCount(), 3);
    EXPECT_EQ(sound.GetSample(1)->dataLength, 2 * RATE / 4);
    EXPECT_FALSE(broken.IsActive());
    EXPECT_NE(broken.LoadFailure(), u"");
    // What check prints after the name: the decoder's reason.
    EXPECT_EQ(problems.reasons, std::vector<String>{u"broken.flac: " + broken.LoadFailure()});
    EXPECT_EQ(platform_.messages.Texts(), std::vector<String>{u"Could not load: broken.flac\n"});
}

}  // namespace
}  // namespace chordlane::test

// The mixer on the test's own thread, which renders and so is the audio thread as well;
// the mixer on an audio thread of its own is tested with the real-time path.

#include <gtest/gtest.h>

#include <cmath>

#include "mixer/WaveMapper.h"
#include "tests/sound/SoundTestSupport.h"

namespace chordlane::test {
namespace {

constexpr WaveFormat Mono16(uint32_t rate) { return {1, 1, rate, rate * 2, 2, 16, 0}; }

using Notices = std::vector<std::pair<WaveDevice, WaveHeader*>>;

//! A handler that writes its notices down in notices.
WaveOutput::NoticeHandler NoteIn(Notices& notices) {
    return [&notices](WaveDevice d, WaveHeader* h) { notices.push_back({d, h}); };
}

// One device of the mapper with a buffer to play.
struct Player {
    Player(WaveMapper& m, const WaveFormat& format, std::string bytes, Notices& notices)
        : mapper(m), data(std::move(bytes)) {
        EXPECT_EQ(mapper.Open(&device, format, NoteIn(notices)), WaveResult::Ok);
        header.data = reinterpret_cast<const uint8_t*>(data.data());
        header.bufferLength = static_cast<uint32_t>(data.size());
    }
    WaveResult Play() {
        mapper.Prepare(device, &header);
        return mapper.Write(device, &header);
    }
    WaveMapper& mapper;
    WaveDevice device = NO_DEVICE;
    std::string data;
    WaveHeader header{};
};

// The mixing itself, with the master stage out of the way: no look-ahead and a ceiling no
// test value reaches, so what is rendered is the plain sum. The stage has tests of its own
// (MasterStageTest), and the tool's -o and recording tests hear it in the mix.
constexpr MasterStageConfig PLAIN_SUM{.ceiling = 4.0f, .lookaheadMs = 0.0};

class WaveMapperTest : public ::testing::Test {
  protected:
    WaveMapperTest() : mapper_(WaveMapperConfig{48000, 8, 64, PLAIN_SUM}) {}
    WaveResult Open(WaveDevice* device, const WaveFormat& format) {
        return mapper_.Open(device, format, NoteIn(notices_));
    }
    std::vector<float> Render(size_t frames) {
        std::vector<float> out(2 * frames, 99.0f);
        mapper_.Render(out, frames);
        return out;
    }
    WaveMapper mapper_;
    Notices notices_;
};

TEST_F(WaveMapperTest, FormatsAndDeviceCountAreChecked) {
    WaveDevice d;
    // Sounds are converted when they load; one at another rate than the mix's would play at
    // the wrong pitch, so it is refused.
    for (const WaveFormat& bad : {WaveFormat{1, 3, 48000, 0, 6, 16, 0}, Mono16(0), Mono16(100),
                                  Mono16(22050), Mono16(48001)})
        EXPECT_EQ(Open(&d, bad), WaveResult::BadFormat);
    std::vector<WaveDevice> open(8);
    for (int i = 0; i < 8; ++i) ASSERT_EQ(Open(&open[i], Mono16(48000)), WaveResult::Ok);
    EXPECT_EQ(Open(&d, Mono16(48000)), WaveResult::NoDevice);
    mapper_.Close(open[3]);
    ASSERT_EQ(Open(&d, Mono16(48000)), WaveResult::Ok);
    // Handles are never given out twice, so a notice for a closed device cannot be taken
    // for a new one.
    EXPECT_EQ(std::count(open.begin(), open.end(), d), 0);
    EXPECT_EQ(mapper_.Close(open[3]), WaveResult::Error);
    EXPECT_FALSE(mapper_.SetDeviceRate(44100));
}

TEST_F(WaveMapperTest, BuffersPlayInPlaceAtTheirVolumeThenTheirNoticeComes) {
    Player p(mapper_, Mono16(48000), Pcm16({16384, -8192, 32767, -32768}), notices_);
    WaveHeader h{};
    EXPECT_EQ(mapper_.Write(p.device, &h), WaveResult::Unprepared);
    ASSERT_EQ(p.Play(), WaveResult::Ok);
    EXPECT_EQ(mapper_.Write(p.device, &p.header), WaveResult::StillPlaying);
    EXPECT_EQ(mapper_.Unprepare(p.device, &p.header), WaveResult::StillPlaying);
    mapper_.SetVolume(p.device, 0x8000FFFF);  // left full, right at half

    std::vector<float> out = Render(6);
    const float expected[] = {0.5f, -0.25f, 32767.0f / 32768.0f, -1.0f, 0.0f, 0.0f};
    for (int f = 0; f < 6; ++f) {
        EXPECT_FLOAT_EQ(out[2 * f], expected[f]) << f;
        EXPECT_FLOAT_EQ(out[2 * f + 1], expected[f] * (32768.0f / 65535.0f)) << f;
    }
    // The notice is the user-interface thread's to deliver.
    EXPECT_TRUE(notices_.empty());
    EXPECT_EQ(mapper_.DeliverNotices(), 1u);
    EXPECT_EQ(notices_, (Notices{{p.device, &p.header}}));
    EXPECT_EQ(p.header.flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    EXPECT_EQ(mapper_.Unprepare(p.device, &p.header), WaveResult::Ok);

    // Unsigned bytes around 128; stereo frames left then right.
    Player bytes(mapper_, {1, 1, 48000, 48000, 1, 8, 0}, std::string("\x80\xFF\x00\xC0", 4),
                 notices_);
    Player stereo(mapper_, {1, 2, 48000, 192000, 4, 16, 0}, Pcm16({8192, -16384, 0, 0}), notices_);
    bytes.Play();
    stereo.Play();
    out = Render(4);
    EXPECT_EQ(out, (std::vector<float>{0.25f, -0.5f, 127.0f / 128.0f, 127.0f / 128.0f, -1.0f, -1.0f,
                                       0.5f, 0.5f}));
}

TEST_F(WaveMapperTest, ResetSilencesAtOnceAndCloseDropsWhatIsPending) {
    Player p(mapper_, Mono16(48000), Pcm16(std::vector<int16_t>(1000, 10000)), notices_);
    p.Play();
    Render(100);
    ASSERT_EQ(mapper_.Reset(p.device), WaveResult::Ok);
    EXPECT_EQ(p.header.flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    for (float x : Render(2000)) ASSERT_EQ(x, 0.0f);
    EXPECT_EQ(mapper_.DeliverNotices(), 1u);
    mapper_.Reset(p.device);  // nothing queued: no notice
    EXPECT_EQ(mapper_.DeliverNotices(), 0u);
    // The same header plays again from its start.
    ASSERT_EQ(p.Play(), WaveResult::Ok);
    EXPECT_FLOAT_EQ(Render(1)[0], 10000.0f / 32768.0f);
    // A reset buffer's notice does not outlive its device.
    mapper_.Reset(p.device);
    mapper_.Close(p.device);
    EXPECT_EQ(mapper_.DeliverNotices(), 0u);
}

// Two instruments can share the mixer: each device's notices reach the handler it was
// opened with, and none once it is closed.
TEST_F(WaveMapperTest, NoticesGoToTheHandlerOfTheirOwnDevice) {
    Notices first, second;
    Player a(mapper_, Mono16(48000), Pcm16({1, 2}), first);
    Player b(mapper_, Mono16(48000), Pcm16({3, 4, 5}), second);
    Player c(mapper_, Mono16(48000), Pcm16({6}), second);
    a.Play();
    b.Play();
    c.Play();
    Render(4);
    mapper_.Close(c.device);
    EXPECT_EQ(mapper_.DeliverNotices(), 2u);
    EXPECT_EQ(first, (Notices{{a.device, &a.header}}));
    EXPECT_EQ(second, (Notices{{b.device, &b.header}}));
    EXPECT_TRUE(notices_.empty());
}

}  // namespace
}  // namespace chordlane::test

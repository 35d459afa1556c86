#include "platform/audio/WaveMapper.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "platform/audio/NullOutput.h"

namespace chordlane::test {
namespace {

constexpr WaveFormat Mono16(uint32_t rate) { return {1, 1, rate, rate * 2, 2, 16, 0}; }

std::vector<uint8_t> Pcm16(const std::vector<int16_t>& values) {
    std::vector<uint8_t> bytes(values.size() * 2);
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

// One device of the mapper with a buffer to play; the test is the audio thread as well.
struct Player {
    Player(WaveMapper& m, const WaveFormat& format, std::vector<uint8_t> bytes) : mapper(m) {
        data = std::move(bytes);
        EXPECT_EQ(mapper.Open(&device, format), WaveResult::Ok);
        header.data = data.data();
        header.bufferLength = static_cast<uint32_t>(data.size());
    }
    WaveResult Play() {
        mapper.Prepare(device, &header);
        return mapper.Write(device, &header);
    }
    WaveMapper& mapper;
    WaveDevice device = NO_DEVICE;
    WaveHeader header{};
    std::vector<uint8_t> data;
};

class WaveMapperTest : public ::testing::Test {
protected:
    WaveMapperTest() : mapper_(WaveMapperConfig{48000, 8, 64}) {
        mapper_.SetNoticeHandler([this](WaveDevice d, WaveHeader* h) { notices_.push_back({d, h}); });
    }
    std::vector<float> Render(size_t frames) {
        std::vector<float> out(2 * frames, 99.0f);
        mapper_.Render(out, frames);
        return out;
    }
    WaveMapper mapper_;
    std::vector<std::pair<WaveDevice, WaveHeader*>> notices_;
};

TEST_F(WaveMapperTest, FormatsAndDeviceCountAreChecked) {
    WaveDevice d;
    EXPECT_EQ(mapper_.Open(&d, {3, 1, 48000, 0, 4, 32, 0}), WaveResult::BadFormat);
    EXPECT_EQ(mapper_.Open(&d, {1, 3, 48000, 0, 6, 16, 0}), WaveResult::BadFormat);
    EXPECT_EQ(mapper_.Open(&d, {1, 1, 48000, 0, 3, 24, 0}), WaveResult::BadFormat);
    EXPECT_EQ(mapper_.Open(&d, Mono16(0)), WaveResult::BadFormat);
    EXPECT_EQ(mapper_.Open(&d, Mono16(100)), WaveResult::BadFormat);  // beyond conversion
    EXPECT_EQ(d, NO_DEVICE);
    std::vector<WaveDevice> open;
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(mapper_.Open(&d, i % 2 ? Mono16(44100) : Mono16(48000)), WaveResult::Ok);
        open.push_back(d);
    }
    EXPECT_EQ(mapper_.Open(&d, Mono16(48000)), WaveResult::NoDevice);
    EXPECT_EQ(mapper_.Close(open[3]), WaveResult::Ok);
    ASSERT_EQ(mapper_.Open(&d, Mono16(48000)), WaveResult::Ok);
    // Handles are never given out twice, so a notice for a closed device cannot be taken
    // for a new one.
    for (WaveDevice old : open) EXPECT_NE(d, old);
    EXPECT_EQ(mapper_.Close(open[3]), WaveResult::Error);
    EXPECT_FALSE(mapper_.SetDeviceRate(44100));
}

TEST_F(WaveMapperTest, ABufferPlaysInPlaceAtItsVolumeThenItsNoticeComes) {
    Player p(mapper_, Mono16(48000), Pcm16({16384, -8192, 32767, -32768}));
    WaveHeader h{};
    EXPECT_EQ(mapper_.Write(p.device, &h), WaveResult::Unprepared);
    ASSERT_EQ(p.Play(), WaveResult::Ok);
    EXPECT_EQ(mapper_.Write(p.device, &p.header), WaveResult::StillPlaying);
    EXPECT_EQ(mapper_.Unprepare(p.device, &p.header), WaveResult::StillPlaying);
    // Left full, right at half.
    mapper_.SetVolume(p.device, 0x8000FFFF);

    const std::vector<float> out = Render(6);
    const float half = 32768.0f / 65535.0f;
    const float expected[] = {0.5f, -0.25f, 32767.0f / 32768.0f, -1.0f};
    for (int f = 0; f < 4; ++f) {
        EXPECT_FLOAT_EQ(out[2 * f], expected[f]) << f;
        EXPECT_FLOAT_EQ(out[2 * f + 1], expected[f] * half) << f;
    }
    EXPECT_EQ(out[8], 0.0f);
    EXPECT_EQ(out[11], 0.0f);

    // The notice is the user-interface thread's to deliver.
    EXPECT_TRUE(notices_.empty());
    EXPECT_EQ(mapper_.DeliverNotices(), 1u);
    ASSERT_EQ(notices_.size(), 1u);
    EXPECT_EQ(notices_[0].first, p.device);
    EXPECT_EQ(notices_[0].second, &p.header);
    EXPECT_EQ(p.header.flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    EXPECT_EQ(mapper_.Unprepare(p.device, &p.header), WaveResult::Ok);
    EXPECT_EQ(mapper_.DeliverNotices(), 0u);
}

TEST_F(WaveMapperTest, EightBitAndStereoStreams) {
    Player bytes(mapper_, {1, 1, 48000, 48000, 1, 8, 0}, {128, 255, 0, 192});
    bytes.Play();
    std::vector<float> out = Render(4);
    EXPECT_FLOAT_EQ(out[0], 0.0f);
    EXPECT_FLOAT_EQ(out[2], 127.0f / 128.0f);
    EXPECT_FLOAT_EQ(out[4], -1.0f);
    EXPECT_FLOAT_EQ(out[7], 0.5f);

    Player stereo(mapper_, {1, 2, 48000, 192000, 4, 16, 0}, Pcm16({8192, -16384, 0, 16384}));
    stereo.Play();
    out = Render(2);
    EXPECT_FLOAT_EQ(out[0], 0.25f);
    EXPECT_FLOAT_EQ(out[1], -0.5f);
    EXPECT_FLOAT_EQ(out[2], 0.0f);
    EXPECT_FLOAT_EQ(out[3], 0.5f);
}

TEST_F(WaveMapperTest, ResetSilencesAtOnceAndItsNoticeFollows) {
    Player p(mapper_, Mono16(48000), Pcm16(std::vector<int16_t>(1000, 10000)));
    p.Play();
    Render(100);
    ASSERT_EQ(mapper_.Reset(p.device), WaveResult::Ok);
    EXPECT_EQ(p.header.flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    for (float x : Render(2000)) EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(mapper_.DeliverNotices(), 1u);
    EXPECT_EQ(mapper_.DeliverNotices(), 0u);
    // A reset with nothing queued gives no notice.
    mapper_.Reset(p.device);
    EXPECT_EQ(mapper_.DeliverNotices(), 0u);

    // The same header plays again from its start.
    ASSERT_EQ(p.Play(), WaveResult::Ok);
    EXPECT_FLOAT_EQ(Render(1)[0], 10000.0f / 32768.0f);
}

TEST_F(WaveMapperTest, NoticesOfAClosedDeviceAreDropped) {
    Player ended(mapper_, Mono16(48000), Pcm16({1, 2}));
    Player reset(mapper_, Mono16(48000), Pcm16(std::vector<int16_t>(100, 5)));
    ended.Play();
    reset.Play();
    Render(10);
    mapper_.Reset(reset.device);
    mapper_.Close(ended.device);
    mapper_.Close(reset.device);
    EXPECT_EQ(mapper_.DeliverNotices(), 0u);
    EXPECT_TRUE(notices_.empty());
}

TEST_F(WaveMapperTest, OtherRatesAreConvertedToTheMixRate) {
    // One second of a 1 kHz tone at 22050 per second becomes one second at 48000.
    std::vector<int16_t> tone(22050);
    for (size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<int16_t>(16000 * std::sin(2 * M_PI * 1000 * i / 22050.0));
    }
    Player p(mapper_, Mono16(22050), Pcm16(tone));
    p.Play();
    std::vector<float> left;
    size_t rendered = 0;
    while (mapper_.DeliverNotices() == 0 && rendered < 96000) {
        const std::vector<float> out = Render(256);
        for (size_t f = 0; f < 256; ++f) left.push_back(out[2 * f]);
        rendered += 256;
    }
    EXPECT_NEAR(static_cast<double>(rendered), 48000.0, 512.0);
    int crossings = 0;
    double energy = 0;
    for (size_t i = 4800; i < 43200; ++i) {
        crossings += (left[i - 1] < 0) != (left[i] < 0);
        energy += left[i] * left[i];
    }
    EXPECT_NEAR(crossings / 0.8, 2000.0, 10.0);  // two per period, 0.8 s measured
    EXPECT_NEAR(std::sqrt(energy / 38400), 16000 / 32768.0 / std::sqrt(2.0), 0.01);
}

TEST(WaveMapperThreads, NoticesCrossFromTheAudioThreadAndWakeTheUserInterface) {
    WaveMapper mapper(WaveMapperConfig{48000, 16, 256});
    int delivered = 0;
    mapper.SetNoticeHandler([&](WaveDevice, WaveHeader*) { ++delivered; });
    NullOutput output(mapper, {128});
    std::vector<uint8_t> data(2 * 2400);  // 50 ms
    WaveDevice d;
    ASSERT_EQ(mapper.Open(&d, Mono16(48000)), WaveResult::Ok);
    WaveHeader h{};
    h.data = data.data();
    h.bufferLength = static_cast<uint32_t>(data.size());
    mapper.Prepare(d, &h);
    const auto start = std::chrono::steady_clock::now();
    mapper.Write(d, &h);
    pollfd fd{mapper.NoticeFd(), POLLIN, 0};
    ASSERT_GE(fd.fd, 0);
    ASSERT_EQ(poll(&fd, 1, 2000), 1);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(45));
    EXPECT_EQ(mapper.DeliverNotices(), 1u);
    EXPECT_EQ(delivered, 1);
    output.Stop();
}

// Buffers are freed right after their reset or close while another thread renders: the
// mixer must have let go of them by then (the address sanitizer watches).
TEST(WaveMapperThreads, ResetAndCloseLetGoOfTheDataAtOnce) {
    WaveMapper mapper(WaveMapperConfig{48000, 4, 64});
    NullOutput output(mapper, {32});
    for (int round = 0; round < 300; ++round) {
        WaveDevice d;
        ASSERT_EQ(mapper.Open(&d, round % 3 ? Mono16(48000) : Mono16(32000)), WaveResult::Ok);
        auto data = std::make_unique<std::vector<uint8_t>>(2000, 7);
        WaveHeader h{};
        h.data = data->data();
        h.bufferLength = static_cast<uint32_t>(data->size());
        mapper.Prepare(d, &h);
        mapper.Write(d, &h);
        std::this_thread::sleep_for(std::chrono::microseconds(round % 7 * 100));
        if (round % 2) mapper.Reset(d);
        else mapper.Close(d);
        data.reset();
        if (round % 2) mapper.Close(d);
        mapper.DeliverNotices();
    }
    output.Stop();
    EXPECT_EQ(mapper.OpenDevices(), 0u);
}

}  // namespace
}  // namespace chordlane::test

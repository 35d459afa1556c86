#include "platform/audio/OfflineOutput.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "elements/Element.h"
#include "platform/audio/WaveMapper.h"
#include "sound/Sample.h"
#include "sound/SoundChannel.h"
#include "sound/WaveFile.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

class Listener : public Element {
public:
    explicit Listener(uint32_t* clock) : Element(u"b"), clock_(clock) {}
    const char* ClassName() const override { return "Listener"; }
    void OnSoundDone() override { doneAt.push_back(*clock_); }
    std::vector<uint32_t> doneAt;

private:
    uint32_t* clock_;
};

// Half a second at 22050 per second, level one half.
std::unique_ptr<Sample> HalfLevelNote() {
    std::string file = "RIFF____WAVEfmt ";
    const uint8_t format[] = {16, 0, 0, 0, 1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0};
    file.append(reinterpret_cast<const char*>(format), sizeof format);
    const uint32_t bytes = 2 * 11025;
    file += "data";
    file.append(reinterpret_cast<const char*>(&bytes), 4);
    for (int i = 0; i < 11025; ++i) file += std::string("\x00\x40", 2);
    auto s = std::make_unique<Sample>();
    EXPECT_TRUE(ParseWave(*s, {reinterpret_cast<const uint8_t*>(file.data()), file.size()}));
    return s;
}

std::vector<int16_t> ReadMix(const std::filesystem::path& path, std::string* header) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    *header = bytes.substr(0, 44);
    std::vector<int16_t> values((bytes.size() - 44) / 2);
    std::memcpy(values.data(), bytes.data() + 44, values.size() * 2);
    return values;
}

uint32_t Le32(const std::string& s, size_t at) {
    uint32_t v;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

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
    uint32_t Now() { return platform_.clock.TickCount(); }

    WaveMapper mapper_;
    std::unique_ptr<OfflineOutput> output_;
};

TEST_F(OfflineOutputTest, TheMixIsWrittenAtItsLevelAndTheEndComesOnTime) {
    auto note = HalfLevelNote();
    uint32_t clock = 0;
    Listener source(&clock);
    platform_.clock.SetAdvanceHook([&](uint32_t now) {
        clock = now;
        output_->Advance();
    });
    const uint32_t begin = Now();
    Wait(100);
    SoundChannel channel;
    ASSERT_TRUE(channel.Start(note.get(), 50, 0, &source));
    Wait(900);
    ASSERT_TRUE(output_->Finish());

    // The sound lasts 500 ms; its end is reported no earlier, and at most 20 ms later.
    ASSERT_EQ(source.doneAt.size(), 1u);
    EXPECT_GE(source.doneAt[0] - begin, 600u);
    EXPECT_LE(source.doneAt[0] - begin, 620u);

    std::string header;
    const std::vector<int16_t> mix = ReadMix(Path(), &header);
    EXPECT_EQ(header.substr(0, 4), "RIFF");
    EXPECT_EQ(header.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Le32(header, 20), 0x00020001u);  // PCM, two channels
    EXPECT_EQ(Le32(header, 24), 48000u);
    EXPECT_EQ(Le32(header, 40), 1000u * 48 * 4);
    ASSERT_EQ(mix.size(), 1000u * 48 * 2);

    size_t onset = 0;
    while (onset < mix.size() / 2 && std::abs(mix[2 * onset]) < 100) ++onset;
    EXPECT_NEAR(static_cast<double>(onset), 4800.0, 48.0);
    // Half level at volume 50 (32767 of 65535), on both sides.
    for (size_t f = 7200; f < 26400; f += 97) {
        EXPECT_NEAR(mix[2 * f], 8191, 82) << f;
        EXPECT_NEAR(mix[2 * f + 1], 8191, 82) << f;
    }
    for (size_t f = 30000; f < 48000; ++f) ASSERT_EQ(mix[2 * f], 0) << f;
}

TEST_F(OfflineOutputTest, SoundsAddUp) {
    auto note = HalfLevelNote();
    SoundChannel quiet, loud;
    quiet.Start(note.get(), 50, 0, nullptr);
    loud.Start(note.get(), 100, 0, nullptr);
    Wait(300);
    output_->Finish();
    std::string header;
    const std::vector<int16_t> mix = ReadMix(Path(), &header);
    EXPECT_NEAR(mix[2 * 9600], 8191 + 16384, 250);
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

#include "sound/SoundChannel.h"

#include <gtest/gtest.h>

#include <memory>

#include "elements/Element.h"
#include "platform/headless/FakeWaveOutput.h"
#include "sound/Sample.h"
#include "sound/WaveFile.h"
#include "tests/sound/WaveBytes.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

// An element that counts the ends it is told of.
class Listener : public Element {
public:
    Listener() : Element(u"button") {}
    const char* ClassName() const override { return "Listener"; }
    void OnSoundDone() override { ++done; }
    int done = 0;
};

std::unique_ptr<Sample> MakeSample(const WaveSpec& spec, size_t values) {
    auto s = std::make_unique<Sample>();
    const std::string file = CanonicalWave(spec, std::string(values * spec.bits / 8, '\x10'));
    EXPECT_TRUE(ParseWave(*s, {reinterpret_cast<const uint8_t*>(file.data()), file.size()}));
    return s;
}

uint32_t Both(uint32_t level) { return level | (level << 16); }

class SoundChannelTest : public ChordlaneTest {
protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        SoundChannel::ResetStartTime();
        a_ = MakeSample({1, 1, 8000, 16}, 800);    // 100 ms
        b_ = MakeSample({1, 1, 8000, 16}, 1600);   // 200 ms
        c_ = MakeSample({1, 1, 11025, 8}, 1103);   // another format, 101 ms
    }
    FakeWaveOutput& Fake() { return static_cast<FakeWaveOutput&>(*platform_.waveOut); }
    void Advance(uint32_t ms) { platform_.clock.Advance(ms); }

    std::unique_ptr<Sample> a_, b_, c_;
    Listener first_, second_;
};

TEST_F(SoundChannelTest, ASoundPlaysInPlaceToItsEndAndTellsItsSource) {
    SoundChannel channel;
    ASSERT_TRUE(channel.Start(a_.get(), 50, 80, &first_));
    EXPECT_TRUE(channel.IsPlaying());
    ASSERT_EQ(Fake().PlayedBuffers().size(), 1u);
    EXPECT_EQ(Fake().PlayedBuffers()[0].data, a_->Data());
    EXPECT_EQ(Fake().PlayedBuffers()[0].length, 1600u);
    EXPECT_EQ(Fake().VolumeOf(channel.Device()), Both(32767));
    EXPECT_EQ(Fake().FormatOf(channel.Device())->samplesPerSec, 8000u);

    Advance(99);
    EXPECT_EQ(first_.done, 0);
    Advance(1);
    EXPECT_EQ(first_.done, 1);
    EXPECT_FALSE(channel.IsPlaying());
    EXPECT_EQ(channel.Header().flags & WHDR_PREPARED, 0u);

    // Stopping a sound that has ended mutes and resets, and tells nobody again.
    Fake().ClearCalls();
    channel.Stop(false);
    EXPECT_EQ(Fake().Count("volume"), 1u);
    EXPECT_EQ(Fake().Count("reset"), 1u);
    Advance(500);
    EXPECT_EQ(first_.done, 1);
}

TEST_F(SoundChannelTest, VolumeIsClampedAndSetOnBothSides) {
    SoundChannel channel;
    const std::pair<int32_t, uint32_t> cases[] = {{0, 655}, {-7, 655}, {250, 65535}, {50, 32767},
                                                  {1, 655}, {100, 65535}};
    for (auto [volume, level] : cases) {
        channel.Start(b_.get(), volume, 0, nullptr);
        EXPECT_EQ(channel.Level(), level) << volume;
        EXPECT_EQ(Fake().VolumeOf(channel.Device()), Both(level)) << volume;
        Advance(300);
    }
}

TEST_F(SoundChannelTest, StartingAgainCutsTheOldSoundWithoutTellingItsSource) {
    SoundChannel channel;
    channel.Start(b_.get(), 50, 0, &first_);
    Advance(30);
    ASSERT_TRUE(channel.Start(a_.get(), 80, 0, &second_));
    EXPECT_EQ(channel.Flags(), SoundChannel::PLAYING | SoundChannel::RESTARTING);
    EXPECT_EQ(Fake().Count("open"), 1u);
    EXPECT_EQ(Fake().Count("reset"), 1u);
    ASSERT_EQ(Fake().PlayedBuffers().size(), 2u);
    EXPECT_EQ(Fake().PlayedBuffers()[1].data, a_->Data());
    EXPECT_EQ(Fake().PlayedBuffers()[1].volume, Both(52428));

    // The cut sound's notice only clears the restarting bit.
    Advance(0);
    EXPECT_EQ(channel.Flags(), SoundChannel::PLAYING);
    EXPECT_EQ(first_.done + second_.done, 0);
    Advance(100);
    EXPECT_EQ(first_.done, 0);
    EXPECT_EQ(second_.done, 1);
}

TEST_F(SoundChannelTest, ASameSampleStartWhileRestartingIsIgnored) {
    SoundChannel channel;
    channel.Start(a_.get(), 50, 0, &first_);
    ASSERT_TRUE(channel.Start(a_.get(), 50, 0, &first_));
    const size_t writes = Fake().Count("write");
    EXPECT_FALSE(channel.Start(a_.get(), 50, 0, &second_));
    EXPECT_EQ(Fake().Count("write"), writes);
    EXPECT_EQ(channel.Source(), &first_);
    // Once the cut sound's notice came, the same sample restarts again.
    Advance(0);
    EXPECT_TRUE(channel.Start(a_.get(), 50, 0, &first_));
}

TEST_F(SoundChannelTest, StopTellsTheSourceAtOnceAndOnlyOnce) {
    SoundChannel channel;
    channel.Stop(false);
    EXPECT_TRUE(Fake().Calls().empty());

    channel.Start(b_.get(), 50, 0, &first_);
    channel.Stop(false);
    EXPECT_EQ(first_.done, 1);
    EXPECT_FALSE(channel.IsPlaying());
    EXPECT_EQ(Fake().VolumeOf(channel.Device()), 0u);
    Advance(1000);
    EXPECT_EQ(first_.done, 1);
}

TEST_F(SoundChannelTest, AStartBeforeTheStoppedSoundsNoticeEndsEarly) {
    // The stopped sound's notice arrives after the next start and is taken for its end.
    SoundChannel channel;
    channel.Start(b_.get(), 50, 0, &first_);
    channel.Stop(false);
    channel.Start(a_.get(), 50, 0, &second_);
    EXPECT_TRUE(channel.IsPlaying());
    Advance(0);
    EXPECT_EQ(second_.done, 1);
    EXPECT_FALSE(channel.IsPlaying());
    Advance(200);
    EXPECT_EQ(second_.done, 1);
    EXPECT_EQ(first_.done, 1);
}

TEST_F(SoundChannelTest, DeviceIsKeptOnlyWithinTwoSecondsOfAnyStart) {
    SoundChannel channel, other;
    channel.Start(a_.get(), 50, 0, nullptr);
    Advance(1500);
    other.Start(a_.get(), 50, 0, nullptr);
    Advance(1500);
    // 1500 ms after the other channel's start: kept.
    channel.Start(a_.get(), 50, 0, nullptr);
    EXPECT_EQ(Fake().Count("open"), 2u);
    EXPECT_EQ(Fake().Count("close"), 0u);
    Advance(2001);
    channel.Start(a_.get(), 50, 0, &first_);
    EXPECT_EQ(Fake().Count("open"), 3u);
    EXPECT_EQ(Fake().Count("close"), 1u);
    Advance(100);
    EXPECT_EQ(first_.done, 1);
}

TEST_F(SoundChannelTest, ADeviceIsNotKeptForAnotherFormat) {
    SoundChannel channel;
    channel.Start(a_.get(), 50, 0, nullptr);
    const WaveDevice first = channel.Device();
    channel.Start(c_.get(), 50, 0, &first_);
    EXPECT_NE(channel.Device(), first);
    EXPECT_EQ(Fake().Count("close"), 1u);
    EXPECT_EQ(Fake().FormatOf(channel.Device())->samplesPerSec, 11025u);
    EXPECT_EQ(Fake().FormatOf(channel.Device())->bitsPerSample, 8);
    // The cut sound's notice went with the closed device, so the new sound's end is told.
    Advance(200);
    EXPECT_EQ(first_.done, 1);
}

TEST_F(SoundChannelTest, CuttingALongSoundAfterTwoSecondsStillReportsTheNewOne) {
    auto longSample = MakeSample({1, 1, 8000, 16}, 8000 * 3);
    SoundChannel channel;
    channel.Start(longSample.get(), 50, 0, &first_);
    Advance(2500);
    channel.Start(a_.get(), 50, 0, &second_);
    EXPECT_EQ(Fake().Count("open"), 2u);
    Advance(100);
    EXPECT_EQ(second_.done, 1);
    EXPECT_EQ(first_.done, 0);
}

TEST_F(SoundChannelTest, ADestroyedChannelClosesItsDeviceAndHearsNothingMore) {
    auto channel = std::make_unique<SoundChannel>();
    channel->Start(b_.get(), 50, 0, &first_);
    const WaveDevice device = channel->Device();
    WaveHeader* header = const_cast<WaveHeader*>(&channel->Header());
    channel.reset();
    EXPECT_EQ(Fake().OpenDevices(), 0u);
    EXPECT_EQ(Fake().PendingNotices(), 0u);
    // A notice that names it anyway is dropped without touching it.
    SoundChannel::DeliverNotice(device, header);
    Advance(1000);
    EXPECT_EQ(first_.done, 0);

    // So is a notice naming a live channel with a device it does not have.
    SoundChannel live;
    live.Start(a_.get(), 50, 0, &second_);
    SoundChannel::DeliverNotice(live.Device() + 100, const_cast<WaveHeader*>(&live.Header()));
    EXPECT_TRUE(live.IsPlaying());
}

// A refused start leaves the playing bit set; the next start of the same sample must still
// play, though no notice of a returned buffer will ever clear the cut.
TEST_F(SoundChannelTest, RefusedOperationsReleaseTheSourceAndDoNotJamTheChannel) {
    SoundChannel channel;
    for (const char* op : {"open", "prepare", "write"}) {
        Fake().FailNext(op);
        const int before = first_.done;
        EXPECT_FALSE(channel.Start(a_.get(), 50, 0, &first_)) << op;
        EXPECT_EQ(first_.done, before + 1) << op;
        Advance(300);
    }
    EXPECT_TRUE(channel.Start(a_.get(), 50, 0, &second_));
    EXPECT_TRUE(channel.Start(a_.get(), 50, 0, &second_));
    Advance(0);
    EXPECT_TRUE(channel.Start(a_.get(), 50, 0, &second_));
    Advance(100);
    EXPECT_EQ(second_.done, 1);

    // Without any wave output the source is released as well.
    platform_.waveOut.reset();
    platform_.Install();
    SoundChannel silent;
    EXPECT_FALSE(silent.Start(a_.get(), 50, 0, &second_));
    EXPECT_EQ(second_.done, 2);
}

}  // namespace
}  // namespace chordlane::test

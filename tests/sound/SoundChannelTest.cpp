#include <gtest/gtest.h>

#include "sound/SoundChannel.h"
#include "tests/sound/SoundTestSupport.h"
#include "tests/support/ChordlaneTest.h"
#include "tests/support/FakeWaveOutput.h"

namespace chordlane::test {
namespace {

uint32_t Both(uint32_t level) { return level | (level << 16); }

// Counts how often it is told that its sound ended.
struct Ends : SoundListener {
    void OnSoundDone() override { ++done; }
    int done = 0;
};

class SoundChannelTest : public ChordlaneTest {
  protected:
    FakeWaveOutput& Fake() { return static_cast<FakeWaveOutput&>(*platform_.waveOut); }
    void Advance(uint32_t ms) { platform_.clock.Advance(ms); }

    std::unique_ptr<Sample> a_ = Recording({1, 1, 8000, 16}, std::string(1600, 1));  // 100 ms
    std::unique_ptr<Sample> b_ = Recording({1, 1, 8000, 16}, std::string(3200, 1));  // 200 ms
    std::unique_ptr<Sample> c_ = Recording({1, 1, 11025, 8}, std::string(1103, 1));  // 8-bit
    Playback playback_{platform_.services};
    Ends first_, second_;
};

TEST_F(SoundChannelTest, ASoundPlaysInPlaceToItsEndAndTellsItsSourceOnce) {
    SoundChannel channel(playback_);
    channel.Stop(false);
    EXPECT_TRUE(Fake().Calls().empty());  // never started: nothing to stop

    ASSERT_TRUE(channel.Start(a_.get(), 50, 80, &first_));
    EXPECT_TRUE(channel.IsPlaying());
    ASSERT_EQ(Fake().PlayedBuffers().size(), 1u);
    EXPECT_EQ(Fake().PlayedBuffers()[0].data, a_->Data());
    EXPECT_EQ(Fake().PlayedBuffers()[0].length, 1600u);
    EXPECT_EQ(Fake().VolumeOf(channel.Device()), Both(32767));
    Advance(99);
    EXPECT_EQ(first_.done, 0);
    Advance(1);
    EXPECT_EQ(first_.done, 1);
    EXPECT_FALSE(channel.IsPlaying());
    EXPECT_EQ(channel.Header().flags & WHDR_PREPARED, 0u);

    // Stopping a sound that has ended mutes and resets, and tells nobody again.
    channel.Stop(false);
    EXPECT_EQ(Fake().Calls().back().op, "reset");
    Advance(500);
    EXPECT_EQ(first_.done, 1);

    // The volume is clamped and set on both sides.
    for (auto [volume, level] : {std::pair{0, 655u}, {-7, 655u}, {250, 65535u}}) {
        channel.Start(b_.get(), volume, 0, nullptr);
        EXPECT_EQ(Fake().VolumeOf(channel.Device()), Both(level));
        Advance(300);
    }
}

TEST_F(SoundChannelTest, StartingAgainCutsTheOldSoundWithoutTellingItsSource) {
    SoundChannel channel(playback_);
    channel.Start(b_.get(), 50, 0, &first_);
    Advance(30);
    ASSERT_TRUE(channel.Start(a_.get(), 80, 0, &second_));
    EXPECT_EQ(channel.Flags(), SoundChannel::PLAYING | SoundChannel::RESTARTING);
    EXPECT_EQ(Fake().Count("open"), 1u);
    EXPECT_EQ(Fake().PlayedBuffers()[1].volume, Both(52428));
    // A third start of the same sample before the cut sound's notice is ignored.
    EXPECT_FALSE(channel.Start(a_.get(), 50, 0, &first_));
    EXPECT_EQ(Fake().Count("write"), 2u);
    EXPECT_EQ(channel.Source(), &second_);

    // The cut sound's notice only clears the restarting bit.
    Advance(0);
    EXPECT_EQ(channel.Flags(), SoundChannel::PLAYING);
    Advance(100);
    EXPECT_EQ(first_.done, 0);
    EXPECT_EQ(second_.done, 1);
}

TEST_F(SoundChannelTest, StopTellsAtOnceAndANewStartIsToldOnlyAtItsOwnEnd) {
    SoundChannel channel(playback_);
    channel.Start(b_.get(), 50, 0, &first_);
    channel.Stop(false);
    EXPECT_EQ(first_.done, 1);
    EXPECT_FALSE(channel.IsPlaying());
    EXPECT_EQ(Fake().VolumeOf(channel.Device()), 0u);
    // Started before the stopped sound's notice came (a chord struck again releases and
    // restarts its voices at once): that notice belongs to the stopped sound, and the new
    // sound plays on until its own notice ends it.
    channel.Start(a_.get(), 50, 0, &second_);
    Advance(0);
    EXPECT_EQ(second_.done, 0);
    EXPECT_TRUE(channel.IsPlaying());
    Advance(99);
    EXPECT_EQ(second_.done, 0);
    Advance(1);
    EXPECT_EQ(second_.done, 1);
    EXPECT_FALSE(channel.IsPlaying());
    EXPECT_EQ(first_.done, 1);
}

TEST_F(SoundChannelTest, ADeviceIsKeptWithinTwoSecondsOfAnyStartAndForTheSameFormat) {
    SoundChannel channel(playback_), other(playback_);
    channel.Start(a_.get(), 50, 0, nullptr);
    Advance(1500);
    other.Start(a_.get(), 50, 0, nullptr);
    Advance(1500);
    channel.Start(a_.get(), 50, 0, nullptr);  // 1500 ms after the other's start
    EXPECT_EQ(Fake().Count("close"), 0u);
    Advance(2001);
    channel.Start(a_.get(), 50, 0, nullptr);
    EXPECT_EQ(Fake().Count("close"), 1u);
    EXPECT_EQ(Fake().Count("open"), 3u);

    // Another format would play at the wrong speed: closed and opened anew. The cut
    // sound's notice goes with the old device, so the new sound's end is still told.
    channel.Start(c_.get(), 50, 0, &first_);
    EXPECT_EQ(Fake().Count("close"), 2u);
    EXPECT_EQ(Fake().FormatOf(channel.Device())->samplesPerSec, 11025u);
    Advance(200);
    EXPECT_EQ(first_.done, 1);
}

TEST_F(SoundChannelTest, ADestroyedChannelClosesItsDeviceAndHearsNothingMore) {
    auto channel = std::make_unique<SoundChannel>(playback_);
    channel->Start(b_.get(), 50, 0, &first_);
    const WaveDevice device = channel->Device();
    auto* header = const_cast<WaveHeader*>(&channel->Header());
    channel.reset();
    EXPECT_EQ(Fake().OpenDevices(), 0u);
    EXPECT_EQ(Fake().PendingNotices(), 0u);
    // A notice naming it anyway is dropped without touching it; so is one naming a live
    // channel with a device it does not have.
    playback_.DeliverNotice(device, header);
    SoundChannel live(playback_);
    live.Start(a_.get(), 50, 0, &second_);
    playback_.DeliverNotice(live.Device() + 100, const_cast<WaveHeader*>(&live.Header()));
    EXPECT_TRUE(live.IsPlaying());
    EXPECT_EQ(first_.done, 0);
}

// A refused start leaves the playing bit set; the next start of the same sample must still
// play, though no notice of a returned buffer will ever clear the cut.
TEST_F(SoundChannelTest, RefusedOperationsReleaseTheSourceAndDoNotJamTheChannel) {
    SoundChannel channel(playback_);
    for (const char* op : {"open", "prepare", "write"}) {
        Fake().FailNext(op);
        EXPECT_FALSE(channel.Start(a_.get(), 50, 0, &first_)) << op;
        Advance(300);
    }
    EXPECT_EQ(first_.done, 3);
    EXPECT_TRUE(channel.Start(a_.get(), 50, 0, &second_));
    EXPECT_TRUE(channel.Start(a_.get(), 50, 0, &second_));
    Advance(0);
    EXPECT_TRUE(channel.Start(a_.get(), 50, 0, &second_));
    Advance(100);
    EXPECT_EQ(second_.done, 1);

    // Without any wave output the source is released as well.
    platform_.services.waveOut = nullptr;
    EXPECT_FALSE(SoundChannel(playback_).Start(a_.get(), 50, 0, &second_));
    EXPECT_EQ(second_.done, 2);
}

}  // namespace
}  // namespace chordlane::test

#pragma once
#include <cstdint>

#include "platform/WaveOutput.h"
#include "sound/Playback.h"

namespace chordlane {

class Sample;

// Whatever started a sound and wants to hear when it has ended or could not start.
class SoundListener {
  public:
    //! The sound this listener started has ended or could not start.
    virtual void OnSoundDone() = 0;

  protected:
    ~SoundListener() = default;
};

// The one a channel belongs to, told before the sound's source is told.
class ChannelOwner {
  public:
    //! The sound started for source (may be null) has ended or could not start; the owner
    //! tells the source.
    virtual void OnChannelDone(SoundListener* source) = 0;

  protected:
    ~ChannelOwner() = default;
};

// The playback channel each voice embeds: plays one sample at a time, in place, on a wave
// output device of its own, and tells the element that started the sound when it ends.
// Starting a channel that still sounds cuts the old sound.
//
// A channel's device stays open between its sounds. It is closed and opened anew by a start
// that comes more than 2 seconds after the latest start of any channel, and whenever the
// new sample's format differs from the device's (the device would play it at the wrong
// speed). A destroyed channel closes its device, and completion notices for a channel that
// no longer exists are dropped.
class SoundChannel {
  public:
    static constexpr uint32_t PLAYING = 1;
    static constexpr uint32_t RESTARTING = 2;

    //! owner, when given, is told of each ending in place of the source.
    explicit SoundChannel(Playback& playback, ChannelOwner* owner = nullptr);
    virtual ~SoundChannel();
    SoundChannel(const SoundChannel&) = delete;
    SoundChannel& operator=(const SoundChannel&) = delete;

    //! Queues the whole sample at volume (clamped to 1..100); true when it was queued. The
    //! source is told when it ends or could not start. length does not change playback.
    bool Start(Sample* sample, int32_t volume, int32_t length, SoundListener* source);
    //! Silences the channel; restart false also tells the source that the sound ended.
    void Stop(bool restart);
    //! The output's completion notice for header on device.
    void OnBufferDone(WaveDevice device, WaveHeader* header);

    uint32_t Flags() const { return flags_; }
    bool IsPlaying() const { return (flags_ & PLAYING) != 0; }
    int32_t Volume() const { return volume_; }
    //! The 16-bit level of the latest start.
    uint32_t Level() const { return level_; }
    SoundListener* Source() const { return source_; }
    WaveDevice Device() const { return device_; }
    const WaveHeader& Header() const { return header_; }

  private:
    friend class Playback;

    void Finish(WaveDevice device, WaveHeader* header, bool restart);
    void TellSource();
    //! The output the device is open on, when it is still the platform's.
    WaveOutput* Output();
    void CloseDevice();

    uint32_t flags_ = 0;
    int32_t volume_ = 0;
    uint32_t level_ = 0;
    SoundListener* source_ = nullptr;
    WaveHeader header_{};
    WaveDevice device_ = NO_DEVICE;
    WaveFormat deviceFormat_{};
    WaveOutput* deviceOutput_ = nullptr;
    Playback& playback_;
    ChannelOwner* owner_ = nullptr;
    uintptr_t id_ = 0;
    // Notices still to come for the buffers written on the open device: one per write,
    // in the order of the writes.
    uint32_t pendingNotices_ = 0;
};

}  // namespace chordlane

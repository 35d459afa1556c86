#pragma once
#include <cstdint>

#include "platform/WaveOutput.h"

namespace chordlane {

class Element;
class Sample;

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

    //! owner is the voice the channel belongs to (for the event log), or null.
    explicit SoundChannel(const Element* owner = nullptr);
    virtual ~SoundChannel();
    SoundChannel(const SoundChannel&) = delete;
    SoundChannel& operator=(const SoundChannel&) = delete;

    //! Queues the whole sample at volume (clamped to 1..100); true when it was queued. The
    //! source is told when it ends or could not start. length does not change playback.
    bool Start(Sample* sample, int32_t volume, int32_t length, Element* source);
    //! Silences the channel; restart false also tells the source that the sound ended.
    void Stop(bool restart);
    //! The output's completion notice for header on device.
    void OnBufferDone(WaveDevice device, WaveHeader* header);

    //! Hands a completion notice to the live channel whose header and device it names;
    //! drops it when there is none. This is the handler channels install on the output.
    static void DeliverNotice(WaveDevice device, WaveHeader* header);
    //! Forgets the time of the latest start, as at program start.
    static void ResetStartTime();

    uint32_t Flags() const { return flags_; }
    bool IsPlaying() const { return (flags_ & PLAYING) != 0; }
    int32_t Volume() const { return volume_; }
    //! The 16-bit level of the latest start.
    uint32_t Level() const { return level_; }
    Element* Source() const { return source_; }
    WaveDevice Device() const { return device_; }
    const WaveHeader& Header() const { return header_; }

private:
    void Finish(WaveDevice device, WaveHeader* header, bool restart);
    void TellSource();
    //! The output the device is open on, when it is still the platform's.
    WaveOutput* Output();
    void CloseDevice();

    uint32_t flags_ = 0;
    int32_t volume_ = 0;
    uint32_t level_ = 0;
    Element* source_ = nullptr;
    WaveHeader header_{};
    WaveDevice device_ = NO_DEVICE;
    WaveFormat deviceFormat_{};
    WaveOutput* deviceOutput_ = nullptr;
    const Element* owner_ = nullptr;
    uintptr_t id_ = 0;
};

}  // namespace chordlane

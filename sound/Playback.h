#pragma once
#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "platform/Platform.h"
#include "platform/WaveOutput.h"

namespace chordlane {

class SoundChannel;

// What the playback channels of one instrument share: the platform's wave output and clock,
// the time of the latest start (a channel keeps its device only while some channel started
// recently), and the live channels, so that a completion notice reaches the channel it
// belongs to, and is dropped once that channel is gone. Outlives every channel made with it.
class Playback {
  public:
    explicit Playback(const Platform& platform) : platform_(platform) {}
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    //! The wave output in force, or null.
    WaveOutput* Output() const { return platform_.waveOut; }
    //! The clock's milliseconds, 0 without a clock.
    uint32_t Now() const { return platform_.clock ? platform_.clock->TickCount() : 0; }

    //! Hands a completion notice to the live channel whose header and device it names;
    //! drops it when there is none.
    void DeliverNotice(WaveDevice device, WaveHeader* header);
    //! The handler a channel opens its devices with: delivers through this playback.
    WaveOutput::NoticeHandler Handler();
    //! Forgets the time of the latest start, as at program start.
    void ResetStartTime() { lastStart_ = 0; }

  private:
    friend class SoundChannel;

    const Platform& platform_;
    // Guards the test-and-clear of a channel's flags; nothing else is held while it is.
    std::mutex flagLock_;
    uint32_t lastStart_ = 0;
    uintptr_t nextId_ = 0;
    // By the address of their header. A notice is delivered only when a live channel has
    // that header and that device open (device handles are never reused, so a channel born
    // at a dead one's address is not mistaken).
    std::unordered_map<const WaveHeader*, SoundChannel*> live_;
};

}  // namespace chordlane

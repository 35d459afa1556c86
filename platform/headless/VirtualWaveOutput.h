#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/Clock.h"
#include "platform/WaveOutput.h"

namespace chordlane {

class VirtualClock;

// The headless wave output: plays each queued buffer in virtual time, producing no sound. A
// buffer's completion notice falls due its duration after the write; a reset returns the
// buffer at once with a notice that follows. Notices are delivered by DeliverDue, which the
// virtual clock's advance hook calls when the clock is virtual.
class VirtualWaveOutput : public WaveOutput {
  public:
    explicit VirtualWaveOutput(Clock& clock);
    ~VirtualWaveOutput() override;
    VirtualWaveOutput(const VirtualWaveOutput&) = delete;
    VirtualWaveOutput& operator=(const VirtualWaveOutput&) = delete;

    WaveResult Open(WaveDevice* device, const WaveFormat& format, NoticeHandler handler) override;
    WaveResult Prepare(WaveDevice device, WaveHeader* header) override;
    WaveResult Unprepare(WaveDevice device, WaveHeader* header) override;
    WaveResult Write(WaveDevice device, WaveHeader* header) override;
    WaveResult SetVolume(WaveDevice device, uint32_t volume) override;
    WaveResult Reset(WaveDevice device) override;
    WaveResult Close(WaveDevice device) override;

    //! Delivers, in order, every notice whose time has come; answers how many.
    size_t DeliverDue();

    size_t OpenDevices() const { return devices_.size(); }
    size_t PendingNotices() const { return notices_.size(); }
    //! The volume of an open device, or 0 when it is not open.
    uint32_t VolumeOf(WaveDevice device) const;
    const WaveFormat* FormatOf(WaveDevice device) const;
    //! Milliseconds a buffer of bytes plays in format, rounded up so a notice never comes
    //! early.
    static uint32_t DurationMs(const WaveFormat& format, uint32_t bytes);

  protected:
    Clock& clock_;

  private:
    struct Device {
        WaveFormat format;
        uint32_t volume = 0xFFFFFFFF;
        WaveHeader* queued = nullptr;
        uint64_t queuedSerial = 0;
        NoticeHandler handler;
    };
    struct Notice {
        uint32_t due = 0;
        uint64_t serial = 0;  // order of posting among equal times
        WaveDevice device = NO_DEVICE;
        WaveHeader* header = nullptr;
        uint64_t buffer = 0;  // the write it completes; 0 for a reset's notice
    };

    VirtualClock* virtualClock_ = nullptr;
    std::map<WaveDevice, Device> devices_;
    std::vector<Notice> notices_;
    WaveDevice nextDevice_ = 0;
    uint64_t nextSerial_ = 0;
    bool delivering_ = false;
};

//! The headless platform's wave output on clock.
std::unique_ptr<WaveOutput> MakeVirtualWaveOutput(Clock& clock);

}  // namespace chordlane

#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/WaveOutput.h"

namespace chordlane {

class VirtualClock;

// A wave output for tests: records every call and plays each queued buffer in virtual
// time. A buffer's completion notice falls due its duration after the write; a reset
// returns the buffer at once with a notice that follows. Notices are delivered by
// DeliverDue, which the virtual clock's advance hook calls when the clock is virtual.
class FakeWaveOutput : public WaveOutput {
  public:
    struct Call {
        std::string op;  // "open", "prepare", "unprepare", "write", "volume", "reset", "close"
        WaveDevice device = NO_DEVICE;
        WaveResult result = WaveResult::Ok;
        uint32_t value = 0;             // the volume for "volume"
        const uint8_t* data = nullptr;  // the buffer for "write"
    };
    // One buffer that started playing.
    struct Played {
        WaveDevice device = NO_DEVICE;
        const uint8_t* data = nullptr;
        uint32_t length = 0;
        uint32_t volume = 0;  // when it was written
        uint32_t start = 0;
        uint32_t due = 0;
    };

    explicit FakeWaveOutput(Clock& clock);
    ~FakeWaveOutput() override;

    WaveResult Open(WaveDevice* device, const WaveFormat& format, NoticeHandler handler) override;
    WaveResult Prepare(WaveDevice device, WaveHeader* header) override;
    WaveResult Unprepare(WaveDevice device, WaveHeader* header) override;
    WaveResult Write(WaveDevice device, WaveHeader* header) override;
    WaveResult SetVolume(WaveDevice device, uint32_t volume) override;
    WaveResult Reset(WaveDevice device) override;
    WaveResult Close(WaveDevice device) override;

    //! Delivers, in order, every notice whose time has come; answers how many.
    size_t DeliverDue();
    //! The next operation named op answers result instead of doing anything.
    void FailNext(const std::string& op, WaveResult result = WaveResult::Error);

    const std::vector<Call>& Calls() const { return calls_; }
    //! How many calls of op were made.
    size_t Count(const std::string& op) const;
    void ClearCalls() { calls_.clear(); }
    const std::vector<Played>& PlayedBuffers() const { return played_; }
    size_t OpenDevices() const { return devices_.size(); }
    size_t PendingNotices() const { return notices_.size(); }
    //! The volume of an open device, or 0 when it is not open.
    uint32_t VolumeOf(WaveDevice device) const;
    const WaveFormat* FormatOf(WaveDevice device) const;

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

    WaveResult Record(const std::string& op, WaveDevice device, WaveResult result,
                      uint32_t value = 0, const uint8_t* data = nullptr);
    bool Failing(const std::string& op, WaveDevice device, WaveResult& result);

    Clock& clock_;
    VirtualClock* virtualClock_ = nullptr;
    std::map<WaveDevice, Device> devices_;
    std::vector<Notice> notices_;
    std::vector<Call> calls_;
    std::vector<Played> played_;
    std::map<std::string, WaveResult> failures_;
    WaveDevice nextDevice_ = 0;
    uint64_t nextSerial_ = 0;
    bool delivering_ = false;
};

}  // namespace chordlane

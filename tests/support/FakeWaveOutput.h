#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/VirtualWaveOutput.h"

namespace chordlane {

// The headless wave output with a record of every call, the buffers it started playing, and
// failures to inject: what tests of the channels and the instrument look at.
class FakeWaveOutput : public VirtualWaveOutput {
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

    explicit FakeWaveOutput(Clock& clock) : VirtualWaveOutput(clock) {}

    WaveResult Open(WaveDevice* device, const WaveFormat& format, NoticeHandler handler) override;
    WaveResult Prepare(WaveDevice device, WaveHeader* header) override;
    WaveResult Unprepare(WaveDevice device, WaveHeader* header) override;
    WaveResult Write(WaveDevice device, WaveHeader* header) override;
    WaveResult SetVolume(WaveDevice device, uint32_t volume) override;
    WaveResult Reset(WaveDevice device) override;
    WaveResult Close(WaveDevice device) override;

    //! The next operation named op answers result instead of doing anything.
    void FailNext(const std::string& op, WaveResult result = WaveResult::Error);

    const std::vector<Call>& Calls() const { return calls_; }
    //! How many calls of op were made.
    size_t Count(const std::string& op) const;
    void ClearCalls() { calls_.clear(); }
    const std::vector<Played>& PlayedBuffers() const { return played_; }

  private:
    WaveResult Record(const std::string& op, WaveDevice device, WaveResult result,
                      uint32_t value = 0, const uint8_t* data = nullptr);
    bool Failing(const std::string& op, WaveDevice device, WaveResult& result);

    std::vector<Call> calls_;
    std::vector<Played> played_;
    std::map<std::string, WaveResult> failures_;
};

//! A FakeWaveOutput on clock, for a HeadlessPlatform of the tests.
std::unique_ptr<WaveOutput> MakeFakeWaveOutput(Clock& clock);

}  // namespace chordlane

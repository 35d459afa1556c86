#include <memory>

#include "platform/headless/HeadlessPlatform.h"

namespace chordlane {

namespace {

// Placeholder until the recording wave output lands: no device opens.
class FakeWaveOutput : public WaveOutput {
public:
    WaveResult Open(WaveDevice*, const WaveFormat&) override { return WaveResult::NoDevice; }
    WaveResult Prepare(WaveDevice, WaveHeader*) override { return WaveResult::Error; }
    WaveResult Unprepare(WaveDevice, WaveHeader*) override { return WaveResult::Error; }
    WaveResult Write(WaveDevice, WaveHeader*) override { return WaveResult::Error; }
    WaveResult SetVolume(WaveDevice, uint32_t) override { return WaveResult::Error; }
    WaveResult Reset(WaveDevice) override { return WaveResult::Error; }
    WaveResult Close(WaveDevice) override { return WaveResult::Error; }
    void SetNoticeHandler(NoticeHandler) override {}
};

}  // namespace

std::unique_ptr<WaveOutput> MakeFakeWaveOutput(Clock&) { return std::make_unique<FakeWaveOutput>(); }

}  // namespace chordlane

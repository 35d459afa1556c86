#include "tools/OfflineEngine.h"

#include "app/AppState.h"
#include "app/OpenFlow.h"
#include "platform/headless/HeadlessPlatform.h"

namespace chordlane::tool {

namespace {

WaveMapperConfig MixerConfig(const OfflineEngineConfig& config) {
    WaveMapperConfig mixer;
    mixer.deviceRate = config.rate;
    return mixer;
}

}  // namespace

OfflineEngine::OfflineEngine(HeadlessPlatform& platform, const OfflineEngineConfig& config)
    : platform_(platform),
      mapper_(MixerConfig(config)),
      output_(mapper_, platform.clock,
              OfflineOutputConfig{config.wavPath, config.rate, config.blockFrames}),
      previous_(CurrentPlatform()) {
    Platform services = previous_;
    services.waveOut = &mapper_;
    InstallPlatform(services);
    // The mix catches up with the clock, then the notices that fell due are delivered.
    platform_.clock.SetAdvanceHook([this](uint32_t) { output_.Advance(); });
    // The first touch of the start-up screen opens an instrument, as in the program.
    view_.SetOpenRequested([] { OpenInstrument(std::nullopt); });
}

OfflineEngine::~OfflineEngine() {
    // Channels close their devices on the mixer while it still exists.
    ResetAppState();
    platform_.clock.SetAdvanceHook(nullptr);
    InstallPlatform(previous_);
}

}  // namespace chordlane::tool

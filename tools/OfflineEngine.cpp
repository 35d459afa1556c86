#include "tools/OfflineEngine.h"

#include "app/OpenFlow.h"
#include "elements/Instrument.h"
#include "platform/headless/HeadlessPlatform.h"

namespace chordlane::tool {

namespace {

WaveMapperConfig MixerConfig(const OfflineEngineConfig& config) {
    WaveMapperConfig mixer;
    mixer.deviceRate = config.rate;
    return mixer;
}

}  // namespace

OfflineEngine::OfflineEngine(HeadlessPlatform& platform, Instrument& instrument,
                             const OfflineEngineConfig& config)
    : platform_(platform),
      instrument_(instrument),
      mapper_(MixerConfig(config)),
      output_(mapper_, platform.clock,
              OfflineOutputConfig{config.wavPath, config.rate, config.blockFrames}),
      rates_(output_.Rate()),
      view_(instrument),
      previous_(platform.services.waveOut),
      previousRates_(platform.services.rates) {
    platform_.services.waveOut = &mapper_;
    // Sounds loaded from now on are converted to the rate of the mix.
    platform_.services.rates = &rates_;
    // The mix catches up with the clock, then the notices that fell due are delivered.
    platform_.clock.SetAdvanceHook([this](uint32_t) { output_.Advance(); });
    // The first touch of the start-up screen opens an instrument, as in the program.
    view_.SetOpenRequested([this] { OpenInstrument(instrument_, std::nullopt); });
}

OfflineEngine::~OfflineEngine() {
    // Channels close their devices on the mixer while it still exists.
    instrument_.DeleteTree();
    platform_.clock.SetAdvanceHook(nullptr);
    platform_.services.waveOut = previous_;
    platform_.services.rates = previousRates_;
}

}  // namespace chordlane::tool

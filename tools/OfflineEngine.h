#pragma once
// The engine of chordlane-tool render and play: the instrument's sound on the software mixer,
// pulled block by block as the virtual clock advances (and written to a WAV file when asked),
// and the view that the scripts play on.

#include <cstdint>
#include <string>

#include "mixer/PolyphaseRateConverter.h"
#include "mixer/WaveMapper.h"
#include "platform/Platform.h"
#include "platform/headless/OfflineOutput.h"
#include "view/InstrumentView.h"

namespace chordlane {
class HeadlessPlatform;
class Instrument;
}  // namespace chordlane

namespace chordlane::tool {

struct OfflineEngineConfig {
    std::string wavPath;  // empty: mix without writing
    uint32_t rate = 48000;
    // The program's output pulls blocks of this many frames; the virtual clock advances in
    // milliseconds, so each advance mixes less than one block.
    uint32_t blockFrames = 256;
};

// Puts the mixer in the platform's set as its wave output, and a converter to its rate as the
// platform's, and mixes on every advance of the platform's virtual clock. The instrument's tree is
// deleted before the mixer goes, so no channel outlives the output it plays on.
class OfflineEngine {
  public:
    OfflineEngine(HeadlessPlatform& platform, Instrument& instrument,
                  const OfflineEngineConfig& config);
    ~OfflineEngine();
    OfflineEngine(const OfflineEngine&) = delete;
    OfflineEngine& operator=(const OfflineEngine&) = delete;

    //! Whether the WAV file could be created (true when none was asked for).
    bool OutputOpen() const { return output_.IsOpen(); }
    //! Completes the WAV file; false when writing it failed.
    bool Finish() { return output_.Finish(); }
    uint64_t FramesRendered() const { return output_.FramesRendered(); }
    uint32_t Rate() const { return output_.Rate(); }
    InstrumentView& View() { return view_; }
    //! The mixer the output pulls from, for whatever else listens to the mix.
    WaveMapper& Mixer() { return mapper_; }

  private:
    HeadlessPlatform& platform_;
    Instrument& instrument_;
    WaveMapper mapper_;
    OfflineOutput output_;
    PolyphaseRateConverter rates_;
    InstrumentView view_;
    WaveOutput* previous_;
    RateConverter* previousRates_;
};

}  // namespace chordlane::tool

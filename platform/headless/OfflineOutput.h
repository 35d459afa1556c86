#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/AudioOutput.h"
#include "platform/Clock.h"

namespace chordlane {

class WavWriter;
class WaveMapper;

struct OfflineOutputConfig {
    std::string path;  // the WAV file to write; empty: render without writing
    uint32_t rate = 48000;
    uint32_t blockFrames = 256;
};

// Renders the mix as the clock advances -- on the user-interface thread, for tests and
// chordlane-tool play -- and writes it as a 16-bit stereo PCM WAV file. The file is the mix
// as the clock saw it: the master stage's look-ahead delay is taken out again.
class OfflineOutput : public AudioOutput {
  public:
    //! Sets the mapper's rate to the configured one (which needs no device open yet).
    OfflineOutput(WaveMapper& mapper, Clock& clock, const OfflineOutputConfig& config);
    ~OfflineOutput() override;

    //! Whether the file opened (true when no file was asked for).
    bool IsOpen() const { return !wantsFile_ || file_ != nullptr; }
    //! Renders the mix up to the clock's time, then delivers the notices that fell due.
    void Advance();
    //! Completes the file's header and closes it; false if writing failed.
    bool Finish();
    uint64_t FramesRendered() const { return framesRendered_; }

    uint32_t Rate() const override { return rate_; }
    std::string Describe() const override;
    void Stop() override { Finish(); }

  private:
    void RenderFrames(uint64_t frames);

    WaveMapper& mapper_;
    Clock& clock_;
    uint32_t rate_;
    uint32_t blockFrames_;
    bool wantsFile_ = false;
    std::unique_ptr<WavWriter> file_;
    bool failed_ = false;
    uint32_t lastTick_ = 0;
    uint64_t elapsedMs_ = 0;
    uint64_t framesRendered_ = 0;
    uint64_t latency_ = 0;  // frames the master stage delays the mix
    uint64_t skip_ = 0;     // of those, the ones not yet left out of the file
    uint64_t framesWritten_ = 0;
    uint64_t writeLimit_ = UINT64_MAX;
    bool finishing_ = false;
    std::vector<float> mix_;
};

}  // namespace chordlane

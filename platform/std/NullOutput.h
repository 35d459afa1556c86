#pragma once
#include <atomic>
#include <string>
#include <thread>

#include "platform/AudioOutput.h"

namespace chordlane {

class WaveMapper;

struct NullOutputConfig {
    uint32_t blockFrames = 256;
};

// Plays to nowhere in real time: a thread renders the mix block by block at the pace a
// device would, so buffers still end and their notices still come when no device opens.
//
// Threads: construct, Describe, Stop and destroy on the interface thread; Underruns from any.
// The render thread is its own and only renders; it keeps ordinary priority, since nobody
// hears it.
class NullOutput : public AudioOutput {
  public:
    NullOutput(WaveMapper& mapper, const NullOutputConfig& config = {});
    ~NullOutput() override;

    uint32_t Rate() const override { return rate_; }
    std::string Describe() const override;
    void Stop() override;
    uint64_t Underruns() const override { return underruns_.load(std::memory_order_relaxed); }

  private:
    void Run();

    WaveMapper& mapper_;
    const uint32_t rate_;
    const uint32_t blockFrames_;
    std::atomic<bool> running_{true};
    std::atomic<uint64_t> underruns_{0};
    std::thread thread_;
};

}  // namespace chordlane

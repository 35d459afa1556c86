#pragma once
// The last step of the mix before anything hears it: a look-ahead limiter. Sixty-four loud
// voices add up far past full scale, and a sound device or a 16-bit file would clip them
// into harsh distortion. The limiter sees each peak a little over a millisecond before it is
// played and lowers the gain smoothly towards it, so the peak leaves just below full scale;
// afterwards the gain rises again slowly. A mix whose every value stays within the ceiling
// is passed through unchanged, bit for bit, only delayed by the look-ahead.
//
// Process runs inside the audio callback: it never allocates, locks or makes a system call.
// Every buffer is had at construction for the longest look-ahead any rate can need.
//
// Threads: Process on the audio thread only; SetRate from any (the rate is taken up at the
// next Process).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace chordlane {

struct MasterStageConfig {
    uint32_t rate = 48000;
    // Peaks leave at most this far from zero: -0.1 dB below full scale, so a 16-bit file or
    // a device that rounds to 16 bits never reaches its largest value.
    float ceiling = 0.98855f;
    // How far ahead a peak is seen, and so how long the gain takes to come down.
    double lookaheadMs = 1.0;
    // How long the gain takes to rise most of the way back once the peak has gone.
    double releaseMs = 80.0;
};

class MasterStage {
  public:
    explicit MasterStage(const MasterStageConfig& config = {});
    MasterStage(const MasterStage&) = delete;
    MasterStage& operator=(const MasterStage&) = delete;

    //! Limits interleaved stereo frames in place. Audio thread.
    void Process(float* interleaved, size_t frames);
    //! Takes a new rate at the next Process, which then starts from silence. Any thread.
    void SetRate(uint32_t rate) { rate_.store(rate, std::memory_order_relaxed); }
    //! Frames by which the output trails the input at rate.
    static uint32_t LatencyFrames(uint32_t rate, double lookaheadMs);
    uint32_t Latency() const { return LatencyFrames(rate_.load(), config_.lookaheadMs); }
    float Ceiling() const { return config_.ceiling; }

  private:
    void Configure(uint32_t rate);

    const MasterStageConfig config_;
    std::atomic<uint32_t> rate_;
    uint32_t configuredRate_ = 0;

    // Audio thread only: the look-ahead window of length window_ and the delay of
    // window_ - 1 frames that goes with it.
    uint32_t window_ = 1;
    double release_ = 0.0;
    std::unique_ptr<float[]> delay_;     // window_ - 1 stereo frames, a ring
    std::unique_ptr<float[]> required_;  // the gain each of the last window_ frames needs
    std::unique_ptr<float[]> minimum_;   // the least of those, as each frame came in
    std::unique_ptr<uint64_t[]> queue_;  // frames whose required gains rise, least first
    uint32_t capacity_ = 0;
    uint64_t frame_ = 0;
    uint32_t queueHead_ = 0;
    uint32_t queueSize_ = 0;
    double minimumSum_ = 0.0;
    double gain_ = 1.0;
};

}  // namespace chordlane

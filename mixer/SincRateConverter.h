#pragma once
#include <atomic>

#include "platform/RateConverter.h"

namespace chordlane {

// libsamplerate's band-limited sinc converter, run once per sample at load. Its quality
// leaves the images of a converted tone far below anything audible (more than 90 dB down),
// where the linear interpolation a mixer could afford per voice left them 24 dB down.
//
// Threads: any; Convert runs on several loading threads at once, each call with a state of
// its own, and SetTargetRate may come from the interface thread meanwhile.
class SincRateConverter : public RateConverter {
  public:
    explicit SincRateConverter(uint32_t targetRate = 48000) : target_(targetRate) {}

    //! The output's rate changed: what loads from now on is converted to rate.
    void SetTargetRate(uint32_t rate) { target_.store(rate, std::memory_order_relaxed); }

    uint32_t TargetRate() const override { return target_.load(std::memory_order_relaxed); }
    size_t MaxFrames(size_t inFrames, uint32_t from) const override;
    int64_t Convert(const float* in, size_t inFrames, uint32_t channels, uint32_t from, float* out,
                    size_t outCapacity) const override;
    //! Convert with the target rate given: for a converter that hands libsamplerate the
    //! rates it has no table for, at the rate it read once for the whole sample.
    static int64_t ConvertTo(uint32_t to, const float* in, size_t inFrames, uint32_t channels,
                             uint32_t from, float* out, size_t outCapacity);

  private:
    std::atomic<uint32_t> target_;
};

}  // namespace chordlane

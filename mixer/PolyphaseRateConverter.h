#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/RateConverter.h"

namespace chordlane {

// Converts at load with a windowed-sinc filter split into one phase per output position
// between two input frames: the rates reduced by their greatest common divisor give L
// phases, each a short row of taps applied to consecutive input frames. Images and aliases
// stay more than 90 dB down at a small fraction of a general-purpose converter's cost, which
// is what keeps a load of many copies quick. Rates whose reduced ratio would need too large a
// table go to libsamplerate instead. Each phase's taps sum to one, so the level is kept, and
// an output frame is centred on the instant it stands for, so a note starts when it did.
//
// Threads: any; Convert runs on several loading threads at once (the filters they share are
// built under a lock), and SetTargetRate may come from the interface thread meanwhile.
class PolyphaseRateConverter : public RateConverter {
  public:
    //! The taps and their phases for one pair of rates, built once and shared by loads.
    struct Filter {
        uint32_t up = 0;         // output frames per cycle of the pattern (the phases)
        uint32_t down = 0;       // input frames per cycle
        size_t taps = 0;         // per phase, a multiple of the vector width
        std::vector<float> row;  // phase-major: taps values for each of up phases
    };

    explicit PolyphaseRateConverter(uint32_t targetRate = 48000) : target_(targetRate) {}

    //! The output's rate changed: what loads from now on is converted to rate.
    void SetTargetRate(uint32_t rate) { target_.store(rate, std::memory_order_relaxed); }

    uint32_t TargetRate() const override { return target_.load(std::memory_order_relaxed); }
    size_t MaxFrames(size_t inFrames, uint32_t from) const override;
    int64_t Convert(const float* in, size_t inFrames, uint32_t channels, uint32_t from, float* out,
                    size_t outCapacity) const override;

    //! The filter for converting from to to, or null when the rates need libsamplerate.
    //! Built on first use and kept; safe to call from several threads at once.
    std::shared_ptr<const Filter> FilterFor(uint32_t from, uint32_t to) const;

  private:
    std::atomic<uint32_t> target_;
    mutable std::mutex filtersLock_;
    // Keyed by from << 32 | to; a null entry remembers a pair that has no table.
    mutable std::map<uint64_t, std::shared_ptr<const Filter>> filters_;
};

}  // namespace chordlane

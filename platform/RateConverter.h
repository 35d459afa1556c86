#pragma once
#include <cstddef>
#include <cstdint>

namespace chordlane {

// Converts recordings to the rate the sound output plays at, once, when they are loaded, so
// that mixing never converts. Convert may run on several loading threads at once.
class RateConverter {
  public:
    virtual ~RateConverter() = default;
    //! The rate the output plays at; samples at any other rate are converted to it.
    virtual uint32_t TargetRate() const = 0;
    //! The most frames Convert can write for inFrames frames at rate from.
    virtual size_t MaxFrames(size_t inFrames, uint32_t from) const = 0;
    //! Converts inFrames interleaved frames of channels values at rate from into out (room
    //! for outCapacity frames); answers the frames written, or -1 when it cannot.
    virtual int64_t Convert(const float* in, size_t inFrames, uint32_t channels, uint32_t from,
                            float* out, size_t outCapacity) const = 0;
};

}  // namespace chordlane

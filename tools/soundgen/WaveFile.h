#pragma once
// Wave files in the canonical 44-byte layout, the only layout the program's loader reads.

#include <cstdint>
#include <vector>

namespace chordlane::soundgen {

//! A 16-bit mono PCM wave file image of the signal (values in -1..1).
std::vector<uint8_t> EncodeWave(const std::vector<double>& signal, int rate);

}  // namespace chordlane::soundgen

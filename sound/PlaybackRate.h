#pragma once
// A sample is converted to the output's rate once, when it is loaded, so that mixing never
// converts and the converter can be a slow, clean one.

#include <cstddef>

namespace chordlane {

class RateConverter;
class Sample;

//! The frames sample's played copy at the converter's rate takes (0 when it needs none).
size_t PlaybackFrames(const Sample& sample, const RateConverter& converter);
//! Gives sample a played copy at the converter's target rate. True when it needs none (no
//! data, already at that rate, no target) or has it now; false when the converter or the
//! memory failed, leaving it without one.
bool ConvertForPlayback(Sample& sample, const RateConverter& converter);

}  // namespace chordlane

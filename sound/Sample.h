#pragma once
#include <cstdint>
#include <vector>

#include "platform/Types.h"
#include "platform/WaveOutput.h"

namespace chordlane {

class SoundElement;

// One playable recording or pitch-shifted copy: a complete wave image (44-byte header, then
// the data) with its pitch.
class Sample {
public:
    virtual ~Sample() = default;

    std::vector<uint8_t> image;
    int32_t dataLength = 0;
    float frequency = 0.0f;
    WaveFormat format{};
    int32_t pitchPhase = NO_VALUE;
    int32_t peak = NO_VALUE;
    // Where the sample belongs, for the event log.
    SoundElement* owner = nullptr;
    int32_t shift = 0;
};

}  // namespace chordlane

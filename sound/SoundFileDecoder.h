#pragma once
// Sound files our own wave reader does not take (24-bit, float and extensible WAV, AIFF,
// FLAC, Ogg Vorbis, Opus and the rest libsndfile reads), decoded into the image a 16-bit
// mono wave file would give.

#include <cstdint>
#include <span>

#include "platform/Types.h"

namespace chordlane {

class Sample;

// More channels than any recording has; it bounds the decoding buffer.
inline constexpr int32_t MAX_DECODED_CHANNELS = 1024;

//! Decodes the bytes of a sound file into sample: 16-bit mono at the file's own rate,
//! channels averaged, the canonical 44-byte header in front. Integer data keeps its top 16
//! bits rounded to nearest; float data is scaled by 32768 and rounded; both are clipped.
//! The decoded image is bounded like a wave file's before anything is decoded. False,
//! with the decoder's reason, when the bytes cannot be decoded (the sample is then empty).
bool DecodeSoundFile(Sample& sample, std::span<const uint8_t> bytes, String& reason);

}  // namespace chordlane

#pragma once
// Reading wave files into samples.

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/FileSystem.h"
#include "platform/Types.h"

namespace chordlane {

class Sample;

// Larger files are refused: a recording of one note is a few hundred kilobytes, and every
// semitone of a sound element's range holds a copy of the same size.
inline constexpr int64_t MAX_WAVE_FILE_SIZE = 64 * 1024 * 1024;

//! Fills sample from the bytes of a RIFF WAVE file: the "fmt " and "data" chunks are found
//! wherever they stand, PCM of 8 or 16 bits only, several channels mixed down to one. The
//! image becomes the canonical 44-byte header followed by the data. False when the bytes
//! are not such a file (the sample is then left empty).
bool ParseWave(Sample& sample, std::span<const uint8_t> bytes);

//! Reads an open file (at most MAX_WAVE_FILE_SIZE bytes) and parses it as above.
bool ReadWaveFile(Sample& sample, File& file);

}  // namespace chordlane

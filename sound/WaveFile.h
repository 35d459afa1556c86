#pragma once
// Reading wave files into samples.

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/FileSystem.h"
#include "platform/Types.h"
#include "platform/WaveOutput.h"

namespace chordlane {

class Sample;

// Larger files are refused: a recording of one note is a few hundred kilobytes, and every
// semitone of a sound element's range holds a copy of the same size.
inline constexpr int64_t MAX_WAVE_FILE_SIZE = 64 * 1024 * 1024;

//! Fills sample from the bytes of a sound file. A RIFF WAVE file of 8- or 16-bit PCM is
//! taken as it is: the "fmt " and "data" chunks are found wherever they stand, several
//! channels mixed down to one. Any other file is decoded (DecodeSoundFile) into 16-bit mono.
//! The image becomes the canonical 44-byte header followed by the data. False when the
//! bytes cannot be loaded (the sample is then left empty), with why in reason when given.
bool ParseWave(Sample& sample, std::span<const uint8_t> bytes, String* reason = nullptr);

//! Reads an open file (at most MAX_WAVE_FILE_SIZE bytes) and parses it as above.
bool ReadWaveFile(Sample& sample, File& file, String* reason = nullptr);

//! Writes the canonical header for format and dataLength in front of the data already in
//! sample's image and makes the sample a freshly loaded recording of that format.
void CompleteWaveImage(Sample& sample, const WaveFormat& format, uint32_t dataLength);

}  // namespace chordlane

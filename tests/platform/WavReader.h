#pragma once
// Reads back the stereo PCM WAV files the program writes, as any player would: by the sizes
// its header states, not by the size of the file.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace chordlane::test {

struct WavContent {
    bool valid = false;  // RIFF/WAVE, a PCM fmt chunk, a data chunk within the file
    uint32_t riffSize = 0;
    uint32_t rate = 0;
    uint16_t channels = 0;
    uint16_t bits = 0;
    uint64_t fileSize = 0;
    std::vector<int32_t> samples;  // interleaved, sign-extended
};

inline uint32_t LittleEndian(const std::string& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
    return v;
}

inline WavContent ReadWav(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WavContent wav;
    wav.fileSize = b.size();
    if (b.size() < 44 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 8, "WAVEfmt ") != 0 ||
        b.compare(36, 4, "data") != 0 || LittleEndian(b, 20, 2) != 1) {
        return wav;
    }
    wav.riffSize = LittleEndian(b, 4, 4);
    wav.channels = static_cast<uint16_t>(LittleEndian(b, 22, 2));
    wav.rate = LittleEndian(b, 24, 4);
    wav.bits = static_cast<uint16_t>(LittleEndian(b, 34, 2));
    const uint32_t dataSize = LittleEndian(b, 40, 4);
    const uint32_t bytes = wav.bits / 8;
    if (bytes == 0 || wav.riffSize != 36 + dataSize || 44 + uint64_t{dataSize} > b.size() ||
        LittleEndian(b, 32, 2) != wav.channels * bytes ||
        LittleEndian(b, 28, 4) != wav.rate * wav.channels * bytes ||
        dataSize % (wav.channels * bytes)) {
        return wav;
    }
    for (size_t at = 44; at < 44 + size_t{dataSize}; at += bytes) {
        const uint32_t raw = LittleEndian(b, at, static_cast<int>(bytes));
        const int shift = 32 - 8 * static_cast<int>(bytes);
        wav.samples.push_back(static_cast<int32_t>(raw << shift) >> shift);
    }
    wav.valid = true;
    return wav;
}

}  // namespace chordlane::test

#pragma once
// Reads back a stereo PCM WAV file as a player would: by the sizes its header states.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace chordlane::test {

struct WavContent {
    bool valid = false;  // the header is whole, consistent and within the file
    uint32_t rate = 0;
    uint16_t bits = 0;
    uint64_t fileSize = 0;
    std::vector<int32_t> samples;  // interleaved, sign-extended
};

inline WavContent ReadWav(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto le = [&](size_t at, uint32_t bytes) {
        uint32_t v = 0;
        while (bytes-- > 0) v = (v << 8) | static_cast<uint8_t>(b[at + bytes]);
        return v;
    };
    WavContent wav;
    wav.fileSize = b.size();
    if (b.size() < 44 || b.compare(0, 4, "RIFF") || b.compare(8, 8, "WAVEfmt ") ||
        b.compare(36, 4, "data") || le(20, 2) != 1 || le(22, 2) != 2)
        return wav;
    wav.rate = le(24, 4);
    wav.bits = static_cast<uint16_t>(le(34, 2));
    const uint32_t bytes = wav.bits / 8, size = le(40, 4);
    if (bytes == 0 || le(4, 4) != 36 + size || 44 + uint64_t{size} > b.size() ||
        le(32, 2) != 2 * bytes || le(28, 4) != wav.rate * 2 * bytes || size % (2 * bytes))
        return wav;
    const int shift = 32 - 8 * static_cast<int>(bytes);
    for (size_t at = 44; at < 44 + size_t{size}; at += bytes)
        wav.samples.push_back(static_cast<int32_t>(le(at, bytes) << shift) >> shift);
    wav.valid = true;
    return wav;
}

}  // namespace chordlane::test

#pragma once
// Picture files written byte by byte, so tests can state exactly what a header claims.

#include <cstdint>
#include <string>

namespace chordlane::test {

inline void PutLe(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline void PutBe(std::string& s, uint32_t v) {
    for (int i = 3; i >= 0; --i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

//! A bitmap file with a 40-byte info header claiming width x height at bits per pixel,
//! followed by pixelBytes zero bytes of pixel data.
inline std::string BmpBytes(int32_t width, int32_t height, uint16_t bits, size_t pixelBytes) {
    std::string s = "BM";
    const auto size = static_cast<uint32_t>(pixelBytes);
    for (uint32_t v :
         {54 + size, 0u, 54u, 40u, static_cast<uint32_t>(width), static_cast<uint32_t>(height)})
        PutLe(s, v, 4);
    PutLe(s, 1, 2);
    PutLe(s, bits, 2);
    for (uint32_t v : {0u, size, 2835u, 2835u, 0u, 0u}) PutLe(s, v, 4);  // no compression
    return s + std::string(pixelBytes, '\0');
}

//! The signature and an IHDR chunk claiming width x height; no image data follows.
inline std::string PngHeaderBytes(uint32_t width, uint32_t height) {
    std::string s = "\x89PNG\r\n\x1a\n";
    PutBe(s, 13);
    s += "IHDR";
    PutBe(s, width);
    PutBe(s, height);
    s += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
    // The chunk's checksum over its type and data, so readers judge the sizes themselves.
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 12; i < s.size(); ++i) {
        crc ^= static_cast<uint8_t>(s[i]);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    PutBe(s, crc ^ 0xFFFFFFFFu);
    return s;
}

}  // namespace chordlane::test

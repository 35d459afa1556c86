#pragma once
// Reading and writing the little-endian integers of RIFF WAVE and BMP files, byte by byte,
// so no alignment or host byte order is assumed.

#include <cstdint>

namespace chordlane {

constexpr uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

constexpr uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

constexpr void WriteLe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

constexpr void WriteLe32(uint8_t* p, uint32_t v) {
    WriteLe16(p, v & 0xFFFF);
    WriteLe16(p + 2, v >> 16);
}

//! Appends the low 16 bits of v to a byte container (std::vector<uint8_t>, std::string).
template <typename Bytes>
void AppendLe16(Bytes& out, uint32_t v) {
    using Byte = typename Bytes::value_type;
    out.push_back(static_cast<Byte>(v & 0xFF));
    out.push_back(static_cast<Byte>((v >> 8) & 0xFF));
}

template <typename Bytes>
void AppendLe32(Bytes& out, uint32_t v) {
    AppendLe16(out, v & 0xFFFF);
    AppendLe16(out, v >> 16);
}

}  // namespace chordlane

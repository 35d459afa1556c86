#pragma once
// Wave files built in memory for the sound tests.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace chordlane::test {

inline void Append16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
inline void Append32(std::string& s, uint32_t v) {
    Append16(s, v & 0xFFFF);
    Append16(s, v >> 16);
}

struct WaveSpec {
    uint16_t tag = 1;
    uint16_t channels = 1;
    uint32_t rate = 22050;
    uint16_t bits = 16;
};

inline std::string FormatBody(const WaveSpec& w, size_t extra = 0) {
    std::string body;
    Append16(body, w.tag);
    Append16(body, w.channels);
    Append32(body, w.rate);
    Append32(body, w.rate * w.channels * (w.bits / 8));
    Append16(body, w.channels * (w.bits / 8));
    Append16(body, w.bits);
    body.append(extra, '\0');
    return body;
}

inline std::string Chunk(const std::string& id, const std::string& body) {
    std::string s = id;
    Append32(s, static_cast<uint32_t>(body.size()));
    s += body;
    if (body.size() & 1) s += '\0';
    return s;
}

inline std::string Riff(const std::string& chunks) {
    std::string s = "RIFF";
    Append32(s, static_cast<uint32_t>(4 + chunks.size()));
    return s + "WAVE" + chunks;
}

//! The canonical 44-byte layout around data (the data chunk is last, so it has no pad byte).
inline std::string CanonicalWave(const WaveSpec& w, const std::string& data) {
    std::string chunks = Chunk("fmt ", FormatBody(w)) + "data";
    Append32(chunks, static_cast<uint32_t>(data.size()));
    return Riff(chunks + data);
}

inline std::string Pcm16(const std::vector<int16_t>& values) {
    std::string s;
    for (int16_t v : values) Append16(s, static_cast<uint16_t>(v));
    return s;
}

inline std::string Pcm8(const std::vector<uint8_t>& values) {
    return std::string(values.begin(), values.end());
}

//! A periodic tone with a few harmonics, so that each period has one clear peak.
inline std::vector<double> Tone(uint32_t rate, double frequency, double seconds, double amplitude,
                                double decay = 0.0) {
    const size_t n = static_cast<size_t>(rate * seconds);
    std::vector<double> v(n);
    const double pi = 3.14159265358979323846;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double x = std::sin(2 * pi * frequency * t) + 0.5 * std::sin(4 * pi * frequency * t) +
                         0.25 * std::sin(6 * pi * frequency * t);
        v[i] = amplitude * x / 1.75 * std::exp(-decay * t);
    }
    return v;
}

inline std::vector<int16_t> To16(const std::vector<double>& v) {
    std::vector<int16_t> out;
    for (double x : v) out.push_back(static_cast<int16_t>(std::lround(x)));
    return out;
}

inline std::vector<uint8_t> To8(const std::vector<double>& v) {
    std::vector<uint8_t> out;
    for (double x : v) out.push_back(static_cast<uint8_t>(128 + std::lround(x)));
    return out;
}

}  // namespace chordlane::test

#pragma once
// Wave files and recordings built in memory, and an element that counts the ends of its
// sounds, for the sound tests.

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "elements/Element.h"
#include "sound/Sample.h"
#include "sound/WaveFile.h"

namespace chordlane::test {

inline void Append32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct WaveSpec {
    uint16_t tag = 1;
    uint16_t channels = 1;
    uint32_t rate = 22050;
    uint16_t bits = 16;
};

inline std::string FormatBody(const WaveSpec& w, size_t extra = 0) {
    std::string body;
    Append32(body, w.tag | (w.channels << 16));
    Append32(body, w.rate);
    Append32(body, w.rate * w.channels * (w.bits / 8));
    Append32(body, (w.channels * (w.bits / 8)) | (w.bits << 16));
    return body + std::string(extra, '\0');
}

inline std::string Chunk(const std::string& id, const std::string& body, bool pad = true) {
    std::string s = id;
    Append32(s, static_cast<uint32_t>(body.size()));
    return s + body + (pad && (body.size() & 1) ? std::string(1, '\0') : std::string());
}

inline std::string Riff(const std::string& chunks) {
    std::string s = "RIFF";
    Append32(s, static_cast<uint32_t>(4 + chunks.size()));
    return s + "WAVE" + chunks;
}

//! The canonical 44-byte layout around data (the last chunk, so without a pad byte).
inline std::string CanonicalWave(const WaveSpec& w, const std::string& data) {
    return Riff(Chunk("fmt ", FormatBody(w)) + Chunk("data", data, false));
}

inline std::string Pcm16(const std::vector<int16_t>& values) {
    std::string s;
    for (int16_t v : values) s += {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
    return s;
}

//! A periodic tone with a few harmonics (one clear peak per period), in 16-bit values or,
//! with eightBit, unsigned bytes around 128.
inline std::string Tone(const WaveSpec& w, double frequency, double seconds, double amplitude,
                        double decay = 0.0) {
    std::string s;
    const double pi = 3.14159265358979323846;
    for (size_t i = 0; i < static_cast<size_t>(w.rate * seconds); ++i) {
        const double t = static_cast<double>(i) / w.rate;
        const double x = std::sin(2 * pi * frequency * t) + 0.5 * std::sin(4 * pi * frequency * t) +
                         0.25 * std::sin(6 * pi * frequency * t);
        const long v = std::lround(amplitude * x / 1.75 * std::exp(-decay * t));
        if (w.bits == 8)
            s += static_cast<char>(128 + v);
        else
            s += Pcm16({static_cast<int16_t>(v)});
    }
    return s;
}

inline std::unique_ptr<Sample> Recording(const WaveSpec& form, const std::string& data,
                                         float frequency = 0.0f) {
    auto s = std::make_unique<Sample>();
    const std::string file = CanonicalWave(form, data);
    ParseWave(*s, {reinterpret_cast<const uint8_t*>(file.data()), file.size()});
    s->frequency = frequency;
    return s;
}

inline std::string ImageOf(const Sample& s) {
    return std::string(reinterpret_cast<const char*>(s.Image()), s.ImageSize());
}

// Stands for the button that started a sound: counts how often it is told the sound ended.
class Listener : public Element {
  public:
    explicit Listener(Instrument& owner, String name = u"btn") : Element(owner, std::move(name)) {}
    const char* ClassName() const override { return "Listener"; }
    void OnSoundDone() override { ++done; }
    int done = 0;
};

}  // namespace chordlane::test

#pragma once
// Small sound libraries made by the tests themselves: sine recordings as WAV files, and a
// SoundFont 2 file of one looped sample; and what the tests measure in what is rendered.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace chordlane::test {

inline void PutLE(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

//! frames of a sine at frequency hertz, amplitude 0.5.
inline std::vector<int16_t> Sine(double frequency, uint32_t rate, size_t frames) {
    std::vector<int16_t> out(frames);
    const double pi = std::acos(-1.0);
    for (size_t i = 0; i < frames; ++i) {
        out[i] =
            static_cast<int16_t>(std::lround(16383.0 * std::sin(2 * pi * frequency * i / rate)));
    }
    return out;
}

//! A 16-bit mono PCM WAV file.
inline void WriteWav(const std::filesystem::path& path, const std::vector<int16_t>& frames,
                     uint32_t rate) {
    std::string out = "RIFF";
    PutLE(out, 36 + static_cast<uint32_t>(frames.size() * 2), 4);
    out += "WAVEfmt ";
    PutLE(out, 16, 4);
    PutLE(out, 1, 2);
    PutLE(out, 1, 2);
    PutLE(out, rate, 4);
    PutLE(out, rate * 2, 4);
    PutLE(out, 2, 2);
    PutLE(out, 16, 2);
    out += "data";
    PutLE(out, static_cast<uint32_t>(frames.size() * 2), 4);
    for (int16_t v : frames) PutLE(out, static_cast<uint16_t>(v), 2);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << out;
}

struct MonoWav {
    bool valid = false;
    uint32_t rate = 0;
    std::vector<float> frames;
    double Seconds() const { return rate ? static_cast<double>(frames.size()) / rate : 0.0; }
};

//! Reads a 16-bit PCM mono WAV in its canonical 44-byte form.
inline MonoWav ReadMonoWav(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto le = [&](size_t at, int bytes) {
        uint32_t v = 0;
        while (bytes-- > 0) v = (v << 8) | static_cast<uint8_t>(b[at + bytes]);
        return v;
    };
    MonoWav wav;
    if (b.size() < 44 || b.compare(0, 4, "RIFF") || b.compare(8, 8, "WAVEfmt ") ||
        b.compare(36, 4, "data") || le(20, 2) != 1 || le(22, 2) != 1 || le(34, 2) != 16 ||
        le(40, 4) != b.size() - 44)
        return wav;
    wav.rate = le(24, 4);
    for (size_t at = 44; at + 1 < b.size(); at += 2) {
        wav.frames.push_back(static_cast<int16_t>(le(at, 2)) / 32768.0f);
    }
    wav.valid = true;
    return wav;
}

//! The frequency of a steady tone between from and to seconds, by its rising zero
//! crossings placed between samples; 0 when there are fewer than two.
inline double MeasureFrequency(const std::vector<float>& frames, uint32_t rate, double from,
                               double to) {
    const size_t first = static_cast<size_t>(from * rate);
    const size_t last = std::min(frames.size(), static_cast<size_t>(to * rate));
    double start = -1, end = -1;
    int crossings = 0;
    for (size_t i = first + 1; i < last; ++i) {
        if (frames[i - 1] < 0 && frames[i] >= 0) {
            const double at = (i - 1) + frames[i - 1] / (frames[i - 1] - frames[i]);
            if (start < 0) start = at;
            end = at;
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return (crossings - 1) * static_cast<double>(rate) / (end - start);
}

inline double Cents(double measured, double expected) {
    return 1200.0 * std::log2(measured / expected);
}

//! The frequency of MIDI note n in equal temperament, A4 = 440 Hz.
inline double NoteFrequency(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

//! The last time (seconds) at which the sound is above -60 dB of full scale.
inline double SoundingSeconds(const std::vector<float>& frames, uint32_t rate) {
    size_t last = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (std::abs(frames[i]) > 0.001f) last = i;
    }
    return static_cast<double>(last) / rate;
}

struct Sf2Preset {
    std::string name;
    int bank = 0;
    int program = 0;
};

// A SoundFont 2 file of one sample, a 440 Hz sine at 44000 Hz (100 frames a period)
// looped from frame 1000 to 4000, one instrument playing it over keys lowKey to highKey,
// and the presets given, each playing that instrument.
inline std::string Sf2Bytes(const std::vector<Sf2Preset>& presets, int lowKey = 36,
                            int highKey = 96) {
    auto chunk = [](const std::string& id, const std::string& body) {
        std::string out = id;
        PutLE(out, static_cast<uint32_t>(body.size()), 4);
        out += body;
        if (body.size() % 2) out.push_back('\0');
        return out;
    };
    auto list = [&](const std::string& type, const std::string& body) {
        return chunk("LIST", type + body);
    };
    auto name20 = [](const std::string& name) {
        std::string out = name.substr(0, 19);
        out.resize(20, '\0');
        return out;
    };
    constexpr uint32_t frames = 4400;
    std::string info;
    std::string ifil;
    PutLE(ifil, 2, 2);
    PutLE(ifil, 1, 2);
    info += chunk("ifil", ifil);
    info += chunk("isng", std::string("EMU8000\0", 8));
    info += chunk("INAM", std::string("Test\0\0", 6));

    std::string smpl;
    for (int16_t v : Sine(440.0, 44000, frames)) PutLE(smpl, static_cast<uint16_t>(v), 2);
    smpl.append(46 * 2, '\0');  // the zero frames every sample must be followed by
    const std::string sdta = chunk("smpl", smpl);

    std::string phdr, pbag, pgen;
    for (size_t i = 0; i < presets.size(); ++i) {
        phdr += name20(presets[i].name);
        PutLE(phdr, static_cast<uint32_t>(presets[i].program), 2);
        PutLE(phdr, static_cast<uint32_t>(presets[i].bank), 2);
        PutLE(phdr, static_cast<uint32_t>(i), 2);  // its one zone
        phdr.append(12, '\0');
        PutLE(pbag, static_cast<uint32_t>(i), 2);  // its one generator
        PutLE(pbag, 0, 2);
        PutLE(pgen, 41, 2);  // instrument 0
        PutLE(pgen, 0, 2);
    }
    phdr += name20("EOP");
    PutLE(phdr, 0, 2);
    PutLE(phdr, 0, 2);
    PutLE(phdr, static_cast<uint32_t>(presets.size()), 2);
    phdr.append(12, '\0');
    PutLE(pbag, static_cast<uint32_t>(presets.size()), 2);
    PutLE(pbag, 0, 2);
    pgen.append(4, '\0');

    std::string inst = name20("Sine");
    PutLE(inst, 0, 2);
    inst += name20("EOI");
    PutLE(inst, 1, 2);
    std::string ibag;
    PutLE(ibag, 0, 2);
    PutLE(ibag, 0, 2);
    PutLE(ibag, 3, 2);  // after the zone's three generators
    PutLE(ibag, 0, 2);
    std::string igen;
    PutLE(igen, 43, 2);  // key range
    igen.push_back(static_cast<char>(lowKey));
    igen.push_back(static_cast<char>(highKey));
    PutLE(igen, 54, 2);  // sample modes: loop continuously
    PutLE(igen, 1, 2);
    PutLE(igen, 53, 2);  // sample 0
    PutLE(igen, 0, 2);
    igen.append(4, '\0');

    std::string shdr = name20("sine");
    PutLE(shdr, 0, 4);
    PutLE(shdr, frames, 4);
    PutLE(shdr, 1000, 4);
    PutLE(shdr, 4000, 4);
    PutLE(shdr, 44000, 4);
    shdr.push_back(69);  // original pitch
    shdr.push_back(0);   // correction
    PutLE(shdr, 0, 2);
    PutLE(shdr, 1, 2);  // mono
    shdr += name20("EOS");
    shdr.append(26, '\0');

    const std::string terminalMod(10, '\0');
    const std::string pdta = chunk("phdr", phdr) + chunk("pbag", pbag) +
                             chunk("pmod", terminalMod) + chunk("pgen", pgen) +
                             chunk("inst", inst) + chunk("ibag", ibag) +
                             chunk("imod", terminalMod) + chunk("igen", igen) + chunk("shdr", shdr);
    return chunk("RIFF", "sfbk" + list("INFO", info) + list("sdta", sdta) + list("pdta", pdta));
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace chordlane::test

namespace chordlane::test {

// A fresh temporary folder for every test, and the warnings a library gave.
class ImportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        temp_ = std::filesystem::temp_directory_path() /
                ("chordlane-import-" + std::string(info->test_suite_name()) + "-" + info->name() +
                 "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(temp_);
        std::filesystem::create_directories(temp_);
    }
    void TearDown() override { std::filesystem::remove_all(temp_); }

    std::string Path(const std::string& name) const { return (temp_ / name).string(); }
    std::function<void(const std::string&)> Collect() {
        return [this](const std::string& text) { warnings_.push_back(text); };
    }

    std::filesystem::path temp_;
    std::vector<std::string> warnings_;
};

}  // namespace chordlane::test

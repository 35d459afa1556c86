#include "tools/soundgen/Catalogue.h"

#include <fstream>

#include "tools/soundgen/Artwork.h"
#include "tools/soundgen/ImageFiles.h"
#include "tools/soundgen/SoundMath.h"
#include "tools/soundgen/Synthesis.h"
#include "tools/soundgen/WaveFile.h"

namespace chordlane::soundgen {
namespace {

constexpr int RATE = 22050;
// The hi-hat's harmonics reach 17.6 kHz, which needs the higher rate.
constexpr int HIGH_RATE = 44100;

struct StringNote {
    const char* file;
    int note;  // semitones from A 440 Hz
    double seconds;
    double decaySeconds;
    double brightness;
};

// Standard tuning, low to high: E2 A2 D3 G3 B3 E4. Lower strings ring longer.
constexpr StringNote GUITAR[] = {
    {"gtr-e2", -29, 2.4, 4.0, 0.45}, {"gtr-a2", -24, 2.2, 3.6, 0.48},
    {"gtr-d3", -19, 2.0, 3.2, 0.50}, {"gtr-g3", -14, 1.8, 2.8, 0.54},
    {"gtr-b3", -10, 1.7, 2.5, 0.57}, {"gtr-e4", -5, 1.6, 2.2, 0.60},
};

GeneratedFile Wave(const std::string& name, const std::vector<double>& signal, int rate) {
    return {"instruments/sounds/" + name + ".wav", EncodeWave(signal, rate)};
}

}  // namespace

std::vector<GeneratedFile> GenerateAll() {
    std::vector<GeneratedFile> files;
    uint64_t seed = 0x43484F5244ull;
    for (const StringNote& s : GUITAR) {
        PluckSettings settings;
        settings.frequency = NoteFrequency(s.note);
        settings.seconds = s.seconds;
        settings.decaySeconds = s.decaySeconds;
        settings.brightness = s.brightness;
        settings.seed = seed++;
        files.push_back(Wave(s.file, PluckString(RATE, settings), RATE));
    }
    files.push_back(Wave("epiano-c3", StrikeTine(RATE, NoteFrequency(-21), 2.0, 1.1), RATE));
    files.push_back(Wave("epiano-c4", StrikeTine(RATE, NoteFrequency(-9), 2.0, 0.9), RATE));
    files.push_back(Wave("kick", Kick(RATE, NoteFrequency(-36), seed++), RATE));
    files.push_back(Wave("snare", Snare(RATE, NoteFrequency(-14), seed++), RATE));
    files.push_back(Wave("hihat", HiHat(HIGH_RATE, NoteFrequency(-24), seed++), HIGH_RATE));

    files.push_back({"instruments/pictures/stage.bmp", EncodeBmp(DrawStageBanner())});
    files.push_back({"resources/startup.bmp", EncodeBmp(DrawStartupPicture())});
    files.push_back({"resources/chordlane.png", EncodePng(DrawIcon())});
    return files;
}

bool WriteAll(const std::filesystem::path& root, std::string& error) {
    for (const GeneratedFile& file : GenerateAll()) {
        const std::filesystem::path path = root / file.path;
        std::error_code code;
        std::filesystem::create_directories(path.parent_path(), code);
        if (code) {
            error = "cannot create " + path.parent_path().string() + ": " + code.message();
            return false;
        }
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.bytes.data()),
                  static_cast<std::streamsize>(file.bytes.size()));
        if (!out) {
            error = "cannot write " + path.string();
            return false;
        }
    }
    return true;
}

}  // namespace chordlane::soundgen

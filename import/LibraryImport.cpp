#include "import/LibraryImport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <fstream>

#include "import/Sf2Library.h"
#include "import/SfzLibrary.h"

namespace chordlane {
namespace {

bool EndsWithNoCase(const std::string& text, std::string_view end) {
    if (text.size() < end.size()) return false;
    for (size_t i = 0; i < end.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[text.size() - end.size() + i])) != end[i])
            return false;
    }
    return true;
}

bool IsSoundFont(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[12] = {};
    if (!in.read(head, sizeof head)) return false;
    return std::string_view(head, 4) == "RIFF" && std::string_view(head + 8, 4) == "sfbk";
}

void PutLE(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A short click of decaying noise: the sound of tabs and settings pads.
std::vector<float> Tick() {
    std::vector<float> frames(IMPORT_RATE / 40);
    uint32_t seed = 12345;
    for (size_t i = 0; i < frames.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double noise = static_cast<double>(seed >> 8) / (1 << 23) - 1.0;
        frames[i] = static_cast<float>(0.5 * noise * std::exp(-static_cast<double>(i) / 150.0));
    }
    return frames;
}

}  // namespace

bool IsSoundLibraryPath(const std::string& path) {
    return EndsWithNoCase(path, ".sf2") || EndsWithNoCase(path, ".sfz");
}

std::optional<LibraryReference> ParseLibraryReference(const std::string& file) {
    if (IsSoundLibraryPath(file)) return LibraryReference{file, ""};
    for (size_t hash = file.rfind('#'); hash != std::string::npos && hash > 0;
         hash = file.rfind('#', hash - 1)) {
        const std::string library = file.substr(0, hash);
        if (IsSoundLibraryPath(library)) return LibraryReference{library, file.substr(hash + 1)};
    }
    return std::nullopt;
}

std::unique_ptr<SoundLibrary> OpenSoundLibrary(const std::string& path, std::string& reason,
                                               const LibraryWarning& warn) {
    std::error_code ec;
    if (!std::ifstream(path, std::ios::binary)) {
        reason = "cannot open " + path;
        return nullptr;
    }
    if (IsSoundFont(path) || EndsWithNoCase(path, ".sf2")) {
        std::unique_ptr<Sf2Library> library = Sf2Library::Open(path, reason);
        if (!library) reason = path + ": " + reason;
        return library;
    }
    if (EndsWithNoCase(path, ".sfz")) return SfzLibrary::Open(path, reason, warn);
    reason = path + " is neither a SoundFont 2 (.sf2) nor an SFZ (.sfz) file";
    return nullptr;
}

std::optional<LibraryPreset> FindPreset(SoundLibrary& library, const std::string& wanted) {
    const std::vector<LibraryPreset> presets = library.Presets();
    if (presets.empty()) return std::nullopt;
    if (wanted.empty()) return presets.front();
    const size_t colon = wanted.find(':');
    if (colon != std::string::npos && colon > 0 && colon + 1 < wanted.size() &&
        std::all_of(wanted.begin(), wanted.end(), [](char c) {
            return c == ':' || std::isdigit(static_cast<unsigned char>(c));
        })) {
        const long bank = std::strtol(wanted.c_str(), nullptr, 10);
        const long program = std::strtol(wanted.c_str() + colon + 1, nullptr, 10);
        for (const LibraryPreset& preset : presets) {
            if (preset.bank == bank && preset.program == program) return preset;
        }
    }
    for (const LibraryPreset& preset : presets) {
        if (preset.name == wanted) return preset;
    }
    return std::nullopt;
}

std::string SafeFileName(const std::string& presetName) {
    std::string name;
    for (size_t i = 0; i < presetName.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(presetName[i]);
        if ((c & 0xC0) == 0x80) continue;  // the rest of a character already turned to '_'
        name.push_back(std::isalnum(c) || c == '-' || c == '_' ? static_cast<char>(c) : '_');
    }
    return name.empty() ? "_" : name;
}

std::string EncodeWave(std::vector<float> frames) {
    constexpr float silence = 3.1623e-5f;
    size_t length = frames.size();
    while (length > 1 && std::abs(frames[length - 1]) < silence) --length;
    frames.resize(length);
    float peak = 0;
    for (float value : frames) peak = std::max(peak, std::abs(value));
    const float scale = peak > 0.999f ? 0.999f / peak : 1.0f;

    const uint32_t dataBytes = static_cast<uint32_t>(frames.size() * 2);
    std::string out;
    out.reserve(44 + dataBytes);
    out += "RIFF";
    PutLE(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    PutLE(out, 16, 4);
    PutLE(out, 1, 2);  // PCM
    PutLE(out, 1, 2);  // mono
    PutLE(out, IMPORT_RATE, 4);
    PutLE(out, IMPORT_RATE * 2, 4);
    PutLE(out, 2, 2);
    PutLE(out, 16, 2);
    out += "data";
    PutLE(out, dataBytes, 4);
    for (float value : frames) {
        const long sample = std::lround(std::clamp(value * scale, -1.0f, 1.0f) * 32767.0f);
        PutLE(out, static_cast<uint32_t>(static_cast<int16_t>(sample)), 2);
    }
    return out;
}

ImportedInstrument ImportPreset(SoundLibrary& library, const LibraryPreset& preset,
                                std::optional<ImportLayout> layout,
                                const std::optional<std::string>& waveFolder) {
    ImportedInstrument result;
    result.name = SafeFileName(preset.name);
    result.fileName = result.name + ".clx";
    result.layout =
        layout ? *layout
               : (library.IsPercussion(preset) ? ImportLayout::Pads : ImportLayout::Keyboard);
    const std::string folder = result.name + "/";
    for (int note : LayoutNotes(result.layout, library.Notes(preset))) {
        std::vector<float> frames = library.RenderNote(preset, note);
        // A note that renders silent (its sample could not be read) gets no key.
        if (std::none_of(frames.begin(), frames.end(),
                         [](float value) { return std::abs(value) >= 3.1623e-5f; })) {
            continue;
        }
        result.notes.push_back(note);
        result.waves.push_back(
            {folder + NoteWaveName(result.layout, note), EncodeWave(std::move(frames))});
    }
    result.waves.push_back({folder + std::string(TICK_WAVE_NAME), EncodeWave(Tick())});
    result.text =
        WriteLayout(result.layout, preset.name, result.notes, waveFolder.value_or(folder));
    return result;
}

}  // namespace chordlane

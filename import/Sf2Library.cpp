#include "import/Sf2Library.h"

#include <fcntl.h>
#include <fluidsynth.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

namespace chordlane {
namespace {

constexpr int BLOCK_FRAMES = 512;
// -90 dB: below it a block of the release tail counts as silence.
constexpr float SILENCE = 3.1623e-5f;

// FluidSynth reports through a process-wide log function. While a library is open, its
// errors are kept for the reason shown to the user, and nothing reaches standard error.
void KeepError(int level, const char* message, void* data) {
    // The first error is the most specific: the later ones say what failed because of it.
    auto* errors = static_cast<std::string*>(data);
    if (level <= FLUID_ERR && errors && message && errors->empty()) *errors = message;
}

void RouteLog(std::string* errors) {
    for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) {
        fluid_set_log_function(level, errors ? KeepError : nullptr, errors);
    }
}

// FluidSynth hands a file its SoundFont loader refuses to its DLS loader, whose library
// logs through GLib straight to standard error. The reason the user sees is FluidSynth's
// own, so standard error is closed to the loaders while they try the file.
class QuietStandardError {
  public:
    QuietStandardError() {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
        if (null >= 0) close(null);
    }
    ~QuietStandardError() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(saved_);
        }
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

  private:
    int saved_ = -1;
};

}  // namespace

struct Sf2Library::Synth {
    std::string errors;
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    int fontId = -1;

    Synth() { RouteLog(&errors); }
    ~Synth() {
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
        RouteLog(nullptr);
    }
};

Sf2Library::Sf2Library(std::unique_ptr<Synth> synth) : synth_(std::move(synth)) {}

Sf2Library::~Sf2Library() = default;

std::unique_ptr<Sf2Library> Sf2Library::Open(const std::string& path, std::string& reason) {
    auto synth = std::make_unique<Synth>();
    synth->settings = new_fluid_settings();
    if (!synth->settings) {
        reason = "cannot start FluidSynth";
        return nullptr;
    }
    fluid_settings_setnum(synth->settings, "synth.sample-rate", IMPORT_RATE);
    fluid_settings_setint(synth->settings, "synth.reverb.active", 0);
    fluid_settings_setint(synth->settings, "synth.chorus.active", 0);
    fluid_settings_setint(synth->settings, "synth.lock-memory", 0);
    // The gain a single note wants: FluidSynth's default leaves room for a whole band.
    fluid_settings_setnum(synth->settings, "synth.gain", 1.0);
    synth->synth = new_fluid_synth(synth->settings);
    if (!synth->synth) {
        reason = "cannot start FluidSynth";
        return nullptr;
    }
    fluid_synth_set_interp_method(synth->synth, -1, FLUID_INTERP_HIGHEST);
    synth->errors.clear();
    {
        const QuietStandardError quiet;
        synth->fontId = fluid_synth_sfload(synth->synth, path.c_str(), 0);
    }
    if (synth->fontId == FLUID_FAILED) {
        reason = synth->errors.empty() ? "not a SoundFont 2 file that FluidSynth can load"
                                       : synth->errors;
        return nullptr;
    }
    return std::unique_ptr<Sf2Library>(new Sf2Library(std::move(synth)));
}

std::vector<LibraryPreset> Sf2Library::Presets() {
    std::vector<LibraryPreset> presets;
    fluid_sfont_t* font = fluid_synth_get_sfont_by_id(synth_->synth, synth_->fontId);
    if (!font) return presets;
    fluid_sfont_iteration_start(font);
    while (fluid_preset_t* preset = fluid_sfont_iteration_next(font)) {
        const char* name = fluid_preset_get_name(preset);
        presets.push_back(
            {fluid_preset_get_banknum(preset), fluid_preset_get_num(preset), name ? name : ""});
    }
    std::sort(presets.begin(), presets.end(), [](const auto& a, const auto& b) {
        return std::tie(a.bank, a.program) < std::tie(b.bank, b.program);
    });
    return presets;
}

bool Sf2Library::Select(const LibraryPreset& preset) {
    fluid_synth_all_sounds_off(synth_->synth, -1);
    return fluid_synth_program_select(synth_->synth, 0, synth_->fontId, preset.bank,
                                      preset.program) == FLUID_OK;
}

std::vector<int> Sf2Library::Notes(const LibraryPreset& preset) {
    std::vector<int> notes;
    if (!Select(preset)) return notes;
    // A note the preset defines starts at least one voice at once.
    for (int note = 0; note <= 127; ++note) {
        fluid_synth_noteon(synth_->synth, 0, note, IMPORT_VELOCITY);
        if (fluid_synth_get_active_voice_count(synth_->synth) > 0) notes.push_back(note);
        fluid_synth_all_sounds_off(synth_->synth, -1);
        float scratch[BLOCK_FRAMES];
        fluid_synth_write_float(synth_->synth, BLOCK_FRAMES, scratch, 0, 1, scratch, 0, 1);
    }
    return notes;
}

bool Sf2Library::IsPercussion(const LibraryPreset& preset) { return preset.bank == 128; }

std::vector<float> Sf2Library::RenderNote(const LibraryPreset& preset, int note) {
    std::vector<float> out;
    if (!Select(preset)) return out;
    float left[BLOCK_FRAMES];
    float right[BLOCK_FRAMES];
    // Mono: the two sides averaged, so a panned sample keeps its level in the middle.
    auto render = [&](int frames) {
        fluid_synth_write_float(synth_->synth, frames, left, 0, 1, right, 0, 1);
        float peak = 0;
        for (int i = 0; i < frames; ++i) {
            const float value = 0.5f * (left[i] + right[i]);
            out.push_back(value);
            peak = std::max(peak, std::abs(value));
        }
        return peak;
    };
    fluid_synth_noteon(synth_->synth, 0, note, IMPORT_VELOCITY);
    const size_t held = static_cast<size_t>(IMPORT_HELD_SECONDS * IMPORT_RATE);
    while (out.size() < held) {
        render(static_cast<int>(std::min<size_t>(BLOCK_FRAMES, held - out.size())));
    }
    fluid_synth_noteoff(synth_->synth, 0, note);
    const size_t last = held + static_cast<size_t>(IMPORT_RELEASE_SECONDS * IMPORT_RATE);
    while (out.size() < last) {
        const float peak = render(BLOCK_FRAMES);
        if (peak < SILENCE || fluid_synth_get_active_voice_count(synth_->synth) == 0) break;
    }
    fluid_synth_all_sounds_off(synth_->synth, -1);
    return out;
}

}  // namespace chordlane

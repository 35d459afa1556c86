#pragma once
// An SFZ instrument: its text read into regions (headers, opcodes, #define and #include),
// and each note rendered from the regions a velocity of 100 selects, with the samples
// decoded by libsndfile and pitched by libsamplerate.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "import/SoundLibrary.h"

namespace chordlane {

struct SfzRegion {
    enum class LoopMode { Unset, NoLoop, OneShot, Continuous, Sustain };
    enum class Trigger { Attack, Release, First, Legato };

    std::string sample;  // the path libsndfile opens: default_path applied, '/' separated
    int lokey = 0;
    int hikey = 127;
    int keycenter = 60;
    int transpose = 0;
    double tune = 0.0;             // cents
    double pitchKeytrack = 100.0;  // cents per key
    int lovel = 1;
    int hivel = 127;
    double volume = 0.0;         // dB
    double ampVeltrack = 100.0;  // percent
    int64_t offset = 0;
    int64_t end = -1;  // the last frame played, -1 for the sample's end
    LoopMode loopMode = LoopMode::Unset;
    int64_t loopStart = -1;
    int64_t loopEnd = -1;  // the last frame of the loop
    Trigger trigger = Trigger::Attack;
    double attack = 0.0;  // seconds
    double hold = 0.0;
    double decay = 0.0;
    double sustain = 100.0;  // percent
    double release = 0.001;
    std::string where;  // "FILE:LINE" of its <region> header
};

class SfzLibrary : public SoundLibrary {
  public:
    //! Reads the SFZ file at path; null with the reason when it cannot be read or holds no
    //! region. Opcodes it does not know, and values it cannot read, are warned about once
    //! each.
    static std::unique_ptr<SfzLibrary> Open(const std::string& path, std::string& reason,
                                            const LibraryWarning& warn);
    //! Reads SFZ text as if it were the file at path (includes and samples beside it).
    static std::unique_ptr<SfzLibrary> Parse(const std::string& path, const std::string& text,
                                             std::string& reason, const LibraryWarning& warn);
    ~SfzLibrary() override;

    std::vector<LibraryPreset> Presets() override;
    std::vector<int> Notes(const LibraryPreset& preset) override;
    bool IsPercussion(const LibraryPreset& preset) override;
    std::vector<float> RenderNote(const LibraryPreset& preset, int note) override;

    const std::vector<SfzRegion>& Regions() const { return regions_; }

  private:
    struct DecodedSample;
    SfzLibrary() = default;
    //! Whether the region sounds for note at the importer's velocity when the key goes
    //! down (Attack) or up (Release); a single press never sounds a legato region.
    static bool Selects(const SfzRegion& region, int note, SfzRegion::Trigger when);
    const DecodedSample* Decode(const std::string& path);
    std::vector<float> RenderRegion(const SfzRegion& region, int note);

    std::string name_;
    std::vector<SfzRegion> regions_;
    LibraryWarning warn_;
    std::map<std::string, std::unique_ptr<DecodedSample>> samples_;
    size_t decodedFrames_ = 0;
};

//! The MIDI note of an SFZ key value: a number 0 to 127, or a note name such as c4, c#4 or
//! eb4 (C4 is 60); -1 when it is neither.
int ParseSfzKey(const std::string& text);

}  // namespace chordlane

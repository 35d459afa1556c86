#pragma once
// A SoundFont 2 file, read and played by FluidSynth: the presets it lists, and each note
// rendered by a synthesizer in memory, so that what the importer writes is FluidSynth's own
// rendering of the SoundFont (its tuning, envelopes, loops and filters included).

#include <memory>
#include <string>
#include <vector>

#include "import/SoundLibrary.h"

namespace chordlane {

class Sf2Library : public SoundLibrary {
  public:
    //! Loads the SoundFont at path; null with FluidSynth's reason when it cannot.
    static std::unique_ptr<Sf2Library> Open(const std::string& path, std::string& reason);
    ~Sf2Library() override;

    std::vector<LibraryPreset> Presets() override;
    std::vector<int> Notes(const LibraryPreset& preset) override;
    bool IsPercussion(const LibraryPreset& preset) override;
    std::vector<float> RenderNote(const LibraryPreset& preset, int note) override;

  private:
    struct Synth;
    explicit Sf2Library(std::unique_ptr<Synth> synth);
    bool Select(const LibraryPreset& preset);

    std::unique_ptr<Synth> synth_;
};

}  // namespace chordlane

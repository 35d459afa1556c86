#pragma once
// A sound library as the importer sees it: presets, the notes a preset defines, and the
// sound of one note as a press of fixed length would make it.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace chordlane {

// Every note is rendered at this rate, mono; the program converts it to its output's rate
// when it loads the instrument, as it does any recording.
inline constexpr uint32_t IMPORT_RATE = 44100;
// How long a key is held before it is let go.
inline constexpr double IMPORT_HELD_SECONDS = 2.0;
// How long a release may ring on after the key is let go.
inline constexpr double IMPORT_RELEASE_SECONDS = 3.0;
// Strikes are rendered at this velocity.
inline constexpr int IMPORT_VELOCITY = 100;

struct LibraryPreset {
    int bank = 0;
    int program = 0;
    std::string name;  // UTF-8
};

// A warning about the library that does not stop the import: "FILE:LINE: REASON" as check
// prints its problems.
using LibraryWarning = std::function<void(const std::string& text)>;

class SoundLibrary {
  public:
    virtual ~SoundLibrary() = default;
    //! The presets, ordered by bank, then program.
    virtual std::vector<LibraryPreset> Presets() = 0;
    //! The MIDI notes (0 to 127) for which the preset sounds at velocity 100, ascending.
    virtual std::vector<int> Notes(const LibraryPreset& preset) = 0;
    //! Whether the preset is percussion, one sound per note rather than a pitched scale.
    virtual bool IsPercussion(const LibraryPreset& preset) = 0;
    //! The note as the preset plays it at velocity 100 for a press of IMPORT_HELD_SECONDS
    //! and its release: mono at IMPORT_RATE, full scale 1.0; empty when it is silent.
    virtual std::vector<float> RenderNote(const LibraryPreset& preset, int note) = 0;
};

}  // namespace chordlane

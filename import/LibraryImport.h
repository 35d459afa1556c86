#pragma once
// Importing one preset of a sound library: opening the library by its kind, choosing the
// preset, rendering its notes into wave files and writing the layout that plays them.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "import/InstrumentLayout.h"
#include "import/SoundLibrary.h"

namespace chordlane {

struct ImportedFile {
    std::string name;  // relative to the folder the instrument file is written to
    std::string bytes;
};

struct ImportedInstrument {
    std::string name;      // the preset's name made safe for a file name
    std::string fileName;  // NAME.clx
    std::string text;      // the instrument file
    std::vector<ImportedFile> waves;
    ImportLayout layout = ImportLayout::Keyboard;
    std::vector<int> notes;  // the notes that have a wave file
};

//! Whether path names a sound library the importer reads (by its extension, any case).
bool IsSoundLibraryPath(const std::string& path);

// A library named where an instrument file could be: "LIBRARY" or "LIBRARY#P".
struct LibraryReference {
    std::string library;  // the library's path
    std::string preset;   // after '#', or empty for the first preset
};

//! FILE as a sound library (LIBRARY or LIBRARY#P, the library ending in .sf2 or .sfz);
//! nothing when it names no library.
std::optional<LibraryReference> ParseLibraryReference(const std::string& file);

//! Opens a SoundFont 2 (.sf2, or any file that is one) or SFZ (.sfz) library; null with
//! the reason when it cannot be read. warn hears what an SFZ's reader passes over.
std::unique_ptr<SoundLibrary> OpenSoundLibrary(const std::string& path, std::string& reason,
                                               const LibraryWarning& warn);

//! The preset wanted names ("BANK:PROGRAM" or an exact name; empty for the first listed).
std::optional<LibraryPreset> FindPreset(SoundLibrary& library, const std::string& wanted);

//! The preset's name with every character other than a letter, digit, '-' or '_' as '_'.
std::string SafeFileName(const std::string& presetName);

//! Renders the preset's notes and writes its layout (the preset's default when none is
//! given). waveFolder, when given, replaces "NAME/" in front of the wave files' names in the
//! instrument text (the files' own names stay relative).
ImportedInstrument ImportPreset(SoundLibrary& library, const LibraryPreset& preset,
                                std::optional<ImportLayout> layout,
                                const std::optional<std::string>& waveFolder = std::nullopt);

//! A 16-bit PCM mono WAV file of frames at IMPORT_RATE: trailing silence (below -90 dB) cut,
//! and a note louder than full scale brought down to just below it as a whole.
std::string EncodeWave(std::vector<float> frames);

}  // namespace chordlane

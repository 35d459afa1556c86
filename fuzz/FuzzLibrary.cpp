// Sound libraries as chordlane-tool import and the window open them: an SFZ text (our own
// parser, with a sample beside it) or a SoundFont 2 file (FluidSynth behind our checks). The
// first byte says which; the rest is the file. The presets are listed, the notes of the first
// one found, and one note rendered: a whole import would render every key and take seconds.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/FuzzEnvironment.h"
#include "import/LibraryImport.h"

using namespace chordlane;

namespace {

// A folder of this process's own: libraries are read from files, and an SFZ names its samples
// relative to itself.
const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("chordlane-fuzz-library-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        const std::vector<uint8_t> wave = fuzz::StockWave();
        std::ofstream(path / "a.wav", std::ios::binary)
            .write(reinterpret_cast<const char*>(wave.data()),
                   static_cast<std::streamsize>(wave.size()));
        return path;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool soundFont = (data[0] & 1) != 0;
    const std::filesystem::path path = Folder() / (soundFont ? "lib.sf2" : "lib.sfz");
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    std::string reason;
    size_t warnings = 0;
    auto library = OpenSoundLibrary(path.string(), reason, [&warnings](const std::string& text) {
        // A warning names what it passes over; an empty one would tell the author nothing.
        if (text.empty()) std::abort();
        ++warnings;
    });
    if (!library) {
        if (reason.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    const std::vector<LibraryPreset> presets = library->Presets();
    if (presets.empty()) return 0;
    const std::vector<int> notes = library->Notes(presets.front());
    for (int note : notes) {
        if (note < 0 || note > 127) std::abort();
    }
    if (notes.empty()) return 0;
    const std::vector<float> sound = library->RenderNote(presets.front(), notes.front());
    // Bounded: a press, its release and the longest one-shot a library may have.
    if (sound.size() > static_cast<size_t>(30 * IMPORT_RATE)) std::abort();
    return 0;
}

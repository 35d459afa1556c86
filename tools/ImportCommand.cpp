// chordlane-tool import LIBRARY: lists the presets of a SoundFont 2 or SFZ library, or
// writes one preset as an instrument file with a folder of wave files.
#include "tools/ImportCommand.h"

#include <cstdio>
#include <filesystem>

#include "import/LibraryImport.h"
#include "platform/Text.h"
#include "platform/headless/MemoryFileSystem.h"
#include "platform/std/StdFileSystem.h"
#include "tools/ToolCommand.h"
#include "tools/ToolOptions.h"

namespace chordlane::tool {
namespace {

void PrintWarning(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

int Unreadable(const std::string& reason) {
    std::fprintf(stderr, "chordlane-tool: import: %s\n", reason.c_str());
    return EXIT_PROBLEMS;
}

int NoPreset(const std::string& library, const std::string& wanted) {
    std::fprintf(stderr, "chordlane-tool: import: %s has no preset '%s' (--list shows them)\n",
                 library.c_str(), wanted.c_str());
    return EXIT_NO_PRESET;
}

// The imported files first, then the real ones: the instrument reads its waves from memory
// and may still include files of its own folder.
class OverlayFileSystem : public FileSystem {
  public:
    explicit OverlayFileSystem(FileSystem& real) : real_(real) {}
    MemoryFileSystem memory;

    std::unique_ptr<File> Open(const String& path, FileMode mode) override {
        if (mode == FileMode::Read) {
            if (std::unique_ptr<File> file = memory.Open(path, mode)) return file;
        }
        return real_.Open(path, mode);
    }
    std::string ReplaceWhole(const String& path, std::string_view bytes) override {
        return real_.ReplaceWhole(path, bytes);
    }

  private:
    FileSystem& real_;
};

int WriteFiles(const ImportedInstrument& imported, const std::string& folder) {
    const std::filesystem::path dir(folder);
    std::error_code ec;
    std::filesystem::create_directories(dir / imported.name, ec);
    StdFileSystem files;
    auto put = [&](const std::string& name, const std::string& bytes) {
        const std::string reason = files.ReplaceWhole(FromUtf8((dir / name).string()), bytes);
        if (!reason.empty()) {
            std::fprintf(stderr, "chordlane-tool: import: cannot write %s: %s\n",
                         (dir / name).string().c_str(), reason.c_str());
        }
        return reason.empty();
    };
    for (const ImportedFile& wave : imported.waves) {
        if (!put(wave.name, wave.bytes)) return EXIT_USAGE;
    }
    if (!put(imported.fileName, imported.text)) return EXIT_USAGE;
    const std::filesystem::path written =
        folder.empty() ? std::filesystem::path(imported.fileName) : dir / imported.fileName;
    std::printf("%s\n", written.string().c_str());
    return EXIT_DONE;
}

int RunImport(std::span<const std::string> args) {
    OptionParser parser;
    bool list = false;
    std::optional<std::string> preset, layoutWord, folder;
    parser.AddFlag("--list", &list);
    parser.AddValue("--preset", &preset);
    parser.AddValue("--layout", &layoutWord);
    parser.AddValue("-o", &folder);
    std::string error;
    if (!parser.Parse(args, error)) return UsageError("import: " + error);
    if (parser.Positional().size() != 1) return UsageError("import wants one LIBRARY");
    std::optional<ImportLayout> layout;
    if (layoutWord) {
        layout = ParseImportLayout(*layoutWord);
        if (!layout) {
            return UsageError("import: --layout wants keyboard, pads or strummer, not '" +
                              *layoutWord + "'");
        }
    }
    const std::string& path = parser.Positional()[0];
    std::string reason;
    std::unique_ptr<SoundLibrary> library = OpenSoundLibrary(path, reason, PrintWarning);
    if (!library) return Unreadable(reason);
    if (list) {
        for (const LibraryPreset& p : library->Presets()) {
            std::printf("%d:%d %s\n", p.bank, p.program, JsonString(FromUtf8(p.name)).c_str());
        }
        return EXIT_DONE;
    }
    const std::optional<LibraryPreset> chosen = FindPreset(*library, preset.value_or(""));
    if (!chosen) return NoPreset(path, preset.value_or(""));
    const ImportedInstrument imported = ImportPreset(*library, *chosen, layout);
    if (imported.notes.empty()) return Unreadable(path + ": the preset sounds no note");
    return WriteFiles(imported, folder.value_or(""));
}

const ToolCommand kImport{
    .name = "import",
    .arguments = "LIBRARY [--list] [--preset P] [--layout keyboard|pads|strummer] [-o DIR]",
    .help =
        "  Turns one preset of a sound library, a SoundFont 2 file (.sf2) or an SFZ\n"
        "  instrument (.sfz), into an instrument file that plays without the library.\n"
        "  --list prints one line 'BANK:PROGRAM NAME' per preset (NAME a JSON string),\n"
        "  ordered by bank, then program; an .sfz has the one preset 0:0. Otherwise preset\n"
        "  P ('BANK:PROGRAM' or its exact name; default the first listed) is written into\n"
        "  DIR (default the current folder) as NAME.clx with a folder NAME/ of 16-bit wave\n"
        "  files, one per key, each the note at velocity 100 as a 2-second press sounds,\n"
        "  release included; the instrument file's path is printed. Layouts: keyboard\n"
        "  (pages of two octaves, at most 88 keys, buttons kNN), pads (at most 48, named\n"
        "  after General MIDI percussion, buttons dNN), strummer (the built-in guitar's\n"
        "  pads and strings); the default is pads for SoundFont bank 128 or an SFZ whose\n"
        "  regions are all one-shot, else keyboard. An SFZ's opcodes that are not read\n"
        "  are told of once each as 'FILE:LINE: REASON' on standard error.\n"
        "  Exits with 1 when the library cannot be read, 5 when it has no such preset.\n"
        "  LIBRARY#P in place of FILE for the other commands imports P in memory with its\n"
        "  default layout and loads it.\n",
    .order = 70,
    .takesCommon = false,
    .run = RunImport,
};
const ToolCommandRegistration kRegisterImport{kImport};

}  // namespace

LibraryLoad ImportInMemory(const LibraryReference& reference, const std::string& file,
                           FileSystem& real) {
    LibraryLoad load;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(reference.library, ec)) {
        // As for any FILE that is not there.
        std::fprintf(stderr, "chordlane-tool: %s cannot be found\n", reference.library.c_str());
        load.exitCode = EXIT_NOT_FOUND;
        return load;
    }
    std::string reason;
    std::unique_ptr<SoundLibrary> library =
        OpenSoundLibrary(reference.library, reason, PrintWarning);
    if (!library) {
        load.exitCode = Unreadable(reason);
        return load;
    }
    const std::optional<LibraryPreset> preset = FindPreset(*library, reference.preset);
    if (!preset) {
        load.exitCode = NoPreset(reference.library, reference.preset);
        return load;
    }
    // The waves lie in memory beside the library, under an absolute name, so that no file
    // of the working folder can stand in for them.
    std::filesystem::path folder =
        std::filesystem::absolute(std::filesystem::path(reference.library), ec).parent_path();
    const std::string waveFolder = (folder / SafeFileName(preset->name)).string() + "/";
    const ImportedInstrument imported = ImportPreset(*library, *preset, std::nullopt, waveFolder);
    if (imported.notes.empty()) {
        load.exitCode = Unreadable(reference.library + ": the preset sounds no note");
        return load;
    }
    auto files = std::make_unique<OverlayFileSystem>(real);
    for (const ImportedFile& wave : imported.waves) {
        files->memory.Add(FromUtf8((folder / wave.name).string()), std::string_view(wave.bytes));
    }
    files->memory.Add(FromUtf8(file), std::string_view(imported.text));
    load.path = file;
    load.files = std::move(files);
    return load;
}

}  // namespace chordlane::tool

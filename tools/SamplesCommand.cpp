// chordlane-tool samples FILE -d DIR: loads FILE and writes every sample the sound elements
// computed, byte for byte as the program holds them, one wave file each.
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "elements/GroupElement.h"
#include "elements/Instrument.h"
#include "elements/PanelElement.h"
#include "elements/SoundElement.h"
#include "platform/Text.h"
#include "platform/std/StdFileSystem.h"
#include "tools/ToolCommand.h"
#include "tools/ToolLoad.h"

namespace chordlane::tool {
namespace {

// Sound names become file names: anything but letters, digits, '-', '_' and '#' is '_'.
std::string FileStem(const String& name) {
    std::string stem;
    for (char16_t c : name) {
        const bool keep = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                          (c >= u'0' && c <= u'9') || c == u'-' || c == u'_' || c == u'#';
        stem += keep ? static_cast<char>(c) : '_';
    }
    return stem;
}

// The sound elements of the tree in order, each once.
void CollectSounds(Element& element, std::vector<SoundElement*>& sounds,
                   std::set<const Element*>& seen) {
    if (!seen.insert(&element).second) return;
    if (auto* sound = dynamic_cast<SoundElement*>(&element)) {
        sounds.push_back(sound);
        return;
    }
    const std::vector<Element*>* members = nullptr;
    if (auto* panel = dynamic_cast<PanelElement*>(&element)) members = &panel->Group().Members();
    if (auto* group = dynamic_cast<GroupElement*>(&element)) members = &group->Members();
    if (!members) return;
    for (Element* member : *members) CollectSounds(*member, sounds, seen);
}

int RunSamples(std::span<const std::string> args) {
    OptionParser parser;
    CommonOptions common;
    std::optional<std::string> folder;
    parser.AddCommon(&common);
    parser.AddValue("-d", &folder);
    std::string error;
    if (!parser.Parse(args, error)) return UsageError("samples: " + error);
    if (parser.Positional().size() != 1) return UsageError("samples wants one FILE");
    if (!folder || folder->empty()) return UsageError("samples wants -d DIR");

    std::error_code ec;
    std::filesystem::create_directories(*folder, ec);
    if (!std::filesystem::is_directory(*folder)) {
        return UsageError("samples: cannot make the folder " + *folder);
    }

    ToolSession session(common);
    const int loaded = LoadForTool(session, parser.Positional()[0], common);
    if (loaded != EXIT_DONE) return loaded;

    std::vector<SoundElement*> sounds;
    std::set<const Element*> seen;
    if (const auto& root = session.GetInstrument().root) CollectSounds(*root, sounds, seen);
    StdFileSystem files;
    for (SoundElement* sound : sounds) {
        int written = 0;
        if (sound->HasSamples()) {
            for (int32_t shift = -sound->Low(); shift <= sound->High(); ++shift) {
                const Sample* sample = sound->GetSample(shift);
                if (!sample || !sample->Image()) continue;
                const std::string path =
                    (std::filesystem::path(*folder) /
                     (FileStem(sound->Name()) + "." + std::to_string(shift) + ".wav"))
                        .string();
                std::unique_ptr<File> out = files.Open(FromUtf8(path), FileMode::Write);
                if (!out ||
                    out->Write(sample->Image(), sample->ImageSize()) != sample->ImageSize()) {
                    return UsageError("samples: cannot write " + path);
                }
                ++written;
            }
        }
        std::printf("%s file=%s base=%d low=%d high=%d written=%d\n", ToUtf8(sound->Name()).c_str(),
                    ToUtf8(sound->FileName()).c_str(), static_cast<int>(sound->BaseNote()),
                    static_cast<int>(sound->Low()), static_cast<int>(sound->High()), written);
    }
    std::fflush(stdout);
    return EXIT_DONE;
}

const ToolCommand kSamples{
    .name = "samples",
    .arguments = "FILE -d DIR",
    .help =
        "  Loads FILE and writes every computed sample of every sound element that holds\n"
        "  samples to DIR (made when missing) as NAME.S.wav, S the shift from -LOW to\n"
        "  HIGH: the sample's whole wave image as the program holds it. Characters of\n"
        "  NAME other than letters, digits, '-', '_' and '#' become '_'. Prints one line\n"
        "  per sound element in tree order: NAME file=FILE base=B low=L high=H\n"
        "  written=K.\n",
    .order = 50,
    .takesCommon = true,
    .run = RunSamples,
};
const ToolCommandRegistration kRegisterSamples{kSamples};

}  // namespace
}  // namespace chordlane::tool

// chordlane-tool pack IN OUT: writes a plain instrument file as packed text that the
// program reads exactly as it reads the plain file.
#include <vector>

#include "language/Packer.h"
#include "platform/Text.h"
#include "platform/std/StdFileSystem.h"
#include "tools/ToolCommand.h"
#include "tools/ToolOptions.h"

namespace chordlane::tool {
namespace {

// Instrument files are small; a larger input is a mistake (or a device that never ends).
constexpr size_t MAX_INPUT_BYTES = 64u << 20;

int RunPack(std::span<const std::string> args) {
    OptionParser parser;
    std::string error;
    if (!parser.Parse(args, error)) return UsageError("pack: " + error);
    const std::vector<std::string>& words = parser.Positional();
    if (words.size() != 2) return UsageError("pack wants IN and OUT");
    const std::string& inName = words[0];
    const std::string& outName = words[1];

    StdFileSystem files;
    std::unique_ptr<File> in = files.Open(FromUtf8(inName), FileMode::Read);
    if (!in) return UsageError("pack: cannot read " + inName);
    std::string bytes;
    char chunk[65536];
    for (size_t n; (n = in->Read(chunk, sizeof chunk)) > 0;) {
        if (bytes.size() + n > MAX_INPUT_BYTES) {
            return UsageError("pack: " + inName + " is larger than 64 MiB");
        }
        bytes.append(chunk, n);
    }
    in.reset();

    // The header line is not text of the instrument: the packed file's own header takes
    // its place, and what follows reads the same in both forms.
    const PlainBody body = SplitPlainFile(FromUtf8(bytes));
    if (body.packed) return UsageError("pack: " + inName + " is packed text already");
    const std::vector<uint8_t> packed = PackFile(body.text);

    std::unique_ptr<File> out = files.Open(FromUtf8(outName), FileMode::Write);
    if (!out || out->Write(packed.data(), packed.size()) != packed.size()) {
        return UsageError("pack: cannot write " + outName);
    }
    return EXIT_DONE;
}

const ToolCommand kPack{
    .name = "pack",
    .arguments = "IN OUT",
    .help =
        "  Writes IN (plain text, UTF-8) as packed text to OUT: the bytes 'C', 'L' and a\n"
        "  line feed, then the codes, low half of each byte first; an odd number of codes\n"
        "  is padded with code 15. IN's header line is replaced by that of the packed\n"
        "  file, so OUT reads exactly as IN. An IN that is packed already, cannot be read\n"
        "  or is larger than 64 MiB, and an OUT that cannot be written, exit with 2.\n",
    .order = 60,
    .takesCommon = false,
    .run = RunPack,
};
const ToolCommandRegistration kRegisterPack{kPack};

}  // namespace
}  // namespace chordlane::tool

// Build step: packs the built-in instrument (a plain instrument file, UTF-8) into a C++
// source that holds its packed codes. The header line is dropped as the reader drops it,
// so "i !" reads exactly what loading the plain file reads.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "language/Packer.h"
#include "platform/Text.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s IN.clx OUT.cpp\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const chordlane::PlainBody body = chordlane::SplitPlainFile(chordlane::FromUtf8(bytes));
    if (body.packed) {
        std::fprintf(stderr, "%s: %s must be plain text, not packed\n", argv[0], argv[1]);
        return 1;
    }
    const std::vector<uint8_t> codes = chordlane::PackText(body.text);

    std::ostringstream out;
    out << "// Generated from " << std::filesystem::path(argv[1]).filename().string()
        << " at build time; edit that file instead.\n"
           "#include \"language/BuiltinInstrument.h\"\n\n"
           "namespace chordlane {\n\nnamespace {\n"
           "// One byte more than the codes, so that an empty instrument is a valid array.\n"
           "const uint8_t kBuiltin[] = {";
    for (size_t i = 0; i < codes.size(); ++i) {
        out << (i % 16 == 0 ? "\n    " : " ") << static_cast<unsigned>(codes[i]) << ",";
    }
    out << "\n    0};\n}  // namespace\n\n"
           "std::span<const uint8_t> BuiltinInstrument() {\n"
           "    return {kBuiltin, "
        << codes.size() << "};\n}\n\n}  // namespace chordlane\n";

    std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
    file << out.str();
    if (!file.flush()) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}

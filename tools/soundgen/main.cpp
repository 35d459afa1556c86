// chordlane-soundgen: makes the sample instruments' wave files and the program's pictures.
// Run it with the source tree's root after changing the synthesis; the files it writes are
// committed, and a test checks that they are what this program makes.

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/soundgen/Catalogue.h"

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "usage: chordlane-soundgen ROOT\n"
                     "Writes the sample sounds (instruments/sounds), the stage picture\n"
                     "(instruments/pictures), the start-up bitmap and the icon (resources)\n"
                     "below ROOT, the same bytes on every run.\n");
        return argc == 2 ? 0 : 2;
    }
    std::string error;
    if (!chordlane::soundgen::WriteAll(argv[1], error)) {
        std::fprintf(stderr, "chordlane-soundgen: %s\n", error.c_str());
        return 1;
    }
    for (const auto& file : chordlane::soundgen::GenerateAll()) {
        std::printf("%s %zu\n", file.path.c_str(), file.bytes.size());
    }
    return 0;
}

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("chordlane-tool %s\n", CHORDLANE_VERSION);
        return 0;
    }
    std::fprintf(stderr, "chordlane-tool: no commands yet\n");
    return 2;
}

// chordlane-tool: the Chordlane engine without a window. The commands live in files of
// their own (see ToolCommand.h); this file only dispatches and answers --help and --version.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/ToolCommand.h"
#include "tools/ToolOptions.h"

namespace chordlane::tool {
namespace {

void PrintHelp() {
    const std::vector<const ToolCommand*> commands = ToolCommands();
    size_t width = 0;
    bool anyCommon = false;
    for (const ToolCommand* command : commands) {
        width = std::max(width, command->name.size());
        anyCommon = anyCommon || command->takesCommon;
    }
    std::printf("chordlane-tool: the Chordlane engine without a window\n\nUsage:\n");
    // A command without arguments ("lsp") leaves no blanks at the end of its lines.
    const auto trimmed = [](std::string line) {
        while (!line.empty() && line.back() == ' ') line.pop_back();
        return line;
    };
    for (const ToolCommand* command : commands) {
        std::string name(command->name);
        name.resize(std::max(width, name.size()), ' ');
        const std::string line = "  chordlane-tool " + name + " " +
                                 std::string(command->arguments) +
                                 (command->takesCommon ? " [COMMON]" : "");
        std::printf("%s\n", trimmed(line).c_str());
    }
    std::printf("  chordlane-tool --help | --version\n\n");
    for (const ToolCommand* command : commands) {
        const std::string title =
            trimmed(std::string(command->name) + " " + std::string(command->arguments));
        std::printf("%s\n%.*s\n", title.c_str(), static_cast<int>(command->help.size()),
                    command->help.data());
    }
    if (anyCommon) {
        const std::string_view common = CommonOptionsHelp();
        std::printf("%.*s\n", static_cast<int>(common.size()), common.data());
    }
    std::printf(
        "Options end at '--'; later words are taken as they are.\n\n"
        "Exit codes: 0 done; 1 check found problems; 2 bad command line, unreadable script\n"
        "or input; 3 the load was abandoned in a file prompt; 4 FILE cannot be found by the\n"
        "file search; 5 a sound library has no such preset. FILE may be a sound library,\n"
        "LIBRARY[#P]: see import.\n");
}

int Run(int argc, char** argv) {
    if (argc < 2) return UsageError("no command given (try --help)");
    const std::string first = argv[1];
    if (first == "--help" || first == "-h") {
        PrintHelp();
        return EXIT_DONE;
    }
    if (first == "--version") {
        std::printf("chordlane-tool %s\n", CHORDLANE_VERSION);
        return EXIT_DONE;
    }
    const ToolCommand* command = FindToolCommand(first);
    if (!command) return UsageError("unknown command '" + first + "' (try --help)");
    const std::vector<std::string> args(argv + 2, argv + argc);
    return command->run(args);
}

}  // namespace
}  // namespace chordlane::tool

int main(int argc, char** argv) { return chordlane::tool::Run(argc, argv); }

#include "tools/ToolCommand.h"

#include <algorithm>
#include <cstdio>

namespace chordlane::tool {

namespace {

// A function-local list, so registrations from other files' static objects find it built
// whatever the order of static construction.
std::vector<const ToolCommand*>& Registry() {
    static std::vector<const ToolCommand*> commands;
    return commands;
}

}  // namespace

ToolCommandRegistration::ToolCommandRegistration(const ToolCommand& command) {
    Registry().push_back(&command);
}

std::vector<const ToolCommand*> ToolCommands() {
    std::vector<const ToolCommand*> commands = Registry();
    std::stable_sort(
        commands.begin(), commands.end(),
        [](const ToolCommand* a, const ToolCommand* b) { return a->order < b->order; });
    return commands;
}

const ToolCommand* FindToolCommand(std::string_view name) {
    for (const ToolCommand* command : Registry()) {
        if (command->name == name) return command;
    }
    return nullptr;
}

int UsageError(std::string_view reason) {
    std::string line(reason);
    // One line whatever the reason quotes: a file name may hold a line feed.
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::fprintf(stderr, "chordlane-tool: %s\n", line.c_str());
    return EXIT_USAGE;
}

}  // namespace chordlane::tool

#pragma once
// The subcommands of chordlane-tool. Each lives in a file of its own and registers itself
// with a static ToolCommandRegistration, so adding a command touches no other file.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace chordlane::tool {

// Exit codes every command shares.
inline constexpr int EXIT_DONE = 0;
inline constexpr int EXIT_PROBLEMS = 1;   // check found problems
inline constexpr int EXIT_USAGE = 2;      // bad command line, unreadable script or input
inline constexpr int EXIT_ABANDONED = 3;  // the load was abandoned in a file prompt
inline constexpr int EXIT_NOT_FOUND = 4;  // FILE cannot be found by the file search

struct ToolCommand {
    std::string_view name;
    std::string_view arguments;  // after the name in the synopsis, e.g. "IN OUT"
    std::string_view help;       // what it does; lines end with '\n'
    int order = 0;               // place in --help: check 10, dump 20, render 30, play 40,
                                 // samples 50, pack 60, lsp 70
    bool takesCommon = false;    // accepts the COMMON options
    //! Runs with the words after the command's name; answers the exit code.
    int (*run)(std::span<const std::string> args) = nullptr;
};

class ToolCommandRegistration {
  public:
    explicit ToolCommandRegistration(const ToolCommand& command);
};

//! The registered commands in --help order.
std::vector<const ToolCommand*> ToolCommands();
//! The command of that name, or null.
const ToolCommand* FindToolCommand(std::string_view name);

//! Prints "chordlane-tool: REASON" as one line on standard error; answers EXIT_USAGE.
int UsageError(std::string_view reason);

}  // namespace chordlane::tool

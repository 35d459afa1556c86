#pragma once
// Runs the built chordlane-tool as a user would, for the tests of its commands.

#include <filesystem>
#include <string>
#include <vector>

namespace chordlane::test {

struct ToolRun {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};

//! Runs chordlane-tool with args in folder (standard output and error captured there).
ToolRun RunTool(const std::vector<std::string>& args, const std::filesystem::path& folder);

}  // namespace chordlane::test

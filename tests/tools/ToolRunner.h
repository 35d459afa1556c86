#pragma once
// Runs the built chordlane-tool as a user would, for the tests of its commands.

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {

struct ToolRun {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};

//! Runs chordlane-tool with args in folder (standard output and error captured there).
ToolRun RunTool(const std::vector<std::string>& args, const std::filesystem::path& folder);
//! The whole content of a file, or "" when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);

// The tool on files in the temporary folder, with an empty home folder there so that
// nothing of the user's is found.
class ToolTest : public ChordlaneTest {
  protected:
    ToolRun Run(std::vector<std::string> args) {
        args.insert(args.end(), {"--home", (temp_ / "home").string()});
        std::filesystem::create_directories(temp_ / "home");
        return RunTool(args, temp_);
    }
    std::string Instrument(const std::string& name, const std::string& body) {
        return WriteFile(name, "cl1.0\n" + body).string();
    }
    std::string Path(const std::string& name) { return (temp_ / name).string(); }
};

}  // namespace chordlane::test

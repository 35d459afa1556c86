#include "tests/tools/ToolRunner.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace chordlane::test {

ToolRun RunTool(const std::vector<std::string>& args, const std::filesystem::path& folder) {
    // Each word in single quotes for the shell, its own single quotes spelled '\''.
    auto quote = [](const std::string& word) {
        std::string out = "'";
        for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return out + "'";
    };
    std::string command = quote(CHORDLANE_TOOL_PATH);
    for (const std::string& arg : args) command += " " + quote(arg);
    const std::filesystem::path out = folder / "tool.out", err = folder / "tool.err";
    const int status =
        std::system((command + " >" + quote(out.string()) + " 2>" + quote(err.string())).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(out), ReadBytes(err)};
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace chordlane::test

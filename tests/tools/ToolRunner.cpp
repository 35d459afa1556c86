#include "tests/tools/ToolRunner.h"

#include <sys/wait.h>

#include <cstdio>
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
    const std::filesystem::path err = folder / "tool.err";
    std::string command = quote(CHORDLANE_TOOL_PATH);
    for (const std::string& arg : args) command += " " + quote(arg);
    command += " 2>" + quote(err.string());

    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) run.out.append(chunk, n);
    const int status = pclose(pipe);
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.err = ReadBytes(err);
    return run;
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace chordlane::test

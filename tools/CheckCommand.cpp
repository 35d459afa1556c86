// chordlane-tool check FILE: loads FILE as the program would and prints every line the
// loader skipped, every file it could not find or load and what the lint finds, one
// "FILE:LINE: REASON" each.
#include <cstdio>

#include "app/LoadProblems.h"
#include "tools/ToolCommand.h"
#include "tools/ToolLoad.h"

namespace chordlane::tool {
namespace {

int RunCheck(std::span<const std::string> args) {
    OptionParser parser;
    CommonOptions common;
    parser.AddCommon(&common);
    std::string error;
    if (!parser.Parse(args, error)) return UsageError("check: " + error);
    if (parser.Positional().size() != 1) return UsageError("check wants one FILE");

    ToolSession session(common);
    int problems = 0;
    LoadProblemListener listener([&problems](const LoadProblem& problem) {
        ++problems;
        std::printf("%s\n", problem.Text().c_str());
    });
    const int loaded = LoadForTool(session, parser.Positional()[0], common, &listener);
    std::fflush(stdout);
    if (loaded != EXIT_DONE) return loaded;
    return problems > 0 ? EXIT_PROBLEMS : EXIT_DONE;
}

const ToolCommand kCheck{
    .name = "check",
    .arguments = "FILE",
    .help =
        "  Loads FILE as the program does and prints one line 'FILE:LINE: REASON' per\n"
        "  problem: a directive line that was skipped (naming the missing or malformed\n"
        "  argument), an include file that cannot be found, a wave file or picture that\n"
        "  cannot be loaded, an indented line that begins with a directive character,\n"
        "  a name that resolves to nothing where a line uses it (na, nb, ng, ns, a play\n"
        "  action's name, a set action's target; with the defined name meant when one\n"
        "  is within two edits), a group or panel left open at the end of its file (at\n"
        "  the line that opens it), an element wholly outside the screen.\n"
        "  FILE is the name under which the loader found the file, LINE the physical\n"
        "  line (the header is line 1). Exits with 1 when there was a problem.\n",
    .order = 10,
    .takesCommon = true,
    .run = RunCheck,
};
const ToolCommandRegistration kRegisterCheck{kCheck};

}  // namespace
}  // namespace chordlane::tool

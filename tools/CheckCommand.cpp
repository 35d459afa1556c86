// chordlane-tool check FILE: loads FILE as the program would and prints every line the
// loader skipped and every file it could not find or load, one "FILE:LINE: REASON" each.
#include <cstdio>

#include "language/Parser.h"
#include "platform/Text.h"
#include "tools/ToolCommand.h"
#include "tools/ToolLoad.h"

namespace chordlane::tool {
namespace {

class PrintingListener : public ParseListener {
  public:
    void SkippedLine(const String& file, int32_t line, const String& reason) override {
        Print(file, line, ToUtf8(reason));
    }
    void MissingInclude(const String& file, int32_t line, const String& name) override {
        Print(file, line, "include file " + JsonString(name) + " cannot be found");
    }
    void FileNotLoaded(const String& file, int32_t line, const String& what, const String& name,
                       const String& reason) override {
        std::string text = ToUtf8(what) + " " + JsonString(name) + " cannot be loaded";
        if (!reason.empty()) text += ": " + ToUtf8(reason);
        Print(file, line, text);
    }
    void IndentedDirective(const String& file, int32_t line, const String& directive) override {
        Print(file, line, "indented line beginning with '" + ToUtf8(directive) + "' is ignored");
    }

    int Problems() const { return problems_; }

  private:
    void Print(const String& file, int32_t line, const std::string& reason) {
        ++problems_;
        std::printf("%s:%d: %s\n", ToUtf8(file).c_str(), static_cast<int>(line), reason.c_str());
    }

    int problems_ = 0;
};

int RunCheck(std::span<const std::string> args) {
    OptionParser parser;
    CommonOptions common;
    parser.AddCommon(&common);
    std::string error;
    if (!parser.Parse(args, error)) return UsageError("check: " + error);
    if (parser.Positional().size() != 1) return UsageError("check wants one FILE");

    ToolSession session(common);
    PrintingListener listener;
    const int loaded = LoadForTool(session, parser.Positional()[0], common, &listener);
    std::fflush(stdout);
    if (loaded != EXIT_DONE) return loaded;
    return listener.Problems() > 0 ? EXIT_PROBLEMS : EXIT_DONE;
}

const ToolCommand kCheck{
    .name = "check",
    .arguments = "FILE",
    .help =
        "  Loads FILE as the program does and prints one line 'FILE:LINE: REASON' per\n"
        "  problem: a directive line that was skipped (naming the missing or malformed\n"
        "  argument), an include file that cannot be found, a wave file or picture that\n"
        "  cannot be loaded, an indented line that begins with a directive character.\n"
        "  FILE is the name under which the loader found the file, LINE the physical\n"
        "  line (the header is line 1). Exits with 1 when there was a problem.\n",
    .order = 10,
    .takesCommon = true,
    .run = RunCheck,
};
const ToolCommandRegistration kRegisterCheck{kCheck};

}  // namespace
}  // namespace chordlane::tool

// chordlane-tool lsp: a language server for instrument files, spoken over standard input and
// output as editors start one.
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "tools/ToolCommand.h"
#include "tools/lsp/LanguageServer.h"
#include "tools/lsp/MessageTransport.h"

namespace chordlane::tool {
namespace {

int RunLsp(std::span<const std::string> args) {
    if (!args.empty()) return UsageError("lsp takes no arguments");
    // Standard output carries the protocol alone: it gets a descriptor of its own, and
    // whatever else would be printed there goes to standard error instead.
    std::fflush(stdout);
    const int protocolOut = ::dup(STDOUT_FILENO);
    if (protocolOut < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        return UsageError("lsp cannot set up its standard output");
    }
    // An editor that goes away mid-answer ends the server through a failed write, not a
    // signal.
    std::signal(SIGPIPE, SIG_IGN);
    MessageTransport transport(STDIN_FILENO, protocolOut);
    LanguageServer server(transport, CHORDLANE_VERSION);
    const int code = server.Run();
    ::close(protocolOut);
    return code;
}

const ToolCommand kLsp{
    .name = "lsp",
    .arguments = "",
    .help =
        "  A language server for instrument files (Language Server Protocol over standard\n"
        "  input and output, as an editor starts it). It publishes what check finds as\n"
        "  diagnostics of the open file whenever it is opened or changed (skipped and\n"
        "  unloadable lines as errors, the rest as warnings), and answers hover, go to\n"
        "  definition of a name, completion of names and directives, and document symbols\n"
        "  (the element tree). The editor's unsaved text is what it reads for the open\n"
        "  file; included files come from the disk. Exits with 0 after shutdown and exit.\n",
    .order = 70,
    .run = RunLsp,
};
const ToolCommandRegistration kRegisterLsp{kLsp};

}  // namespace
}  // namespace chordlane::tool

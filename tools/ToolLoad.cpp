#include "tools/ToolLoad.h"

#include <cstdio>

#include "app/OpenFlow.h"
#include "platform/Text.h"
#include "tools/ImportCommand.h"
#include "tools/ToolCommand.h"

namespace chordlane::tool {

int LoadForTool(ToolSession& session, const std::string& file, const CommonOptions& options,
                ParseListener* listener) {
    session.Platform().messages.SetListener([](const String& text) {
        String shown = text;
        if (!shown.empty() && shown.back() == u'\n') shown.pop_back();
        std::fprintf(stderr, "message: %s\n", ToUtf8(shown).c_str());
    });
    // A sound library is imported in memory first, then loaded like any instrument file.
    if (const std::optional<LibraryReference> library = ParseLibraryReference(file)) {
        LibraryLoad imported = ImportInMemory(*library, file, *session.Platform().files);
        if (imported.exitCode != EXIT_DONE) return imported.exitCode;
        session.UseFiles(std::move(imported.files));
    }
    const String path = FromUtf8(file);
    const OpenResult result = OpenInstrument(session.GetInstrument(), path, listener);
    if (options.time) PrintLoadTimes(result.parseMs, result.activateMs);
    if (result.outcome == OpenResult::Outcome::Aborted) {
        std::fprintf(stderr, "chordlane-tool: the load of %s was abandoned in a file prompt\n",
                     file.c_str());
        return EXIT_ABANDONED;
    }
    if (!result.found && path != u"!") {
        std::fprintf(stderr, "chordlane-tool: %s cannot be found by the file search\n",
                     file.c_str());
        return EXIT_NOT_FOUND;
    }
    return EXIT_DONE;
}

}  // namespace chordlane::tool

#include "tools/ToolLoad.h"

#include <cstdio>

#include "app/OpenFlow.h"
#include "platform/Text.h"
#include "tools/ToolCommand.h"

namespace chordlane::tool {

int LoadForTool(ToolSession& session, const std::string& file, const CommonOptions& options,
                ParseListener* listener) {
    session.Platform().messages.SetListener([](const String& text) {
        String shown = text;
        if (!shown.empty() && shown.back() == u'\n') shown.pop_back();
        std::fprintf(stderr, "message: %s\n", ToUtf8(shown).c_str());
    });
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

std::string JsonString(const std::u16string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        char escape[8];
        switch (c) {
            case u'"':
                out += "\\\"";
                continue;
            case u'\\':
                out += "\\\\";
                continue;
            case u'\n':
                out += "\\n";
                continue;
            case u'\r':
                out += "\\r";
                continue;
            case u'\t':
                out += "\\t";
                continue;
            case u'\b':
                out += "\\b";
                continue;
            case u'\f':
                out += "\\f";
                continue;
            default:
                break;
        }
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            out += ToUtf8(text.substr(i, 2));
            ++i;
        } else if (c < 0x20 || high || low) {
            // Control characters and unpaired surrogates keep their code unit exactly.
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += ToUtf8(std::u16string_view(&text[i], 1));
        }
    }
    out += '"';
    return out;
}

}  // namespace chordlane::tool

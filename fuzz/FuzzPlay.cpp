// The script runner of chordlane-tool play, with the fuzz input as the script: it is read
// whole (a bad line plays nothing), then played on the built-in guitar through the handlers
// the window calls, menus and file prompts included. A second small instrument lies beside
// the first so that an answered Open has something to load, and Save As somewhere to write.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/OpenFlow.h"
#include "fuzz/FuzzEnvironment.h"
#include "platform/headless/RecordingSurface.h"
#include "tools/ScriptRunner.h"
#include "view/InstrumentView.h"

using namespace chordlane;
using namespace chordlane::fuzz;

namespace {

// The played instrument: the built-in guitar, as a user's file would name it.
constexpr std::string_view MAIN = "cl1.0\ni !\n";
// Something else to open from the menu: a pad that plays a note, and a button with an action.
constexpr std::string_view OTHER =
    "cl1.0\n"
    "d 240 320\n"
    "gr r 0 0 120 160\n"
    "br b 120 160 100 100\n"
    "=i b.na 3\n";

// Time passes a millisecond at a step, mixing as it goes; an hour of it per input would
// starve the search, and a few seconds already reach every timer the instrument sets.
constexpr tool::ScriptLimits LIMITS{.maxMs = 5'000, .maxMoves = 5'000};
// Longer scripts only repeat what shorter ones do, at the cost of the parse.
constexpr size_t MAX_SCRIPT_BYTES = 16 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > MAX_SCRIPT_BYTES) return -1;  // keeps such inputs out of the corpus
    FuzzEnvironment env;
    env.files->Add(String(HOME) + u"main.clx", MAIN);
    env.files->Add(String(HOME) + u"other.clx", OTHER);
    const OpenResult opened = OpenInstrument(env.instrument, String(HOME) + u"main.clx");
    if (opened.outcome == OpenResult::Outcome::Loaded) {
        InstrumentView view(env.instrument);
        RecordingSurface surface;
        view.Paint(surface);
        const std::string_view script(reinterpret_cast<const char*>(data), size);
        std::string error;
        if (tool::RunScriptText(script, view, env.platform.clock, env.platform.dialogs, error,
                                LIMITS)) {
            // Whatever the script left held or loaded must still paint.
            view.Paint(surface);
        }
    }
    return 0;
}

// The whole load path over files held in memory: plain and packed instrument files, includes
// (the built-in instrument too), wave files and pictures they name, file prompts answered or
// cancelled from the input and answer lines of saved instruments; then activation, "init",
// painting, a strum, keys and hardware buttons, a saved copy loaded again, and the unload.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/OpenFlow.h"
#include "fuzz/FuzzEnvironment.h"
#include "language/ParseListener.h"
#include "language/Writer.h"
#include "platform/Text.h"
#include "platform/headless/RecordingSurface.h"
#include "view/InstrumentView.h"

using namespace chordlane;
using namespace chordlane::fuzz;

namespace {

// The hardware buttons arrive as these key codes.
constexpr uint32_t FIRST_BUTTON = 0xC1;
constexpr uint32_t LAST_BUTTON = 0xCF;

void Play(FuzzEnvironment& env) {
    InstrumentView view(env.instrument);
    RecordingSurface surface;
    view.Paint(surface);
    VirtualClock& clock = env.platform.clock;
    view.OnButtonDown({10, 20});
    for (int i = 1; i <= 8; ++i) {
        clock.Advance(15);
        view.OnStylusMove({10 + 27 * i, 20 + 35 * i});
    }
    view.OnButtonUp({226, 300});
    clock.Advance(30);
    view.OnButtonDown({120, 160});
    view.OnButtonUp({120, 160});
    for (uint32_t key : {uint32_t{'A'}, uint32_t{'1'}, uint32_t{13}, uint32_t{37}, uint32_t{16}}) {
        view.OnKeyDown(key);
        view.OnKeyUp(key);
    }
    for (uint32_t button = FIRST_BUTTON; button <= LAST_BUTTON; ++button)
        env.instrument.names.OnKeyDown(button);
    // Let what was started play out, so completion notices arrive while the tree still stands.
    clock.Advance(500);
    view.Paint(surface);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzEnvironment env;
    // A listener that ignores everything, so that the load also reports every problem.
    ParseListener silent;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::vector<Section> sections = SplitInput(input);
    for (const Section& section : sections) {
        switch (section.kind) {
            case Section::Kind::File: {
                const String name = FromUtf8(section.name);
                env.files->Add(!name.empty() && (name[0] == u'/' || name[0] == u'\\')
                                   ? name
                                   : String(HOME) + name,
                               section.bytes);
                break;
            }
            case Section::Kind::Answer:
                env.platform.dialogs.Answer(FromUtf8(section.name));
                break;
            case Section::Kind::Cancel:
                env.platform.dialogs.Cancel();
                break;
        }
    }

    const OpenResult result = OpenInstrument(env.instrument, String(HOME) + u"main.clx", &silent);
    if (result.outcome == OpenResult::Outcome::Loaded) {
        Play(env);
        // A saved copy includes the file and carries the answers given, so loading it again
        // asks nothing that was answered.
        if (!env.instrument.load.answersLog.empty()) {
            const std::string saved = SavedInstrumentText(env.instrument.load);
            env.files->Add(String(HOME) + u"saved.cly", saved);
            OpenInstrument(env.instrument, String(HOME) + u"saved.cly", &silent);
        }
    }
    return 0;
}

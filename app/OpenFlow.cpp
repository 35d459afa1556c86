#include "app/OpenFlow.h"

#include <chrono>

#include "elements/Element.h"
#include "elements/GroupElement.h"
#include "elements/ImageElement.h"
#include "elements/Instrument.h"
#include "elements/InstrumentBuilder.h"
#include "elements/InstrumentLint.h"
#include "elements/NameRegistry.h"
#include "elements/PanelElement.h"
#include "elements/SoundElement.h"
#include "language/FileSearch.h"
#include "language/Include.h"

namespace chordlane {

namespace {

// Unloading gives released voices this many rounds of this many milliseconds to go quiet.
constexpr int RELEASE_WAITS = 10;
constexpr uint32_t RELEASE_WAIT_MS = 10;

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Elements in panels not shown yet have not tried to load their files. So that a load
// still tells of every file it names that cannot be had, those elements check theirs now.
void ReportFilesOfHiddenPanels(const GroupElement& group, bool hidden) {
    for (Element* member : group.Members()) {
        const int32_t kind = member->GetKind();
        if (kind & KIND_CONTAINER) {
            auto* panel = static_cast<PanelElement*>(member);
            ReportFilesOfHiddenPanels(panel->Group(), hidden || !panel->IsActive());
        } else if (kind & KIND_GROUP) {
            ReportFilesOfHiddenPanels(*static_cast<GroupElement*>(member), hidden);
        } else if (hidden && (kind & KIND_SOUND)) {
            static_cast<SoundElement*>(member)->ReportIfNotFound();
        } else if (hidden && (kind & KIND_IMAGE)) {
            static_cast<ImageElement*>(member)->ReportIfNotFound();
        }
    }
}

}  // namespace

String OpenDialogFolder(const Instrument& app) {
    // The next instrument is most likely beside the one playing; before any, the samples.
    const String& current = app.load.currentPath;
    if (!current.empty() && current != u"!") {
        const String folder = FolderPart(current);
        if (!folder.empty()) return folder;
    }
    return app.load.programFolder;
}

void UnloadInstrument(Instrument& app) {
    app.load.loaded = 0;
    app.load.status = LOAD_LOADING;
    if (!app.load.currentPath.empty()) {
        app.names.ReleaseOthers(0, nullptr);
        Clock* clock = app.platform.clock;
        for (int i = 0; i < RELEASE_WAITS && !app.names.PlayingList().empty() && clock; ++i) {
            clock->Sleep(RELEASE_WAIT_MS);
        }
    }
    // Also without a current path: the registry must never outlive the tree it points into.
    app.ResetInstrument();
    app.root.reset();
    app.root =
        std::make_unique<PanelElement>(app, u"!", std::make_unique<Rect>(app.screen.rect), 0);
}

OpenResult OpenInstrument(Instrument& app, const std::optional<String>& path,
                          ParseListener* listener) {
    OpenResult result;
    String chosen;
    if (path) {
        chosen = *path;
    } else {
        std::optional<String> picked = ChooseFile(
            app.load, u"Open an Instrument", u"Chordlane Instrument (*.clx,*.cly)|*.clx;*.cly||",
            true, OpenDialogFolder(app));
        // Cancelling leaves the current instrument loaded and playing.
        if (!picked) return result;
        chosen = std::move(*picked);
    }

    UnloadInstrument(app);
    app.load.currentPath = chosen;
    app.SetScreenState(SCREEN_LOADING);

    const ListenerScope listening(app.listeners, listener);
    // Only someone who hears of problems needs the lines of every element kept.
    InstrumentLint lint;
    const ListenerScope linting(app.listeners, listener ? &lint : nullptr);
    InstrumentBuilder builder(app);

    const auto parseStart = std::chrono::steady_clock::now();
    result.found = builder.ParseFile(chosen);
    result.parseMs = MillisecondsSince(parseStart);

    if (app.load.status == LOAD_ABORTED) {
        app.ResetInstrument();
        app.SetScreenState(SCREEN_TAP_TO_START);
        result.outcome = OpenResult::Outcome::Aborted;
    } else {
        app.SetScreenState(SCREEN_LOADING);
        const auto activateStart = std::chrono::steady_clock::now();
        // Nested panels stay hidden until something shows them; the root fires "init".
        app.root->SetActiveWhere(true, KIND_CONTAINER);
        app.root->SetActive(true);
        result.activateMs = MillisecondsSince(activateStart);
        app.load.loaded = 1;
        result.outcome = OpenResult::Outcome::Loaded;
        ReportFilesOfHiddenPanels(app.root->Group(), false);
        if (listener) lint.Report(app);
    }
    app.DiscardPendingRepaint();
    if (Window* window = app.platform.window) window->ReshowAndRaise();
    return result;
}

}  // namespace chordlane

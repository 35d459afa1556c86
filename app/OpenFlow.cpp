#include "app/OpenFlow.h"

#include <chrono>
#include <vector>

#include "app/AppState.h"
#include "app/ScreenUpdate.h"
#include "elements/Element.h"
#include "elements/ImageElement.h"
#include "elements/PanelElement.h"
#include "elements/RectElement.h"
#include "language/FileSearch.h"
#include "language/Include.h"
#include "language/NameRegistry.h"
#include "language/Parser.h"
#include "platform/Platform.h"
#include "sound/SoundElement.h"
#include "view/ScreenPalette.h"

namespace chordlane {

namespace {

constexpr int32_t SCREEN_STARTUP = 1;
constexpr int32_t SCREEN_LOADING = 2;

// Unloading gives released voices this many rounds of this many milliseconds to go quiet.
constexpr int RELEASE_WAITS = 10;
constexpr uint32_t RELEASE_WAIT_MS = 10;

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Passes everything on and remembers the elements that load files when they become active,
// so that after activation those whose file could not be loaded can be named with their line.
class LoadWatcher : public ParseListener {
public:
    explicit LoadWatcher(ParseListener& target) : target_(target) {}

    void SkippedLine(const String& file, int32_t line, const String& reason) override {
        target_.SkippedLine(file, line, reason);
    }
    void MissingInclude(const String& file, int32_t line, const String& name) override {
        target_.MissingInclude(file, line, name);
    }
    void FileNotLoaded(const String& file, int32_t line, const String& what,
                       const String& name) override {
        target_.FileNotLoaded(file, line, what, name);
    }
    void IndentedDirective(const String& file, int32_t line, const String& directive) override {
        target_.IndentedDirective(file, line, directive);
    }
    void ElementBuilt(Element& element, PanelElement* panel, const String& file,
                      int32_t line) override {
        target_.ElementBuilt(element, panel, file, line);
        if (element.GetKind() & (KIND_SOUND | KIND_IMAGE)) {
            built_.push_back({&element, panel, file, line});
        }
    }

    //! After activation: every sound without samples and every picture without a bitmap.
    //! Elements in panels not shown yet have not tried to load; for them the file search
    //! alone decides.
    void ReportFilesNotLoaded() {
        for (const Built& b : built_) {
            const bool tried = !b.panel || b.panel->IsActive();
            if (b.element->GetKind() & KIND_SOUND) {
                auto* sound = static_cast<SoundElement*>(b.element);
                if (sound->SampleCount() > 0) continue;
                if (!tried && OpenSearched(sound->FileName(), FileMode::Read, sound->ReferencePath())) continue;
                target_.FileNotLoaded(b.file, b.line, u"wave file", sound->FileName());
            } else {
                auto* image = static_cast<ImageElement*>(b.element);
                if (image->GetBitmap()) continue;
                if (!tried && LoadPictureSearched(image->GetFileName(), String())) continue;
                target_.FileNotLoaded(b.file, b.line, u"picture", image->GetFileName());
            }
        }
    }

private:
    struct Built {
        Element* element;
        PanelElement* panel;
        String file;
        int32_t line;
    };
    ParseListener& target_;
    std::vector<Built> built_;
};

}  // namespace

void UnloadInstrument() {
    AppState& app = App();
    app.instrumentLoaded = 0;
    app.loadStatus = LOAD_LOADING;
    if (!app.currentPath.empty()) {
        ReleaseOthers(0, nullptr);
        Clock* clock = CurrentPlatform().clock;
        for (int i = 0; i < RELEASE_WAITS && !PlayingList().empty() && clock; ++i) {
            clock->Sleep(RELEASE_WAIT_MS);
        }
    }
    // Also without a current path: the registry must never outlive the tree it points into.
    ResetInstrument();
    ReleaseSharedShapeObjects();
    BuildScreenPalette();
    app.root.reset();
    app.root = std::make_unique<PanelElement>(u"!", std::make_unique<Rect>(app.screenRect), 0);
}

OpenResult OpenInstrument(const std::optional<String>& path, ParseListener* listener) {
    OpenResult result;
    String chosen;
    if (path) {
        chosen = *path;
    } else {
        std::optional<String> picked = ChooseFile(
            u"Open an Instrument", u"Chordlane Instrument (*.clx,*.cly)|*.clx;*.cly||", true);
        // Cancelling leaves the current instrument loaded and playing.
        if (!picked) return result;
        chosen = std::move(*picked);
    }

    UnloadInstrument();
    AppState& app = App();
    app.currentPath = chosen;
    SetScreenState(SCREEN_LOADING);

    std::optional<LoadWatcher> watcher;
    if (listener) watcher.emplace(*listener);
    ParseContext top;
    top.fileName = app.homeFolder;
    top.designWidth = app.screenWidth;
    top.designHeight = app.screenHeight;
    top.listener = watcher ? &*watcher : nullptr;

    const auto parseStart = std::chrono::steady_clock::now();
    result.found = IncludeFile(top, chosen);
    result.parseMs = MillisecondsSince(parseStart);

    if (app.loadStatus == LOAD_ABORTED) {
        ResetInstrument();
        SetScreenState(SCREEN_STARTUP);
        result.outcome = OpenResult::Outcome::Aborted;
    } else {
        SetScreenState(SCREEN_LOADING);
        const auto activateStart = std::chrono::steady_clock::now();
        // Nested panels stay hidden until something shows them; the root fires "init".
        app.root->SetActiveWhere(true, KIND_CONTAINER);
        app.root->SetActive(true);
        result.activateMs = MillisecondsSince(activateStart);
        app.instrumentLoaded = 1;
        result.outcome = OpenResult::Outcome::Loaded;
        if (watcher) watcher->ReportFilesNotLoaded();
    }
    DiscardPendingRepaint();
    if (Window* window = CurrentPlatform().window) window->ReshowAndRaise();
    return result;
}

}  // namespace chordlane

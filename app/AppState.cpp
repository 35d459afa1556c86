#include "app/AppState.h"

#include "app/EventTrace.h"
#include "elements/PanelElement.h"
#include "language/NameRegistry.h"
#include "view/InstrumentView.h"

namespace chordlane {

namespace {
EventTrace* g_trace = nullptr;
}

AppState::AppState() = default;
AppState::~AppState() = default;

AppState& App() {
    static AppState state;
    return state;
}

void ResetAppState() {
    AppState& app = App();
    // The registry points into the tree: empty it before the tree goes.
    ClearRegistry();
    ResetKeyState();
    if (app.root) app.root->DeleteAll();
    app.root.reset();
    app.screenWidth = 0;
    app.screenHeight = 0;
    app.screenRect = {};
    app.programFolder.clear();
    app.homeFolder.clear();
    app.currentPath.clear();
    app.answersLog.clear();
    app.instrumentLoaded = 0;
    app.loadStatus = 0;
    app.pendingRepaint = {};
    app.startupBitmap.reset();
    app.showActive = 1;
    app.speedVolume = 1;
    app.cb = -1;
    app.sp = 30;
    app.vA = 0;
    app.vM = 0;
    app.hardwareButtons = 0;
    SetScreenStateValue(SCREEN_TAP_TO_START);
}

EventTrace* Trace() { return g_trace; }
void SetTrace(EventTrace* trace) { g_trace = trace; }

}  // namespace chordlane

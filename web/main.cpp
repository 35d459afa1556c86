// The functions the page's script calls. The page holds the program it made and hands it to
// each call; all of them run on the page's main thread. Texts cross as UTF-8 in memory the
// caller owns; a text handed back is the caller's to free.

#include <emscripten.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Text.h"
#include "web/WebApp.h"

using chordlane::Point;
using chordlane::String;
using chordlane::web::WebApp;

namespace {

char* Copy(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy) std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

}  // namespace

// web/page/page.js runs the shortcuts it gets back by these numbers.
static_assert(static_cast<int>(chordlane::ShortcutCommand::Open) == 0 &&
              static_cast<int>(chordlane::ShortcutCommand::Help) == 1 &&
              static_cast<int>(chordlane::ShortcutCommand::FullScreen) == 3);

extern "C" {

EMSCRIPTEN_KEEPALIVE WebApp* cl_create(uint32_t rate, int32_t width, int32_t height) {
    return new WebApp(rate, width, height);
}

EMSCRIPTEN_KEEPALIVE void cl_destroy(WebApp* app) { delete app; }

//! The program's version, for About.
EMSCRIPTEN_KEEPALIVE const char* cl_version() { return CHORDLANE_VERSION; }

//! Opens path; picked holds the person's files for its prompts, one per line. Answers null
//! when it opened, else the problem.
EMSCRIPTEN_KEEPALIVE char* cl_open(WebApp* app, const char* path, const char* picked) {
    std::vector<String> files;
    const std::string list = picked ? picked : "";
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find('\n', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) files.push_back(chordlane::FromUtf8(list.substr(start, end - start)));
        start = end + 1;
    }
    const auto problem = app->Open(chordlane::FromUtf8(path), std::move(files));
    return problem ? Copy(*problem) : nullptr;
}

EMSCRIPTEN_KEEPALIVE void cl_paint(WebApp* app, int32_t canvas, int32_t left, int32_t top,
                                   int32_t right, int32_t bottom) {
    app->Paint(canvas, {left, top, right, bottom});
}

EMSCRIPTEN_KEEPALIVE void cl_pointer_down(WebApp* app, int32_t point, int32_t x, int32_t y,
                                          double delayMs) {
    app->PointerDown(point, Point{x, y}, delayMs);
}

EMSCRIPTEN_KEEPALIVE void cl_pointer_move(WebApp* app, int32_t point, int32_t x, int32_t y) {
    app->PointerMove(point, Point{x, y});
}

EMSCRIPTEN_KEEPALIVE void cl_pointer_up(WebApp* app, int32_t point) { app->PointerUp(point); }

//! A key goes down or up. Answers -1 when the key went to the instrument, else the number of
//! the program's shortcut command it completed (ShortcutCommand), for the page to run.
EMSCRIPTEN_KEEPALIVE int32_t cl_key(WebApp* app, uint32_t code, int32_t down) {
    if (!down) {
        app->KeyUp(code);
        return -1;
    }
    const auto command = app->KeyDown(code);
    return command ? static_cast<int32_t>(*command) : -1;
}

EMSCRIPTEN_KEEPALIVE void cl_activated(WebApp* app) { app->Activated(); }

//! 0: Show Active, 1: Speed -> Volume. Answers the option's state after the toggle.
EMSCRIPTEN_KEEPALIVE int32_t cl_toggle_option(WebApp* app, int32_t option) {
    if (option == 0) {
        app->ToggleShowActive();
        return app->ShowActive();
    }
    app->ToggleSpeedVolume();
    return app->SpeedVolume();
}

EMSCRIPTEN_KEEPALIVE int32_t cl_option(WebApp* app, int32_t option) {
    return option == 0 ? app->ShowActive() : app->SpeedVolume();
}

EMSCRIPTEN_KEEPALIVE void cl_help(WebApp* app) { app->OpenHelp(); }

EMSCRIPTEN_KEEPALIVE void cl_tick(WebApp* app) { app->Tick(); }

EMSCRIPTEN_KEEPALIVE void cl_audio_started(WebApp* app) { app->AudioStarted(); }

EMSCRIPTEN_KEEPALIVE int32_t cl_trace_count(WebApp* app) {
    return static_cast<int32_t>(app->Trace().size());
}

//! The event log's line at index, valid until the next call into the program.
EMSCRIPTEN_KEEPALIVE const char* cl_trace_line(WebApp* app, int32_t index) {
    const auto& trace = app->Trace();
    if (index < 0 || static_cast<size_t>(index) >= trace.size()) return "";
    return trace[static_cast<size_t>(index)].c_str();
}

//! rate, frames, underruns, peak, latencyFrames, targetFrames, eventWaitMs into out.
EMSCRIPTEN_KEEPALIVE void cl_audio_figures(WebApp* app, double* out) {
    const chordlane::web::AudioFigures figures = app->Audio();
    out[0] = figures.rate;
    out[1] = figures.frames;
    out[2] = static_cast<double>(figures.underruns);
    out[3] = figures.peak;
    out[4] = figures.latencyFrames;
    out[5] = figures.targetFrames;
    out[6] = figures.eventWaitMs;
}

EMSCRIPTEN_KEEPALIVE const void* cl_ring(WebApp* app) { return app->Ring(); }

//! The instrument's screen: width and height into out.
EMSCRIPTEN_KEEPALIVE void cl_screen(WebApp* app, int32_t* out) {
    const chordlane::Size size = app->Screen();
    out[0] = size.cx;
    out[1] = size.cy;
}

}  // extern "C"

// The page makes the program once it knows the audio context's rate; the runtime stays
// alive after main for its calls.
int main() { return 0; }

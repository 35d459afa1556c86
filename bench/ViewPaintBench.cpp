// A full repaint of each shipped instrument as the window does it: the view's paint at zoom 2
// on the QPainter surface, offscreen; and at 1920 x 1080, fitted and centred on a dark margin
// with smoothed pictures, as a full-screen window paints it.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "app/OpenFlow.h"
#include "bench/FullScreenPaint.h"
#include "bench/OffscreenApplication.h"
#include "elements/Instrument.h"
#include "platform/Text.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/qt/QtPictureLoader.h"
#include "platform/qt/QtSurface.h"
#include "view/InstrumentView.h"

namespace chordlane {
namespace {

constexpr int ZOOM = 2;

// Loads a shipped instrument on a 240 x 320 screen; false when it did not load.
bool LoadShipped(Instrument& instrument, const char* file) {
    instrument.SetScreen(240, 320);
    const String path = FromUtf8(std::string(CHORDLANE_SOURCE_DIR) + "/instruments/" + file);
    return OpenInstrument(instrument, path).outcome == OpenResult::Outcome::Loaded &&
           instrument.load.loaded;
}

// A shipped instrument loaded with pictures as the program draws them, and its view.
struct PaintedInstrument {
    explicit PaintedInstrument(const char* file) {
        platform.services.pictures = &pictures;
        loaded = LoadShipped(instrument, file);
    }
    HeadlessPlatform platform;
    QtPictureLoader pictures{*platform.files};
    Instrument instrument{platform.services};
    InstrumentView view{instrument};
    bool loaded = false;
};

void BM_RepaintShippedInstrument(benchmark::State& state, const char* file) {
    EnsureOffscreenApplication();
    PaintedInstrument painted(file);
    if (!painted.loaded) {
        state.SkipWithError("the instrument did not load");
        return;
    }
    InstrumentView& view = painted.view;
    QImage image(240 * ZOOM, 320 * ZOOM, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.scale(ZOOM, ZOOM);
        QtSurface surface(painter, Rect{0, 0, 240, 320});
        view.Paint(surface);
    }
}

void BM_RepaintFullHd(benchmark::State& state, const char* file) {
    EnsureOffscreenApplication();
    PaintedInstrument painted(file);
    if (!painted.loaded) {
        state.SkipWithError("the instrument did not load");
        return;
    }
    InstrumentView& view = painted.view;
    FullScreenPaint window;
    for (auto _ : state) window.Paint(view);
}

BENCHMARK_CAPTURE(BM_RepaintShippedInstrument, guitar, "guitar.clx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepaintShippedInstrument, keyboard, "keyboard.clx")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepaintShippedInstrument, strummer, "strummer.clx")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepaintShippedInstrument, stage, "stage.clx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepaintShippedInstrument, drums, "drums.clx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepaintFullHd, guitar, "guitar.clx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepaintFullHd, keyboard, "keyboard.clx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepaintFullHd, strummer, "strummer.clx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepaintFullHd, stage, "stage.clx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepaintFullHd, drums, "drums.clx")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace chordlane

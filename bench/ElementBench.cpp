// Stroke handling and painting of an instrument-sized element tree: a neck of 6 strings by
// 12 frets of buttons, with frets, inlays and labels drawn under them.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <cstdlib>
#include <string>

#include "bench/OffscreenApplication.h"
#include "elements/EllipseButtonElement.h"
#include "elements/EllipseElement.h"
#include "elements/GroupElement.h"
#include "elements/Instrument.h"
#include "elements/PanelElement.h"
#include "elements/RectButtonElement.h"
#include "elements/RectElement.h"
#include "elements/TextElement.h"
#include "platform/Text.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/qt/QtSurface.h"

namespace chordlane {
namespace {

std::unique_ptr<Rect> R(int32_t l, int32_t t, int32_t r, int32_t b) {
    return std::make_unique<Rect>(Rect{l, t, r, b});
}

// Builds and activates the neck in instrument; every button plays the empty group "silent".
void BuildNeck(Instrument& instrument, bool ellipses) {
    instrument.SetScreen(240, 320);
    instrument.root = std::make_unique<PanelElement>(instrument, u"!", R(0, 0, 239, 319), 0);
    PanelElement& root = *instrument.root;
    root.Add(std::make_unique<GroupElement>(instrument, u"silent"));
    for (int fret = 0; fret < 12; ++fret) {
        const int32_t y = fret * 26;
        root.Add(std::make_unique<RectElement>(instrument, Ascii("f" + std::to_string(fret)),
                                               R(0, y, 240, y + 2)));
        root.Add(std::make_unique<EllipseElement>(instrument, Ascii("i" + std::to_string(fret)),
                                                  R(110, y + 8, 130, y + 18)));
        root.Add(std::make_unique<TextElement>(instrument, Ascii("l" + std::to_string(fret)),
                                               u"F#m", R(200, y + 4, 240, y + 22)));
        for (int string = 0; string < 6; ++string) {
            const String name = Ascii("b" + std::to_string(fret) + "_" + std::to_string(string));
            std::unique_ptr<RectButtonElement> b;
            if (ellipses) {
                b = std::make_unique<EllipseButtonElement>(instrument, name);
            } else {
                b = std::make_unique<RectButtonElement>(instrument, name);
            }
            b->SetBounds(R(string * 40, y + 2, string * 40 + 40, y + 26));
            b->SetString(u"na", u"silent");
            root.Add(std::move(b));
        }
    }
    root.SetActiveWhere(true, KIND_CONTAINER);
    root.SetActive(true);
}

// A strum across all six strings in ten segments at one fret, as the stylus delivers it.
void Strum(benchmark::State& state, bool ellipses) {
    HeadlessPlatform platform;
    Instrument instrument(platform.services);
    BuildNeck(instrument, ellipses);
    PanelElement& root = *instrument.root;
    instrument.options.showActive = 0;
    int64_t strikes = 0;
    for (auto _ : state) {
        root.ResetPenInside(STYLUS_POINT, false);
        for (int i = 0; i < 10; ++i) {
            strikes += root.OnStroke({i * 24, 140}, {(i + 1) * 24, 141}, 60, false, STYLUS_POINT);
        }
    }
    state.counters["segments/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * 10,
                                                      benchmark::Counter::kIsRate);
    benchmark::DoNotOptimize(strikes);
}

void BM_StrumRectButtons(benchmark::State& state) { Strum(state, false); }
void BM_StrumEllipseButtons(benchmark::State& state) { Strum(state, true); }

// One full repaint of the screen in the view's two passes, on a 240 x 320 image.
void BM_PaintNeck(benchmark::State& state) {
    EnsureOffscreenApplication();
    HeadlessPlatform platform;
    Instrument instrument(platform.services);
    BuildNeck(instrument, true);
    PanelElement& root = *instrument.root;
    QImage image(240, 320, QImage::Format_RGB32);
    for (auto _ : state) {
        QtSurface surface(image);
        surface.FillRect({0, 0, 240, 320}, 0xFFFFFF);
        root.DrawMembers(surface, KIND_BUTTON, 0);
        root.DrawMembers(surface, KIND_BUTTON, KIND_BUTTON);
    }
}

BENCHMARK(BM_StrumRectButtons);
BENCHMARK(BM_StrumEllipseButtons);
BENCHMARK(BM_PaintNeck)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace chordlane

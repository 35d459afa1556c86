// Ten fingers strumming at once: one event frame in which every touch point of a full hand
// moves across a row of 72 strings, through the view as the window hands the moves on.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "elements/Instrument.h"
#include "elements/PanelElement.h"
#include "elements/RectButtonElement.h"
#include "platform/Text.h"
#include "platform/headless/HeadlessPlatform.h"
#include "view/InstrumentView.h"

namespace chordlane {
namespace {

constexpr int STRINGS = 72;
// Both ends of a strum lie left and right of every string, so that each move crosses all 72.
constexpr int32_t LEFT = 1;
constexpr int32_t RIGHT = 238;

// What the strings play: it only counts, so that what is measured is the stroke handling,
// not the sound.
class StrikeCounter : public IndexedElement {
  public:
    using IndexedElement::IndexedElement;
    const char* ClassName() const override { return "StrikeCounter"; }
    void Trigger(int32_t, Element*) override { ++strikes; }
    int64_t strikes = 0;
};

// 72 strings three pixels apart over the whole height of a 240 x 320 screen.
StrikeCounter& BuildStrings(Instrument& instrument) {
    instrument.SetScreen(240, 320);
    instrument.root = std::make_unique<PanelElement>(
        instrument, u"!", std::make_unique<Rect>(Rect{0, 0, 239, 319}), 0);
    PanelElement& root = *instrument.root;
    auto counter = std::make_unique<StrikeCounter>(instrument, u"count");
    StrikeCounter& strikes = *counter;
    root.Add(std::move(counter));
    for (int i = 0; i < STRINGS; ++i) {
        auto string =
            std::make_unique<RectButtonElement>(instrument, Ascii("s" + std::to_string(i)));
        const int32_t x = 4 + 3 * i;
        string->SetBounds(std::make_unique<Rect>(Rect{x, 0, x + 1, 319}));
        string->SetString(u"na", u"count");
        root.Add(std::move(string));
    }
    root.SetActiveWhere(true, KIND_CONTAINER);
    root.SetActive(true);
    instrument.load.loaded = 1;
    instrument.options.showActive = 0;
    return strikes;
}

void TenFingerStrum(benchmark::State& state) {
    HeadlessPlatform platform;
    Instrument instrument(platform.services);
    StrikeCounter& counter = BuildStrings(instrument);
    InstrumentView view(instrument);
    for (int32_t point = 0; point < MAX_TOUCH_POINTS; ++point)
        view.OnTouchDown(point, {LEFT, 10 + 30 * point});
    counter.strikes = 0;
    bool rightward = true;
    for (auto _ : state) {
        // One frame: every finger moves once, all the way across, then the fingers come back
        // in the next one.
        platform.clock.Advance(16);
        const int32_t x = rightward ? RIGHT : LEFT;
        for (int32_t point = 0; point < MAX_TOUCH_POINTS; ++point)
            view.OnTouchMove(point, {x, 10 + 30 * point});
        rightward = !rightward;
    }
    // Every move must strike every string, or the figure measures too little.
    const int64_t frames = static_cast<int64_t>(state.iterations());
    if (counter.strikes != frames * STRINGS * MAX_TOUCH_POINTS)
        state.SkipWithError("a finger missed strings");
    state.counters["strikes/frame"] =
        static_cast<double>(counter.strikes) / static_cast<double>(std::max<int64_t>(frames, 1));
}
BENCHMARK(TenFingerStrum)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace chordlane

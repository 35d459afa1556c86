#include "view/InstrumentView.h"

#include <algorithm>
#include <cstdlib>

#include "elements/Element.h"
#include "elements/EventTrace.h"
#include "elements/Instrument.h"
#include "elements/NameRegistry.h"
#include "elements/PanelElement.h"
#include "view/ScreenPalette.h"

namespace chordlane {

namespace {

constexpr Colour YELLOW = MakeColour(255, 255, 0);
constexpr Colour BLACK = MakeColour(0, 0, 0);
constexpr int32_t STARTUP_TEXT_POINT_TENTHS = 200;
constexpr int32_t STARTUP_BITMAP_TOP = 4;

// A touch that follows the previous stylus event within this many milliseconds continues the
// previous stroke instead of starting a new one.
constexpr uint32_t RETOUCH_MS = 25;
// A lifted stylus that comes down again nearer than this to where it left starts afresh.
constexpr int64_t RETOUCH_PIXELS = 10;
// The speed is averaged over at most this many moves.
constexpr int32_t AVERAGED_MOVES = 5;
constexpr uint64_t MAX_STRENGTH = 100;

// Chebyshev distance, in 64 bits so that points far outside the screen cannot overflow.
int64_t Distance(Point a, Point b) {
    const int64_t dx = std::llabs(int64_t{a.x} - b.x);
    const int64_t dy = std::llabs(int64_t{a.y} - b.y);
    return std::max(dx, dy);
}

// The tap segment starts one pixel up and left; saturating, for points from scripts.
int32_t OneLess(int32_t v) { return v == INT32_MIN ? v : v - 1; }

}  // namespace

int32_t DrawCentredText(Surface& surface, const String& text, Colour colour, int32_t pointTenths,
                        int32_t x, int32_t y, int32_t screenWidth) {
    Font font;
    font.pointTenths = pointTenths;
    font.face = u"Arial";
    const Size extent = surface.TextExtent(font, text);
    if (x < 0) x = std::max((screenWidth - extent.cx) / 2, 0);
    surface.DrawText(font, colour, Point{x, y}, text, nullptr);
    return y + extent.cy;
}

void InstrumentView::Paint(Surface& surface) {
    if (instrument_->load.loaded) {
        PaintInstrument(surface);
    } else {
        PrepareScreenPalette(surface);
        PaintStartupScreen(surface);
    }
}

void InstrumentView::PaintInstrument(Surface& surface) {
    const Instrument& app = *instrument_;
    surface.FillRect(Rect{0, 0, app.screen.width, app.screen.height},
                     surface.NearestColour(static_cast<Colour>(app.variables.cb)));
    if (!app.root) return;
    // Buttons go last so that they are never hidden by a shape or picture, whatever the
    // order of the instrument file.
    app.root->DrawMembers(surface, KIND_BUTTON, 0);
    app.root->DrawMembers(surface, KIND_BUTTON, KIND_BUTTON);
}

void InstrumentView::PaintStartupScreen(Surface& surface) {
    const int32_t state = instrument_->screen.state;
    if (state != SCREEN_BITMAP_ONLY && state != SCREEN_TAP_TO_START && state != SCREEN_LOADING)
        return;
    const Instrument& app = *instrument_;
    surface.FillRect(Rect{0, 0, app.screen.width, app.screen.height}, BLACK);
    if (app.screen.startupBitmap) {
        const int32_t x = (app.screen.width - app.screen.startupBitmap->Width()) / 2;
        surface.CopyBitmap(*app.screen.startupBitmap, Point{x, STARTUP_BITMAP_TOP});
    }
    if (state == SCREEN_BITMAP_ONLY) return;
    const int32_t y = app.screen.height * 3 / 4 - 20;
    const String text = state == SCREEN_TAP_TO_START ? u"Tap screen to start" : u"Loading ...";
    DrawCentredText(surface, text, YELLOW, STARTUP_TEXT_POINT_TENTHS, -1, y, app.screen.width);
}

void InstrumentView::OnTouchDown(int32_t point, Point p) {
    if (!IsTouchPoint(point)) return;
    if (!instrument_->load.loaded) {
        // Any finger on the start-up screen opens an instrument, not only the stylus.
        if (openRequested_) openRequested_();
        return;
    }
    const uint32_t now = instrument_->Now();
    if (now - strokes_[point].lastTime > RETOUCH_MS) PenDown(point, p, now);
}

void InstrumentView::OnTouchUp(int32_t point) {
    if (!IsTouchPoint(point)) return;
    strokes_[point].penLifted = true;
    strokes_[point].lastTime = instrument_->Now();
}

void InstrumentView::PenDown(int32_t point, Point p, uint32_t now) {
    if (!IsTouchPoint(point)) return;
    Stroke& stroke = strokes_[point];
    stroke.penLifted = false;
    if (PanelElement* root = instrument_->root.get()) {
        // The root panel's own flag is cleared too: otherwise a second tap on a button that
        // stands directly in the root panel would count as the pen never having left it.
        // Only this point's flags: another finger holding a pad stays inside it.
        root->ResetPenInside(point, false);
    }
    stroke.averageDistance = 0;
    stroke.moveCount = 0;
    stroke.averageInterval = 0;
    HandStroke(point, Point{OneLess(p.x), OneLess(p.y)}, p, instrument_->variables.sp);
    stroke.lastPoint = p;
    stroke.lastTime = now;
}

void InstrumentView::OnTouchMove(int32_t point, Point p) {
    if (!IsTouchPoint(point) || !instrument_->root) return;
    Stroke& stroke = strokes_[point];
    const uint32_t now = instrument_->Now();
    const int64_t d = Distance(p, stroke.lastPoint);
    if (stroke.penLifted) {
        stroke.penLifted = false;
        if (d < RETOUCH_PIXELS && now - stroke.lastTime > RETOUCH_MS) {
            PenDown(point, p, now);
            return;
        }
        // Otherwise the move continues the previous stroke from its last point.
    }
    const int32_t n = std::min(stroke.moveCount + 1, AVERAGED_MOVES);
    stroke.moveCount = n;
    const int32_t k = n - 1;
    // In 64 bits: a distance can be as large as the coordinates allow.
    const int64_t distance = (int64_t{stroke.averageDistance} * k + d) / n;
    stroke.averageDistance = static_cast<int32_t>(std::min<int64_t>(distance, INT32_MAX));
    stroke.averageInterval =
        (stroke.averageInterval * static_cast<uint32_t>(k) + (now - stroke.lastTime)) /
        static_cast<uint32_t>(n);
    if (stroke.averageInterval == 0) stroke.averageInterval = 1;  // no time between is fast
    const uint64_t strength = std::min(
        static_cast<uint64_t>(stroke.averageDistance) * 100 / stroke.averageInterval, MAX_STRENGTH);
    if (strength > 0) {
        HandStroke(point, stroke.lastPoint, p, static_cast<int32_t>(strength));
    } else {
        stroke.moveCount = k;  // standing still does not dilute the average
    }
    stroke.lastTime = now;
    stroke.lastPoint = p;
}

void InstrumentView::HandStroke(int32_t point, Point from, Point to, int32_t strength) {
    PanelElement* root = instrument_->root.get();
    if (!root) return;
    if (EventTrace* trace = instrument_->trace) trace->Stroke(from, to, strength, point);
    root->OnStroke(from, to, strength, false, point);
}

void InstrumentView::OnKeyDown(uint32_t keyCode) { instrument_->names.OnKeyDown(keyCode); }
void InstrumentView::OnKeyUp(uint32_t keyCode) { instrument_->names.OnKeyUp(keyCode); }
void InstrumentView::SetHeldModifiers(bool shift, bool control) {
    instrument_->names.SetHeldModifiers(shift, control);
}

}  // namespace chordlane

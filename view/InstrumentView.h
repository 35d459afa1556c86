#pragma once
// What the instrument's screen shows and how the stylus and the keys play it. Shared by the
// program's window and by chordlane-tool, which drive it with their own events and clocks.

#include <array>
#include <cstdint>
#include <functional>

#include "elements/Element.h"
#include "platform/Surface.h"
#include "platform/Types.h"

namespace chordlane {

class Instrument;

//! Draws text in "Arial" of pointTenths tenths of a point at (x, y); a negative x centres it
//! on a screen screenWidth wide (never left of 0). Answers the y just below the text.
int32_t DrawCentredText(Surface& surface, const String& text, Colour colour, int32_t pointTenths,
                        int32_t x, int32_t y, int32_t screenWidth);

// The view's painting and input. One instance per window. Every touch point (the stylus is
// point 0, the fingers of a touch screen 1 and up) keeps a stroke state of its own that lives
// as long as the window, so a touch that follows quickly on that point's last one continues
// its stroke, and two fingers strum and hold independently.
class InstrumentView {
  public:
    //! Shows and plays instrument, which must outlive the view or be replaced first.
    explicit InstrumentView(Instrument& instrument) : instrument_(&instrument) {}
    //! From now on shows and plays another instrument; the stroke under way goes on.
    void SetInstrument(Instrument& instrument) { instrument_ = &instrument; }
    Instrument& GetInstrument() const { return *instrument_; }

    //! Paints the instrument once one is loaded, else the start-up screen.
    void Paint(Surface& surface);

    //! Touch point `point` (0 to MAX_TOUCH_POINTS - 1) touches at p (view coordinates); any
    //! other number is ignored.
    void OnTouchDown(int32_t point, Point p);
    //! Touch point `point` moves while touching.
    void OnTouchMove(int32_t point, Point p);
    //! Touch point `point` leaves the screen; the other points' strokes go on.
    void OnTouchUp(int32_t point);

    //! The stylus is touch point 0.
    void OnButtonDown(Point p) { OnTouchDown(STYLUS_POINT, p); }
    void OnButtonUp(Point) { OnTouchUp(STYLUS_POINT); }
    //! A second tap that arrives as a double-click: a pen-down like any other, so that a
    //! quick double tap strikes twice (a lost tap would be a lost note).
    void OnDoubleClick(Point p) { OnButtonDown(p); }
    void OnStylusMove(Point p) { OnTouchMove(STYLUS_POINT, p); }
    //! Keys go to the instrument's key events by virtual key code.
    void OnKeyDown(uint32_t keyCode);
    void OnKeyUp(uint32_t keyCode);
    //! The modifiers held now, taken afresh after a dialog or when the window is activated.
    void SetHeldModifiers(bool shift, bool control);

    //! Starts a new stroke of touch point `point` at p: a one-pixel segment of strength "sp".
    void PenDown(int32_t point, Point p, uint32_t now);

    //! Called when the screen is touched while no instrument is loaded.
    void SetOpenRequested(std::function<void()> handler) { openRequested_ = std::move(handler); }

  private:
    // What one touch point remembers between its events.
    struct Stroke {
        Point lastPoint{};
        uint32_t lastTime = 0;
        bool penLifted = false;
        int32_t averageDistance = 0;
        uint32_t averageInterval = 0;
        int32_t moveCount = 0;
    };

    void PaintInstrument(Surface& surface);
    void PaintStartupScreen(Surface& surface);
    void HandStroke(int32_t point, Point from, Point to, int32_t strength);
    static bool IsTouchPoint(int32_t point) { return point >= 0 && point < MAX_TOUCH_POINTS; }

    Instrument* instrument_;
    std::function<void()> openRequested_;
    std::array<Stroke, MAX_TOUCH_POINTS> strokes_{};
};

}  // namespace chordlane

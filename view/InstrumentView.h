#pragma once
// What the instrument's screen shows and how the stylus and the keys play it. Shared by the
// program's window and by chordlane-tool, which drive it with their own events and clocks.

#include <cstdint>
#include <functional>

#include "platform/Surface.h"
#include "platform/Types.h"

namespace chordlane {

class Instrument;

//! Draws text in "Arial" of pointTenths tenths of a point at (x, y); a negative x centres it
//! on a screen screenWidth wide (never left of 0). Answers the y just below the text.
int32_t DrawCentredText(Surface& surface, const String& text, Colour colour, int32_t pointTenths,
                        int32_t x, int32_t y, int32_t screenWidth);

// The view's painting and input. One instance per window; the stroke state lives as long as
// the window, so a touch that follows quickly on the last one continues its stroke.
class InstrumentView {
  public:
    //! Shows and plays instrument, which must outlive the view or be replaced first.
    explicit InstrumentView(Instrument& instrument) : instrument_(&instrument) {}
    //! From now on shows and plays another instrument; the stroke under way goes on.
    void SetInstrument(Instrument& instrument) { instrument_ = &instrument; }
    Instrument& GetInstrument() const { return *instrument_; }

    //! Paints the instrument once one is loaded, else the start-up screen.
    void Paint(Surface& surface);

    //! The stylus touches at p (view coordinates).
    void OnButtonDown(Point p);
    //! The stylus leaves the screen.
    void OnButtonUp(Point p);
    //! A second tap that arrives as a double-click: a pen-down like any other, so that a
    //! quick double tap strikes twice (a lost tap would be a lost note).
    void OnDoubleClick(Point p) { OnButtonDown(p); }
    //! The stylus moves while touching.
    void OnStylusMove(Point p);
    //! Keys go to the instrument's key events by virtual key code.
    void OnKeyDown(uint32_t keyCode);
    void OnKeyUp(uint32_t keyCode);
    //! The modifiers held now, taken afresh after a dialog or when the window is activated.
    void SetHeldModifiers(bool shift, bool control);

    //! Starts a new stroke at p: a one-pixel segment of strength "sp".
    void PenDown(Point p, uint32_t now);

    //! Called when the screen is touched while no instrument is loaded.
    void SetOpenRequested(std::function<void()> handler) { openRequested_ = std::move(handler); }

  private:
    void PaintInstrument(Surface& surface);
    void PaintStartupScreen(Surface& surface);
    void HandStroke(Point from, Point to, int32_t strength);

    Instrument* instrument_;
    std::function<void()> openRequested_;
    Point lastPoint_{};
    uint32_t lastTime_ = 0;
    bool penLifted_ = false;
    int32_t averageDistance_ = 0;
    uint32_t averageInterval_ = 0;
    int32_t moveCount_ = 0;
};

}  // namespace chordlane

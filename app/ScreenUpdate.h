#pragma once
// Getting parts of the view repainted at once: elements repaint what they changed, the Open
// flow switches the start-up screen between "Tap screen to start" and "Loading ...".

#include <cstdint>

#include "platform/Types.h"

namespace chordlane {

//! Repaints r of the view before returning (nothing without a window).
void RepaintNow(const Rect& r);
//! Stores the start-up screen's state, then repaints the whole screen.
void SetScreenState(int32_t state);
//! Repaints r only while the Show Active option is on.
void RepaintIfShowActive(const Rect& r);
//! Adds r to the area still to be repainted.
void AddPendingRepaint(const Rect& r);
//! Repaints the pending area, if any, and empties it.
void FlushPendingRepaint();
//! Empties the pending area without repainting it.
void DiscardPendingRepaint();

}  // namespace chordlane

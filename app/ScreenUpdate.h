#pragma once
// Screen-update services through which elements get parts of the instrument repainted.

#include "platform/Types.h"

namespace chordlane {

//! Invalidates r of the view and paints it before returning.
void RepaintNow(const Rect& r);
//! RepaintNow when the Show Active option is on; otherwise nothing.
void RepaintIfShowActive(const Rect& r);
//! Adds r to the pending area (a copy when the area is empty, else the union).
void AddPendingRepaint(const Rect& r);
//! Repaints the pending area once, if any, and empties it.
void FlushPendingRepaint();

}  // namespace chordlane

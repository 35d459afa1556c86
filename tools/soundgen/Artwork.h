#pragma once
// The program's pictures, drawn from shapes.

#include "tools/soundgen/Canvas.h"

namespace chordlane::soundgen {

//! The start-up screen's picture, 200 x 150: a guitar over a dark background and the name.
Canvas DrawStartupPicture();

//! The desktop icon, 64 x 64 with a transparent surround.
Canvas DrawIcon();

//! The banner of the multi-panel sample instrument, 232 x 40.
Canvas DrawStageBanner();

}  // namespace chordlane::soundgen

#pragma once
#include <QIcon>

namespace chordlane {

//! The program's icon, the one the desktop entry shows.
QIcon ProgramIcon();

}  // namespace chordlane

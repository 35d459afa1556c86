#pragma once
#include <QIcon>

namespace chordlane {

//! The program's icon: six strings over a fingerboard, drawn so that it is sharp at any size.
QIcon ProgramIcon();

}  // namespace chordlane

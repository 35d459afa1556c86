#include "desktop/ProgramIcon.h"

namespace chordlane {

QIcon ProgramIcon() { return QIcon(QStringLiteral(":/chordlane.png")); }

}  // namespace chordlane

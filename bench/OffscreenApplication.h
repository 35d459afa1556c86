#pragma once
// Painting text needs the application object's font database; on the offscreen platform no
// display is needed. Made once, on first use, by any benchmark that paints.

#include <QGuiApplication>
#include <cstdlib>

namespace chordlane {

inline void EnsureOffscreenApplication() {
    if (QGuiApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "chordlane_bench";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}

}  // namespace chordlane

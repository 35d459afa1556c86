// Test main for tests that draw, read pictures or keep settings through Qt but show no
// widget: a GUI application object (fonts and image formats need one) for the whole run, on
// the offscreen platform so no display is needed. Linking no QtWidgets keeps these tests to
// what the window-less programs have.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

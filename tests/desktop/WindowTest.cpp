// What a player meets in the window's first minute: its first size and place, dialogs over
// it, the built-in guitar at hand, the recent list, the help window and the sound notice.
#include <gmock/gmock.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include "desktop/AboutDialog.h"
#include "desktop/Application.h"
#include "desktop/CommandIds.h"
#include "desktop/HelpWindow.h"
#include "desktop/MainWindow.h"
#include "desktop/ViewWidget.h"
#include "desktop/WindowPlacement.h"
#include "platform/headless/MemorySettings.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/QtStringConversion.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(WindowPlacementTest, TheZoomIsKeptWhereItFitsElseTheScreensShapeFillsTheRoom) {
    const PixelSize portrait{240, 320};
    // A laptop's display has room for zoom 2, to the last pixel.
    EXPECT_EQ(ChooseFirstViewSize({1366, 700}, portrait, 2).size, (PixelSize{480, 640}));
    const FirstViewSize exact = ChooseFirstViewSize({480, 640}, portrait, 2);
    EXPECT_EQ(exact.size, (PixelSize{480, 640}));
    EXPECT_TRUE(exact.zoomKept);
    // Too low: the height decides; too narrow: the width does. The shape stays.
    const FirstViewSize low = ChooseFirstViewSize({800, 575}, portrait, 2);
    EXPECT_EQ(low.size, (PixelSize{431, 575}));
    EXPECT_FALSE(low.zoomKept);
    EXPECT_EQ(ChooseFirstViewSize({400, 2000}, portrait, 2).size, (PixelSize{400, 533}));
    // Nonsense in, a window of at least one pixel out.
    EXPECT_EQ(ChooseFirstViewSize({0, -5}, portrait, 0).size, (PixelSize{1, 1}));
    EXPECT_EQ(ChooseFirstViewSize({5000, 5000}, {4096, 4096}, 8).size, (PixelSize{5000, 5000}));
}

TEST(WindowPlacementTest, AStoredPlaceComesBackOnlyWhereADisplayShowsTheWindowsTop) {
    const std::vector<PixelArea> two = {{0, 0, 1920, 1050}, {1920, 0, 1280, 1000}};
    for (const PixelArea& place : {PixelArea{100, 80, 500, 700}, PixelArea{2000, 100, 500, 700},
                                   PixelArea{-400, 0, 500, 700}})
        EXPECT_EQ(PlaceToRestore(place, two), std::optional(place)) << place.x;
    // Too little of the top on any display, above it, below it, or on one unplugged since.
    for (const PixelArea& place : {PixelArea{-450, 100, 500, 700}, PixelArea{100, -20, 500, 700},
                                   PixelArea{100, 1040, 500, 700}, PixelArea{3300, 100, 500, 700}})
        EXPECT_EQ(PlaceToRestore(place, two), std::nullopt) << place.x << "," << place.y;
    EXPECT_EQ(PlaceToRestore({2000, 100, 500, 700}, {two[0]}), std::nullopt);
    // A display made smaller since: the window is no larger than it.
    EXPECT_EQ(PlaceToRestore({0, 0, 3000, 2000}, two),
              (std::optional<PixelArea>{{0, 0, 1920, 1050}}));

    MemorySettings settings;
    EXPECT_EQ(ReadWindowPlace(&settings), std::nullopt);
    WriteWindowPlace(&settings, {-1280, 24, 500, 700});  // left of the first display
    EXPECT_EQ(ReadWindowPlace(&settings), (std::optional<PixelArea>{{-1280, 24, 500, 700}}));
    WriteWindowPlace(&settings, {0, 0, 0, 700});
    EXPECT_EQ(ReadWindowPlace(&settings), std::nullopt);
    EXPECT_EQ(ReadWindowPlace(nullptr), std::nullopt);
}

// The program on the headless services, its window the real one offscreen (800 x 600).
class WindowTest : public ChordlaneTest {
  protected:
    void TearDown() override {
        app_.reset();
        ChordlaneTest::TearDown();
    }
    void Start(ProgramOptions options = {}) {
        app_ = std::make_unique<Application>(options, &platform_.services);
        app_->StartApplication();
    }
    MainWindow* Frame() { return app_->Frame(); }
    static QStringList Texts(QMenu* menu) {
        QStringList texts;
        for (QAction* action : menu->actions()) texts << action->text();
        return texts;
    }
    //! Whether the modal widget open now belongs to the frame and stands centred over it.
    void ExpectOverFrame(QWidget* dialog) {
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->parentWidget(), Frame());
        const QPoint off = dialog->frameGeometry().center() - Frame()->frameGeometry().center();
        EXPECT_LE(off.manhattanLength(), 4) << off.x() << "," << off.y();
    }

    std::unique_ptr<Application> app_;
};

TEST_F(WindowTest, ZoomTwoIsKeptWhereTheDisplayHasRoomAndVerboseSaysTheSize) {
    // The offscreen display is 800 x 800: room for 480 x 640 and the menu bar, though more
    // than the two thirds of the display a window that sizes itself is given.
    ::testing::internal::CaptureStderr();
    Start({.zoom = 2, .verbose = true});
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Frame()->View()->size(), QSize(480, 640));
    EXPECT_THAT(told, HasSubstr("chordlane: zoom 2 makes the view 480x640; the window starts at "
                                "that\n"));
    app_.reset();
    ::testing::internal::CaptureStderr();
    // As the command line gives them, so the size the last run left is not taken.
    Start({.screenHeight = 400, .zoom = 2, .sizeGiven = true, .verbose = true});
    const std::string cut = ::testing::internal::GetCapturedStderr();
    const QSize view = Frame()->View()->size();
    EXPECT_LT(view.height(), 800);
    EXPECT_NEAR(view.width() * 5, view.height() * 3, 5);  // the screen's shape, 240 x 400
    EXPECT_THAT(cut, HasSubstr("chordlane: zoom 2 makes the view 480x800, larger than the "));
    EXPECT_THAT(cut, HasSubstr(QStringLiteral(" the display leaves for it; the window starts at "
                                              "%1x%2 instead\n")
                                   .arg(view.width())
                                   .arg(view.height())
                                   .toStdString()));
}

TEST_F(WindowTest, TheWindowComesBackWhereItWasLeftWhereADisplayStillShowsIt) {
    Start();
    Frame()->setGeometry(QRect(60, 40, 300, 420));
    app_.reset();  // closing keeps the place
    EXPECT_EQ(ReadWindowPlace(&platform_.settings), (std::optional<PixelArea>{{60, 40, 300, 420}}));
    ::testing::internal::CaptureStderr();
    Start({.verbose = true});
    EXPECT_EQ(Frame()->geometry(), QRect(60, 40, 300, 420));
    EXPECT_THAT(::testing::internal::GetCapturedStderr(),
                HasSubstr("chordlane: the window starts at 300x420 at 60,40, where the last run "
                          "left it\n"));
    // A zoom given on the command line sizes the window; the place stays.
    app_.reset();
    Start({.zoom = 1, .sizeGiven = true});
    EXPECT_EQ(Frame()->geometry().topLeft(), QPoint(60, 40));
    EXPECT_EQ(Frame()->View()->size(), QSize(240, 320));
    // A place no display shows any more is not used.
    app_.reset();
    WriteWindowPlace(&platform_.settings, {5000, 40, 300, 420});
    Start();
    EXPECT_TRUE(Frame()->screen()->availableGeometry().intersects(Frame()->frameGeometry()));
    EXPECT_NE(Frame()->geometry().x(), 5000);
}

TEST_F(WindowTest, TheNoSoundNoticeOutlastsMenuHintsUntilTheOutputIsBack) {
    Start();
    Frame()->ShowSoundProblem(QStringLiteral("No sound output: no device"));
    QLabel* notice = Frame()->SoundProblemLabel();
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    // Hovering a menu item shows its hint in the status bar, as Qt does it.
    QStatusTipEvent hint(QStringLiteral("Opens an instrument"));
    QApplication::sendEvent(Frame(), &hint);
    QStatusTipEvent gone{QString()};
    QApplication::sendEvent(Frame(), &gone);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), QStringLiteral("No sound output: no device"));
    Frame()->ShowSoundProblem(QString());
    EXPECT_FALSE(notice->isVisible());
    EXPECT_FALSE(Frame()->statusBar()->isVisible());
}

TEST_F(WindowTest, DialogsAndMessagesOpenOnTheWindowCentredOverIt) {
    Start({.screenWidth = 240, .screenHeight = 200, .zoom = 2});
    Frame()->move(250, 120);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()));
    // Given the view, as any widget of the window, they belong to the window.
    QtMessageBox messages(Frame()->View());
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ExpectOverFrame(box);
        if (box) shown = box->text(), box->accept();
    });
    messages.ShowStop(u"Could not load: gtr.wav\n");
    EXPECT_EQ(shown, QStringLiteral("Could not load: gtr.wav"));

    QTimer::singleShot(0, [&] {
        QWidget* about = QApplication::activeModalWidget();
        ExpectOverFrame(about);
        if (about) about->close();
    });
    Frame()->CommandAction(ID_APP_ABOUT)->trigger();

    QtDialogs dialogs(Frame()->View());
    FileDialogRequest request;
    request.title = u"Open an Instrument";
    request.filters = {{u"Chordlane Instrument (*.clx,*.cly)", u"*.clx;*.cly"}};
    request.initialFolder = TempFolder();
    request.mustExist = true;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ExpectOverFrame(dialog);
        if (dialog) dialog->reject();
    });
    EXPECT_EQ(dialogs.ChooseFile(request), std::nullopt);
}

TEST_F(WindowTest, TheOpenDialogOffersTheBuiltInGuitarAsAButton) {
    QtDialogs dialogs;
    FileDialogRequest request;
    request.filters = {{u"Chordlane Instrument (*.clx,*.cly)", u"*.clx;*.cly"}};
    request.initialFolder = TempFolder();
    request.mustExist = true;
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* builtin = dialog->findChild<QPushButton*>(QStringLiteral("builtinButton"));
        ASSERT_NE(builtin, nullptr);
        EXPECT_TRUE(builtin->isVisible());
        EXPECT_EQ(builtin->text(), QStringLiteral("Built-in &Guitar"));
        builtin->click();
    });
    EXPECT_EQ(dialogs.ChooseFile(request), std::optional<String>(u"!"));
    // A prompt for a wave file has no such button.
    request.filters = {{u"Wave", u"*.wav"}};
    bool offered = true;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        offered = dialog->findChild<QPushButton*>(QStringLiteral("builtinButton")) != nullptr;
        dialog->close();
    });
    EXPECT_EQ(dialogs.ChooseFile(request), std::nullopt);
    EXPECT_FALSE(offered);
}

TEST_F(WindowTest, OpenRecentListsTheBuiltInGuitarAndTellsFilesOfOneNameApart) {
    Start();
    const String first = FromUtf8(WriteFile("a/song.clx", "cl1.0\ngr r 0 0 1 1\n").string());
    const String second = FromUtf8(WriteFile("b/song.clx", "cl1.0\ngr r 0 0 1 1\n").string());
    const String other = FromUtf8(WriteFile("b/other.clx", "cl1.0\ngr r 0 0 1 1\n").string());
    const String builtin = u"!";
    for (const String* path : {&first, &builtin, &second, &other}) app_->RunOpenFlow(path);
    Frame()->FillRecentMenu();
    EXPECT_EQ(Texts(Frame()->RecentMenu()),
              (QStringList{"&1 other.clx", QStringLiteral("&2 song.clx \u2014 b/"),
                           "&3 Built-in Guitar", QStringLiteral("&4 song.clx \u2014 a/")}));
    Frame()->RecentMenu()->actions().at(2)->trigger();
    EXPECT_EQ(app_->GetInstrument().load.currentPath, u"!");
    EXPECT_EQ(app_->GetInstrument().load.loaded, 1);
    EXPECT_TRUE(platform_.messages.Texts().empty());
}

TEST_F(WindowTest, HelpFitsTheDisplayWrapsItsTextAndEscapeClosesIt) {
    HelpWindowViewer help([](const QUrl&) { return false; });
    help.SetProgramFolder(FromUtf8(CHORDLANE_SOURCE_DIR "/resources/"));
    ASSERT_TRUE(help.Open(u"chordlane_help.htm"));
    HelpWindow* window = help.Window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const QRect room = window->screen()->availableGeometry();
    EXPECT_TRUE(room.contains(window->frameGeometry())) << window->frameGeometry().height();
    // The examples' long lines wrap like the text: nothing scrolls sideways.
    QTextBrowser* browser = window->Browser();
    QCoreApplication::processEvents();
    EXPECT_EQ(browser->horizontalScrollBar()->maximum(), 0);
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Choose a recording of middle C")));
    QTest::keyClick(browser, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace chordlane::test

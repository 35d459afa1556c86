// The program's window offscreen: menus, shortcuts, keys, stylus and the start-up screen.
#include <fcntl.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <thread>

#include "app/AppState.h"
#include "app/MenuCommands.h"
#include "app/gui/CAboutDlg.h"
#include "app/gui/CInstrumentApp.h"
#include "app/gui/CMainFrame.h"
#include "app/gui/ViewWidget.h"
#include "app/gui/VirtualKeys.h"
#include "tests/elements/ElementTestSupport.h"

namespace chordlane::test {
namespace {

class ProgramTest : public ElementTest {
  protected:
    void TearDown() override {
        app_.reset();
        ElementTest::TearDown();
    }
    void Start(ProgramOptions options = {}) {
        app_ = std::make_unique<CInstrumentApp>(options, &CurrentPlatform());
        app_->StartApplication();
    }
    void StartActive() {
        Start();
        Frame()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
    }
    CMainFrame* Frame() { return app_->MainFrame(); }
    const std::vector<FileDialogRequest>& Dialogs() { return platform_.dialogs.Requests(); }
    ViewWidget* View() { return Frame()->View(); }
    void LoadEmptyInstrument() {
        Activate();
        App().instrumentLoaded = 1;
    }
    static QStringList Texts(QMenu* menu) {
        QStringList texts;
        for (QAction* action : menu->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return texts;
    }

    std::unique_ptr<CInstrumentApp> app_;
};

TEST_F(ProgramTest, MenuBarHoldsFileOptionsAndHelp) {
    Start();
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Chordlane"));
    QStringList titles;
    for (QAction* action : Frame()->menuBar()->actions()) titles << action->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Options", "&Help"}));
    EXPECT_EQ(Texts(Frame()->FileMenu()), (QStringList{"&Open", "Save &As", "-", "E&xit"}));
    EXPECT_EQ(Texts(Frame()->OptionsMenu()), (QStringList{"&Show Active", "Speed -> &Volume"}));
    EXPECT_EQ(Texts(Frame()->HelpMenu()),
              (QStringList{"&Help Topics", "-", "&About Chordlane..."}));
}

TEST_F(ProgramTest, StartUpSetsScreenChecksAndVolumeScaleAndOpensTheCommandLine) {
    Start({.screenWidth = 320, .screenHeight = 240, .zoom = 1, .commandLine = u"My Songs/a.clx"});
    EXPECT_EQ(App().screenRect, (Rect{0, 0, 319, 239}));
    EXPECT_EQ(View()->size(), QSize(320, 240));
    EXPECT_TRUE(Frame()->CommandAction(ID_SHOW_ACTIVE)->isChecked());
    EXPECT_TRUE(Frame()->CommandAction(ID_SPEED_VOLUME)->isChecked());
    EXPECT_EQ(App().vM, 50);
    // A missing file is an empty instrument: loaded, so a tap plays rather than asks.
    EXPECT_EQ(App().instrumentLoaded, 1);
    EXPECT_EQ(App().currentPath, u"My Songs/a.clx");
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_TRUE(Dialogs().empty());
    EXPECT_EQ(App().homeFolder.back(), u'/');
    const auto* association = platform_.settings.Values(SettingsRoot::ClassesRoot, u".clx");
    ASSERT_NE(association, nullptr);
    EXPECT_EQ(std::get<String>(association->at(u"")), u"Chordlane");
}

TEST_F(ProgramTest, FirstStartGivesTheDesktopASystemVolumeInTheMiddleAndKeepsAStoredOne) {
    Start();
    OnActivate(WA_ACTIVE, false);
    EXPECT_EQ(App().vM, 50);  // not -40, as a missing value would read
    app_.reset();
    platform_.settings.Set(SettingsRoot::CurrentUser, u"ControlPanel\\Volume", u"Volume",
                           uint32_t{0x88888888});
    Start();
    OnActivate(WA_ACTIVE, false);
    EXPECT_EQ(App().vM, 88);
}

TEST_F(ProgramTest, SaveAsIsEnabledWhenTheFileMenuOpensWithPathAndAnswers) {
    Start();
    QAction* saveAs = Frame()->SaveAsAction();
    for (const auto& [path, answers] : {std::pair<String, String>{u"a.clx", u""},
                                        {u"", u"? \"e2.wav\"\n"},
                                        {u"a.clx", u"? \"e2.wav\"\n"}}) {
        App().currentPath = path;
        App().answersLog = answers;
        Frame()->FileMenu()->popup(QPoint(0, 0));
        Frame()->FileMenu()->hide();
        EXPECT_EQ(saveAs->isEnabled(), !path.empty() && !answers.empty());
    }
    saveAs->trigger();
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_FALSE(Dialogs()[0].open);
}

TEST_F(ProgramTest, OptionMarksFollowTheOptionsAndNothingElse) {
    Start();
    QAction* showActive = Frame()->CommandAction(ID_SHOW_ACTIVE);
    showActive->trigger();
    EXPECT_EQ(App().showActive, 0);
    EXPECT_FALSE(showActive->isChecked());
    // Without its command the item's mark does not move by itself.
    QObject::disconnect(showActive, &QAction::triggered, app_.get(), nullptr);
    showActive->trigger();
    EXPECT_FALSE(showActive->isChecked());
}

TEST_F(ProgramTest, ShortcutsTakeTheirKeysFromTheInstrument) {
    StartActive();
    LoadEmptyInstrument();
    trace_.events.clear();  // the instrument's init event
    QTest::keyClick(View(), Qt::Key_C, Qt::ControlModifier);
    // Alt and what is pressed with it are the system's keys, as F10 is: none reach the view.
    QTest::keyClick(View(), Qt::Key_Q, Qt::AltModifier);
    QTest::keyClick(View(), Qt::Key_F10);
    EXPECT_TRUE(trace_.events.empty());
    EXPECT_TRUE(Dialogs().empty());

    QTest::keyClick(View(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Dialogs().size(), 1u);
    QTest::keyClick(View(), Qt::Key_F1);
    EXPECT_EQ(platform_.help.Opened(), std::vector<String>{u"chordlane_help.htm"});
    EXPECT_TRUE(trace_.events.empty());

    // Keys outside the table reach the instrument; Control itself did too, as the name shows.
    QTest::keyClick(View(), Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(View(), Qt::Key_Escape);
    QTest::keyClick(View(), Qt::Key_A, Qt::ShiftModifier);
    EXPECT_EQ(trace_.events, (std::vector<String>{String(u"bk") + char16_t{2}, u"bx1b", u"bkA"}));
}

TEST_F(ProgramTest, QtKeysBecomeTheKeysVirtualKeyCodes) {
    const Qt::KeyboardModifiers none, shift(Qt::ShiftModifier), keypad(Qt::KeypadModifier);
    const std::tuple<int, Qt::KeyboardModifiers, uint32_t> keys[] = {
        {Qt::Key_A, shift, 65},    {Qt::Key_Exclam, shift, 49},  // the key of Shift+1
        {Qt::Key_5, keypad, 101},  {Qt::Key_Down, keypad, 40},  {Qt::Key_Enter, keypad, 13},
        {Qt::Key_F20, none, 131},  {Qt::Key_Minus, none, 0xBD}, {Qt::Key_Minus, keypad, 109},
        {Qt::Key_unknown, none, 0}};
    for (const auto& [key, modifiers, code] : keys) {
        EXPECT_EQ(VirtualKeyCode(key, modifiers), code) << std::hex << key;
    }
}

TEST_F(ProgramTest, FirstTapAsksForAnInstrumentThenTheLeftButtonIsTheStylusInViewPixels) {
    Start();  // zoom 2, no command line: nothing opens until the first tap
    EXPECT_TRUE(Dialogs().empty());
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(100, 100));
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_EQ(Dialogs()[0].title, u"Open an Instrument");
    EXPECT_EQ(App().instrumentLoaded, 0);  // cancelled: still the start-up screen
    EXPECT_TRUE(trace_.strokes.empty());
    LoadEmptyInstrument();
    platform_.clock.Advance(100);  // no quick re-touch of the first tap
    QTest::mousePress(View(), Qt::LeftButton, {}, QPoint(200, 300));
    QTest::mouseMove(View(), QPoint(240, 300), 20);
    QTest::mouseRelease(View(), Qt::LeftButton, {}, QPoint(240, 300));
    ASSERT_EQ(trace_.strokes.size(), 2u);
    EXPECT_EQ(trace_.strokes[0], (Segment{{99, 149}, {100, 150}, 30}));
    EXPECT_EQ(trace_.strokes[1].to, (Point{120, 150}));
    QTest::mouseClick(View(), Qt::RightButton, {}, QPoint(10, 10));  // does not touch
    EXPECT_EQ(trace_.strokes.size(), 2u);
}

TEST_F(ProgramTest, CompletionNoticesAreDrainedOnTheInterfaceThread) {
    Start();
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    const std::thread::id interfaceThread = std::this_thread::get_id();
    int drained = 0;
    bool onInterfaceThread = true;
    const auto drain = [&] {
        for (char c; read(fds[0], &c, 1) == 1;) {
        }
        onInterfaceThread = onInterfaceThread && std::this_thread::get_id() == interfaceThread;
        ++drained;
    };
    Frame()->SetWaveNoticeDrain(drain, fds[0]);
    std::thread([&] { EXPECT_EQ(write(fds[1], "n", 1), 1); }).join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return drained == 1; }, 2000));

    // Without a descriptor the notices are looked for every few milliseconds.
    Frame()->SetWaveNoticeDrain(drain);
    EXPECT_TRUE(QTest::qWaitFor([&] { return drained >= 3; }, 2000));
    Frame()->SetWaveNoticeDrain({});
    EXPECT_TRUE(onInterfaceThread);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(ProgramTest, AboutBoxShowsIconNameAndVersion) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Chordlane"));
    EXPECT_EQ(about.VersionLabel()->text(), QStringLiteral("Chordlane Version 1.2"));
    EXPECT_FALSE(about.SecondLabel()->text().isEmpty());
    EXPECT_EQ(about.VersionLabel()->textFormat(), Qt::PlainText);
    EXPECT_FALSE(about.IconLabel()->pixmap().isNull());
    EXPECT_TRUE(about.isModal());
}

TEST_F(ProgramTest, StartUpScreenIsPaintedAtTheZoomWithItsYellowTextBelowThreeQuarters) {
    Start();  // 240 x 320 at zoom 2
    const QImage image = View()->grab().toImage();
    ASSERT_EQ(image.size(), QSize(480, 640));
    // The text's cell starts at y = 220 view pixels; the glyphs lie a little below it. Above
    // it is the start-up bitmap, which may hold any colour.
    int top = image.height(), left = image.width(), right = -1;
    for (int y = 400; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() < 200 || c.green() < 200 || c.blue() > 60) continue;
            top = std::min(top, y);
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    EXPECT_GE(top, 440);
    EXPECT_LT(top, 440 + 20);
    EXPECT_NEAR(left, image.width() - 1 - right, 6);  // centred
    EXPECT_EQ(image.pixelColor(479, 639), QColor(Qt::black));
}

}  // namespace
}  // namespace chordlane::test

// The program's window offscreen (menus, shortcuts, keys and stylus), its command line, and
// the Qt services the window brings.
#include <fcntl.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointingDevice>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QTouchEvent>
#include <set>
#include <thread>
#include <tuple>

#include "app/MenuCommands.h"
#include "app/RecentInstruments.h"
#include "app/SoundOutputSettings.h"
#include "desktop/AboutDialog.h"
#include "desktop/Application.h"
#include "desktop/CommandIds.h"
#include "desktop/HelpWindow.h"
#include "desktop/MainWindow.h"
#include "desktop/ProgramOptions.h"
#include "desktop/ViewWidget.h"
#include "desktop/VirtualKeys.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/QtStringConversion.h"
#include "platform/qt/QtWindow.h"
#include "tests/elements/ElementTestSupport.h"

namespace chordlane::test {
namespace {

// The program on the headless services (its window is the real one), with the event trace
// on its instrument.
class ProgramTest : public ChordlaneTest {
  protected:
    void TearDown() override {
        app_.reset();
        ChordlaneTest::TearDown();
    }
    void Start(ProgramOptions options = {}) {
        app_ = std::make_unique<Application>(options, &platform_.services);
        Program().trace = &trace_;
        app_->StartApplication();
    }
    Instrument& Program() { return app_->GetInstrument(); }
    MainWindow* Frame() { return app_->Frame(); }
    const std::vector<FileDialogRequest>& Dialogs() { return platform_.dialogs.Requests(); }
    ViewWidget* View() { return Frame()->View(); }
    //! An empty instrument, activated as the Open flow does after reading.
    void LoadEmptyInstrument() {
        Instrument& instrument = Program();
        instrument.root = std::make_unique<PanelElement>(
            instrument, u"!", std::make_unique<Rect>(instrument.screen.rect), 0);
        instrument.root->SetActiveWhere(true, KIND_CONTAINER);
        instrument.root->SetActive(true);
        instrument.FlushPendingRepaint();
        instrument.load.loaded = 1;
    }
    static QStringList Texts(QMenu* menu) {
        QStringList texts;
        for (QAction* action : menu->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return texts;
    }

    TestTrace trace_;
    std::unique_ptr<Application> app_;
};

TEST_F(ProgramTest, MenuBarHoldsFileOptionsAndHelp) {
    Start();
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Chordlane"));
    QStringList titles;
    for (QAction* action : Frame()->menuBar()->actions()) titles << action->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Options", "&Help"}));
    EXPECT_EQ(Texts(Frame()->FileMenu()), (QStringList{"&Open", "Re&load", "Open &Recent",
                                                       "Save &As", "&Record", "-", "E&xit"}));
    EXPECT_EQ(Texts(Frame()->OptionsMenu()),
              (QStringList{"&Show Active", "Speed -> &Volume", "-", "&Fine Pitch",
                           "Sound &Output...", "&MIDI Output..."}));
    EXPECT_EQ(Texts(Frame()->HelpMenu()),
              (QStringList{"&Help Topics", "-", "&About Chordlane..."}));
}

TEST_F(ProgramTest, StartUpSetsScreenAndChecksAndOpensTheCommandLine) {
    Start({.screenWidth = 320, .screenHeight = 240, .zoom = 1, .commandLine = u"My Songs/a.clx"});
    EXPECT_EQ(Program().screen.rect, (Rect{0, 0, 319, 239}));
    EXPECT_EQ(View()->size(), QSize(320, 240));
    EXPECT_TRUE(Frame()->CommandAction(ID_SHOW_ACTIVE)->isChecked());
    EXPECT_TRUE(Frame()->CommandAction(ID_SPEED_VOLUME)->isChecked());
    // The volume scale starts in the middle; the others as the instrument's defaults have them.
    EXPECT_EQ(Program().variables, (AppVariables{.cb = -1, .sp = 30, .vA = 0, .vM = 50}));
    // A missing file is said, and the start-up screen stays, where a tap asks for a file.
    EXPECT_EQ(Program().load.loaded, 0);
    EXPECT_EQ(Program().screen.state, SCREEN_TAP_TO_START);
    EXPECT_EQ(platform_.messages.Texts(),
              std::vector<String>{u"Cannot open 'My Songs/a.clx': No such file or directory\n"});
    const auto* association = platform_.settings.Values(SettingsRoot::ClassesRoot, u".clx");
    ASSERT_NE(association, nullptr);
    EXPECT_EQ(std::get<String>(association->at(u"")), u"Chordlane");
}

TEST_F(ProgramTest, SaveAsIsEnabledWhenTheFileMenuOpensWithPathAndAnswers) {
    Start();
    QAction* saveAs = Frame()->SaveAsAction();
    for (const auto& [path, answers] : {std::pair<String, String>{u"a.clx", u""},
                                        {u"", u"? \"e2.wav\"\n"},
                                        {u"a.clx", u"? \"e2.wav\"\n"}}) {
        Program().load.currentPath = path;
        Program().load.answersLog = answers;
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
    EXPECT_EQ(Program().options.showActive, 0);
    EXPECT_FALSE(showActive->isChecked());
    // Without its command the item's mark does not move by itself.
    QObject::disconnect(showActive, &QAction::triggered, app_.get(), nullptr);
    showActive->trigger();
    EXPECT_FALSE(showActive->isChecked());
}

TEST_F(ProgramTest, FinePitchIsRememberedForTheNextStartAndMarkedOnlyByItsCommand) {
    Start();
    QAction* fine = Frame()->FinePitchAction();
    EXPECT_FALSE(fine->isChecked());
    EXPECT_EQ(Program().options.pitch, PitchMethod::Exact);
    fine->trigger();
    EXPECT_TRUE(fine->isChecked());
    EXPECT_EQ(Program().options.pitch, PitchMethod::Fine);
    const auto* sound = platform_.settings.Values(SettingsRoot::CurrentUser, SOUND_KEY);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(std::get<uint32_t>(sound->at(u"FinePitch")), 1u);
    // The next start makes its copies the fine way and says so in the menu.
    app_.reset();
    Start();
    EXPECT_TRUE(Frame()->FinePitchAction()->isChecked());
    EXPECT_EQ(Program().options.pitch, PitchMethod::Fine);
}

TEST_F(ProgramTest, ShortcutsTakeTheirKeysFromTheInstrument) {
    Start();
    Frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
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

TEST_F(ProgramTest, LetterKeysPlayPlainAfterADialogOrAnotherWindowTookTheControlRelease) {
    Start();
    Frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
    LoadEmptyInstrument();
    trace_.events.clear();
    // Control goes down on the instrument; the About box comes up and gets its release.
    QTest::keyPress(View(), Qt::Key_Control, Qt::ControlModifier);
    QTimer::singleShot(0, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            QTest::keyRelease(dialog, Qt::Key_Control);
            dialog->close();
        }
    });
    app_->OnAppAbout();
    QTest::keyClick(View(), Qt::Key_A);
    // The same when another window had the keyboard while Control came up.
    QTest::keyPress(View(), Qt::Key_Control, Qt::ControlModifier);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QTest::keyRelease(&other, Qt::Key_Control);
    Frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
    QTest::keyClick(View(), Qt::Key_B);
    EXPECT_EQ(trace_.events, (std::vector<String>{u"bka", u"bkb"}));
}

TEST_F(ProgramTest, TheScreenFillsAResizedViewCentredAndTapsMapThroughTheSameScale) {
    Start();  // 240 x 320 at zoom 2
    EXPECT_EQ(View()->sizeHint(), QSize(480, 640));
    LoadEmptyInstrument();
    Program().variables.cb = 0xFFFFFF;  // a white screen on the dark margin
    // 600 x 600 fits the screen at 1.875 (450 x 600), 75 pixels in from either side.
    View()->resize(600, 600);
    platform_.clock.Advance(100);
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(262, 281));  // view pixel 100, 150
    platform_.clock.Advance(100);
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(74, 281));  // in the margin
    platform_.clock.Advance(100);
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(524, 599));  // the last view pixel
    ASSERT_EQ(trace_.strokes.size(), 3u);
    EXPECT_EQ(trace_.strokes[0].to, (Point{100, 150}));
    EXPECT_EQ(trace_.strokes[1].to, (Point{-1, 150}));
    EXPECT_EQ(trace_.strokes[2].to, (Point{239, 319}));
    const QImage shown = View()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(10, 300), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(590, 300), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(80, 5), QColor(Qt::white));
    EXPECT_EQ(shown.pixelColor(520, 595), QColor(Qt::white));
}

TEST_F(ProgramTest, TheTitleNamesTheInstrumentAndF11TogglesFullScreen) {
    Start();
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Chordlane"));
    const String path = FromUtf8(WriteFile("song.clx", "cl1.0\nbr key 0 0 100 100\n").string());
    app_->RunOpenFlow(&path);
    ASSERT_EQ(Program().load.loaded, 1);
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("song.clx \u2014 Chordlane"));
    Frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
    trace_.events.clear();
    QTest::keyClick(View(), Qt::Key_F11);
    EXPECT_TRUE(Frame()->isFullScreen());
    QTest::keyClick(View(), Qt::Key_F11);
    EXPECT_FALSE(Frame()->isFullScreen());
    EXPECT_TRUE(trace_.events.empty());  // the key is the window's, not the instrument's
}

TEST_F(ProgramTest, FullScreenTakesTheDisplayThroughALoadAndF11PutsTheWindowBack) {
    Start();
    const String path = FromUtf8(WriteFile("song.clx", "cl1.0\nbr key 0 0 100 100\n").string());
    const auto load = [&] {
        app_->RunOpenFlow(&path);
        ASSERT_EQ(Program().load.loaded, 1);
    };
    const QRect before = Frame()->geometry();
    const QRect display = Frame()->screen()->geometry();
    ASSERT_NE(before, display);
    Frame()->ToggleFullScreen();
    EXPECT_TRUE(Frame()->isFullScreen());
    EXPECT_EQ(Frame()->geometry(), display);
    load();  // a load shows the window again, still over the whole display
    EXPECT_TRUE(Frame()->isFullScreen());
    EXPECT_EQ(Frame()->geometry(), display);
    Frame()->ToggleFullScreen();
    EXPECT_FALSE(Frame()->isFullScreen());
    EXPECT_EQ(Frame()->geometry(), before);
    load();
    EXPECT_FALSE(Frame()->isFullScreen());
}

TEST_F(ProgramTest, AWindowStartedFullScreenStaysAWindowThroughALoadOnceF11LeftFullScreen) {
    Start({.fullScreen = true});
    EXPECT_TRUE(Frame()->isFullScreen());
    EXPECT_EQ(Frame()->geometry(), Frame()->screen()->geometry());
    Frame()->ToggleFullScreen();
    ASSERT_FALSE(Frame()->isFullScreen());
    EXPECT_EQ(Frame()->size(), Frame()->sizeHint());
    const String path = FromUtf8(WriteFile("song.clx", "cl1.0\nbr key 0 0 100 100\n").string());
    app_->RunOpenFlow(&path);
    ASSERT_EQ(Program().load.loaded, 1);
    EXPECT_FALSE(Frame()->isFullScreen());
}

// Fingers on a touch screen, as Qt delivers them to the view: each finger takes the first
// free touch point from 1 on, the mouse stays point 0.
class TouchScreenTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        Start({.zoom = 1});  // a widget pixel is a view pixel
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()));
        ASSERT_EQ(View()->size(), QSize(240, 320));
        LoadEmptyInstrument();
        platform_.clock.Advance(100);
        fingers_ = std::make_unique<QTest::QTouchEventWidgetSequence>(
            QTest::touchEvent(View(), screen_.get(), false));
    }
    //! The fingers of one touch event; the ones not named hold still.
    QTest::QTouchEventWidgetSequence& Fingers() {
        for (int id : down_) fingers_->stationary(id);
        return *fingers_;
    }
    void Press(int id, QPoint at) {
        Fingers().press(id, at).commit();
        down_.insert(id);
    }
    void Move(int id, QPoint to) {
        down_.erase(id);
        Fingers().move(id, to).commit();
        down_.insert(id);
    }
    void Release(int id, QPoint at) {
        down_.erase(id);
        Fingers().release(id, at).commit();
    }
    //! The strokes so far as (point, where the segment ends).
    std::vector<std::pair<int32_t, Point>> Strokes() const {
        std::vector<std::pair<int32_t, Point>> strokes;
        for (const Segment& s : trace_.strokes) strokes.push_back({s.point, s.to});
        return strokes;
    }

    // Qt keeps a test device registered until it is deleted.
    std::unique_ptr<QPointingDevice> screen_{
        QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen)};
    std::unique_ptr<QTest::QTouchEventWidgetSequence> fingers_;
    std::set<int> down_;
};

TEST_F(TouchScreenTest, FingersPlayAsStylusesOfTheirOwnBesideTheMouse) {
    Press(7, {10, 10});
    platform_.clock.Advance(10);
    Press(3, {100, 100});
    platform_.clock.Advance(10);
    Move(3, {120, 100});
    platform_.clock.Advance(10);
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(200, 200));
    platform_.clock.Advance(10);
    Release(7, {10, 10});
    platform_.clock.Advance(10);
    Move(3, {140, 100});  // the other finger's stroke goes on from where it was
    platform_.clock.Advance(30);
    Press(9, {50, 50});  // takes the point the first finger left
    Release(3, {140, 100});
    Release(9, {50, 50});
    EXPECT_EQ(Strokes(), (std::vector<std::pair<int32_t, Point>>{{1, {10, 10}},
                                                                 {2, {100, 100}},
                                                                 {2, {120, 100}},
                                                                 {0, {200, 200}},
                                                                 {2, {140, 100}},
                                                                 {1, {50, 50}}}));
    EXPECT_EQ(trace_.strokes[4].from, (Point{120, 100}));
}

TEST_F(TouchScreenTest, AFingerBeyondTheTenPointsIsIgnoredUntilItLifts) {
    std::vector<std::pair<int32_t, Point>> expected;
    for (int id = 0; id < MAX_TOUCH_POINTS - 1; ++id) {
        Press(id, {10 + 20 * id, 10});
        expected.push_back({id + 1, {10 + 20 * id, 10}});
    }
    platform_.clock.Advance(30);
    Press(20, {10, 200});  // the eleventh point, counting the mouse
    Move(20, {100, 200});
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(200, 300));
    expected.push_back({0, {200, 300}});
    EXPECT_EQ(Strokes(), expected);

    platform_.clock.Advance(30);
    Release(4, {90, 10});
    platform_.clock.Advance(30);
    Move(20, {120, 200});  // still ignored: it found no point when it came down
    Press(21, {10, 250});  // a new finger takes the point that was freed
    expected.push_back({5, {10, 250}});
    EXPECT_EQ(Strokes(), expected);
}

TEST_F(TouchScreenTest, FingersWhoseLiftWentToADialogLeaveTheirPointsFree) {
    for (int id = 0; id < MAX_TOUCH_POINTS - 1; ++id) Press(id, {10 + 20 * id, 10});
    platform_.clock.Advance(30);
    // A new touch sequence: Qt begins one only when no finger is down any more, so the nine
    // lifted while something else had the screen.
    QEventPoint finger(30, QEventPoint::Pressed, QPointF(10, 200), QPointF(10, 200));
    QTouchEvent begin(QEvent::TouchBegin, screen_.get(), Qt::NoModifier, {finger});
    QApplication::sendEvent(View(), &begin);
    ASSERT_EQ(trace_.strokes.size(), static_cast<size_t>(MAX_TOUCH_POINTS));
    EXPECT_EQ(trace_.strokes.back().point, 1);
}

TEST_F(ProgramTest, F5ReloadsTheInstrumentAndTheWindowPlaysTheNewOne) {
    Start();
    EXPECT_FALSE(Frame()->ReloadAction()->isEnabled());  // nothing loaded yet
    const String path = FromUtf8(WriteFile("song.clx", "cl1.0\nbr old 0 0 100 100\n").string());
    app_->RunOpenFlow(&path);
    ASSERT_EQ(Program().load.loaded, 1);
    const Instrument* before = &Program();
    Frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));

    WriteFile("song.clx", "cl1.0\nbr new 0 0 100 100\n");
    QTest::keyClick(View(), Qt::Key_F5);
    EXPECT_NE(&Program(), before);
    EXPECT_NE(Program().names.Lookup(u"new"), nullptr);
    // The view and the window's commands reach the new instrument.
    EXPECT_EQ(&View()->View().GetInstrument(), &Program());
    EXPECT_TRUE(platform_.messages.Texts().empty());
}

TEST_F(ProgramTest, SavingTheInstrumentFileReloadsItWithoutBeingAsked) {
    Start();
    const String path = FromUtf8(WriteFile("song.clx", "cl1.0\nbr old 0 0 100 100\n").string());
    app_->RunOpenFlow(&path);
    ASSERT_EQ(Program().load.loaded, 1);
    // As editors save: a new file renamed over the old one.
    WriteFile("song.clx.new", "cl1.0\nbr new 0 0 100 100\n");
    std::filesystem::rename(temp_ / "song.clx.new", temp_ / "song.clx");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Program().names.Lookup(u"new") != nullptr; }, 2000));
    EXPECT_EQ(&View()->View().GetInstrument(), &Program());
    // Reading the files again is no change to them: the reload does not set off another.
    const Instrument* reloaded = &Program();
    QTest::qWait(300);
    EXPECT_EQ(&Program(), reloaded);
    EXPECT_TRUE(Dialogs().empty());
    EXPECT_TRUE(platform_.messages.Texts().empty());
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
    // Whatever the display, the window fits it.
    EXPECT_LE(Frame()->frameGeometry().height(), Frame()->screen()->availableGeometry().height());
    EXPECT_EQ(View()->sizeHint().height() * 3, View()->sizeHint().width() * 4);
    View()->resize(480, 640);  // zoom 2 again, for whole view pixels below
    EXPECT_TRUE(Dialogs().empty());
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(100, 100));
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_EQ(Dialogs()[0].title, u"Open an Instrument");
    EXPECT_EQ(Program().load.loaded, 0);  // cancelled: still the start-up screen
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

// The mixer's thread only writes to the descriptor; the notices must be taken on the
// interface thread, or buttons stay lit after their sound has ended.
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

TEST_F(ProgramTest, AboutBoxShowsIconAndVersion) {
    AboutDialog about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Chordlane"));
    // The project's one version, as --version prints it.
    EXPECT_EQ(about.VersionLabel()->text(), QStringLiteral("Chordlane Version " CHORDLANE_VERSION));
    EXPECT_EQ(QStringLiteral(CHORDLANE_VERSION).count(QLatin1Char('.')), 2);
    EXPECT_FALSE(about.IconLabel()->pixmap().isNull());
}

using Action = ParsedCommandLine::Action;

TEST(ProgramOptionsTest, PathWordsAreJoinedBySingleSpacesWhateverFollows) {
    const ParsedCommandLine none = ParseProgramOptions({});  // the device's screen at zoom 2
    EXPECT_EQ((std::tuple{none.action, none.options.screenWidth, none.options.screenHeight,
                          none.options.zoom}),
              (std::tuple{Action::Run, 240, 320, 2}));
    const ParsedCommandLine p = ParseProgramOptions(
        {"--screen", "320x240", "--zoom=3", "--fullscreen", "My", "Songs/a.clx", "--zoom"});
    ASSERT_EQ(p.action, Action::Run);
    EXPECT_EQ((std::tuple{p.options.screenWidth, p.options.screenHeight, p.options.zoom,
                          p.options.fullScreen, p.options.commandLine}),
              (std::tuple{320, 240, 3, true, String(u"My Songs/a.clx --zoom")}));
    EXPECT_EQ(ParseProgramOptions({"--", "--odd name", "!"}).options.commandLine, u"--odd name !");
    EXPECT_EQ(ParseProgramOptions({"\xC3\xBC.clx"}).options.commandLine, u"\u00FC.clx");
    EXPECT_EQ(ParseProgramOptions({"--zoom", "3", "--help"}).action, Action::Help);
    EXPECT_EQ(ParseProgramOptions({"--version", "x.clx"}).action, Action::Version);
    EXPECT_EQ(ParseProgramOptions({"x.clx", "--help"}).action, Action::Run);
}

TEST(ProgramOptionsTest, BadValuesAreRefusedWithAReason) {
    for (const std::vector<std::string>& words :
         std::vector<std::vector<std::string>>{{"--screen"},
                                               {"--screen", "5000x100"},
                                               {"--zoom", "2.5"},
                                               {"--screen", "4000x4000", "--zoom", "3"},
                                               {"--frobnicate"}}) {
        const ParsedCommandLine parsed = ParseProgramOptions(words);
        EXPECT_EQ(parsed.action, Action::Error) << words[0];
        EXPECT_FALSE(parsed.error.empty());
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
    }
}

using QtServicesTest = ChordlaneTest;

TEST_F(QtServicesTest, FileFiltersBecomeQtNameFilters) {
    const QStringList filters = QtDialogs::NameFilters(
        {{u"Chordlane Instrument (*.clx,*.cly)", u"*.clx;*.cly"}, {u"Wave Files", u"*.wav"}});
    EXPECT_EQ(filters,
              (QStringList{QStringLiteral("Chordlane Instrument (*.clx,*.cly) (*.clx *.cly)"),
                           QStringLiteral("Wave Files (*.wav)")}));
}

TEST_F(QtServicesTest, AnEmptyChoiceIsNoFile) {
    EXPECT_EQ(QtDialogs::AcceptChosenName(QString()), std::nullopt);
    EXPECT_EQ(QtDialogs::AcceptChosenName(QStringLiteral("/x/\u00E9.clx")), u"/x/\u00E9.clx");
}

TEST_F(QtServicesTest, RepaintAreasAreScaledByTheZoomAndKeptInsideTheView) {
    QWidget view;
    view.resize(480, 640);
    QtWindow window(nullptr, &view, nullptr, nullptr, 2);
    // Right and bottom edges belong to the element, so they are repainted too.
    EXPECT_EQ(window.WidgetArea({10, 20, 30, 40}), QRect(20, 40, 42, 42));
    EXPECT_EQ(window.WidgetArea({0, 0, 239, 319}), QRect(0, 0, 480, 640));
    EXPECT_EQ(window.WidgetArea({-100, -5, INT32_MAX, INT32_MAX}), QRect(0, 0, 480, 640));
    EXPECT_TRUE(window.WidgetArea({300, 0, 400, 10}).isEmpty());
    EXPECT_TRUE(window.WidgetArea({30, 0, 10, 10}).isEmpty());
}

TEST_F(QtServicesTest, HelpShowsTheShippedDocumentInAWindowOfItsOwnWithoutABrowser) {
    std::vector<QUrl> toBrowser;
    HelpWindowViewer help([&](const QUrl& url) { return toBrowser.push_back(url), true; });
    help.SetProgramFolder(TempFolder());
    EXPECT_FALSE(help.Open(u"chordlane_help.htm"));  // not there: no empty window
    EXPECT_EQ(help.Window(), nullptr);
    help.SetProgramFolder(FromUtf8(CHORDLANE_SOURCE_DIR "/resources/"));
    ASSERT_TRUE(help.Open(u"chordlane_help.htm"));
    HelpWindow* window = help.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    QTextBrowser* browser = window->Browser();
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Could not load")));
    EXPECT_FALSE(window->BackAction()->isEnabled());
    // A link inside the document moves there; Back returns, Forward goes again.
    const QUrl start = browser->source();
    emit browser->anchorClicked(QUrl(QStringLiteral("#format")));
    EXPECT_EQ(browser->source().fragment(), QStringLiteral("format"));
    ASSERT_TRUE(window->BackAction()->isEnabled());
    window->BackAction()->trigger();
    EXPECT_EQ(browser->source(), start);
    window->ForwardAction()->trigger();
    EXPECT_EQ(browser->source().fragment(), QStringLiteral("format"));
    // The web goes to the desktop's browser; the window stays where it was.
    emit browser->anchorClicked(QUrl(QStringLiteral("https://example.org/more")));
    EXPECT_EQ(toBrowser, std::vector<QUrl>{QUrl(QStringLiteral("https://example.org/more"))});
    EXPECT_EQ(browser->source().fragment(), QStringLiteral("format"));
}

TEST_F(QtServicesTest, HelpFollowsLinksToOtherPagesAndShowsTheirPictures) {
    WriteFile("chordlane_help.htm", "<p><a href=\"more.htm\">more</a></p>");
    WriteFile("more.htm", "<p>second page <img src=\"pic.png\"></p>");
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(QString::fromStdString((temp_ / "pic.png").string())));
    HelpWindowViewer help([](const QUrl&) { return false; });
    help.SetProgramFolder(TempFolder());
    ASSERT_TRUE(help.Open(u"chordlane_help.htm"));
    QTextBrowser* browser = help.Window()->Browser();
    emit browser->anchorClicked(QUrl(QStringLiteral("more.htm")));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("second page")));
    const QVariant image = browser->document()->resource(QTextDocument::ImageResource,
                                                         QUrl(QStringLiteral("pic.png")));
    EXPECT_EQ(image.value<QImage>().size(), QSize(4, 3));
    // Opening the help again shows the window without losing the page being read.
    ASSERT_TRUE(help.Open(u"chordlane_help.htm"));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("second page")));
}

TEST_F(QtServicesTest, TheOpenDialogTakesAnExclamationMarkForTheBuiltInInstrument) {
    const auto existing = WriteFile("a.clx", "cl1.0\n");
    using Choice = QtDialogs::OpenChoice;
    EXPECT_EQ(QtDialogs::ClassifyOpenChoice(QString::fromStdString(existing.string())),
              Choice::Existing);
    EXPECT_EQ(QtDialogs::ClassifyOpenChoice(ToQString(TempFolder() + u"!")), Choice::Builtin);
    EXPECT_EQ(QtDialogs::ClassifyOpenChoice(ToQString(TempFolder() + u"b.clx")), Choice::Missing);
    EXPECT_EQ(QtDialogs::ClassifyOpenChoice(ToQString(TempFolder())), Choice::Missing);
}

TEST_F(QtServicesTest, TheOpenDialogStartsWhereAskedOffersItsPlacesAndTakesTheBuiltIn) {
    const auto instruments = WriteFile("samples/guitar.clx", "cl1.0\n").parent_path();
    const QString home = ToQString(TempFolder() + u"home");
    QDir().mkpath(home);
    QtDialogs dialogs;
    dialogs.SetPlaces(
        {{QStringLiteral("Sample instruments"), QString::fromStdString(instruments.string())},
         {QStringLiteral("Home"), home}});
    FileDialogRequest request;
    request.title = u"Open an Instrument";
    request.filters = {{u"Chordlane Instrument (*.clx,*.cly)", u"*.clx;*.cly"}};
    request.initialFolder = FromUtf8(instruments.string());
    request.mustExist = true;
    QString folder;
    QStringList places;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QTest::qWait(100);  // the folder model fills in the background
        folder = dialog->directory().absolutePath();
        auto* sidebar = dialog->findChild<QAbstractItemView*>(QStringLiteral("sidebar"));
        ASSERT_NE(sidebar, nullptr);
        for (int row = 0; row < sidebar->model()->rowCount(); ++row)
            places << sidebar->model()->index(row, 0).data().toString();
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("!"));
        static_cast<QDialog*>(dialog)->accept();  // as the Open button does
    });
    EXPECT_EQ(dialogs.ChooseFile(request), std::optional<String>(u"!"));
    EXPECT_EQ(folder, QString::fromStdString(instruments.string()));
    EXPECT_EQ(places, (QStringList{"Sample instruments", "Home"}));
    // A prompt for a wave file takes no "!": it is said to be missing and asked again.
    request.filters = {{u"Wave", u"*.wav"}};
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("!"));
        QTimer::singleShot(0, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_TRUE(box->text().contains(QStringLiteral("File not found")));
            box->accept();
            QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        });
        static_cast<QDialog*>(dialog)->accept();  // as the Open button does
    });
    EXPECT_EQ(dialogs.ChooseFile(request), std::nullopt);
}

TEST_F(ProgramTest, OpenRecentListsTheLastInstrumentsAndReopensThemWithTheirAnswers) {
    Start();
    const String first = FromUtf8(
        WriteFile("first & one.clx", "cl1.0\ngr r 0 0 1 1\ns a ?*.wav A 440 0 0\n").string());
    const String second = FromUtf8(WriteFile("second.clx", "cl1.0\ngr r 0 0 1 1\n").string());
    platform_.dialogs.Answer(u"/p/answer.wav");
    app_->RunOpenFlow(&first);
    app_->RunOpenFlow(&second);
    const size_t asked = Dialogs().size();
    EXPECT_EQ(asked, 1u);

    Frame()->FileMenu()->popup(QPoint(0, 0));
    Frame()->FileMenu()->hide();
    EXPECT_TRUE(Frame()->RecentMenu()->menuAction()->isEnabled());
    Frame()->FillRecentMenu();
    EXPECT_EQ(Texts(Frame()->RecentMenu()), (QStringList{"&1 second.clx", "&2 first && one.clx"}));
    Frame()->RecentMenu()->actions().at(1)->trigger();
    // Reopened with its answer: nobody is asked again, and it is now the newest.
    EXPECT_EQ(Dialogs().size(), asked);
    EXPECT_EQ(Program().load.currentPath, first);
    EXPECT_EQ(Program().load.answersLog, u"? \"/p/answer.wav\"\n");
    const std::vector<RecentInstrument> list = ReadRecentInstruments(&platform_.settings);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].path, first);
    EXPECT_EQ(list[1].path, second);

    // A file that has gone is said once and leaves the list.
    std::filesystem::remove(ToUtf8(second));
    app_->OpenRecent(1);
    EXPECT_EQ(platform_.messages.Texts().back(),
              u"Cannot open '" + second + u"': No such file or directory\n");
    EXPECT_EQ(Program().load.loaded, 0);
    ASSERT_EQ(ReadRecentInstruments(&platform_.settings).size(), 1u);
    EXPECT_EQ(ReadRecentInstruments(&platform_.settings)[0].path, first);
}

TEST_F(ProgramTest, HelpWithoutItsDocumentSaysWhereItLooked) {
    platform_.services.help = nullptr;
    Start();
    Frame()->OnHelp();
    EXPECT_EQ(platform_.messages.Texts(),
              std::vector<String>{u"The help document cannot be found:\n" +
                                  Program().load.programFolder + u"chordlane_help.htm\n"});
}

TEST_F(QtServicesTest, StopMessageHasCriticalIconNoCaptionAndNoTrailingEmptyLine) {
    QtMessageBox messages;
    QString seen;  // caption, text and icon of the box shown
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = box->windowTitle() + "|" + box->text() + "|" + QString::number(box->icon());
        box->accept();
    });
    messages.ShowStop(u"Could not load: gtr.wav\n");
    EXPECT_EQ(seen, QStringLiteral("|Could not load: gtr.wav|%1").arg(QMessageBox::Critical));
}

}  // namespace
}  // namespace chordlane::test

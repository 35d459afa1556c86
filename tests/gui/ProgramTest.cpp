// The program's window offscreen: menus, shortcuts, keys, stylus and the start-up screen.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "app/AppState.h"
#include "app/EventTrace.h"
#include "app/MenuCommands.h"
#include "app/gui/CAboutDlg.h"
#include "app/gui/CInstrumentApp.h"
#include "app/gui/CMainFrame.h"
#include "app/gui/ViewWidget.h"
#include "app/gui/VirtualKeys.h"
#include "elements/PanelElement.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

struct Stroke {
    Point from;
    Point to;
    int32_t strength;
    friend bool operator==(const Stroke&, const Stroke&) = default;
};

class ProgramTrace : public EventTrace {
public:
    void Stroke(Point from, Point to, int32_t strength) override {
        strokes.push_back({from, to, strength});
    }
    void Event(const String& name, bool) override { events.push_back(name); }
    void Pressed(const Element&, bool) override {}
    void Start(const Element&, const Element&, int32_t, int32_t, uint32_t) override {}
    void Stop(const Element&) override {}
    void Done(const Element&, const Element*) override {}
    void Message(const String&) override {}
    std::vector<test::Stroke> strokes;
    std::vector<String> events;
};

class ProgramTest : public ChordlaneTest {
protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        SetTrace(&trace_);
    }
    void TearDown() override {
        app_.reset();
        SetTrace(nullptr);
        ChordlaneTest::TearDown();
    }
    void Start(ProgramOptions options = {}) {
        app_ = std::make_unique<CInstrumentApp>(options, &CurrentPlatform());
        app_->SetOpenFlow([this](const String* path) { opened_.push_back(path ? *path : u"?"); });
        app_->StartApplication();
    }
    void StartActive() {
        Start();
        Frame()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
    }
    CMainFrame* Frame() { return app_->MainFrame(); }
    ViewWidget* View() { return Frame()->View(); }
    void LoadEmptyInstrument() {
        auto root = std::make_unique<PanelElement>(u"!", std::make_unique<Rect>(App().screenRect), 0);
        root->SetActive(true);
        App().root = std::move(root);
        App().instrumentLoaded = 1;
    }
    static QStringList Texts(QMenu* menu) {
        QStringList texts;
        for (QAction* action : menu->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return texts;
    }

    ProgramTrace trace_;
    std::unique_ptr<CInstrumentApp> app_;
    std::vector<String> opened_;
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
    ProgramOptions options;
    options.screenWidth = 320;
    options.screenHeight = 240;
    options.zoom = 1;
    options.commandLine = u"My Songs/a.clx";
    Start(options);
    EXPECT_EQ(App().screenRect, (Rect{0, 0, 319, 239}));
    EXPECT_EQ(View()->size(), QSize(320, 240));
    EXPECT_TRUE(Frame()->CommandAction(ID_SHOW_ACTIVE)->isChecked());
    EXPECT_TRUE(Frame()->CommandAction(ID_SPEED_VOLUME)->isChecked());
    EXPECT_EQ(App().vM, 50);
    EXPECT_EQ(opened_, std::vector<String>{u"My Songs/a.clx"});
    ASSERT_FALSE(App().homeFolder.empty());
    EXPECT_EQ(App().homeFolder.back(), u'/');
    EXPECT_EQ(App().programFolder.back(), u'/');
}

TEST_F(ProgramTest, FirstStartGivesTheDesktopASystemVolumeInTheMiddle) {
    Start();
    const auto* values = platform_.settings.Values(SettingsRoot::CurrentUser, u"ControlPanel\\Volume");
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(std::get<uint32_t>(values->at(u"Volume")), 0x5FFFFFFAu);
    OnActivate(WA_ACTIVE, false);
    EXPECT_EQ(App().vM, 50);
}

TEST_F(ProgramTest, AStoredSystemVolumeIsKept) {
    platform_.settings.Set(SettingsRoot::CurrentUser, u"ControlPanel\\Volume", u"Volume",
                           uint32_t{0x88888888});
    Start();
    OnActivate(WA_ACTIVE, false);
    EXPECT_EQ(App().vM, 88);
}

TEST_F(ProgramTest, WithoutCommandLineNothingOpensUntilTheFirstTap) {
    Start();
    EXPECT_TRUE(opened_.empty());
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(opened_, std::vector<String>{u"?"});
    EXPECT_TRUE(trace_.strokes.empty());
}

TEST_F(ProgramTest, SaveAsIsEnabledExactlyWithPathAndAnswers) {
    Start();
    QAction* saveAs = Frame()->SaveAsAction();
    const auto openFileMenu = [this] {
        Frame()->FileMenu()->popup(QPoint(0, 0));
        Frame()->FileMenu()->hide();
    };
    openFileMenu();
    EXPECT_FALSE(saveAs->isEnabled());
    App().currentPath = u"a.clx";
    openFileMenu();
    EXPECT_FALSE(saveAs->isEnabled());
    App().answersLog = u"? \"e2.wav\"\n";
    openFileMenu();
    EXPECT_TRUE(saveAs->isEnabled());
    EXPECT_TRUE(Frame()->CommandAction(ID_FILE_OPEN)->isEnabled());
}

TEST_F(ProgramTest, OptionMarksFollowTheOptionsAndNothingElse) {
    Start();
    QAction* showActive = Frame()->CommandAction(ID_SHOW_ACTIVE);
    QAction* speedVolume = Frame()->CommandAction(ID_SPEED_VOLUME);
    showActive->trigger();
    EXPECT_EQ(App().showActive, 0);
    EXPECT_FALSE(showActive->isChecked());
    App().vM = 7;
    speedVolume->trigger();
    EXPECT_EQ(App().speedVolume, 0);
    EXPECT_EQ(App().vM, 50);
    EXPECT_FALSE(speedVolume->isChecked());
    EXPECT_FALSE(showActive->isChecked());

    // Without its command the item's mark does not move by itself.
    QObject::disconnect(showActive, &QAction::triggered, app_.get(), nullptr);
    showActive->trigger();
    EXPECT_FALSE(showActive->isChecked());
    EXPECT_EQ(App().showActive, 0);
}

TEST_F(ProgramTest, ShortcutsTakeTheirKeysFromTheInstrument) {
    StartActive();
    LoadEmptyInstrument();
    QTest::keyClick(View(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(View(), Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(View(), Qt::Key_F6);
    QTest::keyClick(View(), Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_TRUE(trace_.events.empty());
    EXPECT_TRUE(opened_.empty());

    QTest::keyClick(View(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(opened_, std::vector<String>{u"?"});
    QTest::keyClick(View(), Qt::Key_F1);
    EXPECT_EQ(platform_.help.Opened(), std::vector<String>{u"chordlane_help.htm"});
    EXPECT_TRUE(trace_.events.empty());

    // Keys outside the table reach the instrument; Control itself did too, as the name shows.
    QTest::keyClick(View(), Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(View(), Qt::Key_F7);
    QTest::keyClick(View(), Qt::Key_A);
    QTest::keyClick(View(), Qt::Key_A, Qt::ShiftModifier);
    QTest::keyClick(View(), Qt::Key_Tab);
    EXPECT_EQ(trace_.events,
              (std::vector<String>{String(u"bk") + char16_t{2}, u"bx76", u"bka", u"bkA", u"bx09"}));
}

TEST_F(ProgramTest, QtKeysBecomeVirtualKeyCodes) {
    const Qt::KeyboardModifiers none;
    EXPECT_EQ(VirtualKeyCode(Qt::Key_A, none), 65u);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Z, Qt::ShiftModifier), 90u);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_0, none), 48u);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Exclam, Qt::ShiftModifier), 49u);  // Shift+1
    EXPECT_EQ(VirtualKeyCode(Qt::Key_5, Qt::KeypadModifier), 101u);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Shift, none), 16u);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Control, none), 17u);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Left, none), 37u);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Down, Qt::KeypadModifier), 40u);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Return, none), 13u);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Enter, Qt::KeypadModifier), 13u);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Escape, none), 27u);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Space, none), 32u);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_F1, none), 112u);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_F20, none), 131u);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Minus, none), 0xBDu);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Minus, Qt::KeypadModifier), 109u);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_unknown, none), 0u);
}

TEST_F(ProgramTest, LeftButtonIsTheStylusInViewPixels) {
    Start();  // zoom 2
    LoadEmptyInstrument();
    QTest::mousePress(View(), Qt::LeftButton, {}, QPoint(200, 300));
    QTest::mouseMove(View(), QPoint(240, 300), 20);
    QTest::mouseRelease(View(), Qt::LeftButton, {}, QPoint(240, 300));
    ASSERT_GE(trace_.strokes.size(), 1u);
    EXPECT_EQ(trace_.strokes[0], (Stroke{{99, 149}, {100, 150}, 30}));
    ASSERT_EQ(trace_.strokes.size(), 2u);
    EXPECT_EQ(trace_.strokes[1].from, (Point{100, 150}));
    EXPECT_EQ(trace_.strokes[1].to, (Point{120, 150}));

    // Other buttons do not touch.
    QTest::mousePress(View(), Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseRelease(View(), Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(trace_.strokes.size(), 2u);
}

TEST_F(ProgramTest, DoubleClickGivesNoStroke) {
    Start();
    LoadEmptyInstrument();
    QTest::mouseDClick(View(), Qt::LeftButton, {}, QPoint(100, 100));
    // mouseDClick is press, release, double-click, release: only the first press strokes.
    EXPECT_EQ(trace_.strokes.size(), 1u);
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

TEST_F(ProgramTest, StartUpScreenShowsYellowTextCentredAtThreeQuartersOnBlack) {
    Start();  // 240 x 320 at zoom 2
    const QImage image = View()->grab().toImage();
    ASSERT_EQ(image.size(), QSize(480, 640));
    int top = image.height(), bottom = -1, left = image.width(), right = -1;
    // Below the start-up bitmap, which may hold any colour.
    for (int y = 400; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() > 200 && c.blue() < 60) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_GE(bottom, 0) << "no yellow text";
    // The text's cell starts at y = 220 view pixels; the glyphs lie a little below it.
    EXPECT_GE(top, 440);
    EXPECT_LT(top, 440 + 20);
    EXPECT_LT(bottom, 440 + 2 * 30);
    EXPECT_NEAR(left, image.width() - 1 - right, 6);  // centred
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(479, 639), QColor(Qt::black));
}

}  // namespace
}  // namespace chordlane::test

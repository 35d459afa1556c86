#include "desktop/MainWindow.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSocketNotifier>
#include <QStatusBar>
#include <map>

#include "app/Folders.h"
#include "app/MenuCommands.h"
#include "app/Shortcuts.h"
#include "desktop/Application.h"
#include "desktop/CommandIds.h"
#include "desktop/ProgramIcon.h"
#include "desktop/ViewWidget.h"
#include "elements/Instrument.h"
#include "platform/qt/QtStringConversion.h"
#include "platform/qt/QtWindow.h"

namespace chordlane {

namespace {

// The Qt key of a virtual key code of the shortcut table.
Qt::Key QtKeyOf(uint32_t keyCode) {
    constexpr uint32_t VK_BACK = 8, VK_INSERT = 45, VK_DELETE = 46, VK_F1 = 112, VK_F24 = 135;
    if (keyCode >= 'A' && keyCode <= 'Z') return static_cast<Qt::Key>(Qt::Key_A + (keyCode - 'A'));
    if (keyCode >= VK_F1 && keyCode <= VK_F24)
        return static_cast<Qt::Key>(Qt::Key_F1 + (keyCode - VK_F1));
    if (keyCode == VK_BACK) return Qt::Key_Backspace;
    if (keyCode == VK_INSERT) return Qt::Key_Insert;
    if (keyCode == VK_DELETE) return Qt::Key_Delete;
    return Qt::Key_unknown;
}

QKeySequence QtSequenceOf(const Shortcut& shortcut) {
    Qt::KeyboardModifiers modifiers;
    if (shortcut.modifiers & SHORTCUT_SHIFT) modifiers |= Qt::ShiftModifier;
    if (shortcut.modifiers & SHORTCUT_CONTROL) modifiers |= Qt::ControlModifier;
    if (shortcut.modifiers & SHORTCUT_ALT) modifiers |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(modifiers, QtKeyOf(shortcut.keyCode)));
}

Qt::KeyboardModifiers HeldModifiers() { return QGuiApplication::queryKeyboardModifiers(); }

// Often enough that a sound's end is noticed well within its 20 ms allowance.
constexpr int NOTICE_POLL_MS = 4;

}  // namespace

MainWindow::MainWindow(Application& app, InstrumentView& view, const ProgramOptions& options)
    : app_(app) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Chordlane"));
    setWindowIcon(ProgramIcon());

    // The view fills the window; it paints its own dark margin around the screen.
    view_ = new ViewWidget(view, options.screenWidth, options.screenHeight, options.zoom, this);
    setCentralWidget(view_);
    setFocusProxy(view_);
    view_->setFocus();

    CreateMenus(app);
    CreateShortcuts();
    setAcceptDrops(true);

    noticeTimer_.setTimerType(Qt::PreciseTimer);
    connect(&noticeTimer_, &QTimer::timeout, this, [this] {
        if (drainNotices_) drainNotices_();
    });
}

Instrument& MainWindow::CurrentInstrument() const { return app_.GetInstrument(); }

MainWindow::~MainWindow() { ReleaseHardwareButtons(CurrentInstrument()); }

QAction* MainWindow::AddCommand(QMenu* menu, const QString& text, int command) {
    QAction* action = menu->addAction(text);
    action->setData(command);
    commands_.push_back(action);
    return action;
}

QAction* MainWindow::CommandAction(int command) const {
    for (QAction* action : commands_)
        if (action->data().toInt() == command) return action;
    return nullptr;
}

void MainWindow::CreateMenus(Application& app) {
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* open = AddCommand(fileMenu_, QStringLiteral("&Open"), ID_FILE_OPEN);
    connect(open, &QAction::triggered, &app, &Application::OnFileOpen);
    // Enabled only while an instrument file is loaded (UpdateCommandStates).
    reload_ = fileMenu_->addAction(QStringLiteral("Re&load"));
    reload_->setShortcut(QKeySequence(Qt::Key_F5));
    reload_->setEnabled(false);
    connect(reload_, &QAction::triggered, &app, &Application::OnFileReload);
    recentMenu_ = fileMenu_->addMenu(QStringLiteral("Open &Recent"));
    connect(recentMenu_, &QMenu::aboutToShow, this, &MainWindow::FillRecentMenu);
    saveAs_ = AddCommand(fileMenu_, QStringLiteral("Save &As"), ID_FILE_SAVE_AS);
    connect(saveAs_, &QAction::triggered, &app, &Application::OnFileSaveAs);
    record_ = AddCommand(fileMenu_, QStringLiteral("&Record"), ID_FILE_RECORD);
    record_->setCheckable(true);
    // The mark shows whether a recording runs; only the application's toggle sets it.
    connect(record_, &QAction::triggered, this,
            [this](bool checked) { record_->setChecked(!checked); });
    connect(record_, &QAction::triggered, &app, &Application::OnFileRecord);
    fileMenu_->addSeparator();
    QAction* exit = AddCommand(fileMenu_, QStringLiteral("E&xit"), ID_APP_EXIT);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    connect(fileMenu_, &QMenu::aboutToShow, this, &MainWindow::UpdateCommandStates);

    optionsMenu_ = menuBar()->addMenu(QStringLiteral("&Options"));
    showActive_ = AddCommand(optionsMenu_, QStringLiteral("&Show Active"), ID_SHOW_ACTIVE);
    speedVolume_ = AddCommand(optionsMenu_, QStringLiteral("Speed -> &Volume"), ID_SPEED_VOLUME);
    for (QAction* option : {showActive_, speedVolume_}) {
        option->setCheckable(true);
        // Qt flips a checkable item by itself; the mark is put back so that only the
        // command's own SetOptionCheck changes it.
        connect(option, &QAction::triggered, this,
                [option](bool checked) { option->setChecked(!checked); });
    }
    connect(showActive_, &QAction::triggered, &app, &Application::OnShowActive);
    connect(speedVolume_, &QAction::triggered, &app, &Application::OnSpeedVolume);
    optionsMenu_->addSeparator();
    finePitch_ = optionsMenu_->addAction(QStringLiteral("&Fine Pitch"));
    finePitch_->setCheckable(true);
    finePitch_->setToolTip(
        QStringLiteral("Pitch copies with grains placed between samples: cleaner, a little "
                       "slower to load"));
    connect(finePitch_, &QAction::triggered, this,
            [this](bool checked) { finePitch_->setChecked(!checked); });
    connect(finePitch_, &QAction::triggered, &app, &Application::OnFinePitch);
    QAction* soundOutput = optionsMenu_->addAction(QStringLiteral("Sound &Output..."));
    connect(soundOutput, &QAction::triggered, &app, &Application::OnSoundOutput);
    midiOutput_ = optionsMenu_->addAction(QStringLiteral("&MIDI Output..."));
    connect(midiOutput_, &QAction::triggered, &app, &Application::OnMidiOutput);
    // A greyed MIDI Output says why on hover as well as in its text.
    optionsMenu_->setToolTipsVisible(true);

    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* help = AddCommand(helpMenu_, QStringLiteral("&Help Topics"), ID_HELP);
    connect(help, &QAction::triggered, this, &MainWindow::OnHelp);
    helpMenu_->addSeparator();
    QAction* about = AddCommand(helpMenu_, QStringLiteral("&About Chordlane..."), ID_APP_ABOUT);
    connect(about, &QAction::triggered, &app, &Application::OnAppAbout);
}

void MainWindow::CreateShortcuts() {
    QAction* fullScreen = new QAction(this);
    connect(fullScreen, &QAction::triggered, this, &MainWindow::ToggleFullScreen);
    addAction(fullScreen);
    std::map<ShortcutCommand, QAction*> unhandled;
    for (const Shortcut& shortcut : Shortcuts()) {
        QAction* action = nullptr;
        switch (shortcut.command) {
            case ShortcutCommand::Open:
                action = CommandAction(ID_FILE_OPEN);
                break;
            case ShortcutCommand::Help:
                action = CommandAction(ID_HELP);
                break;
            case ShortcutCommand::Exit:
                action = CommandAction(ID_APP_EXIT);
                break;
            case ShortcutCommand::FullScreen:
                action = fullScreen;
                break;
            case ShortcutCommand::Record:
                action = record_;
                break;
            default:
                // Enabled and in the window, so the shortcut takes the key; nothing is
                // connected.
                action = unhandled[shortcut.command];
                if (!action) {
                    action = new QAction(this);
                    addAction(action);
                    unhandled[shortcut.command] = action;
                    unhandled_.push_back(action);
                }
                break;
        }
        QList<QKeySequence> keys = action->shortcuts();
        keys << QtSequenceOf(shortcut);
        action->setShortcuts(keys);
    }
}

void MainWindow::ToggleFullScreen() {
    if (!isFullScreen()) return ShowFullScreen();
    showNormal();
    // Taking the display's area made that the window's normal geometry as far as Qt knows:
    // the place and size it had before are put back by hand.
    if (normalGeometry_.isValid())
        setGeometry(normalGeometry_);
    else
        resize(sizeHint());  // started full screen: the first size the window would have had
}

void MainWindow::ShowFullScreen() {
    if (!isFullScreen() && isVisible()) normalGeometry_ = geometry();
    ShowFullScreenOnDisplay(*this);
}

void MainWindow::TakeHeldModifiers() {
    const Qt::KeyboardModifiers held = HeldModifiers();
    view_->View().SetHeldModifiers(held.testFlag(Qt::ShiftModifier),
                                   held.testFlag(Qt::ControlModifier));
}

void MainWindow::UpdateCommandStates() {
    saveAs_->setEnabled(CanSaveAs(CurrentInstrument()) || app_.ShowsImportedLibrary());
    const Instrument& shown = CurrentInstrument();
    reload_->setEnabled(shown.load.loaded && !shown.load.currentPath.empty());
    recentMenu_->setEnabled(recentList_ && !recentList_().empty());
}

void MainWindow::SetRecentOpener(std::function<void(size_t)> open,
                                 std::function<std::vector<RecentInstrument>()> list) {
    openRecent_ = std::move(open);
    recentList_ = std::move(list);
}

void MainWindow::FillRecentMenu() {
    recentMenu_->clear();
    const std::vector<RecentInstrument> list =
        recentList_ ? recentList_() : std::vector<RecentInstrument>{};
    const std::vector<String> labels =
        RecentLabels(list, WithTrailingSeparator(FromQString(QDir::homePath())));
    for (size_t i = 0; i < list.size(); ++i) {
        const QString path =
            list[i].path == u"!" ? QStringLiteral("The built-in guitar") : ToQString(list[i].path);
        // The label with its number as the mnemonic; the whole path as the tip.
        QString name = ToQString(labels[i]);
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        action->setData(ID_FILE_MRU_FILE1 + static_cast<int>(i));
        action->setToolTip(path);
        action->setStatusTip(path);
        connect(action, &QAction::triggered, this, [this, i] {
            if (openRecent_) openRecent_(i);
        });
    }
    recentMenu_->setToolTipsVisible(true);
}

void MainWindow::ShowSoundProblem(const QString& text) {
    if (text.isEmpty()) {
        if (soundProblem_) {
            soundProblem_->hide();
            statusBar()->hide();
        }
        return;
    }
    if (!soundProblem_) {
        // A permanent widget: a menu item's status tip shows beside it, never over it.
        soundProblem_ = new QLabel(this);
        soundProblem_->setObjectName(QStringLiteral("soundProblem"));
        statusBar()->addPermanentWidget(soundProblem_, 1);
    }
    soundProblem_->setText(text);
    soundProblem_->setToolTip(text);
    soundProblem_->show();
    statusBar()->show();
}

void MainWindow::ShowPassingNote(const QString& text, int ms) {
    QStatusBar* bar = statusBar();
    if (!passingNoteHooked_) {
        passingNoteHooked_ = true;
        connect(bar, &QStatusBar::messageChanged, this, [this, bar](const QString& now) {
            if (now.isEmpty() && !(soundProblem_ && soundProblem_->isVisible())) bar->hide();
        });
    }
    bar->show();
    bar->showMessage(text, ms);
}

QRect MainWindow::RestoredGeometry() const {
    if (isFullScreen()) return normalGeometry_;
    if (isMaximized()) return normalGeometry();
    return geometry();
}

void MainWindow::OnActivate(int state, bool minimised) {
    const Activation activation = state == WA_ACTIVE        ? Activation::Active
                                  : state == WA_CLICKACTIVE ? Activation::ClickActive
                                                            : Activation::Inactive;
    chordlane::OnActivate(CurrentInstrument(), activation, minimised);
}

void MainWindow::OnHotKey(int id) {
    chordlane::OnHotKey(CurrentInstrument(), static_cast<uint32_t>(id));
}

void MainWindow::OnHelp() {
    if (ShowHelp(CurrentInstrument())) return;
    // Without its document the help would do nothing visible; say where it was looked for.
    if (MessageBox* messages = CurrentInstrument().platform.messages) {
        messages->ShowStop(u"The help document cannot be found:\n" +
                           CurrentInstrument().load.programFolder + u"chordlane_help.htm\n");
    }
}

void MainWindow::SetWaveNoticeDrain(std::function<void()> drain, int fd) {
    drainNotices_ = std::move(drain);
    noticeTimer_.stop();
    noticeNotifier_.reset();
    if (!drainNotices_) return;
    if (fd < 0) {
        noticeTimer_.start(NOTICE_POLL_MS);
        return;
    }
    noticeNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(noticeNotifier_.get(), &QSocketNotifier::activated, this, [this] {
        if (drainNotices_) drainNotices_();
    });
}

bool MainWindow::DroppableFile(const QList<QUrl>& urls, QString& path) {
    if (urls.size() != 1 || !urls.first().isLocalFile()) return false;
    const QFileInfo file(urls.first().toLocalFile());
    static const QStringList kOpened = {QStringLiteral("clx"), QStringLiteral("cly"),
                                        QStringLiteral("sf2"), QStringLiteral("sfz")};
    if (!kOpened.contains(file.suffix(), Qt::CaseInsensitive)) return false;
    path = file.absoluteFilePath();
    return true;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    QString path;
    if (event->mimeData()->hasUrls() && DroppableFile(event->mimeData()->urls(), path))
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    QString path;
    if (!event->mimeData()->hasUrls() || !DroppableFile(event->mimeData()->urls(), path)) return;
    event->acceptProposedAction();
    // Opened once the drop is over: the source of the drag waits for it, and the open may
    // ask for a preset in a dialog of its own.
    QTimer::singleShot(0, this, [this, path] {
        const String opened = FromQString(path);
        app_.RunOpenFlow(&opened);
    });
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow()) {
            // Keys released while another window had the focus never reached the view.
            TakeHeldModifiers();
            // A window activated by a press of the mouse is told so by the button still
            // being down; the buttons are then not taken over.
            const bool byClick = QGuiApplication::mouseButtons() != Qt::NoButton;
            OnActivate(byClick ? WA_CLICKACTIVE : WA_ACTIVE, isMinimized());
        } else {
            OnActivate(WA_INACTIVE, isMinimized());
        }
    } else if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        OnActivate(WA_INACTIVE, true);
    }
}

}  // namespace chordlane

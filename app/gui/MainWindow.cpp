#include "app/gui/MainWindow.h"

#include <QAction>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSocketNotifier>

#include "app/MenuCommands.h"
#include "app/gui/Application.h"
#include "app/gui/ProgramIcon.h"
#include "app/gui/ViewWidget.h"
#include "elements/Instrument.h"
#include "platform/qt/CommandIds.h"
#include "platform/qt/QtStringConversion.h"

namespace chordlane {

namespace {

// Commands of the shortcut table that nothing handles; their keys still never reach the
// instrument.
constexpr int ID_FILE_NEW = 0xE100;
constexpr int ID_FILE_SAVE = 0xE103;
constexpr int ID_EDIT_UNDO = 0xE12B;
constexpr int ID_EDIT_CUT = 0xE123;
constexpr int ID_EDIT_COPY = 0xE122;
constexpr int ID_EDIT_PASTE = 0xE125;
constexpr int ID_NEXT_PANE = 0xE150;
constexpr int ID_PREV_PANE = 0xE151;

// Often enough that a sound's end is noticed well within its 20 ms allowance.
constexpr int NOTICE_POLL_MS = 4;

}  // namespace

MainWindow::MainWindow(Application& app, InstrumentView& view, const ProgramOptions& options)
    : instrument_(app.GetInstrument()) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Chordlane"));
    setWindowIcon(ProgramIcon());

    // The screen sits centred on black, which only shows when the window is larger than
    // the screen (full screen).
    auto* central = new QWidget(this);
    central->setAutoFillBackground(true);
    QPalette black = central->palette();
    black.setColor(QPalette::Window, Qt::black);
    central->setPalette(black);
    auto* layout = new QGridLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new ViewWidget(view, options.screenWidth, options.screenHeight, options.zoom, central);
    layout->addWidget(view_, 0, 0, Qt::AlignCenter);
    setCentralWidget(central);
    setFocusProxy(view_);
    view_->setFocus();

    CreateMenus(app);
    CreateShortcuts();
    if (!options.fullScreen) layout->setSizeConstraint(QLayout::SetFixedSize);

    noticeTimer_.setTimerType(Qt::PreciseTimer);
    connect(&noticeTimer_, &QTimer::timeout, this, [this] {
        if (drainNotices_) drainNotices_();
    });
}

MainWindow::~MainWindow() { ReleaseHardwareButtons(instrument_); }

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
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(open, &QAction::triggered, &app, &Application::OnFileOpen);
    recentMenu_ = fileMenu_->addMenu(QStringLiteral("Open &Recent"));
    connect(recentMenu_, &QMenu::aboutToShow, this, &MainWindow::FillRecentMenu);
    saveAs_ = AddCommand(fileMenu_, QStringLiteral("Save &As"), ID_FILE_SAVE_AS);
    connect(saveAs_, &QAction::triggered, &app, &Application::OnFileSaveAs);
    fileMenu_->addSeparator();
    QAction* exit = AddCommand(fileMenu_, QStringLiteral("E&xit"), ID_APP_EXIT);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    connect(fileMenu_, &QMenu::aboutToShow, this, &MainWindow::UpdateCommandStates);

    optionsMenu_ = menuBar()->addMenu(QStringLiteral("&Options"));
    QAction* showActive = AddCommand(optionsMenu_, QStringLiteral("&Show Active"), ID_SHOW_ACTIVE);
    QAction* speedVolume =
        AddCommand(optionsMenu_, QStringLiteral("Speed -> &Volume"), ID_SPEED_VOLUME);
    for (QAction* option : {showActive, speedVolume}) {
        option->setCheckable(true);
        // Qt flips a checkable item by itself; the mark is put back so that only the
        // command's own SetOptionCheck changes it.
        connect(option, &QAction::triggered, this,
                [option](bool checked) { option->setChecked(!checked); });
    }
    connect(showActive, &QAction::triggered, &app, &Application::OnShowActive);
    connect(speedVolume, &QAction::triggered, &app, &Application::OnSpeedVolume);

    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* help = AddCommand(helpMenu_, QStringLiteral("&Help Topics"), ID_HELP);
    help->setShortcut(QKeySequence(Qt::Key_F1));
    connect(help, &QAction::triggered, this, &MainWindow::OnHelp);
    helpMenu_->addSeparator();
    QAction* about = AddCommand(helpMenu_, QStringLiteral("&About Chordlane..."), ID_APP_ABOUT);
    connect(about, &QAction::triggered, &app, &Application::OnAppAbout);
}

void MainWindow::CreateShortcuts() {
    const std::pair<QKeyCombination, int> table[] = {
        {Qt::CTRL | Qt::Key_N, ID_FILE_NEW},         {Qt::CTRL | Qt::Key_S, ID_FILE_SAVE},
        {Qt::CTRL | Qt::Key_Z, ID_EDIT_UNDO},        {Qt::ALT | Qt::Key_Backspace, ID_EDIT_UNDO},
        {Qt::CTRL | Qt::Key_X, ID_EDIT_CUT},         {Qt::SHIFT | Qt::Key_Delete, ID_EDIT_CUT},
        {Qt::CTRL | Qt::Key_C, ID_EDIT_COPY},        {Qt::CTRL | Qt::Key_Insert, ID_EDIT_COPY},
        {Qt::CTRL | Qt::Key_V, ID_EDIT_PASTE},       {Qt::SHIFT | Qt::Key_Insert, ID_EDIT_PASTE},
        {QKeyCombination(Qt::Key_F6), ID_NEXT_PANE}, {Qt::SHIFT | Qt::Key_F6, ID_PREV_PANE},
    };
    for (const auto& [keys, command] : table) {
        // Enabled and in the window, so the shortcut takes the key; nothing is connected.
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(keys));
        action->setData(command);
        addAction(action);
        unhandled_.push_back(action);
    }
}

void MainWindow::UpdateCommandStates() {
    saveAs_->setEnabled(CanSaveAs(instrument_));
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
    for (size_t i = 0; i < list.size(); ++i) {
        const QString path = ToQString(list[i].path);
        // The file's name with its number as the mnemonic; the whole path as the tip.
        QString name = QFileInfo(path).fileName();
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

void MainWindow::OnActivate(int state, bool minimised) {
    const Activation activation = state == WA_ACTIVE        ? Activation::Active
                                  : state == WA_CLICKACTIVE ? Activation::ClickActive
                                                            : Activation::Inactive;
    chordlane::OnActivate(instrument_, activation, minimised);
}

void MainWindow::OnHotKey(int id) { chordlane::OnHotKey(instrument_, static_cast<uint32_t>(id)); }

void MainWindow::OnHelp() {
    if (ShowHelp(instrument_)) return;
    // Without its document the help would do nothing visible; say where it was looked for.
    if (MessageBox* messages = instrument_.platform.messages) {
        messages->ShowStop(u"The help document cannot be found:\n" + instrument_.programFolder +
                           u"chordlane_help.htm\n");
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

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow()) {
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

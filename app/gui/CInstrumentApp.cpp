#include "app/gui/CInstrumentApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QStandardPaths>

#include "app/AppState.h"
#include "app/MenuCommands.h"
#include "app/Settings.h"
#include "app/gui/CAboutDlg.h"
#include "app/gui/CMainFrame.h"
#include "app/gui/ViewWidget.h"
#include "platform/StdFileSystem.h"
#include "platform/SteadyClock.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtHardwareButtons.h"
#include "platform/qt/QtHelpViewer.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/QtStringConversion.h"
#include "platform/qt/QtWindow.h"

namespace chordlane {

namespace {

constexpr int32_t START_VOLUME_SCALE = 50;
// The stored system volume that stands for a volume scale of 50: (50 + 40) * 0x1111111.
constexpr uint32_t MIDDLE_SYSTEM_VOLUME = 0x5FFFFFFA;

// The device always has a system volume; a desktop's settings store starts without one, and
// reading it as 0 on activation would play every instrument at a fifth of its loudness. So the
// first start stores the middle of the scale, as if the device had it.
void ProvideSystemVolume() {
    SettingsStore* store = CurrentPlatform().settings;
    if (!store) return;
    auto key = store->CreateKey(SettingsRoot::CurrentUser, VOLUME_KEY);
    if (key && !key->ReadNumber(VOLUME_VALUE)) key->WriteNumber(VOLUME_VALUE, MIDDLE_SYSTEM_VOLUME);
}

bool EndsWithSeparator(const String& folder) {
    return !folder.empty() && (folder.back() == u'/' || folder.back() == u'\\');
}

// Where the program's data is: the installed data folder beside bin/, or the program folder
// the build fills at the top of the build tree; otherwise the executable's own folder.
String ProgramFolder() {
    const QDir binary(QCoreApplication::applicationDirPath());
    for (const char* relative : {"../share/chordlane", "../../chordlane"}) {
        const QString candidate = binary.absoluteFilePath(QString::fromLatin1(relative));
        if (QFileInfo(candidate).isDir()) return FromQString(QDir::cleanPath(candidate) + u'/');
    }
    return FromQString(binary.absolutePath() + u'/');
}

}  // namespace

CInstrumentApp::CInstrumentApp(ProgramOptions options, const Platform* services)
    : options_(std::move(options)) {
    if (services)
        services_ = *services;
    else
        MakeRealServices();
    view_.SetOpenRequested([this] { RunOpenFlow(nullptr); });
}

CInstrumentApp::~CInstrumentApp() {
    // The frame gives the hardware buttons back through the services, so it goes first.
    frame_.reset();
    if (window_) InstallPlatform(previous_);
}

void CInstrumentApp::MakeRealServices() {
    clock_ = std::make_unique<SteadyClock>();
    files_ = std::make_unique<StdFileSystem>();
    dialogs_ = std::make_unique<QtDialogs>();
    messages_ = std::make_unique<QtMessageBox>();
    help_ = std::make_unique<QtHelpViewer>();
    buttons_ = std::make_unique<QtHardwareButtons>();
    services_.clock = clock_.get();
    services_.files = files_.get();
    services_.dialogs = dialogs_.get();
    services_.messages = messages_.get();
    services_.help = help_.get();
    services_.buttons = buttons_.get();
}

bool CInstrumentApp::StartApplication() {
    AppState& app = App();
    // 1. The frame with its view and menu bar; the window service rests on it.
    frame_ = std::make_unique<CMainFrame>(*this, view_, options_);
    window_ = std::make_unique<QtWindow>(frame_.get(), frame_->View(), frame_->menuBar(),
                                         options_.zoom);
    window_->SetFullScreen(options_.fullScreen);
    services_.window = window_.get();
    previous_ = InstallPlatform(services_);
    if (dialogs_) dialogs_->SetParent(frame_.get());
    if (messages_) messages_->SetParent(frame_.get());
    if (buttons_) buttons_->SetHotKeyHandler([this](int32_t id) { frame_->OnHotKey(id); });

    // 2. The option marks.
    SetOptionCheck(MENU_OPTIONS, ID_SHOW_ACTIVE, app.showActive);
    SetOptionCheck(MENU_OPTIONS, ID_SPEED_VOLUME, app.speedVolume);

    // 3. The screen is what the command line asked for.
    app.screenWidth = options_.screenWidth;
    app.screenHeight = options_.screenHeight;
    app.screenRect = Rect{0, 0, options_.screenWidth - 1, options_.screenHeight - 1};

    // 4. Folders, the system volume and the start-up bitmap.
    FindFolders();
    ProvideSystemVolume();
    if (PictureLoader* pictures = CurrentPlatform().pictures)
        app.startupBitmap = pictures->LoadStartupBitmap();

    // 5. Show, and paint the start-up screen at once.
    if (options_.fullScreen)
        frame_->showFullScreen();
    else
        frame_->show();
    frame_->View()->repaint();

    // 6. The volume scale starts in the middle, without touching the system volume.
    app.vM = START_VOLUME_SCALE;

    // 7. The command line's instrument.
    if (!options_.commandLine.empty()) RunOpenFlow(&options_.commandLine);
    return true;
}

void CInstrumentApp::FindFolders() {
    AppState& app = App();
    app.programFolder = ProgramFolder();
    if (help_) help_->SetProgramFolder(app.programFolder);

    String home = ReadInstallSetting(u"Home");
    if (home.empty()) {
        home = FromQString(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        if (home.empty()) home = FromQString(QDir::homePath());
    }
    if (!EndsWithSeparator(home)) home += u'/';
    app.homeFolder = home;
}

void CInstrumentApp::OnFileOpen() { RunOpenFlow(nullptr); }

void CInstrumentApp::OnFileSaveAs() {
    // Saving is offered only when the rule allows it; a stale menu must not get past it.
    if (CanSaveAs() && saveAs_) saveAs_();
}

void CInstrumentApp::OnShowActive() { ToggleShowActive(); }

void CInstrumentApp::OnSpeedVolume() { ToggleSpeedVolume(); }

void CInstrumentApp::OnAppAbout() {
    CAboutDlg dialog(frame_.get());
    dialog.exec();
}

void CInstrumentApp::RunOpenFlow(const String* path) {
    if (openFlow_) openFlow_(path);
}

}  // namespace chordlane

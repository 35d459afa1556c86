#include "desktop/HelpWindow.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QToolBar>
#include <QVBoxLayout>

#include "desktop/ProgramIcon.h"
#include "platform/qt/QtStringConversion.h"

namespace chordlane {

namespace {

// Enough for the manual's tables without scrolling sideways, where the display has room.
constexpr int HELP_WIDTH = 720;
constexpr int HELP_HEIGHT = 640;
// Of a smaller display, the window takes at most this share of each side.
constexpr int HELP_SHARE_PERCENT = 90;

// Lines of examples (a <pre> block) break where the window ends, like the other text: a
// line of the manual then never needs a scroll bar to be read to its end.
void WrapEveryLine(QTextDocument& document) {
    QTextCursor cursor(&document);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (!block.blockFormat().nonBreakableLines()) continue;
        QTextBlockFormat format = block.blockFormat();
        format.setNonBreakableLines(false);
        cursor.setPosition(block.position());
        cursor.setBlockFormat(format);
    }
}

}  // namespace

HelpWindow::HelpWindow(UrlOpener webOpener, QWidget* parent)
    : QWidget(parent, Qt::Window),
      webOpener_(std::move(webOpener)),
      browser_(new QTextBrowser(this)),
      back_(new QAction(QStringLiteral("Back"), this)),
      forward_(new QAction(QStringLiteral("Forward"), this)) {
    if (!webOpener_) webOpener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Chordlane Help"));
    setWindowIcon(ProgramIcon());
    resize(HELP_WIDTH, HELP_HEIGHT);

    // Long words (paths, command lines) break too rather than stand out to the right.
    browser_->setLineWrapMode(QTextEdit::WidgetWidth);
    browser_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    browser_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(browser_, &QTextBrowser::sourceChanged, this,
            [this] { WrapEveryLine(*browser_->document()); });

    auto* closeWindow = new QAction(this);
    closeWindow->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(closeWindow, &QAction::triggered, this, &QWidget::close);
    addAction(closeWindow);

    // Links are followed here, so that a web link can go to the browser instead.
    browser_->setOpenLinks(false);
    browser_->setOpenExternalLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, &HelpWindow::Follow);

    back_->setShortcut(QKeySequence::Back);
    forward_->setShortcut(QKeySequence::Forward);
    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(back_, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward_, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);

    auto* tools = new QToolBar(this);
    tools->addAction(back_);
    tools->addAction(forward_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(browser_);
}

bool HelpWindow::IsExternal(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QStringLiteral("http") || scheme == QStringLiteral("https") ||
           scheme == QStringLiteral("mailto") || scheme == QStringLiteral("ftp");
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::Follow(const QUrl& url) {
    if (IsExternal(url)) {
        webOpener_(url);
        return;
    }
    browser_->setSource(browser_->source().resolved(url));
}

bool HelpWindow::ShowDocument(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) return false;
    const QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    // A window still open keeps the page being read; a closed one starts at the beginning.
    if (browser_->source().isEmpty() || !isVisible()) browser_->setSource(url);
    if (!isVisible()) FitDisplay();
    show();
    raise();
    activateWindow();
    return true;
}

void HelpWindow::FitDisplay() {
    const QScreen* display = screen();
    if (!display) return;
    const QRect room = display->availableGeometry();
    const QSize most(room.width() * HELP_SHARE_PERCENT / 100,
                     room.height() * HELP_SHARE_PERCENT / 100);
    QSize size = QSize(HELP_WIDTH, HELP_HEIGHT).boundedTo(most);
    // The window's frame is not known before it is shown: the room it took the last time
    // counts for it.
    const QSize frame = frameGeometry().size() - geometry().size();
    if (isWindow() && frame.isValid()) size = size.boundedTo(room.size() - frame);
    resize(size);
    move(room.center() - QPoint(width() / 2, height() / 2));
}

HelpWindowViewer::HelpWindowViewer(HelpWindow::UrlOpener webOpener)
    : webOpener_(std::move(webOpener)) {}

HelpWindowViewer::~HelpWindowViewer() = default;

bool HelpWindowViewer::Open(const String& document) {
    // Folder strings keep their trailing separator: the name is appended as it is.
    const QString path = ToQString(programFolder_ + document);
    if (!QFileInfo(path).isFile()) return false;
    if (!window_) window_ = std::make_unique<HelpWindow>(webOpener_);
    return window_->ShowDocument(path);
}

}  // namespace chordlane

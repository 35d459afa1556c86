#pragma once
// The help document in a window of the program: it needs no web browser, shows the
// document's pictures and follows its links with back and forward. Only a link to the web
// leaves the program, for the desktop's browser.

#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/HelpViewer.h"

class QAction;
class QTextBrowser;

namespace chordlane {

// Escape closes it; its text, examples too, wraps at the window's edge.
class HelpWindow : public QWidget {
  public:
    using UrlOpener = std::function<bool(const QUrl&)>;

    //! webOpener takes the links to the web (default: the desktop's browser).
    explicit HelpWindow(UrlOpener webOpener = {}, QWidget* parent = nullptr);

    //! Brings the window up showing the document at path, or the page being read while the
    //! window is open; false when the document cannot be read.
    bool ShowDocument(const QString& path);

    QTextBrowser* Browser() const { return browser_; }
    QAction* BackAction() const { return back_; }
    QAction* ForwardAction() const { return forward_; }

    //! Whether a link leaves the program for the desktop (web and mail addresses).
    static bool IsExternal(const QUrl& url);

  protected:
    //! Escape also when the window is not (yet) the active one, where a shortcut would not
    //! fire: the browser passes the key on to here.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Follow(const QUrl& url);
    //! Sizes the window to its display (no larger than most of it) and centres it there.
    void FitDisplay();

    UrlOpener webOpener_;
    QTextBrowser* browser_;
    QAction* back_;
    QAction* forward_;
};

// Help -> Help Topics: the program folder's document in the help window, made on first use.
class HelpWindowViewer : public HelpViewer {
  public:
    explicit HelpWindowViewer(HelpWindow::UrlOpener webOpener = {});
    ~HelpWindowViewer() override;
    void SetProgramFolder(const String& folder) { programFolder_ = folder; }

    bool Open(const String& document) override;
    //! The window, once a document was opened.
    HelpWindow* Window() const { return window_.get(); }

  private:
    HelpWindow::UrlOpener webOpener_;
    String programFolder_;
    std::unique_ptr<HelpWindow> window_;
};

}  // namespace chordlane
